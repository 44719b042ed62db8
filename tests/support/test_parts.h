#pragma once

// The known parts in tests/parts: the good one and one copy per fault, as the simulator plays them.

#include <QStringList>

namespace test_support {

// tests/parts/NAME.device; a name that is already a path is returned as it is.
QString partFile(const QString& name);
// Every part's name, sorted.
QStringList knownParts();
// Simulator arguments for a run of these parts in turn, events `eventDelayMs` after their command.
QStringList simParts(const QStringList& names, int eventDelayMs = 0);

}  // namespace test_support
