// The station's SQLite journal on a real file: its tables, what it refuses, what one recorded part
// leaves in it, retests, automatic serials, and the file's locks.

#include "judged_parts.h"
#include "sql_rows.h"

#include "results/error.h"
#include "results/journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QUuid>

#include <atomic>
#include <functional>
#include <optional>
#include <set>
#include <thread>

#include <linux/capability.h>
#include <sys/syscall.h>
#include <unistd.h>

using judged_parts::at;

namespace {

// Root writes any file whatever its mode: while this lives, this thread cannot, so a read-only file is
// read-only here as it is for the station's own user.
class without_file_override {
public:
    without_file_override() {
        if (::syscall(SYS_capget, &header, saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {saved[0], saved[1]};
        reduced[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        dropped = ::syscall(SYS_capset, &header, reduced) == 0;
    }
    ~without_file_override() {
        if (dropped)
            ::syscall(SYS_capset, &header, saved);
    }
    without_file_override(const without_file_override&) = delete;
    without_file_override& operator=(const without_file_override&) = delete;

private:
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct saved[2]{};
    bool dropped = false;
};

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const results::error& e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

bool isUuid(const QString& text) { return !QUuid::fromString(text).isNull() && text.size() == 36; }

}  // namespace

class tst_journal : public QObject {
    Q_OBJECT

private slots:
    void init() {
        dir.emplace();
        QVERIFY(dir->isValid());
    }
    void cleanup() { dir.reset(); }

    void createsTablesAndVersion();
    void tableColumns_data();
    void tableColumns();
    void reopeningKeepsData();
    void refusesWhatIsNotResults_data();
    void refusesWhatIsNotResults();
    void refusesNewerVersion();
    void readOnlyFileRefusedAndKept();
    void unusablePaths();

    void recordsEveryTable();
    void recordIsOneTransaction();
    void attemptsCountRetests();
    void unknownRunRefused();
    void sqlInSerialStoredLiterally();
    // Each run names its fixture, NULL for a station's single unnamed one; a journal of version 4 gains
    // the column and keeps its rows.
    void fixtureOfEachRun();
    void version4JournalGainsFixture();

    void nextAutoSerial_data();
    void nextAutoSerial();

    void stationsNumberingOnOneFileNeverShareASerial();
    void programsOpeningANewFileTogether();
    void lockedPastBusyTimeout_data();
    void lockedPastBusyTimeout();

private:
    QString file(const char* name) const { return dir->filePath(QString::fromLatin1(name)); }
    std::optional<QTemporaryDir> dir;  // a new one for each case and each data row
};

void tst_journal::createsTablesAndVersion() {
    const QString path = file("new/folder/results.sqlite");
    results::journal_options createFolder;
    createFolder.createFolder = true;
    { results::journal journal(path, createFolder); }
    QVERIFY(QFile::exists(path));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version")).value(0), QStringLiteral("6"));
    QCOMPARE(db.rows(QStringLiteral("PRAGMA journal_mode")).value(0), QStringLiteral("wal"));
    QCOMPARE(
        db.rows(QStringLiteral("SELECT type, name, tbl_name FROM sqlite_master WHERE name NOT LIKE 'sqlite_%'"
                               " ORDER BY type, name")),
        (QStringList{"index|audit_at|audit", "index|audit_pending|audit", "index|audit_setting|audit",
                     "index|comparisons_failed|comparisons", "index|comparisons_part|comparisons",
                     "index|measurements_part|measurements", "index|measurements_static|measurements", "index|parts_id_run|parts",
                     "index|parts_pending|parts", "index|parts_run|parts", "index|parts_serial|parts",
                     "index|parts_started|parts", "table|audit|audit", "table|comparisons|comparisons", "table|database_info|database_info",
                     "table|measurements|measurements", "table|parts|parts", "table|releases|releases", "table|runs|runs"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT name FROM pragma_index_info('parts_serial')")), (QStringList{"serial"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT name FROM pragma_index_info('parts_started')")),
             (QStringList{"started_utc"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT name FROM pragma_index_info('parts_run')")), (QStringList{"run_id"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT name FROM pragma_index_info('parts_pending')")),
             (QStringList{"forwarded", "started_utc", "id"}));
    // Its own id, a UUID, made with the tables.
    QVERIFY(!QUuid::fromString(db.rows(QStringLiteral("SELECT value FROM database_info WHERE name = 'id'")).value(0)).isNull());
}

void tst_journal::tableColumns_data() {
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("columns");  // name type notnull default, each
    QTest::newRow("runs") << "runs"
                          << "id TEXT 0 NULL|station TEXT 1 NULL|program_path TEXT 1 NULL|program_sha256 TEXT 1 NULL|"
                             "firmware TEXT 1 NULL|sensitivity INTEGER 1 NULL|buzzer INTEGER 1 NULL|"
                             "tolerance DOUBLE PRECISION 1 NULL|started_utc TEXT 1 NULL|ended_utc TEXT 0 NULL|"
                             "program_version TEXT 1 NULL|forwarded INTEGER 1 0|fixture TEXT 0 NULL|released INTEGER 0 NULL";
    QTest::newRow("parts") << "parts"
                           << "id TEXT 0 NULL|run_id TEXT 1 NULL|serial TEXT 0 NULL|attempt INTEGER 1 NULL|"
                              "started_utc TEXT 1 NULL|ended_utc TEXT 1 NULL|verdict TEXT 1 NULL|"
                              "test_s DOUBLE PRECISION 0 NULL|cycle_s DOUBLE PRECISION 0 NULL|forwarded INTEGER 1 0|"
                              "forward_problem TEXT 0 NULL";
    QTest::newRow("comparisons") << "comparisons"
                                 << "id TEXT 0 NULL|part_id TEXT 1 NULL|seq INTEGER 1 NULL|kind TEXT 1 NULL|"
                                    "pins TEXT 1 NULL|expected TEXT 1 NULL|measured TEXT 1 NULL|passed INTEGER 1 NULL|"
                                    "reason TEXT 1 NULL|mode TEXT 0 NULL|expected_value DOUBLE PRECISION 0 NULL|"
                                    "measured_value DOUBLE PRECISION 0 NULL";
    QTest::newRow("measurements") << "measurements"
                                  << "id TEXT 0 NULL|part_id TEXT 1 NULL|seq INTEGER 1 NULL|measure TEXT 1 NULL|"
                                     "pin_a INTEGER 1 NULL|type_a INTEGER 1 NULL|type_a_name TEXT 0 NULL|"
                                     "pin_b INTEGER 0 NULL|type_b INTEGER 0 NULL|type_b_name TEXT 0 NULL|"
                                     "vdrop_ab_v DOUBLE PRECISION 0 NULL|vdrop_ba_v DOUBLE PRECISION 0 NULL";
    QTest::newRow("releases") << "releases"
                              << "sha256 TEXT 0 NULL|program TEXT 1 NULL|released_by TEXT 1 NULL|released_utc TEXT 1 NULL|"
                                 "note TEXT 0 NULL|revoked_by TEXT 0 NULL|revoked_utc TEXT 0 NULL";
    QTest::newRow("audit") << "audit"
                           << "id TEXT 0 NULL|at_utc TEXT 1 NULL|station TEXT 0 NULL|by_user TEXT 0 NULL|event TEXT 1 NULL|"
                              "what TEXT 1 NULL|old_value TEXT 0 NULL|new_value TEXT 0 NULL|forwarded INTEGER 1 0";
}

void tst_journal::tableColumns() {
    QFETCH(QString, table);
    QFETCH(QString, columns);
    const QString path = file("columns.sqlite");
    { results::journal journal(path); }
    test_support::SqlConnection db(path);
    const QStringList found =
        db.rows(QStringLiteral("SELECT name || ' ' || type || ' ' || \"notnull\" || ' ' || ifnull(dflt_value, 'NULL')"
                               " FROM pragma_table_info('%1')")
                    .arg(table));
    QCOMPARE(found.join(QLatin1Char('|')), columns);
    QCOMPARE(db.rows(QStringLiteral("SELECT pk FROM pragma_table_info('%1') WHERE name = '%2'")
                         .arg(table, table == QLatin1String("releases") ? QStringLiteral("sha256") : QStringLiteral("id")))
                 .value(0),
             QStringLiteral("1"));
}

void tst_journal::reopeningKeepsData() {
    const QString path = file("reopen.sqlite");
    {
        results::journal journal(path);
        const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
        journal.record(run, QStringLiteral("SN000001"),
                       judged_parts::part("2026-12-07T10:00:00.000Z", 2, {judged_parts::passedPair("1-2")}));
    }
    results::journal journal(path);
    QCOMPARE(journal.nextAutoSerial(QStringLiteral("SN")), QStringLiteral("SN000002"));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT serial, verdict FROM parts")), (QStringList{"SN000001|PASS"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM comparisons")).value(0), QStringLiteral("1"));
    QCOMPARE(db.rows(QStringLiteral("SELECT station FROM runs")).value(0), QStringLiteral("ST-A"));
}

