#pragma once

#include <stdexcept>
#include <string>

namespace board_sim {

// Exit codes of the simulator.
constexpr int exit_ok = 0;
constexpr int exit_cannot_open = 1;  // the serial line or a file could not be opened
constexpr int exit_bad_input = 2;    // a bad option or device description

// A failure the user caused or can fix: main prints the message and exits with the code.
class sim_error : public std::runtime_error {
public:
    sim_error(int exit_code, const std::string& message) : std::runtime_error(message), exit_code(exit_code) {}
    int exit_code;
};

}  // namespace board_sim
