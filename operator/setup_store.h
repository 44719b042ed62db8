#pragma once

#include "operator/line_setup.h"

class QSettings;

namespace op {

// The setup as QSettings keeps it between starts. The count of parts belongs to one start only and is
// neither written nor read.
line_setup loadSetup(const QSettings& settings);
void saveSetup(QSettings& settings, const line_setup& setup);

}  // namespace op
