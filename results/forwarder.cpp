#include "results/forwarder.h"

#include "results/server_connection.h"
#include "results/error.h"
#include "results/journal.h"
#include "results/schema.h"
#include "results/sql.h"

#include <QSqlRecord>
#include <QStringList>
#include <QVariantList>

#include <vector>

namespace results {

namespace {

const QString runColumns = QStringLiteral(
    "id, station, program_path, program_sha256, firmware, sensitivity, buzzer, tolerance, started_utc, ended_utc,"
    " program_version");
// The cycle last: a part is forwarded again once it is removed, to carry it.
const QString partColumns =
    QStringLiteral("id, run_id, serial, attempt, started_utc, ended_utc, verdict, test_s, cycle_s");
constexpr int partCycle = 8;
const QString comparisonColumns = QStringLiteral(
    "id, part_id, seq, kind, pins, expected, measured, passed, reason, mode, expected_value, measured_value");
const QString measurementColumns = QStringLiteral(
    "id, part_id, seq, measure, pin_a, type_a, type_a_name, pin_b, type_b, type_b_name, vdrop_ab_v, vdrop_ba_v");

using rows = std::vector<QVariantList>;

rows readRows(const QSqlDatabase& db, const QString& statement, const QVariantList& values, const QString& what) {
    QSqlQuery query = sql::run(db, statement, values, what);
    rows read;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        read.push_back(row);
    }
    return read;
}

QString placeholders(const QString& columns) {
    QStringList marks;
    for (int i = columns.count(QLatin1Char(',')); i >= 0; --i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

// What one server transaction carries, read from one snapshot of the journal so that every part's run
// comes along.
struct batch {
    rows runs;
    rows parts;
    rows comparisons;
    rows measurements;
};

// A read transaction: one snapshot of the journal for a batch, ended however the reads end.
class snapshot {
public:
    explicit snapshot(const QSqlDatabase& db) : database(db) { QSqlQuery(database).exec(QStringLiteral("BEGIN")); }
    ~snapshot() { QSqlQuery(database).exec(QStringLiteral("COMMIT")); }
    snapshot(const snapshot&) = delete;
    snapshot& operator=(const snapshot&) = delete;

private:
    QSqlDatabase database;
};

batch readBatch(const QSqlDatabase& db, int size, const QString& what) {
    batch b;
    const snapshot reading(db);
    const QString pending = QStringLiteral("FROM parts WHERE forwarded = 0 ORDER BY started_utc, id LIMIT ?");
    // The runs not yet (or no longer) right on the server, and those of the batch's parts in case the
    // server is not the one they were forwarded to.
    b.runs = readRows(db,
                      QStringLiteral("SELECT %1 FROM runs WHERE forwarded = 0 OR id IN (SELECT run_id %2)")
                          .arg(runColumns, pending),
                      {size}, what);
    b.parts = readRows(db, QStringLiteral("SELECT %1 %2").arg(partColumns, pending), {size}, what);
    for (const QVariantList& part : b.parts) {
        for (QVariantList& r : readRows(db, QStringLiteral("SELECT %1 FROM comparisons WHERE part_id = ?").arg(comparisonColumns),
                                        {part.at(0)}, what))
            b.comparisons.push_back(std::move(r));
        for (QVariantList& r : readRows(db, QStringLiteral("SELECT %1 FROM measurements WHERE part_id = ?").arg(measurementColumns),
                                        {part.at(0)}, what))
            b.measurements.push_back(std::move(r));
    }
    return b;
}

void createTables(const QSqlDatabase& db, const QString& where) {
    const QString what = QStringLiteral("cannot create the tables on %1").arg(where);
    sql::transaction transaction(db, what);
    // Stations starting together must not each create the tables: one waits for the other.
    sql::run(db, QStringLiteral("SELECT pg_advisory_xact_lock(?)"), {qlonglong(0x52583438)}, what);
    sql::run(db, QStringLiteral("CREATE TABLE IF NOT EXISTS results_schema (version INTEGER NOT NULL)"), {}, what);
    QSqlQuery query = sql::run(db, QStringLiteral("SELECT max(version) FROM results_schema"), {}, what);
    const int version = query.next() ? query.value(0).toInt() : 0;
    query.finish();
    if (version > schema::version)
        throw error(QStringLiteral("%1 was written by a newer version (schema %2, this program knows %3)")
                        .arg(where)
                        .arg(version)
                        .arg(schema::version));
    if (version < schema::version) {
        schema::migrate(db, version);
        sql::run(db, QStringLiteral("DELETE FROM results_schema"), {}, what);
        sql::run(db, QStringLiteral("INSERT INTO results_schema (version) VALUES (?)"), {schema::version}, what);
    }
    transaction.commit();
}

// The parts the server did not have yet.
long sendBatch(const QSqlDatabase& db, const batch& b, const QString& what) {
    sql::transaction transaction(db, what);
    long added = 0;
    {
        sql::statement runs(db,
                            QStringLiteral("INSERT INTO runs (%1, forwarded) VALUES (%2, 1) ON CONFLICT (id) DO UPDATE"
                                           " SET ended_utc = COALESCE(EXCLUDED.ended_utc, runs.ended_utc)")
                                .arg(runColumns, placeholders(runColumns)),
                            what);
        for (const QVariantList& run : b.runs)
            runs.run(run);
        sql::statement parts(db,
                             QStringLiteral("INSERT INTO parts (%1, forwarded) VALUES (%2, 1) ON CONFLICT (id) DO UPDATE"
                                            " SET cycle_s = EXCLUDED.cycle_s WHERE parts.cycle_s IS NULL"
                                            " AND EXCLUDED.cycle_s IS NOT NULL")
                                 .arg(partColumns, placeholders(partColumns)),
                             what);
        for (const QVariantList& part : b.parts)
            added += parts.run(part).numRowsAffected();
        sql::statement comparisons(db,
                                   QStringLiteral("INSERT INTO comparisons (%1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
                                       .arg(comparisonColumns, placeholders(comparisonColumns)),
                                   what);
        for (const QVariantList& c : b.comparisons)
            comparisons.run(c);
        sql::statement measurements(db,
                                    QStringLiteral("INSERT INTO measurements (%1) VALUES (%2) ON CONFLICT (id) DO NOTHING")
                                        .arg(measurementColumns, placeholders(measurementColumns)),
                                    what);
        for (const QVariantList& m : b.measurements)
            measurements.run(m);
    }  // the statements go before the commit
    transaction.commit();
    return added;
}

void markForwarded(const QSqlDatabase& db, const batch& b, const QString& what) {
    sql::transaction transaction(db, what);
    {
        // A run ended since it was read is left for the next batch to carry its end.
        sql::statement runs(db, QStringLiteral("UPDATE runs SET forwarded = 1 WHERE id = ? AND ended_utc IS ?"), what);
        for (const QVariantList& run : b.runs)
            runs.run({run.at(0), run.at(9)});
        // Likewise a part removed since it was read is left for the next batch to carry its cycle.
        sql::statement parts(db, QStringLiteral("UPDATE parts SET forwarded = 1 WHERE id = ? AND cycle_s IS ?"), what);
        for (const QVariantList& part : b.parts)
            parts.run({part.at(0), part.at(partCycle)});
    }
    transaction.commit();
}

}  // namespace

forwarder::forwarder(const server_url& server, const forward_options& options) : server(server), options(options) {}

forward_report forwarder::forward(journal& source, const std::function<void(long)>& afterBatch) {
    forward_report report;
    const QString where = server.display();
    server_connection conn(server, options.connectTimeoutS, QStringLiteral("forward"));
    if (!conn.isOpen()) {
        report.error = conn.error();
        return report;
    }
    report.reachable = true;
    QSqlDatabase& db = conn.db();

    const QSqlDatabase local = source.database();
    const QString reading = QStringLiteral("cannot read the parts to forward from %1").arg(source.path());
    const QString marking = QStringLiteral("cannot mark the forwarded parts in %1").arg(source.path());
    try {
        createTables(db, where);
    } catch (const error& e) {
        report.error = e.message();
        return report;
    }
    for (;;) {
        const batch b = readBatch(local, options.batchParts, reading);
        if (b.parts.empty() && b.runs.empty())
            break;
        long added = 0;
        try {
            added = sendBatch(db, b, QStringLiteral("cannot forward the parts to %1").arg(where));
        } catch (const error& e) {
            report.error = e.message();
            return report;
        }
        markForwarded(local, b, marking);
        report.forwarded += static_cast<long>(b.parts.size());
        report.alreadyThere += static_cast<long>(b.parts.size()) - added;
        if (afterBatch)
            afterBatch(report.forwarded);
    }
    return report;
}

}  // namespace results
