#pragma once

#include "station/trouble.h"

#include <QString>

namespace ctl {

// Says on standard error what went wrong and gives the exit code for it.
int exitForTrouble(station::trouble_kind kind, const QString& message);

}  // namespace ctl
