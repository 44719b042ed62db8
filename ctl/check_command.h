#pragma once

#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/junit_report.h"
#include "ctl/output.h"
#include "process/stop_signals.h"

#include "station/station_settings.h"

namespace ctl {

// Reads the expected part into `settings` and prepares the JUnit file if one is asked for; false, with
// the reason on standard error, when either fails or the part cannot be checked.
bool prepareCheck(const invocation& inv, station::station_settings& settings, junit_report& junit);

// rx48p-ctl check: measures the part on the board once and compares it with the expected part.
proc::run_end runCheck(const invocation& inv, output& out, proc::stop_signals& stops);

}  // namespace ctl
