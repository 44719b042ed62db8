#include "results/server_schema.h"

#include "results/error.h"
#include "results/schema.h"
#include "results/sql.h"
#include "results/tables.h"

#include <QRegularExpression>

namespace results::server_schema {

namespace {

// PostgreSQL's "undefined_table".
bool noSuchTable(const error& e) { return e.code() == QLatin1String("42P01"); }

int versionOf(const QSqlDatabase& db, const QString& what) {
    QSqlQuery query = sql::run(db, QStringLiteral("SELECT max(version) FROM results_schema"), {}, what);
    return query.next() ? query.value(0).toInt() : 0;
}

QString newerText(const QString& where, int version) {
    return QStringLiteral("%1 was written by a newer version (schema %2, this program knows %3)")
        .arg(where)
        .arg(version)
        .arg(schema::version);
}

}  // namespace

void require(const QSqlDatabase& db, const QString& where) {
    const QString what = QStringLiteral("cannot read the version of the tables on %1").arg(where);
    int version = 0;
    try {
        version = versionOf(db, what);
    } catch (const error& e) {
        if (!noSuchTable(e))
            throw;
        throw error(QStringLiteral("%1 has no results tables: its owner creates them with "
                                   "'rx48p-ctl --server URL results server-init'")
                        .arg(where),
                    e.code());
    }
    if (version > schema::version)
        throw error(newerText(where, version));
    if (version < schema::version)
        throw error(QStringLiteral("the tables on %1 are of schema %2, this program writes %3: its owner brings them "
                                   "up to date with 'rx48p-ctl --server URL results server-init' of this version")
                        .arg(where)
                        .arg(version)
                        .arg(schema::version));
}

init_report init(const QSqlDatabase& db, const QString& where) {
    const QString what = QStringLiteral("cannot create the tables on %1").arg(where);
    sql::transaction transaction(db, what);
    // Two owners starting at once must not both create the tables: one waits for the other.
    sql::run(db, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {qlonglong(0x52583438)}, what);
    sql::run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS results_schema (version INTEGER NOT NULL)"), {}, what);
    init_report report;
    report.from = versionOf(db, what);
    report.to = schema::version;
    if (report.from > schema::version)
        throw error(newerText(where, report.from));
    if (report.from < schema::version) {
        schema::migrate(db, report.from);
        sql::run(db, QStringLiteral("DELETE FROM results_schema"), {}, what);
        sql::run(db, QStringLiteral("INSERT INTO results_schema (version) VALUES (?)"), {schema::version}, what);
    }
    transaction.commit();
    return report;
}

QStringList stationGrants(const QString& role) {
    // GRANT takes no bound name: only a plain name is let through, and quoted.
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]{0,62}$"));
    if (!plain.match(role).hasMatch())
        throw error(QStringLiteral("a role must be a plain name: a letter or _, then letters, digits or _, at most 63"));
    const QString who = QLatin1Char('"') + role + QLatin1Char('"');
    QStringList tablesRead;
    for (const tables::table* t : tables::all())
        tablesRead << QLatin1String(t->name);
    tablesRead << QStringLiteral("results_schema");
    return {
        QStringLiteral("GRANT USAGE ON SCHEMA public TO %1").arg(who),
        QStringLiteral("GRANT SELECT ON %1 TO %2").arg(tablesRead.join(QStringLiteral(", ")), who),
        QStringLiteral("GRANT INSERT ON runs, parts, comparisons, measurements, audit TO %1").arg(who),
        QStringLiteral("GRANT UPDATE (ended_utc) ON runs TO %1").arg(who),
        QStringLiteral("GRANT UPDATE (cycle_s) ON parts TO %1").arg(who),
    };
}

void grant(const QSqlDatabase& db, const QString& role, const QString& where) {
    const QString what = QStringLiteral("cannot grant %1 the rights of a station on %2").arg(role, where);
    sql::transaction transaction(db, what);
    for (const QString& statement : stationGrants(role))
        sql::run(db, statement, {}, what);
    transaction.commit();
}

}  // namespace results::server_schema
