#pragma once

#include "ctl/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"

namespace ctl {

// One command of the board: sends it, waits for its answer and, where the board sends one, its event.
run_end runExchange(const invocation& inv, output& out, stop_signals& stops);

}  // namespace ctl
