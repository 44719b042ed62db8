#pragma once

#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/output.h"
#include "process/stop_signals.h"

namespace ctl {

// rx48p-ctl station: the station engine's loop, a line (or JSON record) per part and a summary at the
// end. A first Ctrl-C lets the part in hand finish (or ends the wait for the next one); a second abandons
// it.
proc::run_end runStation(const invocation& inv, output& out, proc::stop_signals& stops);

}  // namespace ctl
