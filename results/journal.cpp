#include "results/journal.h"

#include "results/error.h"
#include "results/schema.h"
#include "results/sql.h"
#include "results/tables.h"
#include "results/utc_text.h"

#include "device/payloads.h"
#include "device/reports.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <QUuid>

namespace results {

namespace {

QString newId() { return QUuid::createUuid().toString(QUuid::WithoutBraces); }

// SQLITE_NOTADB: the header is not SQLite's.
bool notADatabase(const QSqlError& e) { return e.nativeErrorCode() == QLatin1String("26"); }

QVariant typeName(std::uint8_t code) { return sql::textOrNull(tarnwell::pinTypeName(code)); }

QVariant realOrNull(const std::optional<double>& value) { return value ? QVariant(*value) : sql::nullReal(); }

// GLOB's wildcards in a prefix, each made to match only itself.
QString globLiteral(const QString& text) {
    QString escaped;
    for (const QChar c : text) {
        if (c == QLatin1Char('*') || c == QLatin1Char('?') || c == QLatin1Char('['))
            escaped += QLatin1Char('[') + c + QLatin1Char(']');
        else
            escaped += c;
    }
    return escaped;
}

void insertPairs(const QSqlDatabase& db, const QString& partId, const char* measure,
                 const std::vector<tarnwell::pin_pair_record>& records, int& seq, const QString& what) {
    for (const tarnwell::pin_pair_record& r : records)
        tables::insert(db, tables::measurements,
                       {tables::measurements,
                        {{"id", newId()},
                         {"part_id", partId},
                         {"seq", seq++},
                         {"measure", QLatin1String(measure)},
                         {"pin_a", int(r.pin_a)},
                         {"type_a", int(r.type_a)},
                         {"type_a_name", typeName(r.type_a)},
                         {"pin_b", int(r.pin_b)},
                         {"type_b", int(r.type_b)},
                         {"type_b_name", typeName(r.type_b)},
                         {"vdrop_ab_v", tarnwell::dropVolts(r.vdrop_ab)},
                         {"vdrop_ba_v", tarnwell::dropVolts(r.vdrop_ba)}}},
                       what);
}

// The file's schema version, refusing a SQLite file of some other program and one of a newer version.
int schemaVersion(const QSqlDatabase& db, const QString& file) {
    const QString notOurs = QStringLiteral("%1 is not a results database").arg(file);
    const QString cannotOpen = QStringLiteral("cannot open %1").arg(file);
    // Both in one statement, so one snapshot: read apart, another program creating the tables in
    // between would make a new file look like some other program's.
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("SELECT user_version, (SELECT count(*) FROM sqlite_master) FROM pragma_user_version")) ||
        !query.next())
        throw error(notADatabase(query.lastError()) ? notOurs
                                                    : QStringLiteral("%1: %2").arg(cannotOpen, sql::why(query.lastError())));
    const int version = query.value(0).toInt();
    // A SQLite file of some other program: leave it alone.
    if (version == 0 && query.value(1).toLongLong() > 0)
        throw error(notOurs);
    if (version > schema::version)
        throw error(QStringLiteral("%1 was written by a newer version (schema %2, this program knows %3)")
                        .arg(file)
                        .arg(version)
                        .arg(schema::version));
    return version;
}

}  // namespace

