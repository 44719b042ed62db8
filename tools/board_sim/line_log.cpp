#include "line_log.h"

#include <chrono>
#include <cstdio>

namespace board_sim {

namespace {
bool stamped = false;
}  // namespace

void log_with_timestamps() {
    stamped = true;
}

void log_line(const std::string& line) {
    if (stamped) {
        // steady_clock is CLOCK_MONOTONIC on Linux, the clock every process shares.
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(
            std::chrono::steady_clock::now().time_since_epoch()).count();
        std::fprintf(stdout, "%lld.%06lld ", static_cast<long long>(us / 1000000), static_cast<long long>(us % 1000000));
    }
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace board_sim
