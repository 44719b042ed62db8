#include "station/run_tally.h"

#include <algorithm>

namespace station {

void run_tally::add(bool passed, double cycleSeconds) {
    cycles.push_back(cycleSeconds);
    passedCount += passed ? 1 : 0;
}

double run_tally::yieldPercent() const {
    return cycles.empty() ? 0.0 : 100.0 * static_cast<double>(passedCount) / static_cast<double>(cycles.size());
}

double run_tally::medianCycle() const {
    if (cycles.empty())
        return 0;
    std::vector<double> sorted = cycles;
    const std::size_t mid = sorted.size() / 2;
    std::nth_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(mid), sorted.end());
    const double upper = sorted[mid];
    if (sorted.size() % 2)
        return upper;
    return (*std::max_element(sorted.begin(), sorted.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) / 2;
}

}  // namespace station