journal::journal(const QString& path, const journal_options& options)
    : file(QFileInfo(path).absoluteFilePath()), conn(QStringLiteral("QSQLITE"), QStringLiteral("journal")) {
    const QFileInfo info(file);
    if (info.isDir())
        throw error(QStringLiteral("%1 is a folder, not a results database").arg(file));
    // A folder that is not there is most likely a typo, and a line's record must not go where nobody looks.
    if (!info.absoluteDir().exists() && !options.createFolder)
        throw error(QStringLiteral("there is no folder %1 for the results database %2").arg(info.absolutePath(), file));
    if (!QDir().mkpath(info.absolutePath()))
        throw error(QStringLiteral("cannot create the folder %1 for the results database").arg(info.absolutePath()));

    QSqlDatabase& db = conn.db();
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(options.busyTimeoutMs));
    if (!db.open())
        throw error(QStringLiteral("cannot open %1: %2").arg(file, sql::why(db.lastError())));

    int version = schemaVersion(db, file);

    const QString cannotWrite = QStringLiteral("cannot write %1").arg(file);
    {
        // A new file turned to WAL by two programs at once: SQLite answers the second "locked" at once,
        // without its busy handler, so it is asked again within the busy time-out.
        QElapsedTimer waited;
        waited.start();
        QString mode;
        for (;;) {
            QSqlQuery query(db);
            if (query.exec(QStringLiteral("PRAGMA journal_mode=WAL")) && query.next()) {
                mode = query.value(0).toString();
                break;
            }
            if (waited.elapsed() >= options.busyTimeoutMs)
                throw error(QStringLiteral("%1: %2").arg(cannotWrite, sql::why(query.lastError())));
            QThread::msleep(20);
        }
        if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
            throw error(QStringLiteral("%1: SQLite refused the write-ahead log").arg(cannotWrite));
    }
    sql::run(db, QStringLiteral("PRAGMA synchronous=FULL"), {}, cannotWrite);
    sql::run(db, QStringLiteral("PRAGMA foreign_keys=ON"), {}, cannotWrite);

    sql::transaction migration(db, cannotWrite);
    // Read again under the write lock: another program may have created or migrated the tables since.
    version = schemaVersion(db, file);
    if (version < schema::version)
        schema::migrate(db, version);
    // Written even when it is already right: a file that cannot be written is told now, not at the first
    // part. A PRAGMA takes no bound value; the number is the program's own constant.
    sql::run(db, QStringLiteral("PRAGMA user_version = %1").arg(schema::version), {}, cannotWrite);
    migration.commit();
}

QString journal::beginRun(const setup::run_info& run) {
    const QString id = newId();
    const QDateTime started = run.started.isValid() ? run.started : QDateTime::currentDateTimeUtc();
    tables::insert(conn.db(), tables::runs,
                   {tables::runs,
                    {{"id", id},
                     {"station", sql::text(run.station)},
                     {"program_path", sql::text(run.programPath)},
                     {"program_sha256", sql::text(run.programSha256)},
                     {"firmware", sql::text(run.firmware)},
                     {"sensitivity", run.sensitivity},
                     {"buzzer", run.buzzer},
                     {"tolerance", run.tolerance},
                     {"started_utc", utcText(started)},
                     {"ended_utc", sql::nullText()},
                     {"program_version", sql::text(run.programVersion)},
                     {"fixture", sql::textOrNull(run.fixture)},
                     {"released", run.released ? QVariant(*run.released ? 1 : 0) : sql::nullInteger()}}},
                   QStringLiteral("cannot record the run in %1").arg(file));
    return id;
}

