#pragma once

#include <QString>

namespace setup {

// The texts that name a part and a station on record, checked alike by every front end. Surrounding
// white space is dropped (a scanner's or a shortcut's stray space would make another unit); what is
// left must be printable.
struct checked_text {
    QString text;     // trimmed
    QString problem;  // why it cannot be used; empty when it can
};

// 1 to 64 printable characters (a scanner's line, without its line end).
checked_text checkSerial(const QString& raw);
// 1 to 64 printable characters.
checked_text checkStationName(const QString& raw);

// Why TEXT, as it stands, cannot be a part's serial, or empty.
QString serialProblem(const QString& text);

}  // namespace setup
