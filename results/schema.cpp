#include "results/schema.h"

#include "results/sql.h"

#include <QStringList>

#include <iterator>

namespace results::schema {

namespace {

void runAll(const QSqlDatabase& db, const QStringList& statements, int toVersion) {
    const QString what = QStringLiteral("cannot create the tables of version %1").arg(toVersion);
    for (const QString& statement : statements)
        sql::run(db, statement, {}, what);
}

// Ids are UUID texts and times fixed-width UTC texts, so both databases hold and sort them alike;
// DOUBLE PRECISION is REAL to SQLite and an 8-byte float to PostgreSQL (whose REAL has 4).
void toVersion1(const QSqlDatabase& db) {
    runAll(db,
           {
               QStringLiteral("CREATE TABLE runs ("
                              " id TEXT PRIMARY KEY,"
                              " station TEXT NOT NULL,"
                              " program_path TEXT NOT NULL,"
                              " program_sha256 TEXT NOT NULL,"
                              " firmware TEXT NOT NULL,"
                              " sensitivity INTEGER NOT NULL,"
                              " buzzer INTEGER NOT NULL,"
                              " tolerance DOUBLE PRECISION NOT NULL,"
                              " started_utc TEXT NOT NULL,"
                              " ended_utc TEXT,"
                              " program_version TEXT NOT NULL,"
                              " forwarded INTEGER NOT NULL DEFAULT 0)"),
               QStringLiteral("CREATE TABLE parts ("
                              " id TEXT PRIMARY KEY,"
                              " run_id TEXT NOT NULL REFERENCES runs (id),"
                              " serial TEXT,"
                              " attempt INTEGER NOT NULL,"
                              " started_utc TEXT NOT NULL,"
                              " ended_utc TEXT NOT NULL,"
                              " verdict TEXT NOT NULL CHECK (verdict IN ('PASS', 'FAIL')),"
                              " cycle_s DOUBLE PRECISION NOT NULL,"
                              " forwarded INTEGER NOT NULL DEFAULT 0)"),
               QStringLiteral("CREATE TABLE comparisons ("
                              " id TEXT PRIMARY KEY,"
                              " part_id TEXT NOT NULL REFERENCES parts (id),"
                              " seq INTEGER NOT NULL,"
                              " kind TEXT NOT NULL,"
                              " pins TEXT NOT NULL,"
                              " expected TEXT NOT NULL,"
                              " measured TEXT NOT NULL,"
                              " passed INTEGER NOT NULL,"
                              " reason TEXT NOT NULL)"),
               QStringLiteral("CREATE TABLE measurements ("
                              " id TEXT PRIMARY KEY,"
                              " part_id TEXT NOT NULL REFERENCES parts (id),"
                              " seq INTEGER NOT NULL,"
                              " measure TEXT NOT NULL CHECK (measure IN ('static', 'button', 'touch')),"
                              " pin_a INTEGER NOT NULL,"
                              " type_a INTEGER NOT NULL,"
                              " type_a_name TEXT,"
                              " pin_b INTEGER,"
                              " type_b INTEGER,"
                              " type_b_name TEXT,"
                              " vdrop_ab_v DOUBLE PRECISION,"
                              " vdrop_ba_v DOUBLE PRECISION)"),
               QStringLiteral("CREATE INDEX parts_serial ON parts (serial)"),
               QStringLiteral("CREATE INDEX parts_started ON parts (started_utc)"),
               QStringLiteral("CREATE INDEX parts_run ON parts (run_id)"),
               QStringLiteral("CREATE INDEX parts_forwarded ON parts (forwarded)"),
               QStringLiteral("CREATE INDEX comparisons_part ON comparisons (part_id)"),
               QStringLiteral("CREATE INDEX measurements_part ON measurements (part_id)"),
           },
           1);
}

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

// The yield report's drops over a year of parts read two covering indexes in part order rather than a
// table row a measurement: each static record's pins and drops by part, and each part's run and start by
// id. Without them the report spends seconds looking up rows one by one.
void toVersion4(const QSqlDatabase& db) {
    runAll(db,
           {
               QStringLiteral("CREATE INDEX IF NOT EXISTS measurements_static ON measurements"
                              " (part_id, measure, pin_a, pin_b, vdrop_ab_v, vdrop_ba_v) WHERE measure = 'static'"),
               QStringLiteral("CREATE INDEX IF NOT EXISTS parts_id_run ON parts (id, run_id, started_utc)"),
           },
           4);
}

struct migration {
    int to;
    void (*apply)(const QSqlDatabase&);
};

// One function per version, in order; a new version is one more line here and one more function.
constexpr migration migrations[] = {
    {1, toVersion1},
    {2, toVersion2},
    {3, toVersion3},
    {4, toVersion4},
};
static_assert(migrations[std::size(migrations) - 1].to == version, "the last migration reaches the version");

}  // namespace

void migrate(const QSqlDatabase& db, int from) {
    for (const migration& m : migrations)
        if (m.to > from)
            m.apply(db);
}

}  // namespace results::schema
