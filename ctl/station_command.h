#pragma once

#include "ctl/invocation.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"

namespace ctl {

// rx48p-ctl station: ping, configure, then for each part detect the insertion, check the part, sound OK
// or error, detect the removal; a line (or JSON record) per part and a summary at the end.
// A first Ctrl-C lets the part in hand finish (or ends the wait for the next one); a second abandons it.
int runStation(const invocation& inv, output& out, const stop_signals& stops);

}  // namespace ctl
