#include "station/run_tally.h"

#include <algorithm>

namespace station {

void run_tally::add(const part_result& part) {
    tests.push_back(part.testSeconds);
    if (part.cycleSeconds)
        cycles.push_back(*part.cycleSeconds);
    switch (verdictOf(part)) {
    case verdict::pass: ++passedCount; break;
    case verdict::fail: ++failedCount; break;
    case verdict::not_recorded: break;
    }
    if (part.attempt <= 1) {
        ++firstAttempts;
        firstPassed += verdictOf(part) == verdict::pass ? 1 : 0;
    }
}

std::optional<double> run_tally::firstPassYield() const {
    if (firstAttempts == 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(firstPassed) / static_cast<double>(firstAttempts);
}

std::optional<double> run_tally::yieldPercent() const {
    if (tests.empty())
        return std::nullopt;
    return 100.0 * static_cast<double>(passedCount) / static_cast<double>(tests.size());
}

std::optional<double> run_tally::median(std::vector<double> values) {
    if (values.empty())
        return std::nullopt;
    const std::size_t mid = values.size() / 2;
    std::nth_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid), values.end());
    const double upper = values[mid];
    if (values.size() % 2)
        return upper;
    return (*std::max_element(values.begin(), values.begin() + static_cast<std::ptrdiff_t>(mid)) + upper) / 2;
}

}  // namespace station
