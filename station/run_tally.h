#pragma once

#include <vector>

namespace station {

// The parts of a run so far: how many, how many passed, and their cycle times for the median.
class run_tally {
public:
    void add(bool passed, double cycleSeconds);
    long parts() const { return static_cast<long>(cycles.size()); }
    long passed() const { return passedCount; }
    long failed() const { return parts() - passedCount; }
    // Percent of the parts that passed; 0 before the first part.
    double yieldPercent() const;
    // Seconds; 0 before the first part.
    double medianCycle() const;

private:
    long passedCount = 0;
    std::vector<double> cycles;  // eight bytes a part: a long run stays small
};

}  // namespace station
