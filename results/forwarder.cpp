#include "results/forwarder.h"

#include "results/bulk_insert.h"
#include "results/error.h"
#include "results/journal.h"
#include "results/releases.h"
#include "results/schema.h"
#include "results/server_connection.h"
#include "results/server_schema.h"
#include "results/server_trouble.h"
#include "results/sql.h"
#include "results/tables.h"

#include <QHash>
#include <QSqlRecord>
#include <QVariantList>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

namespace results {

namespace {

using rows = std::vector<QVariantList>;

bool rowRefused(const error& e) { return classify(e.code()) == server_trouble::refused; }
bool outOfReach(const error& e) { return classify(e.code()) == server_trouble::out_of_reach; }

rows readRows(const QSqlDatabase& db, const QString& statement, const QVariantList& values, const QString& what) {
    QSqlQuery query = sql::run(db, statement, values, what);
    rows read;
    const int columns = query.record().count();
    while (query.next()) {
        QVariantList row;
        row.reserve(columns);
        for (int i = 0; i < columns; ++i)
            row << query.value(i);
        read.push_back(std::move(row));
    }
    return read;
}

// One table's rows as read for a forward: the columns it sends, in the order of tables::table.
struct table_rows {
    const tables::table& of;
    rows values;
    int column(const char* name) const { return of.sentList().indexOf(QLatin1String(name)); }
};

// What one server transaction carries, read from one snapshot of the journal so that every part's run
// comes along.
struct batch {
    table_rows runs{tables::runs, {}};
    table_rows parts{tables::parts, {}};
    table_rows comparisons{tables::comparisons, {}};
    table_rows measurements{tables::measurements, {}};
    bool empty() const { return parts.values.empty() && runs.values.empty(); }
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
    const QString pending =
        QStringLiteral("SELECT id FROM parts WHERE forwarded = %1 ORDER BY started_utc, id LIMIT ?").arg(tables::pending);
    // The runs not yet (or no longer) right on the server, and those of the batch's parts in case the
    // server is not the one they were forwarded to.
    b.runs.values = readRows(db,
                             QStringLiteral("SELECT %1 FROM runs WHERE forwarded = %2 OR id IN (SELECT run_id FROM parts"
                                            " WHERE id IN (%3))")
                                 .arg(tables::runs.sentNames())
                                 .arg(tables::pending)
                                 .arg(pending),
                             {size}, what);
    b.parts.values = readRows(db,
                              QStringLiteral("SELECT %1 FROM parts WHERE forwarded = %2 ORDER BY started_utc, id LIMIT ?")
                                  .arg(tables::parts.sentNames())
                                  .arg(tables::pending),
                              {size}, what);
    for (table_rows* children : {&b.comparisons, &b.measurements})
        children->values = readRows(db,
                                    QStringLiteral("SELECT %1 FROM %2 WHERE part_id IN (%3)")
                                        .arg(children->of.sentNames(), QLatin1String(children->of.name), pending),
                                    {size}, what);
    return b;
}

// What a row already on the server may still gain: a run its end, a part its cycle.
QString onConflict(const tables::table& t) {
    if (&t == &tables::runs)
        return QStringLiteral(" ON CONFLICT (id) DO UPDATE SET ended_utc = COALESCE(EXCLUDED.ended_utc, runs.ended_utc)");
    if (&t == &tables::parts)
        return QStringLiteral(" ON CONFLICT (id) DO UPDATE SET cycle_s = EXCLUDED.cycle_s"
                              " WHERE parts.cycle_s IS NULL AND EXCLUDED.cycle_s IS NOT NULL");
    return QStringLiteral(" ON CONFLICT (id) DO NOTHING");
}

// A savepoint inside the server transaction: one part tried on its own, undone alone if refused.
class savepoint {
public:
    savepoint(const QSqlDatabase& db, const QString& what) : db(db) {
        sql::run(db, QStringLiteral("SAVEPOINT part"), {}, what);
    }
    void release(const QString& what) { sql::run(db, QStringLiteral("RELEASE SAVEPOINT part"), {}, what); }
    void undo(const QString& what) { sql::run(db, QStringLiteral("ROLLBACK TO SAVEPOINT part"), {}, what); }

private:
    QSqlDatabase db;
};

// How a batch went on the server.
struct sent_batch {
    long added = 0;                    // parts the server did not have
    QHash<QString, QString> refused;   // part id -> the server's reason
    QHash<QString, QString> runsRefused;
};

// Every part of the batch in one statement per table and a few hundred rows.
sent_batch sendWhole(bulk_insert& writer, const batch& b) {
    sent_batch sent;
    writer.write(tables::runs, b.runs.values);
    sent.added = writer.write(tables::parts, b.parts.values);
    writer.write(tables::comparisons, b.comparisons.values);
    writer.write(tables::measurements, b.measurements.values);
    return sent;
}

// The batch again, a part at a time, once the server refused something in it: what it refuses is set
// aside, the rest goes.
sent_batch sendEach(const QSqlDatabase& db, bulk_insert& writer, const batch& b, const QString& what) {
    sent_batch sent;
    const int runId = b.runs.column("id");
    for (std::size_t r = 0; r < b.runs.values.size(); ++r) {
        savepoint point(db, what);
        try {
            writer.write(tables::runs, b.runs.values, r, 1);
            point.release(what);
        } catch (const error& e) {
            if (!rowRefused(e))
                throw;
            point.undo(what);
            sent.runsRefused.insert(b.runs.values[r].at(runId).toString(), e.message());
        }
    }
    QHash<QString, std::vector<std::size_t>> comparisonsOf, measurementsOf;
    const int comparisonPart = b.comparisons.column("part_id");
    for (std::size_t i = 0; i < b.comparisons.values.size(); ++i)
        comparisonsOf[b.comparisons.values[i].at(comparisonPart).toString()].push_back(i);
    const int measurementPart = b.measurements.column("part_id");
    for (std::size_t i = 0; i < b.measurements.values.size(); ++i)
        measurementsOf[b.measurements.values[i].at(measurementPart).toString()].push_back(i);

    const int partId = b.parts.column("id");
    const int partRun = b.parts.column("run_id");
    for (std::size_t p = 0; p < b.parts.values.size(); ++p) {
        const QVariantList& part = b.parts.values[p];
        const QString id = part.at(partId).toString();
        if (const auto run = sent.runsRefused.constFind(part.at(partRun).toString()); run != sent.runsRefused.cend()) {
            sent.refused.insert(id, QStringLiteral("its run was refused: ") + *run);
            continue;
        }
        savepoint point(db, what);
        try {
            sent.added += writer.write(tables::parts, b.parts.values, p, 1);
            for (std::size_t i : comparisonsOf.value(id))
                writer.write(tables::comparisons, b.comparisons.values, i, 1);
            for (std::size_t i : measurementsOf.value(id))
                writer.write(tables::measurements, b.measurements.values, i, 1);
            point.release(what);
        } catch (const error& e) {
            if (!rowRefused(e))
                throw;
            point.undo(what);
            sent.refused.insert(id, e.message());
        }
    }
    return sent;
}

// The rows marked: none means the batch will come back as it was.
long markForwarded(const QSqlDatabase& db, const batch& b, const sent_batch& sent, const QString& what) {
    sql::transaction transaction(db, what);
    long marked = 0;
    {
        const int runId = b.runs.column("id");
        const int runEnded = b.runs.column("ended_utc");
        // A run ended since it was read is left for the next batch to carry its end.
        sql::statement runs(db, QStringLiteral("UPDATE runs SET forwarded = ? WHERE id = ? AND ended_utc IS ?"), what);
        for (const QVariantList& run : b.runs.values) {
            const bool refused = sent.runsRefused.contains(run.at(runId).toString());
            marked += runs.run({refused ? tables::refused : tables::sent, run.at(runId), run.at(runEnded)}).numRowsAffected();
        }
        const int partId = b.parts.column("id");
        const int partCycle = b.parts.column("cycle_s");
        // Likewise a part removed since it was read is left for the next batch to carry its cycle.
        sql::statement parts(db,
                             QStringLiteral("UPDATE parts SET forwarded = ?, forward_problem = ? WHERE id = ? AND cycle_s IS ?"),
                             what);
        for (const QVariantList& part : b.parts.values) {
            const auto refused = sent.refused.constFind(part.at(partId).toString());
            if (refused == sent.refused.cend())
                marked += parts.run({tables::sent, sql::nullText(), part.at(partId), part.at(partCycle)}).numRowsAffected();
            else
                marked += parts.run({tables::refused, *refused, part.at(partId), part.at(partCycle)}).numRowsAffected();
        }
    }
    transaction.commit();
    return marked;
}

// A journal pointed at another server than the one it last forwarded to owes it everything: the
// inserts skip what that server already has.
void followServer(const QSqlDatabase& local, const QString& serverId, bool retryRefused, const QString& what) {
    QSqlQuery last = sql::run(local, QStringLiteral("SELECT value FROM database_info WHERE name = 'forwarded_to'"), {}, what);
    const bool sameServer = last.next() && last.value(0).toString() == serverId;
    last.finish();
    if (sameServer && !retryRefused)
        return;
    sql::transaction transaction(local, what);
    if (!sameServer) {
        sql::run(local, QStringLiteral("UPDATE parts SET forwarded = ?, forward_problem = NULL WHERE forwarded <> ?"),
                 {tables::pending, tables::pending}, what);
        sql::run(local, QStringLiteral("UPDATE runs SET forwarded = ? WHERE forwarded <> ?"), {tables::pending, tables::pending},
                 what);
        sql::run(local,
                 QStringLiteral("INSERT INTO database_info (name, value) VALUES ('forwarded_to', ?)"
                                " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
                 {serverId}, what);
    } else {
        sql::run(local, QStringLiteral("UPDATE parts SET forwarded = ?, forward_problem = NULL WHERE forwarded = ?"),
                 {tables::pending, tables::refused}, what);
        sql::run(local, QStringLiteral("UPDATE runs SET forwarded = ? WHERE forwarded = ?"), {tables::pending, tables::refused},
                 what);
    }
    transaction.commit();
}

// Marks the audit trail's entries the server took.
void markAudit(const QSqlDatabase& local, const rows& entries, const QString& marking) {
    sql::transaction transaction(local, marking);
    sql::statement mark(local, QStringLiteral("UPDATE audit SET forwarded = ? WHERE id = ?"), marking);
    for (const QVariantList& entry : entries)
        mark.run({tables::sent, entry.at(0)});
    transaction.commit();
}

refused_part describe(const batch& b, const QString& id, const QString& reason) {
    const int partId = b.parts.column("id");
    for (const QVariantList& part : b.parts.values)
        if (part.at(partId).toString() == id)
            return {part.at(b.parts.column("serial")).toString(), part.at(b.parts.column("started_utc")).toString(), reason};
    return {QString(), QString(), reason};
}

}  // namespace

void forward_canceller::cancel() {
    std::lock_guard<std::mutex> lock(mutex);
    stop = true;
    if (current)
        current->cancel();
}

bool forward_canceller::cancelled() const {
    std::lock_guard<std::mutex> lock(mutex);
    return stop;
}

void forward_canceller::attach(server_connection* connection) {
    std::lock_guard<std::mutex> lock(mutex);
    current = connection;
}

void forward_canceller::detach() {
    std::lock_guard<std::mutex> lock(mutex);
    current = nullptr;
}

QString partName(const refused_part& part) {
    return part.serial.isEmpty() ? QStringLiteral("(no serial, %1)").arg(part.started) : part.serial;
}

QString unsent_parts::sentence() const {
    QString names = first.join(QStringLiteral(", "));
    if (count > first.size())
        names += QStringLiteral(" and %1 more").arg(count - first.size());
    return QStringLiteral("%1 %2 not on the results server yet (%3)")
        .arg(count)
        .arg(count == 1 ? QStringLiteral("part is") : QStringLiteral("parts are"), names);
}

unsent_parts unsentParts(const QSqlDatabase& db, const QString& file, int named) {
    const QString what = QStringLiteral("cannot count the parts still to forward in %1").arg(file);
    unsent_parts unsent;
    QSqlQuery count = sql::run(db, QStringLiteral("SELECT count(*) FROM parts WHERE forwarded <> ?"),
                               {tables::sent}, what);
    unsent.count = count.next() ? count.value(0).toLongLong() : 0;
    count.finish();
    QSqlQuery first = sql::run(db,
                               QStringLiteral("SELECT serial, started_utc FROM parts WHERE forwarded <> ?"
                                              " ORDER BY started_utc, id LIMIT ?"),
                               {tables::sent, named}, what);
    while (first.next())
        unsent.first << partName({first.value(0).toString(), first.value(1).toString(), QString()});
    return unsent;
}

forwarder::forwarder(const setup::server_url& server, const forward_options& options) : server(server), options(options) {}

forward_report forwarder::forward(journal& source, const std::function<void(long)>& afterBatch) {
    forward_report report;
    const QString where = server.display();
    // A forward's statements are a few hundred rows each: one that takes long is a server in trouble.
    server_connection conn(server, server_limits{options.connectTimeoutS, 15000, 5000}, QStringLiteral("forward"));
    if (!conn.isOpen()) {
        report.trouble = forward_trouble::out_of_reach;
        report.error = conn.error();
        return report;
    }
    const QSqlDatabase& db = conn.db();
    // Attached for the forward's length, so a cancel from another thread reaches its statements.
    struct attachment {
        forward_canceller* canceller;
        attachment(forward_canceller* c, server_connection* conn) : canceller(c) {
            if (canceller)
                canceller->attach(conn);
        }
        ~attachment() {
            if (canceller)
                canceller->detach();
        }
        attachment(const attachment&) = delete;
        attachment& operator=(const attachment&) = delete;
    } const attached(options.canceller, &conn);
    const auto stopped = [&report](const error& e) {
        report.trouble = outOfReach(e) ? forward_trouble::out_of_reach : forward_trouble::server;
        report.error = report.trouble == forward_trouble::out_of_reach
                           ? e.message() + QStringLiteral(" (the server is out of reach: it did not answer in time, or the "
                                                          "connection went)")
                           : e.message();
        return report;
    };

    const QSqlDatabase local = source.database();
    const QString reading = QStringLiteral("cannot read the parts to forward from %1").arg(source.path());
    const QString marking = QStringLiteral("cannot mark the forwarded parts in %1").arg(source.path());
    QString serverId;
    try {
        server_schema::require(db, where);
        serverId = schema::databaseId(db);
    } catch (const error& e) {
        // Our own word on the tables has no code: the server answered.
        if (!e.code().isEmpty())
            return stopped(e);
        report.trouble = forward_trouble::server;
        report.error = e.message();
        return report;
    }
    followServer(local, serverId, options.retryRefused, marking);

    const QString sending = QStringLiteral("cannot forward the parts to %1").arg(where);
    bulk_insert writer(db, sending, onConflict);
    // The released programs, and the audit trail's entries not yet on the server (a few a day, so one
    // batch), before the parts.
    release_copy releases;
    const rows audit =
        readRows(local, QStringLiteral("SELECT %1 FROM audit WHERE forwarded = ?").arg(tables::audit.sentNames()),
                 {tables::pending}, reading);
    try {
        if (options.copyReleases)
            releases = readReleaseCopy(db);
        if (!audit.empty()) {
            sql::transaction transaction(db, sending);
            writer.write(tables::audit, audit);
            transaction.commit();
        }
    } catch (const error& e) {
        return stopped(e);
    }
    if (options.copyReleases)
        keepReleases(local, releases);
    if (!audit.empty())
        markAudit(local, audit, marking);

    int unchanged = 0;  // batches in a row that marked nothing: changed under us each time, or a fault
    for (;;) {
        if (options.canceller && options.canceller->cancelled()) {
            report.trouble = forward_trouble::out_of_reach;
            report.error = QStringLiteral("the forward to %1 was stopped").arg(where);
            return report;
        }
        const batch b = readBatch(local, options.batchParts, reading);
        if (b.empty())
            break;
        sent_batch sent;
        try {
            try {
                sql::transaction transaction(db, sending);
                sent = sendWhole(writer, b);
                transaction.commit();
            } catch (const error& e) {
                if (!rowRefused(e))
                    throw;
                sql::transaction transaction(db, sending);
                sent = sendEach(db, writer, b, sending);
                transaction.commit();
            }
        } catch (const error& e) {
            return stopped(e);
        }
        if (markForwarded(local, b, sent, marking) > 0)
            unchanged = 0;
        else if (++unchanged == 3)
            throw error(QStringLiteral("%1: the same parts came back three times").arg(marking));
        const long taken = static_cast<long>(b.parts.values.size()) - static_cast<long>(sent.refused.size());
        report.forwarded += taken;
        report.alreadyThere += std::max(0L, taken - sent.added);
        for (auto it = sent.refused.cbegin(); it != sent.refused.cend(); ++it)
            report.refused.push_back(describe(b, it.key(), it.value()));
        if (afterBatch)
            afterBatch(report.forwarded);
    }
    std::sort(report.refused.begin(), report.refused.end(),
              [](const refused_part& a, const refused_part& b) { return a.started < b.started; });
    return report;
}

}  // namespace results