void tst_journal::refusesWhatIsNotResults_data() {
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("sqlite");  // statements making a SQLite file of another program, if any
    QTest::newRow("a line of text") << QByteArray("station notes\n") << QString();
    QTest::newRow("a page of text") << QByteArray("board swapped at 10:40, pin 5 retested OK; ").repeated(60) << QString();
    QTest::newRow("bytes") << QByteArray("\x00\x01\x02\xff\xfe\x10garbage\x00", 15).repeated(300) << QString();
    QTest::newRow("another program's SQLite file") << QByteArray() << QStringLiteral("CREATE TABLE notes (t TEXT)");
}

void tst_journal::refusesWhatIsNotResults() {
    QFETCH(QByteArray, content);
    QFETCH(QString, sqlite);
    const QString path = file("other.file");
    if (sqlite.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    } else {
        test_support::SqlConnection db(path);
        QCOMPARE(db.rows(sqlite), QStringList());
    }
    QFile before(path);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    QCOMPARE(errorOf([&] { results::journal journal(path); }), path + QStringLiteral(" is not a results database"));
    QFile after(path);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
}

void tst_journal::refusesNewerVersion() {
    const QString path = file("newer.sqlite");
    {
        results::journal journal(path);
        journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
    }
    {
        test_support::SqlConnection db(path);
        QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version = 7")), QStringList());
    }
    QCOMPARE(errorOf([&] { results::journal journal(path); }),
             path + QStringLiteral(" was written by a newer version (schema 7, this program knows 6)"));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version")).value(0), QStringLiteral("7"));
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM runs")).value(0), QStringLiteral("1"));
}

