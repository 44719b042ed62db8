#pragma once

#include <QDateTime>
#include <QString>

namespace results {

// "2026-12-07T10:00:00.123Z": one fixed width in UTC, so text order is time order in SQLite and
// PostgreSQL alike.
QString utcText(const QDateTime& when);
// The time back; invalid for a text that is not one.
QDateTime fromUtcText(const QString& text);
// A moment as people write it for a question: an ISO 8601 date ("2026-12-07", its first moment) or date
// and time ("2026-12-07T14:30", "...:00Z", "...+01:00"); without a zone, UTC. Invalid when it is neither.
QDateTime parseWhen(const QString& text);

}  // namespace results
