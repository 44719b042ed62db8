#pragma once

#include <utility>
#include <vector>

namespace bench {

// Nearest-rank percentile, p from 0 to 100; 0 for no samples.
double percentile(std::vector<double> samples, double p);
inline double median(std::vector<double> samples) {
    return percentile(std::move(samples), 50);
}

}  // namespace bench
