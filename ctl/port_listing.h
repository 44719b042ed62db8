#pragma once

#include "ctl/output.h"

namespace ctl {

// The serial ports the system enumerates, one a line (tab-separated, "-" where unknown) or one JSON
// record each. Nothing is opened.
void listPorts(output& out, bool json);

}  // namespace ctl
