#pragma once

#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/output.h"
#include "process/stop_signals.h"

namespace ctl {

// One command of the board: sends it, waits for its answer and, where the board sends one, its event.
proc::run_end runExchange(const invocation& inv, output& out, proc::stop_signals& stops);

}  // namespace ctl