void tst_journal::readOnlyFileRefusedAndKept() {
    const QString path = file("readonly.sqlite");
    {
        results::journal journal(path);
        const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
        journal.record(run, QStringLiteral("KEEP1"),
                       judged_parts::part("2026-12-07T10:00:00.000Z", 2, {judged_parts::openPair("5-6")}));
    }
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    {
        const without_file_override asAnyUser;
        const QString message = errorOf([&] {
            results::journal journal(path);
            const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
            journal.record(run, QStringLiteral("LOST"), judged_parts::part("2026-12-07T11:00:00.000Z", 2, {}));
        });
        QVERIFY2(message.startsWith(QStringLiteral("cannot write ") + path + QStringLiteral(": the file is read-only")),
                 qPrintable(message));
    }
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));
    results::journal journal(path);
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT serial, verdict FROM parts")), (QStringList{"KEEP1|FAIL"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT reason FROM comparisons")), (QStringList{"missing (open)"}));
}

void tst_journal::unusablePaths() {
    const QString folder = file("a-folder");
    QVERIFY(QDir().mkpath(folder));
    QCOMPARE(errorOf([&] { results::journal journal(folder); }), folder + QStringLiteral(" is a folder, not a results database"));

    const QString plain = file("plain.txt");
    QFile f(plain);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.close();
    results::journal_options createFolder;
    createFolder.createFolder = true;
    QCOMPARE(errorOf([&] { results::journal journal(plain + QStringLiteral("/sub/results.sqlite"), createFolder); }),
             QStringLiteral("cannot create the folder %1/sub for the results database").arg(plain));
    // A folder that is not there is a typo until shown otherwise: nothing is created.
    const QString typo = file("reslts/line.sqlite");
    QCOMPARE(errorOf([&] { results::journal journal(typo); }),
             QStringLiteral("there is no folder %1 for the results database %2").arg(file("reslts"), typo));
    QVERIFY(!QFileInfo::exists(file("reslts")));
}

