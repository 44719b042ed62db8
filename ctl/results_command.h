#pragma once

#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/output.h"

namespace ctl {

// rx48p-ctl results QUESTION: asks the station's journal (or with --server the results server) what the
// recorded parts say, or forwards the journal's unsent parts (push).
proc::run_end runResults(const invocation& inv, output& out);

}  // namespace ctl
