#pragma once

#include <QString>

namespace station {

// Why TEXT cannot be a part's serial, or empty when it can: 1 to 64 printable characters (a scanner's
// line, without its line end).
QString serialProblem(const QString& text);

}  // namespace station
