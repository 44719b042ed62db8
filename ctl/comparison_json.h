#pragma once

#include "station/part_comparison.h"

#include <QJsonArray>

#include <vector>

namespace ctl {

// Each comparison as an object: kind, item, passed, expected, measured, reason, mode, expected_value,
// measured_value (null where empty).
QJsonArray comparisonsJson(const std::vector<station::comparison>& comparisons);

}  // namespace ctl
