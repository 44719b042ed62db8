#include "line_log.h"

#include <cstdio>

namespace board_sim {

void log_line(const std::string& line) {
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

}  // namespace board_sim
