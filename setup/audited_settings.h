#pragma once

#include "setup/station_setup.h"

#include <QList>
#include <QString>

namespace setup {

// One setting as the audit trail records it: its name and its value in words.
struct setting_value {
    QString name;
    QString value;
};

// What a station's setup is, setting by setting, as the audit trail compares it from one start to the
// next: the boards, the program (its path and the SHA-256 of its content), the board's settings, the
// tolerance, serials, where the record goes and whether only released programs may run. The server is
// its URL, which never holds a password. `programSha256` is the one the run took of the part file (empty:
// unreadable), so the file is read once a start.
QList<setting_value> auditedSettings(const station_setup& setup, const QString& programSha256);

}  // namespace setup
