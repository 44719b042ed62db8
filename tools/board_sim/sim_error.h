#pragma once

#include "process/exit_codes.h"

#include <stdexcept>
#include <string>

namespace board_sim {

// A failure the user caused or can fix: main prints the message and exits with the code, one of
// proc::exit_code (exit_usage for what --help would help with, exit_port for the line and its link).
class sim_error : public std::runtime_error {
public:
    sim_error(int exit_code, const std::string& message) : std::runtime_error(message), exit_code(exit_code) {}
    int exit_code;
};

}  // namespace board_sim
