#include "results/tables.h"

#include "results/sql.h"

#include <stdexcept>

namespace results::tables {

const table runs{"runs",
                 {
                     {"id", "TEXT PRIMARY KEY"},
                     {"station", "TEXT NOT NULL"},
                     {"program_path", "TEXT NOT NULL"},
                     {"program_sha256", "TEXT NOT NULL"},
                     {"firmware", "TEXT NOT NULL"},
                     {"sensitivity", "INTEGER NOT NULL"},
                     {"buzzer", "INTEGER NOT NULL"},
                     {"tolerance", "DOUBLE PRECISION NOT NULL"},
                     {"started_utc", "TEXT NOT NULL"},
                     {"ended_utc", "TEXT"},
                     {"program_version", "TEXT NOT NULL"},
                     {"forwarded", "INTEGER NOT NULL DEFAULT 0", false},
                     // Last, where the migration to version 5 adds it. NULL: the station's single unnamed one.
                     {"fixture", "TEXT"},
                     // Whether the program's content was released when the run started: 1 or 0; NULL when the
                     // station had never seen the list of releases (and every run before version 6).
                     {"released", "INTEGER"},
                 }};

const table parts{"parts",
                  {
                      {"id", "TEXT PRIMARY KEY"},
                      {"run_id", "TEXT NOT NULL REFERENCES runs (id)"},
                      {"serial", "TEXT"},
                      {"attempt", "INTEGER NOT NULL"},
                      {"started_utc", "TEXT NOT NULL"},
                      {"ended_utc", "TEXT NOT NULL"},
                      {"verdict", "TEXT NOT NULL CHECK (verdict IN ('PASS', 'FAIL'))"},
                      {"test_s", "DOUBLE PRECISION"},   // insertion to verdict; none before version 3
                      {"cycle_s", "DOUBLE PRECISION"},  // wait for the part to its removal; none until removed
                      {"forwarded", "INTEGER NOT NULL DEFAULT 0", false},
                      {"forward_problem", "TEXT", false},
                  }};

const table comparisons{"comparisons",
                        {
                            {"id", "TEXT PRIMARY KEY"},
                            {"part_id", "TEXT NOT NULL REFERENCES parts (id)"},
                            {"seq", "INTEGER NOT NULL"},
                            {"kind", "TEXT NOT NULL"},
                            {"pins", "TEXT NOT NULL"},
                            {"expected", "TEXT NOT NULL"},
                            {"measured", "TEXT NOT NULL"},
                            {"passed", "INTEGER NOT NULL"},
                            {"reason", "TEXT NOT NULL"},
                            {"mode", "TEXT"},
                            {"expected_value", "DOUBLE PRECISION"},
                            {"measured_value", "DOUBLE PRECISION"},
                        }};

const table measurements{"measurements",
                         {
                             {"id", "TEXT PRIMARY KEY"},
                             {"part_id", "TEXT NOT NULL REFERENCES parts (id)"},
                             {"seq", "INTEGER NOT NULL"},
                             {"measure", "TEXT NOT NULL CHECK (measure IN ('static', 'button', 'touch'))"},
                             {"pin_a", "INTEGER NOT NULL"},
                             {"type_a", "INTEGER NOT NULL"},
                             {"type_a_name", "TEXT"},
                             {"pin_b", "INTEGER"},
                             {"type_b", "INTEGER"},
                             {"type_b_name", "TEXT"},
                             {"vdrop_ab_v", "DOUBLE PRECISION"},
                             {"vdrop_ba_v", "DOUBLE PRECISION"},
                         }};

// What a database says of itself: its own id (so a journal knows which server it forwarded to) and, in a
// journal, the id of that server.
const table databaseInfo{"database_info",
                         {
                             {"name", "TEXT PRIMARY KEY"},
                             {"value", "TEXT NOT NULL"},
                         }};

// The part programs an engineer released, by the SHA-256 of their content: a file edited by one byte is
// another program. The server's is the line's list; a journal keeps the list it read last, so that a
// station out of reach of the server still knows it.
const table releases{"releases",
                     {
                         {"sha256", "TEXT PRIMARY KEY"},
                         {"program", "TEXT NOT NULL"},  // the file's name when released
                         {"released_by", "TEXT NOT NULL"},  // the database user
                         {"released_utc", "TEXT NOT NULL"},
                         {"note", "TEXT"},
                         {"revoked_by", "TEXT"},  // both NULL while the release holds
                         {"revoked_utc", "TEXT"},
                     }};

// Who changed what and when: a station's setup, a release, a revoke, a start that let unreleased programs
// run. Written on the station (or the server, for releases) and never changed after.
const table audit{"audit",
                  {
                      {"id", "TEXT PRIMARY KEY"},
                      {"at_utc", "TEXT NOT NULL"},
                      {"station", "TEXT"},  // NULL for what was done on the server (a release, a revoke)
                      {"by_user", "TEXT"},  // the database user, for what was done on the server
                      {"event", "TEXT NOT NULL"},
                      {"what", "TEXT NOT NULL"},
                      {"old_value", "TEXT"},
                      {"new_value", "TEXT"},
                      {"forwarded", "INTEGER NOT NULL DEFAULT 0", false},
                  }};

const std::vector<const table*>& all() {
    static const std::vector<const table*> every{&runs, &parts, &comparisons, &measurements, &databaseInfo, &releases, &audit};
    return every;
}

const std::vector<index>& indexes() {
    static const std::vector<index> every{
        {"parts_serial", "ON parts (serial)"},
        {"parts_started", "ON parts (started_utc)"},
        {"parts_run", "ON parts (run_id)"},
        // The forward's next batch, in the order the parts were tested, without sorting the backlog.
        {"parts_pending", "ON parts (forwarded, started_utc, id)"},
        {"comparisons_part", "ON comparisons (part_id)"},
        {"measurements_part", "ON measurements (part_id)"},
        // The failed comparisons alone, a few in a hundred, for the failure counts.
        {"comparisons_failed", "ON comparisons (part_id, mode) WHERE passed = 0"},
        // The yield report's drops, read in part order from the indexes alone (SQLite uses a partial index
        // as covering only when it holds every column the query names, `measure` too).
        {"measurements_static", "ON measurements (part_id, measure, pin_a, pin_b, vdrop_ab_v, vdrop_ba_v) WHERE measure = 'static'"},
        {"parts_id_run", "ON parts (id, run_id, started_utc)"},
        // A station's last value of each setting, and the rows still to forward.
        {"audit_setting", "ON audit (station, what, at_utc)"},
        {"audit_at", "ON audit (at_utc)"},
        {"audit_pending", "ON audit (forwarded)"},
    };
    return every;
}

namespace {

QString joined(const std::vector<column>& columns, bool sentOnly) {
    QStringList names;
    for (const column& c : columns)
        if (c.sent || !sentOnly)
            names << QLatin1String(c.name);
    return names.join(QStringLiteral(", "));
}

}  // namespace

QString table::names() const { return joined(columns, false); }
QString table::sentNames() const { return joined(columns, true); }

QStringList table::sentList() const {
    QStringList names;
    for (const column& c : columns)
        if (c.sent)
            names << QLatin1String(c.name);
    return names;
}

QString table::createStatement() const {
    QStringList definitions;
    for (const column& c : columns)
        definitions << QStringLiteral("%1 %2").arg(QLatin1String(c.name), QLatin1String(c.definition));
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(QLatin1String(name), definitions.join(QStringLiteral(", ")));
}

QString table::insertStatement(const QStringList& names, int rows) const {
    QStringList marks;
    for (int i = 0; i < names.size(); ++i)
        marks << QStringLiteral("?");
    const QString one = QStringLiteral("(%1)").arg(marks.join(QStringLiteral(", ")));
    QStringList all;
    all.reserve(rows);
    for (int i = 0; i < rows; ++i)
        all << one;
    return QStringLiteral("INSERT INTO %1 (%2) VALUES %3")
        .arg(QLatin1String(name), names.join(QStringLiteral(", ")), all.join(QStringLiteral(", ")));
}

bool table::has(const char* wanted) const {
    for (const column& c : columns)
        if (qstrcmp(c.name, wanted) == 0)
            return true;
    return false;
}

row::row(const table& of, std::initializer_list<std::pair<const char*, QVariant>> values) {
    for (const auto& [name, value] : values) {
        if (!of.has(name))
            throw std::logic_error(std::string("the table ") + of.name + " has no column " + name);
        names << QLatin1String(name);
        bound << value;
    }
}

QSqlQuery insert(const QSqlDatabase& db, const table& into, const row& values, const QString& what) {
    return sql::run(db, into.insertStatement(values.columns()), values.values(), what);
}

}  // namespace results::tables