void tst_journal::recordsEveryTable() {
    const QString path = file("record.sqlite");
    results::journal journal(path);
    const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part")));

    station::part_result part;
    part.number = 3;
    part.started = at("2026-12-07T11:00:00.123+01:00");
    part.ended = at("2026-12-07T10:00:02.623Z");
    part.testSeconds = 0.75;
    part.passed = false;
    part.comparisons = {judged_parts::passedPair("1-2"), judged_parts::openPair("5-6"),
                        {QStringLiteral("button"), QStringLiteral("12 (common 14)"), true, QStringLiteral("Button ON"),
                         QStringLiteral("Button ON"), QString()}};
    part.measured.pairs = std::vector<tarnwell::pin_pair_record>{{1, tarnwell::LED_ANODE, 2, tarnwell::LED_CATHODE, 90, -1},
                                                                 {3, tarnwell::SHORTCUT, 4, tarnwell::SHORTCUT, 0, 0}};
    part.measured.buttons = std::vector<tarnwell::pin_pair_record>{{12, tarnwell::BUTTON_ON, 14, tarnwell::COMMON, 0, 0}};
    part.measured.pads = std::vector<tarnwell::cap_pin_record>{{16, tarnwell::TOUCH_ON}, {17, 0x7f}};

    const results::recorded_part recorded = journal.record(run, QStringLiteral("SN000042"), part);
    QCOMPARE(recorded.attempt, 1);
    QVERIFY(isUuid(recorded.id));
    QVERIFY(isUuid(run));
    journal.endRun(run, at("2026-12-07T19:30:00.500+01:00"));

    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT id, station, program_path, program_sha256, firmware, sensitivity, buzzer,"
                                    " tolerance, started_utc, ended_utc, program_version FROM runs")),
             (QStringList{run + "|ST-A|/parts/"
                                "alpha.part|9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08|1.4.2|70|90|0.15|"
                                "2026-12-07T08:00:00.000Z|2026-12-07T18:30:00.500Z|0.9.1"}));
    const QString partRow = QStringLiteral("SELECT id, run_id, serial, attempt, started_utc, ended_utc, verdict, test_s,"
                                           " cycle_s, forwarded FROM parts");
    QCOMPARE(db.rows(partRow), (QStringList{recorded.id + "|" + run +
                                            "|SN000042|1|2026-12-07T10:00:00.123Z|2026-12-07T10:00:02.623Z|FAIL|0.75||0"}));
    QCOMPARE(
        db.rows(QStringLiteral("SELECT part_id, kind, pins, expected, measured, passed, reason, mode,"
                               " expected_value, measured_value FROM comparisons ORDER BY seq")),
        (QStringList{
            recorded.id + "|pair|1-2|Led anode to Led cathode, 1.800V / -0.020V|Led anode to Led cathode, 1.800V / -0.020V|1||||",
            recorded.id + "|pair|5-6|Led anode to Led cathode, 1.800V / -0.020V||0|missing (open)|pair 5-6: missing (open)||",
            recorded.id + "|button|12 (common 14)|Button ON|Button ON|1||||"}));
    // The cycle comes once the part is removed, and the part goes to the server again to carry it.
    QCOMPARE(db.rows(QStringLiteral("UPDATE parts SET forwarded = 1")), QStringList());
    journal.recordCycle(recorded.id, 4.25);
    QCOMPARE(db.rows(partRow), (QStringList{recorded.id + "|" + run +
                                            "|SN000042|1|2026-12-07T10:00:00.123Z|2026-12-07T10:00:02.623Z|FAIL|0.75|4.25|0"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT part_id, measure, pin_a, type_a, type_a_name, pin_b, type_b, type_b_name,"
                                    " vdrop_ab_v, vdrop_ba_v FROM measurements ORDER BY seq")),
             (QStringList{recorded.id + "|static|1|1|Led anode|2|2|Led cathode|1.8|-0.02",
                          recorded.id + "|static|3|4|Shortcut|4|4|Shortcut|0|0",
                          recorded.id + "|button|12|17|Button ON|14|5|Common|0|0", recorded.id + "|touch|16|33|Touch ON|||||",
                          recorded.id + "|touch|17|127||||||"}));
    // Every row its own id.
    QCOMPARE(db.rows(QStringLiteral("SELECT count(DISTINCT id) FROM (SELECT id FROM comparisons UNION ALL"
                                   " SELECT id FROM measurements)")).value(0),
             QStringLiteral("8"));
}