recorded_part journal::record(const QString& runId, const QString& givenSerial, const station::part_result& part,
                              const QString& autoPrefix) {
    const QString what = QStringLiteral("cannot record the part in %1").arg(file);
    if (!part.started.isValid() || !part.ended.isValid())
        throw error(QStringLiteral("%1: the part has no start or end time").arg(what));
    const QSqlDatabase& db = conn.db();
    sql::transaction transaction(db, what);

    if (!sql::run(db, QStringLiteral("SELECT 1 FROM runs WHERE id = ?"), {runId}, what).next())
        throw error(QStringLiteral("%1: it holds no run %2").arg(what, runId));
    recorded_part recorded{newId(), 1, givenSerial};
    // Numbered inside the part's write transaction: two stations on one file never take the same number.
    if (recorded.serial.isEmpty() && !autoPrefix.isEmpty())
        recorded.serial = nextAutoSerial(autoPrefix);
    const QString& serial = recorded.serial;
    if (!serial.isEmpty()) {
        QSqlQuery earlier = sql::run(db, QStringLiteral("SELECT count(*) FROM parts WHERE serial = ?"), {serial}, what);
        if (earlier.next())
            recorded.attempt += earlier.value(0).toInt();
    }

    tables::insert(db, tables::parts,
                   {tables::parts,
                    {{"id", recorded.id},
                     {"run_id", runId},
                     {"serial", sql::textOrNull(serial)},
                     {"attempt", recorded.attempt},
                     {"started_utc", utcText(part.started)},
                     {"ended_utc", utcText(part.ended)},
                     {"verdict", part.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL")},
                     {"test_s", part.testSeconds},
                     {"cycle_s", realOrNull(part.cycleSeconds)}}},
                   what);

    int seq = 0;
    for (const station::comparison& c : part.comparisons)
        tables::insert(db, tables::comparisons,
                       {tables::comparisons,
                        {{"id", newId()},
                         {"part_id", recorded.id},
                         {"seq", seq++},
                         {"kind", sql::text(c.kind)},
                         {"pins", sql::text(c.item)},
                         {"expected", sql::text(c.expected)},
                         {"measured", sql::text(c.measured)},
                         {"passed", c.passed ? 1 : 0},
                         {"reason", sql::text(c.reason)},
                         {"mode", sql::textOrNull(c.mode)},
                         {"expected_value", realOrNull(c.expectedValue)},
                         {"measured_value", realOrNull(c.measuredValue)}}},
                       what);

    seq = 0;
    if (part.measured.pairs)
        insertPairs(db, recorded.id, "static", *part.measured.pairs, seq, what);
    if (part.measured.buttons)
        insertPairs(db, recorded.id, "button", *part.measured.buttons, seq, what);
    if (part.measured.pads)
        for (const tarnwell::cap_pin_record& r : *part.measured.pads)
            tables::insert(db, tables::measurements,
                           {tables::measurements,
                            {{"id", newId()},
                             {"part_id", recorded.id},
                             {"seq", seq++},
                             {"measure", QStringLiteral("touch")},
                             {"pin_a", int(r.pin)},
                             {"type_a", int(r.type)},
                             {"type_a_name", typeName(r.type)}}},
                           what);

    transaction.commit();
    return recorded;
}

void journal::endRun(const QString& runId, const QDateTime& ended) {
    const QString what = QStringLiteral("cannot record the end of the run in %1").arg(file);
    // The server has the run without its end: forward it again.
    QSqlQuery query = sql::run(conn.db(), QStringLiteral("UPDATE runs SET ended_utc = ?, forwarded = 0 WHERE id = ?"),
                               {utcText(ended.isValid() ? ended : QDateTime::currentDateTimeUtc()), runId}, what);
    if (query.numRowsAffected() < 1)
        throw error(QStringLiteral("%1: it holds no run %2").arg(what, runId));
}

void journal::recordCycle(const QString& partId, double cycleSeconds) {
    const QString what = QStringLiteral("cannot record the cycle of the part in %1").arg(file);
    // The server has the part without its cycle: forward it again.
    QSqlQuery query = sql::run(conn.db(), QStringLiteral("UPDATE parts SET cycle_s = ?, forwarded = 0 WHERE id = ?"),
                               {cycleSeconds, partId}, what);
    if (query.numRowsAffected() < 1)
        throw error(QStringLiteral("%1: it holds no part %2").arg(what, partId));
}

journal_reader::journal_reader(const QString& path) : conn(QStringLiteral("QSQLITE"), QStringLiteral("reader")) {
    const QString file = QFileInfo(path).absoluteFilePath();
    const QFileInfo info(file);
    if (!info.exists())
        throw error(QStringLiteral("%1: no results database there").arg(file));
    if (info.isDir())
        throw error(QStringLiteral("%1 is a folder, not a results database").arg(file));
    // SQLite would read an empty file as an empty database; it is none of ours.
    if (info.size() == 0)
        throw error(QStringLiteral("%1 is empty, not a results database").arg(file));

    QSqlDatabase& db = conn.db();
    db.setDatabaseName(file);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open())
        throw error(QStringLiteral("cannot open %1: %2").arg(file, sql::why(db.lastError())));
    int version = schemaVersion(db, file);
    if (version == 0)
        throw error(QStringLiteral("%1 is not a results database").arg(file));
    // The questions read this version's columns; only a writer may bring an older file up to date.
    if (version < schema::version)
        throw error(QStringLiteral("%1 was written by an older version (schema %2, this program reads %3): open it once "
                                   "with a station or `rx48p-ctl results push` of this version, which bring it up to date")
                        .arg(file)
                        .arg(version)
                        .arg(schema::version));
}

QString journal::nextAutoSerial(const QString& prefix) {
    const QString what = QStringLiteral("cannot read the serials in %1").arg(file);
    QSqlQuery query = sql::run(conn.db(), QStringLiteral("SELECT max(serial) FROM parts WHERE serial GLOB ?"),
                               {globLiteral(prefix) + QStringLiteral("[0-9][0-9][0-9][0-9][0-9][0-9]")}, what);
    int last = 0;
    // Same prefix and six digits each: the greatest text is the greatest number.
    if (query.next() && !query.isNull(0))
        last = query.value(0).toString().right(6).toInt();
    if (last >= 999999)
        throw error(QStringLiteral("no serial is left after %1 in %2").arg(prefix + QStringLiteral("999999"), file));
    return prefix + QStringLiteral("%1").arg(last + 1, 6, 10, QLatin1Char('0'));
}

}  // namespace results
