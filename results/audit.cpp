#include "results/audit.h"

#include "results/sql.h"
#include "results/tables.h"
#include "results/utc_text.h"

#include <QUuid>

namespace results {

QJsonObject auditFields(const audit_entry& e) {
    const auto orNull = [](const QString& text) { return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text); };
    return {{QStringLiteral("time"), e.at.isValid() ? QJsonValue(utcText(e.at)) : QJsonValue(QJsonValue::Null)},
            {QStringLiteral("station"), orNull(e.station)},
            {QStringLiteral("user"), orNull(e.byUser)},
            {QStringLiteral("event"), e.event},
            {QStringLiteral("what"), e.what},
            {QStringLiteral("old"), orNull(e.oldValue)},
            {QStringLiteral("new"), orNull(e.newValue)}};
}

void recordAudit(const QSqlDatabase& db, const audit_entry& entry) {
    const QDateTime at = entry.at.isValid() ? entry.at : QDateTime::currentDateTimeUtc();
    tables::insert(db, tables::audit,
                   {tables::audit,
                    {{"id", entry.id.isEmpty() ? QUuid::createUuid().toString(QUuid::WithoutBraces) : entry.id},
                     {"at_utc", utcText(at)},
                     {"station", sql::textOrNull(entry.station)},
                     {"by_user", sql::textOrNull(entry.byUser)},
                     {"event", sql::text(entry.event)},
                     {"what", sql::text(entry.what)},
                     {"old_value", sql::textOrNull(entry.oldValue)},
                     {"new_value", sql::textOrNull(entry.newValue)}}},
                   QStringLiteral("cannot record the audit trail"));
}

int recordSetupChanges(const QSqlDatabase& db, const QString& station, const QList<setup::setting_value>& settings,
                       const QDateTime& at) {
    const QString what = QStringLiteral("cannot record the setup of %1 in the audit trail").arg(station);
    const QDateTime when = at.isValid() ? at : QDateTime::currentDateTimeUtc();
    sql::transaction transaction(db, what);
    sql::statement last(db,
                        QStringLiteral("SELECT new_value FROM audit WHERE station = ? AND what = ? AND event = ?"
                                       " ORDER BY at_utc DESC LIMIT 1"),
                        what);
    int recorded = 0;
    for (const setup::setting_value& s : settings) {
        QSqlQuery& found = last.run({sql::text(station), sql::text(s.name), audit_event::setup});
        const bool known = found.next();
        const QString before = known ? found.value(0).toString() : QString();
        found.finish();
        if (known && before == s.value)
            continue;
        recordAudit(db, {QString(), when, station, QString(), audit_event::setup, s.name, before, s.value});
        ++recorded;
    }
    transaction.commit();
    return recorded;
}

std::vector<audit_entry> readAudit(const QSqlDatabase& db, const QDateTime& since, const QDateTime& until) {
    QString statement = QStringLiteral("SELECT id, at_utc, station, by_user, event, what, old_value, new_value FROM audit"
                                       " WHERE 1 = 1");
    QVariantList values;
    if (since.isValid()) {
        statement += QStringLiteral(" AND at_utc >= ?");
        values << utcText(since);
    }
    if (until.isValid()) {
        statement += QStringLiteral(" AND at_utc < ?");
        values << utcText(until);
    }
    // A start's entries share their time: by station and setting within it, the same on both databases.
    statement += QStringLiteral(" ORDER BY at_utc, coalesce(station, ''), event, what, id");
    QSqlQuery query = sql::run(db, statement, values, QStringLiteral("cannot read the audit trail"));
    std::vector<audit_entry> read;
    while (query.next())
        read.push_back({query.value(0).toString(), fromUtcText(query.value(1).toString()), query.value(2).toString(),
                        query.value(3).toString(), query.value(4).toString(), query.value(5).toString(),
                        query.value(6).toString(), query.value(7).toString()});
    return read;
}

}  // namespace results