void tst_journal::recordIsOneTransaction() {
    const QString path = file("atomic.sqlite");
    results::journal journal(path);
    const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
    {
        // The last insert of a part fails: nothing of the part may stay.
        test_support::SqlConnection db(path);
        QCOMPARE(db.rows(QStringLiteral("CREATE TRIGGER no_pad BEFORE INSERT ON measurements WHEN NEW.measure = 'touch'"
                                       " BEGIN SELECT RAISE(ABORT, 'pad refused'); END")), QStringList());
    }
    station::part_result part = judged_parts::part("2026-12-07T10:00:00.000Z", 2, {judged_parts::passedPair("1-2")});
    part.measured.pads = std::vector<tarnwell::cap_pin_record>{{16, tarnwell::TOUCH_ON}};
    QVERIFY(errorOf([&] { journal.record(run, QStringLiteral("HALF"), part); })
                .startsWith(QStringLiteral("cannot record the part in ") + path + QStringLiteral(": pad refused")));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT (SELECT count(*) FROM parts) || (SELECT count(*) FROM comparisons) ||"
                                   " (SELECT count(*) FROM measurements)")).value(0),
             QStringLiteral("000"));
    // And the journal goes on: the transaction did not stay open.
    part.measured.pads.reset();
    QCOMPARE(journal.record(run, QStringLiteral("HALF"), part).attempt, 1);
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM parts")).value(0), QStringLiteral("1"));
}

void tst_journal::attemptsCountRetests() {
    const QString path = file("attempts.sqlite");
    QList<int> attempts;
    {
        results::journal journal(path);
        const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
        const station::part_result p = judged_parts::part("2026-12-07T10:00:00.000Z", 2, {judged_parts::openPair("5-6")});
        attempts << journal.record(run, QStringLiteral("SN7"), p).attempt << journal.record(run, QStringLiteral("SN8"), p).attempt
                 << journal.record(run, QStringLiteral("SN7"), p).attempt << journal.record(run, QString(), p).attempt
                 << journal.record(run, QString(), p).attempt;
    }
    // Across a reopening and a new run, the count goes on.
    results::journal journal(path);
    const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-B"), QStringLiteral("/parts/a.part")));
    attempts << journal.record(run, QStringLiteral("SN7"), judged_parts::part("2026-12-08T10:00:00.000Z", 2, {})).attempt;
    QCOMPARE(attempts, (QList<int>{1, 1, 2, 1, 1, 3}));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT serial, attempt FROM parts ORDER BY rowid")),
             (QStringList{"SN7|1", "SN8|1", "SN7|2", "|1", "|1", "SN7|3"}));
}

