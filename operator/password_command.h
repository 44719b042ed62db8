#pragma once

#include "operator/command_line.h"

class QSettings;

namespace op {

// rx48p-station --set-password and --remove-password, for the administrator whose account holds the
// settings file: the new password read twice from standard input (not echoed on a terminal), a line on
// stdout when done, a line on stderr when not. The exit code: 0 done, 2 refused or not written.
int runPasswordAction(QSettings& settings, password_action action);

}  // namespace op
