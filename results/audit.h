#pragma once

#include "setup/audited_settings.h"

#include <QDateTime>
#include <QJsonObject>
#include <QList>
#include <QSqlDatabase>
#include <QString>

#include <vector>

namespace results {

// The kinds of event the audit trail records, as they stand in its `event` column.
namespace audit_event {
inline const QString setup = QStringLiteral("setup");        // a setting of a station changed (or was first set)
inline const QString release = QStringLiteral("release");    // a program's content released
inline const QString revoke = QStringLiteral("revoke");      // a release withdrawn
// A station started letting any program run, released or not: `what` the program, `new_value` whether
// it was released when it started.
inline const QString anyProgram = QStringLiteral("start, any program");
}  // namespace audit_event

struct audit_entry {
    QString id;       // made when recorded
    QDateTime at;     // UTC; invalid: now
    QString station;  // empty for what was done on the server
    QString byUser;   // the database user, for what was done on the server
    QString event;
    QString what;
    QString oldValue;  // empty: none
    QString newValue;
};

// An entry's fields as every JSON output gives them: time, station, user, event, what, old, new (null
// where there is none).
QJsonObject auditFields(const audit_entry& entry);

// One entry, in the caller's transaction or on its own. Throws results::error.
void recordAudit(const QSqlDatabase& db, const audit_entry& entry);

// Records, as `setup` entries of `station`, each setting whose value differs from the last one recorded
// for it (every one the first time, with no old value), in one transaction; how many it recorded.
// Throws results::error.
int recordSetupChanges(const QSqlDatabase& db, const QString& station, const QList<setup::setting_value>& settings,
                       const QDateTime& at = {});

// The trail oldest first (a moment's entries by station, event and setting), `since` included and
// `until` excluded (invalid: unbounded). Throws results::error.
std::vector<audit_entry> readAudit(const QSqlDatabase& db, const QDateTime& since, const QDateTime& until);

}  // namespace results