void tst_journal::unknownRunRefused() {
    const QString path = file("norun.sqlite");
    results::journal journal(path);
    const QString stranger = QStringLiteral("2f1e7a52-8d9e-4c41-9d0c-3c1f27a1d0aa");
    QCOMPARE(errorOf([&] { journal.record(stranger, QString(), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {})); }),
             QStringLiteral("cannot record the part in %1: it holds no run %2").arg(path, stranger));
    QCOMPARE(errorOf([&] { journal.endRun(stranger, at("2026-12-07T10:00:00.000Z")); }),
             QStringLiteral("cannot record the end of the run in %1: it holds no run %2").arg(path, stranger));
}

void tst_journal::sqlInSerialStoredLiterally() {
    const QString path = file("injection.sqlite");
    const QString serial = QStringLiteral("x'); DROP TABLE parts; --");
    const QString prefix = QStringLiteral("P' OR '1'='1");
    {
        results::journal journal(path);
        const QString run =
            journal.beginRun(judged_parts::run(QStringLiteral("ST'; DELETE FROM runs; --"), QStringLiteral("/parts/a.part")));
        journal.record(run, serial, judged_parts::part("2026-12-07T10:00:00.000Z", 2, {}));
        QCOMPARE(journal.record(run, serial, judged_parts::part("2026-12-07T10:01:00.000Z", 2, {})).attempt, 2);
        journal.record(run, prefix + QStringLiteral("000041"), judged_parts::part("2026-12-07T10:02:00.000Z", 2, {}));
        QCOMPARE(journal.nextAutoSerial(prefix), prefix + QStringLiteral("000042"));
    }
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT serial FROM parts ORDER BY rowid")),
             (QStringList{serial, serial, prefix + QStringLiteral("000041")}));
    QCOMPARE(db.rows(QStringLiteral("SELECT station FROM runs")).value(0), QStringLiteral("ST'; DELETE FROM runs; --"));
}

void tst_journal::nextAutoSerial_data() {
    QTest::addColumn<QStringList>("stored");
    QTest::addColumn<QString>("prefix");
    QTest::addColumn<QString>("next");  // or the error, after the journal's path
    QTest::newRow("empty journal") << QStringList{} << "SN" << "SN000001";
    QTest::newRow("after the highest, not the last")
        << QStringList{"SN000012", "SN000099", "SN000013"} << "SN" << "SN000100";
    QTest::newRow("longer prefix starting alike ignored")
        << QStringList{"SN000007", "SNX000999", "SNB000500"} << "SN" << "SN000008";
    QTest::newRow("shorter prefix ignored") << QStringList{"SN000070", "S000003"} << "S" << "S000004";
    QTest::newRow("not six digits ignored")
        << QStringList{"SN000005", "SN00009", "SN0000123", "SN00000A", "sn000900"} << "SN" << "SN000006";
    QTest::newRow("wildcards are letters") << QStringList{"A*000004", "AB000009", "A?000050"} << "A*" << "A*000005";
    QTest::newRow("empty prefix") << QStringList{"000041", "SN000300"} << "" << "000042";
    QTest::newRow("the last one") << QStringList{"Q999998"} << "Q" << "Q999999";
    QTest::newRow("none left") << QStringList{"Q999998", "Q999999"} << "Q" << "no serial is left after Q999999 in ";
}

void tst_journal::nextAutoSerial() {
    QFETCH(QStringList, stored);
    QFETCH(QString, prefix);
    QFETCH(QString, next);
    const QString path = file("serials.sqlite");
    results::journal journal(path);
    const QString run = journal.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
    for (const QString& serial : stored)
        journal.record(run, serial, judged_parts::part("2026-12-07T10:00:00.000Z", 2, {}));
    QString found;
    const QString error = errorOf([&] { found = journal.nextAutoSerial(prefix); });
    QCOMPARE(found.isEmpty() ? error : found, next.endsWith(QLatin1Char(' ')) ? next + path : next);
}

