#pragma once

#include "station/part_result.h"

#include <optional>
#include <vector>

namespace station {

// The parts of a run so far: how many, how they count (passed, failed, not recorded) and their times for
// the medians. A figure of no parts is none, not zero.
class run_tally {
public:
    void add(const part_result& part);
    long parts() const { return static_cast<long>(tests.size()); }
    long passed() const { return passedCount; }
    long failed() const { return failedCount; }
    long notRecorded() const { return parts() - passedCount - failedCount; }
    // Percent of the parts that passed.
    std::optional<double> yieldPercent() const;
    // Percent of the parts at their first attempt that passed; a retested serial is not a first pass, a
    // part without a serial is its own first attempt.
    std::optional<double> firstPassYield() const;
    // Seconds; the cycle of the parts that were removed.
    std::optional<double> medianTest() const { return median(tests); }
    std::optional<double> medianCycle() const { return median(cycles); }

private:
    static std::optional<double> median(std::vector<double> values);

    long passedCount = 0;
    long failedCount = 0;
    long firstAttempts = 0;
    long firstPassed = 0;
    std::vector<double> tests;  // eight bytes a part each: a long run stays small
    std::vector<double> cycles;
};

}  // namespace station
