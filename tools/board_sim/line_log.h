#pragma once

#include <string>

namespace board_sim {

// One line on standard output, flushed at once: tests and scripts read the log through a pipe while the
// simulator runs.
void log_line(const std::string& line);

}  // namespace board_sim