// Stations sharing one file, each on its own connection as another program would be.
void tst_journal::stationsNumberingOnOneFileNeverShareASerial() {
    const QString path = file("shared.sqlite");
    { results::journal journal(path); }
    constexpr int perStation = 150;
    std::vector<QString> serials[2];
    QString failures[2];
    std::atomic<int> ready{0};
    const auto station = [&](int k) {
        try {
            results::journal journal(path);
            const QString run =
                journal.beginRun(judged_parts::run(QStringLiteral("ST-%1").arg(k), QStringLiteral("/parts/a.part")));
            // Both at once, or the first may be done before the second starts.
            ++ready;
            while (ready.load() < 2)
                std::this_thread::yield();
            for (int i = 0; i < perStation; ++i)
                serials[k].push_back(
                    journal.record(run, QString(), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {}), QStringLiteral("L"))
                        .serial);
        } catch (const results::error& e) {
            failures[k] = e.message();
        }
    };
    std::thread first(station, 0), second(station, 1);
    first.join();
    second.join();
    QCOMPARE(failures[0], QString());
    QCOMPARE(failures[1], QString());
    std::set<QString> distinct(serials[0].begin(), serials[0].end());
    distinct.insert(serials[1].begin(), serials[1].end());
    QCOMPARE(int(distinct.size()), 2 * perStation);
    QCOMPARE(*distinct.rbegin(), QStringLiteral("L%1").arg(2 * perStation, 6, 10, QLatin1Char('0')));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM parts WHERE attempt <> 1")).value(0), QStringLiteral("0"));
}

void tst_journal::programsOpeningANewFileTogether() {
    for (int round = 0; round < 20; ++round) {
        const QString path = dir->filePath(QStringLiteral("new-%1.sqlite").arg(round));
        QString failures[2];
        const auto open = [&](int k) {
            try {
                results::journal journal(path);
            } catch (const results::error& e) {
                failures[k] = e.message();
            }
        };
        std::thread first(open, 0), second(open, 1);
        first.join();
        second.join();
        QCOMPARE(failures[0], QString());
        QCOMPARE(failures[1], QString());
        test_support::SqlConnection db(path);
        QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version")).value(0), QStringLiteral("6"));
    }
}

void tst_journal::fixtureOfEachRun() {
    const QString path = file("fixtures.sqlite");
    results::journal journal(path);
    setup::run_info left = judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part"));
    left.fixture = QStringLiteral("left");
    setup::run_info hostile = left;
    hostile.fixture = QStringLiteral("x'); DROP TABLE runs; --");
    const QString leftRun = journal.beginRun(left);
    const QString hostileRun = journal.beginRun(hostile);
    const QString unnamedRun = journal.beginRun(judged_parts::run(QStringLiteral("ST-B"), QStringLiteral("/parts/alpha.part")));
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("SELECT station, coalesce(fixture, '(null)') FROM runs WHERE id = ?"), {leftRun}),
             QStringList{"ST-A|left"});
    QCOMPARE(db.rows(QStringLiteral("SELECT fixture FROM runs WHERE id = ?"), {hostileRun}),
             QStringList{"x'); DROP TABLE runs; --"});
    // Empty is no name at all: NULL, not ''.
    QCOMPARE(db.rows(QStringLiteral("SELECT station, fixture IS NULL FROM runs WHERE id = ?"), {unnamedRun}),
             QStringList{"ST-B|1"});
}

