#pragma once

#include "ctl/invocation.h"
#include "ctl/junit_report.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"

#include "device/part_description.h"

namespace ctl {

// Reads the expected part and opens the JUnit file if one is asked for; false, with the reason on
// standard error, when either fails or the part cannot be checked.
bool prepareCheck(const invocation& inv, tarnwell::part_description& part, junit_report& junit);

// rx48p-ctl check: measures the part on the board once and compares it with the expected part.
int runCheck(const invocation& inv, output& out, const stop_signals& stops);

}  // namespace ctl
