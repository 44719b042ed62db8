#pragma once

#include "ctl/board_session.h"
#include "ctl/part_check.h"

#include "device/part_description.h"

#include <QString>

namespace ctl {

// Why `part` cannot be checked (a touch pad beyond the capacitive pins, nothing to measure), or empty.
QString uncheckable(const tarnwell::part_description& part);

// Runs the measures that a check of `part` calls for, in the order static, button, capacitive (on the
// part's touch pads), into `measured`; stops at the first wait that does not end in `done`.
board_session::answer measurePart(board_session& session, const tarnwell::part_description& part, int timeoutMs,
                                  measured_part& measured);

}  // namespace ctl
