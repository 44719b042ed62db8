#include "results/schema.h"

#include "results/sql.h"
#include "results/tables.h"

#include <QUuid>

#include <QStringList>

#include <iterator>

namespace results::schema {

namespace {

void runAll(const QSqlDatabase& db, const QStringList& statements, int toVersion) {
    const QString what = QStringLiteral("cannot create the tables of version %1").arg(toVersion);
    for (const QString& statement : statements)
        sql::run(db, statement, {}, what);
}

// A database without tables gets the current version's straight from their declaration.
void create(const QSqlDatabase& db) {
    const QString what = QStringLiteral("cannot create the tables of version %1").arg(version);
    for (const tables::table* t : tables::all())
        sql::run(db, t->createStatement(), {}, what);
    for (const tables::index& i : tables::indexes())
        sql::run(db, QStringLiteral("CREATE INDEX %1 %2").arg(QLatin1String(i.name), QLatin1String(i.definition)), {}, what);
}

void recordId(const QSqlDatabase& db, int toVersion) {
    tables::insert(db, tables::databaseInfo,
                   {tables::databaseInfo,
                    {{"name", QStringLiteral("id")}, {"value", QUuid::createUuid().toString(QUuid::WithoutBraces)}}},
                   QStringLiteral("cannot create the tables of version %1").arg(toVersion));
}

// The migrations below bring the files and servers of earlier versions to the current one; their
// statements are history and never change.

// The failed comparisons alone, a few in a hundred, for the failure counts: a million parts' comparisons
// take seconds to read through, their failures a few milliseconds. By part first, so that a short window's
// parts find theirs.
void toVersion2(const QSqlDatabase& db) {
    runAll(db,
           {QStringLiteral("CREATE INDEX comparisons_failed ON comparisons (part_id, kind, pins, reason) WHERE passed = 0")},
           2);
}

// What the record says (a failure's mode, both of a part's times) rather than only counts and figures.
// A failure's mode names what failed and not by how much, so that one fault is one row of a Pareto
// whatever the values; failures recorded before keep their old text as their mode. The old cycle ran
// from the wait to the verdict, which started_utc and ended_utc still say: it gives way to the test time
// (insertion to verdict) and the cycle (wait to removal), unknown for the parts recorded before.
void toVersion3(const QSqlDatabase& db) {
    runAll(db,
           {
               QStringLiteral("ALTER TABLE comparisons ADD COLUMN mode TEXT"),
               QStringLiteral("ALTER TABLE comparisons ADD COLUMN expected_value DOUBLE PRECISION"),
               QStringLiteral("ALTER TABLE comparisons ADD COLUMN measured_value DOUBLE PRECISION"),
               QStringLiteral("UPDATE comparisons SET mode = kind || ' ' || pins || ': ' || reason WHERE passed = 0"),
               QStringLiteral("DROP INDEX comparisons_failed"),
               QStringLiteral("CREATE INDEX comparisons_failed ON comparisons (part_id, mode) WHERE passed = 0"),
               QStringLiteral("ALTER TABLE parts DROP COLUMN cycle_s"),
               QStringLiteral("ALTER TABLE parts ADD COLUMN test_s DOUBLE PRECISION"),
               QStringLiteral("ALTER TABLE parts ADD COLUMN cycle_s DOUBLE PRECISION"),
           },
           3);
}

// What a forward needs: to know which server a journal's parts went to (a journal pointed at another
// server sends it everything), to set aside a part the server refuses with the reason, and to find the
// next batch without sorting the backlog. And the yield report's drops over a year of parts read two
// covering indexes in part order rather than a table row a measurement: each static record's pins and
// drops by part, and each part's run and start by id.
void toVersion4(const QSqlDatabase& db) {
    runAll(db,
           {
               QStringLiteral("ALTER TABLE parts ADD COLUMN forward_problem TEXT"),
               QStringLiteral("DROP INDEX parts_forwarded"),
               QStringLiteral("CREATE INDEX parts_pending ON parts (forwarded, started_utc, id)"),
               QStringLiteral("CREATE TABLE database_info (name TEXT PRIMARY KEY, value TEXT NOT NULL)"),
               QStringLiteral("CREATE INDEX IF NOT EXISTS measurements_static ON measurements"
                              " (part_id, measure, pin_a, pin_b, vdrop_ab_v, vdrop_ba_v) WHERE measure = 'static'"),
               QStringLiteral("CREATE INDEX IF NOT EXISTS parts_id_run ON parts (id, run_id, started_utc)"),
           },
           4);
    recordId(db, 4);
}

// A station drives several fixtures side by side: each run names its own, none for a station's single
// unnamed fixture, which is what every run before this version was.
void toVersion5(const QSqlDatabase& db) {
    runAll(db, {QStringLiteral("ALTER TABLE runs ADD COLUMN fixture TEXT")}, 5);
}

// Who may change what on a line: released programs by content, the audit trail of setups, releases and
// revokes, and whether each run's program was released.
void toVersion6(const QSqlDatabase& db) {
    runAll(db,
           {
               QStringLiteral("ALTER TABLE runs ADD COLUMN released INTEGER"),
               QStringLiteral("CREATE TABLE releases (sha256 TEXT PRIMARY KEY, program TEXT NOT NULL, released_by TEXT NOT NULL,"
                              " released_utc TEXT NOT NULL, note TEXT, revoked_by TEXT, revoked_utc TEXT)"),
               QStringLiteral("CREATE TABLE audit (id TEXT PRIMARY KEY, at_utc TEXT NOT NULL, station TEXT, by_user TEXT,"
                              " event TEXT NOT NULL, what TEXT NOT NULL, old_value TEXT, new_value TEXT,"
                              " forwarded INTEGER NOT NULL DEFAULT 0)"),
               QStringLiteral("CREATE INDEX audit_setting ON audit (station, what, at_utc)"),
               QStringLiteral("CREATE INDEX audit_at ON audit (at_utc)"),
               QStringLiteral("CREATE INDEX audit_pending ON audit (forwarded)"),
           },
           6);
}

struct migration {
    int to;
    void (*apply)(const QSqlDatabase&);
};

// One function per version, in order; a new version is one more line here and one more function.
constexpr migration migrations[] = {
    {2, toVersion2},
    {3, toVersion3},
    {4, toVersion4},
    {5, toVersion5},
    {6, toVersion6},
};
static_assert(migrations[std::size(migrations) - 1].to == version, "the last migration reaches the version");

}  // namespace

void migrate(const QSqlDatabase& db, int from) {
    if (from == 0) {
        create(db);
        recordId(db, version);
        return;
    }
    for (const migration& m : migrations)
        if (m.to > from)
            m.apply(db);
}

QString databaseId(const QSqlDatabase& db) {
    QSqlQuery query = sql::run(db, QStringLiteral("SELECT value FROM database_info WHERE name = ?"), {QStringLiteral("id")},
                               QStringLiteral("cannot read the database's id"));
    return query.next() ? query.value(0).toString() : QString();
}

}  // namespace results::schema
