#pragma once

#include <string>

namespace board_sim {

// One line on standard output, flushed at once: tests and scripts read the log through a pipe while the
// simulator runs.
void log_line(const std::string& line);

// From now on, every line starts with the monotonic clock's time, so a reader in another process can
// tell when the board wrote a frame.
void log_with_timestamps();

}  // namespace board_sim
