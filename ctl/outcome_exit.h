#pragma once

#include "ctl/board_session.h"
#include "ctl/stop_signals.h"

namespace ctl {

// The exit code for how a wait ended, with the reason on standard error where there is one.
int exitFor(const board_session::answer& answer, const stop_signals& stops);

}  // namespace ctl
