#pragma once

#include "station/trouble.h"

#include <QString>

namespace ctl {

// Says on standard error what went wrong and gives the exit code for it; `label` starts the message
// (the fixture's, "a: ", when a station has several).
int exitForTrouble(station::trouble_kind kind, const QString& message, const QString& label = QString());

}  // namespace ctl
