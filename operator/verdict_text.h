#pragma once

#include "station/part_result.h"

#include <QStringList>

namespace op {

// The reasons shown for a failed part, on the tile and in the history alike.
constexpr int reasonsShown = 3;

// The first reasons of a failed part and "and N more"; none for a part that passed.
QStringList partReasons(const station::part_result& part);

}  // namespace op
