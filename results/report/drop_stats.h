#pragma once

#include "device/payloads.h"

#include <QString>

#include <optional>
#include <utility>
#include <vector>

// The arithmetic of the drops, apart from the database.
namespace results::report_detail {

// Drops are stored in volts but measured in whole steps of 0.02 V, so counting by step is exact.
using tarnwell::voltsPerStep;

int stepOf(double volts);
double voltsOf(double steps);

struct drop_moments {
    long n = 0;
    double mean = 0;  // volts
    double sd = 0;    // volts, sample (n - 1); 0 below two parts
};
// From a histogram of (step, parts): the mean first, then the squares about it, so no large sums cancel.
drop_moments momentsOf(const std::vector<std::pair<int, long>>& histogram);

// min(USL - mean, mean - LSL) / 3s with USL/LSL = expected +/- tolerance; none below `minimumParts`,
// without spread (s = 0) or without an expected value.
std::optional<double> cpkOf(const drop_moments& m, std::optional<double> expected, double tolerance, long minimumParts);

// A mean moved by more than a quarter of the band (2 x tolerance). The slack keeps a shift of exactly a
// quarter unflagged despite rounding.
bool drifted(double firstMean, double lastMean, double tolerance);
// A fixture's mean further from its siblings' than a quarter of the band, the same rule.
bool apartFromSiblings(double mean, double siblingsMean, double tolerance);

// The expected A->B and B->A drops in the comparison's words, "Led anode to Led cathode, 1.800V / -0.020V".
std::optional<std::pair<double, double>> expectedDrops(const QString& words);

}  // namespace results::report_detail