void tst_journal::version4JournalGainsFixture() {
    const QString path = file("v4.sqlite");
    {
        // The journal as version 4's tables were declared, with a run and two parts.
        QFile sql(QStringLiteral(RESULTS_TEST_DATA "/journal-v4.sql"));
        QVERIFY(sql.open(QIODevice::ReadOnly | QIODevice::Text));
        test_support::SqlConnection db(path);
        // One statement a line; SQLite skips the comments before the first.
        for (const QString& statement : QString::fromUtf8(sql.readAll()).split(QStringLiteral(";\n"), Qt::SkipEmptyParts))
            QCOMPARE(db.rows(statement), QStringList());
        QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version")), QStringList{"4"});
        QCOMPARE(db.rows(QStringLiteral("SELECT count(*) FROM pragma_table_info('runs') WHERE name = 'fixture'")), QStringList{"0"});
    }
    {
        results::journal journal(path);
        setup::run_info right = judged_parts::run(QStringLiteral("bench-1"), QStringLiteral("/parts/good.device"));
        right.fixture = QStringLiteral("right");
        right.released = true;
        const QString run = journal.beginRun(right);
        journal.record(run, QStringLiteral("SN-0003"), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {}));
    }
    test_support::SqlConnection db(path);
    QCOMPARE(db.rows(QStringLiteral("PRAGMA user_version")), QStringList{"6"});
    QCOMPARE(db.rows(QStringLiteral("SELECT r.station, r.started_utc, r.ended_utc, coalesce(r.fixture, '(null)'), count(p.id)"
                                    " FROM runs r JOIN parts p ON p.run_id = r.id GROUP BY r.id ORDER BY r.started_utc")),
             (QStringList{"bench-1|2026-12-01T08:00:00.000Z|2026-12-01T09:00:00.000Z|(null)|2",
                          "bench-1|2026-12-07T08:00:00.000Z||right|1"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT serial, verdict, forwarded FROM parts ORDER BY started_utc")),
             (QStringList{"SN-0001|PASS|0", "SN-0002|FAIL|0", "SN-0003|PASS|0"}));
    // The runs of before cannot say whether their program was released; the new one can.
    QCOMPARE(db.rows(QStringLiteral("SELECT coalesce(released, -1) FROM runs ORDER BY started_utc")), (QStringList{"-1", "1"}));
    QCOMPARE(db.rows(QStringLiteral("SELECT (SELECT count(*) FROM releases) + (SELECT count(*) FROM audit)")), QStringList{"0"});
    QCOMPARE(db.rows(QStringLiteral("SELECT value FROM database_info WHERE name = 'id'")),
             QStringList{"5b1d6c1e-3f0a-4d7e-9a51-0c2f8e4b7d93"});
    // And the questions read it now that it is up to date.
    results::journal_reader reader(path);
}

void tst_journal::lockedPastBusyTimeout_data() {
    QTest::addColumn<int>("busyMs");  // 0: the default, five seconds
    QTest::addColumn<int>("least");
    QTest::addColumn<int>("most");
    QTest::newRow("400 ms") << 400 << 350 << 3000;
    QTest::newRow("default") << 0 << 4900 << 9000;
}

void tst_journal::lockedPastBusyTimeout() {
    QFETCH(int, busyMs);
    QFETCH(int, least);
    QFETCH(int, most);
    const QString path = file("locked.sqlite");
    std::optional<results::journal> journal;
    if (busyMs)
        journal.emplace(path, results::journal_options{busyMs});
    else
        journal.emplace(path);
    const QString run = journal->beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/a.part")));
    test_support::SqlConnection holder(path);
    QCOMPARE(holder.rows(QStringLiteral("BEGIN IMMEDIATE")), QStringList());
    QCOMPARE(holder.rows(QStringLiteral("UPDATE runs SET firmware = '9.9.9'")), QStringList());

    QElapsedTimer waited;
    waited.start();
    const QString message =
        errorOf([&] { journal->record(run, QStringLiteral("SN1"), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {})); });
    QVERIFY2(waited.elapsed() >= least && waited.elapsed() < most, qPrintable(QString::number(waited.elapsed())));
    QVERIFY2(message.startsWith(QStringLiteral("cannot record the part in ") + path +
                                QStringLiteral(": the database is locked by another program past the busy time-out")),
             qPrintable(message));

    QCOMPARE(holder.rows(QStringLiteral("ROLLBACK")), QStringList());
    QCOMPARE(journal->record(run, QStringLiteral("SN1"), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {})).attempt, 1);
}

QTEST_GUILESS_MAIN(tst_journal)
#include "tst_journal.moc"
