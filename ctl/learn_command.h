#pragma once

#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/output.h"
#include "process/stop_signals.h"

#include <QStringList>

namespace ctl {

// The options of `learn`, after the command, into `inv`. Throws usage_error.
void parseLearn(invocation& inv, const QStringList& rest);

// rx48p-ctl learn: the station engine's loop over N good samples, no expected part; the part they agree
// on is written as a part file, to standard output or atomically to --output. Samples that disagree,
// trouble, or a signal before the last sample is measured leave nothing written.
proc::run_end runLearn(const invocation& inv, output& out, proc::stop_signals& stops);

}  // namespace ctl
