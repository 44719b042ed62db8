#include "results/report/drop_stats.h"

#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace results::report_detail {

int stepOf(double volts) { return int(std::lround(volts / voltsPerStep)); }

double voltsOf(double steps) { return steps * voltsPerStep; }

drop_moments momentsOf(const std::vector<std::pair<int, long>>& histogram) {
    drop_moments m;
    double sum = 0;
    for (const auto& [step, count] : histogram) {
        m.n += count;
        sum += double(step) * double(count);
    }
    if (m.n == 0)
        return m;
    const double meanSteps = sum / double(m.n);
    double squares = 0;
    for (const auto& [step, count] : histogram)
        squares += double(count) * (double(step) - meanSteps) * (double(step) - meanSteps);
    m.mean = voltsOf(meanSteps);
    m.sd = m.n > 1 ? voltsOf(std::sqrt(squares / double(m.n - 1))) : 0.0;
    return m;
}

std::optional<double> cpkOf(const drop_moments& m, std::optional<double> expected, double tolerance, long minimumParts) {
    if (m.n < minimumParts || !expected || m.sd <= 0)
        return std::nullopt;
    const double upper = *expected + tolerance;
    const double lower = *expected - tolerance;
    return std::min(upper - m.mean, m.mean - lower) / (3 * m.sd);
}

bool drifted(double firstMean, double lastMean, double tolerance) {
    return std::fabs(lastMean - firstMean) > 2 * tolerance / 4 + 1e-9;
}

bool apartFromSiblings(double mean, double siblingsMean, double tolerance) { return drifted(siblingsMean, mean, tolerance); }

std::optional<std::pair<double, double>> expectedDrops(const QString& words) {
    static const QRegularExpression drops(QStringLiteral("(-?\\d+(?:\\.\\d+)?)V\\s*/\\s*(-?\\d+(?:\\.\\d+)?)V\\s*$"));
    const QRegularExpressionMatch match = drops.match(words);
    if (!match.hasMatch())
        return std::nullopt;
    return std::make_pair(match.captured(1).toDouble(), match.captured(2).toDouble());
}

}  // namespace results::report_detail
