// Every judged part on record: rx48p-ctl as a process against the simulator, with a real SQLite file
// and a real PostgreSQL server that the suite starts itself.

#include "ctl_run.h"
#include "pg_cluster.h"

#include "results/journal.h"

#include <QDir>
#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlRecord>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

#include <signal.h>

namespace {

const QString good = partFile(QStringLiteral("good"));

SqlConnection onServer(const pg_cluster& pg, const QString& database) {
    return SqlConnection(pg.socketDir(), pg.port(), pg.user(), database);
}

QString serverUrl(const pg_cluster& pg, const QString& database) {
    return QStringLiteral("postgresql://%1@:%2/%3?host=%4").arg(pg.stationUser()).arg(pg.port()).arg(database, pg.socketDir());
}

}  // namespace

class RecordsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // Serials from a pipe, as a scanner types them: each part's line, record and attempt.
    void serialsScannedFromAPipe();
    void numberedSerialsGoOnFromTheDatabase();
    // A station killed outright in the middle of a part: every earlier part whole, no half part.
    void killedInTheMiddleOfAPart();
    // The file held by another program for a while in the middle of a run: the part waits for its
    // commit, its buzzer comes after it, and every part is on record.
    void aPartWaitsForItsCommitBeforeItsBuzzer();
    void badResultsFiles_data();
    void badResultsFiles();
    // The questions' text as printed, on parts written with known values.
    void questionsAsText();
    // What the questions refuse, and what they leave as it was.
    void questionsRefuse_data();
    void questionsRefuse();
    void exportNeutralisesFormulas();
    // An export piped into a reader that takes one line and goes: the program ends with 141 at once,
    // without reading the rest of the journal first.
    void exportStopsWhenItsReaderGoes();
    // A line on one server: down in the middle of a run, absent for a whole run, two stations at once.
    void serverGoesDownAndComesBack();
    void pushAfterARunWithoutServer();
    void twoStationsAtOnce();
    void serverTroubleForAQuestion();
    // A server whose parts table is locked holds no station up: it ends within the drain's bound and
    // names what is unsent; SIGTERM in that wait ends it at once.
    void lockedServerHoldsNothingUp();
    // A part the server refuses is named by push, which sends the others and exits 8.
    void pushNamesARefusedPart();

private:
    std::unique_ptr<pg_cluster> pg;
    QTemporaryDir dir;
    int databases = 0;
    QString newDatabase() {
        const QString name = QStringLiteral("line%1").arg(++databases);
        return pg->createResultsDatabase(name) ? name : QString();
    }
};

void RecordsTest::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(RX48P_CTL)));
    pg = std::make_unique<pg_cluster>();
    QVERIFY2(pg->ok() && pg->start(), qPrintable(pg->error()));
}

void RecordsTest::serialsScannedFromAPipe() {
    BoardSim sim;
    const QString port = sim.start(simParts({"good", "missing-pair"}));
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("scanned.sqlite"));
    // An empty line and one too long are refused; the station asks again. A1 comes back for a retest.
    const QByteArray serials = "A1\n\n" + QByteArray(65, 'x') + "\nA2\r\nA1\n";
    const Finished run = Ctl({"--results", file, "--station", "bench-7", "--port", port, "station", good, "--serial", "scan"},
                        serials)
                        .finish();
    QCOMPARE(run.code, 1);
    const QStringList partLines = matching(lines(run.out), "part ");
    QCOMPARE(partLines.size(), 3);
    QVERIFY2(partLines.at(0).startsWith(QLatin1String("part 1  A1  PASS  ")), qPrintable(partLines.at(0)));
    QVERIFY(partLines.at(1).startsWith(QLatin1String("part 2  A2  FAIL  ")));
    QVERIFY(partLines.at(2).startsWith(QLatin1String("part 3  A1  PASS  ")));
    QVERIFY2(run.err.contains(QLatin1String("serial refused: a serial is 1 to 64 printable characters, not an empty line")),
             qPrintable(run.err));
    QVERIFY(run.err.contains(QLatin1String("serial refused: a serial is 1 to 64 printable characters, not 65")));
    QVERIFY(!run.err.contains(QLatin1String("serial: ")));  // no prompt without a terminal

    SqlConnection db(file);
    QCOMPARE(db.rows("SELECT p.serial, p.attempt, p.verdict, r.station FROM parts p JOIN runs r ON r.id = p.run_id"
                     " ORDER BY p.started_utc"),
             (QStringList{"A1|1|PASS|bench-7", "A2|1|FAIL|bench-7", "A1|2|PASS|bench-7"}));
    QCOMPARE(db.rows("SELECT count(*) FROM comparisons"), QStringList{"24"});
    QCOMPARE(db.rows("SELECT c.pins, c.reason FROM comparisons c JOIN parts p ON p.id = c.part_id WHERE c.passed = 0"),
             QStringList{"5-6|missing (open)"});
    // Every record the board sent: 4 pairs, 2 buttons, 2 pads of good.device; 3 pairs of the faulty one.
    QCOMPARE(db.rows("SELECT p.serial, p.attempt, m.measure, count(*) FROM measurements m JOIN parts p ON p.id = m.part_id"
                     " GROUP BY p.serial, p.attempt, m.measure ORDER BY 1, 2, 3"),
             (QStringList{"A1|1|button|2", "A1|1|static|4", "A1|1|touch|2", "A1|2|button|2", "A1|2|static|4",
                          "A1|2|touch|2", "A2|1|button|2", "A2|1|static|3", "A2|1|touch|2"}));
    QCOMPARE(db.rows("SELECT pin_a, type_a_name, pin_b, type_b_name, vdrop_ab_v, vdrop_ba_v FROM measurements"
                     " WHERE measure = 'static' AND pin_a = 1 LIMIT 1"),
             QStringList{"1|Led anode|2|Led cathode|1.8|-0.02"});
    QCOMPARE(db.rows("SELECT firmware, sensitivity, buzzer, tolerance FROM runs"), QStringList{"1.4.2|64|100|0.1"});
    QVERIFY(db.rows("SELECT ended_utc FROM runs").first().endsWith(QLatin1Char('Z')));
    QCOMPARE(db.rows("SELECT program_sha256 FROM runs").first().size(), 64);
}

void RecordsTest::numberedSerialsGoOnFromTheDatabase() {
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("numbered.sqlite"));
    for (int run = 0; run < 2; ++run) {
        const Finished r = Ctl({"--json", "--results", file, "--port", port, "station", good, "--serial", "auto:LOT9-",
                           "--count", "2"})
                          .finish();
        QCOMPARE(r.code, 0);
        QStringList serials;
        for (const QString& line : lines(r.out)) {
            const QJsonObject record = QJsonDocument::fromJson(line.toUtf8()).object();
            if (record.value("record") == QLatin1String("part"))
                serials << record.value("serial").toString() + QLatin1Char('/') + QString::number(record.value("attempt").toInt());
        }
        QCOMPARE(serials, run == 0 ? (QStringList{"LOT9-000001/1", "LOT9-000002/1"})
                                   : (QStringList{"LOT9-000003/1", "LOT9-000004/1"}));
    }
}

void RecordsTest::killedInTheMiddleOfAPart() {
    BoardSim sim;
    const QString port = sim.start({"--event-delay", "40", "--calib-delay", "0", "--device", good});
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("killed.sqlite"));
    Ctl ctl({"--results", file, "--port", port, "station", good});
    // The fourth part's measures are under way: three are on record.
    QVERIFY(QTest::qWaitFor([&] { return sim.log(QStringLiteral("recv ")).filter(QStringLiteral("MES_BUTTON_MECH")).size() >= 4; },
                            20000));
    ctl.signal(SIGKILL);
    ctl.finish();
    SqlConnection db(file);
    QCOMPARE(db.rows("PRAGMA integrity_check"), QStringList{"ok"});
    QCOMPARE(db.rows("SELECT count(*) FROM parts"), QStringList{"3"});
    // Each part whole: its 8 comparisons and its 8 records.
    QCOMPARE(db.rows("SELECT count(*) FROM comparisons GROUP BY part_id"), (QStringList{"8", "8", "8"}));
    QCOMPARE(db.rows("SELECT count(*) FROM measurements GROUP BY part_id"), (QStringList{"8", "8", "8"}));
}

void RecordsTest::aPartWaitsForItsCommitBeforeItsBuzzer() {
    BoardSim sim;
    const QString port = sim.start({"--event-delay", "300", "--calib-delay", "0", "--device", good});
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("held.sqlite"));
    Ctl ctl({"--results", file, "--port", port, "station", good, "--count", "2"});
    const auto received = [&](const char* name) {
        return static_cast<int>(sim.log(QStringLiteral("recv ")).filter(QLatin1String(name)).size());
    };
    QVERIFY(QTest::qWaitFor([&] { return received("BUZ_OK") == 1; }, 20000));
    SqlConnection holder(file);
    QCOMPARE(holder.rows("BEGIN IMMEDIATE"), QStringList{});
    // The second part measured and judged while the file is held: no buzzer for it yet.
    QVERIFY(QTest::qWaitFor([&] { return received("MES_BUTTON_CAP") == 2; }, 20000));
    QTest::qWait(1200);
    QCOMPARE(received("BUZ_OK") + received("BUZ_ER"), 1);
    QCOMPARE(holder.rows("ROLLBACK"), QStringList{});

    const Finished run = ctl.finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 0);
    QCOMPARE(matching(lines(run.out), "part ").size(), 2);
    QTRY_COMPARE(received("BUZ_OK"), 2);
    QCOMPARE(received("BUZ_ER"), 0);
    SqlConnection db(file);
    QCOMPARE(db.rows("SELECT verdict, cycle_s IS NOT NULL FROM parts ORDER BY started_utc"),
             (QStringList{"PASS|1", "PASS|1"}));
    QCOMPARE(db.rows("SELECT ended_utc IS NOT NULL FROM runs"), QStringList{"1"});
}

void RecordsTest::badResultsFiles_data() {
    QTest::addColumn<QByteArray>("content");  // what the file holds; "newer": a database of a later version
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("err");
    QTest::newRow("not SQLite") << QByteArray("part numbers, one a line\n") << "notes.txt" << "notes.txt is not a results database";
    QTest::newRow("newer version") << QByteArray("newer") << "newer.sqlite" << "newer";
    QTest::newRow("a folder in the way") << QByteArray() << "file-not-folder/results.sqlite" << "file-not-folder";
}

// Refused before the board is touched, with the reason, code 5; the file is left as it was.
void RecordsTest::badResultsFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QString, name);
    QFETCH(QString, err);
    QTemporaryDir here;
    const QString file = here.filePath(name);
    if (content == "newer") {
        SqlConnection db(file);
        db.rows("CREATE TABLE t (x)");
        db.rows("PRAGMA user_version = 99");
    } else if (content.isEmpty()) {
        QFile blocker(here.filePath(QStringLiteral("file-not-folder")));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
    } else {
        QFile f(file);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    QFile before(file);
    const QByteArray kept = before.open(QIODevice::ReadOnly) ? before.readAll() : QByteArray();
    before.close();
    for (const QStringList& args : {QStringList{"--results", file, "--port", "/nonexistent/rx48p", "station", good},
                                    QStringList{"--results", file, "results", "summary"}}) {
        const Finished run = Ctl(args).finish();
        QVERIFY(run.exited());
        QCOMPARE(run.code, 5);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QVERIFY2(!run.err.contains(QLatin1String("/nonexistent/rx48p")), qPrintable(run.err));
    }
    QFile after(file);
    QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray(), kept);
}

void RecordsTest::questionsAsText() {
    const QString file = dir.filePath(QStringLiteral("known.sqlite"));
    {
        results::journal journal(file);
        setup::run_info run;
        run.station = QStringLiteral("st-1");
        run.fixture = QStringLiteral("left");
        run.programPath = QStringLiteral("/parts/good.device");
        run.programSha256 = QString(64, QLatin1Char('a'));
        run.firmware = QStringLiteral("1.4.2");
        run.started = QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
        const QString id = journal.beginRun(run);
        // S1 fails then passes, S2 passes, S3 fails twice on two reasons, then once on one.
        const struct { const char* serial; int minute; double cycle; QStringList failures; } made[] = {
            {"S1", 0, 0.5, {"5-6|missing (open)"}},
            {"S2", 1, 0.4, {}},
            {"S1", 2, 0.6, {}},
            {"S3", 3, 0.7, {"5-6|missing (open)", "9-10|not expected (short)"}},
            {"S3", 4, 0.3, {"5-6|missing (open)"}},
        };
        for (const auto& m : made) {
            station::part_result p;
            p.started = QDateTime(QDate(2026, 12, 7), QTime(9, m.minute), Qt::UTC);
            p.ended = p.started.addMSecs(static_cast<qint64>(m.cycle * 1000));
            p.testSeconds = m.cycle;
            if (m.minute != 4)  // the last part is still in the fixture
                p.cycleSeconds = m.cycle + 1;
            p.passed = m.failures.isEmpty();
            station::comparison ok{QStringLiteral("pair"), QStringLiteral("1-2"), true, QStringLiteral("a"), QStringLiteral("a"), QString()};
            p.comparisons.push_back(ok);
            for (const QString& f : m.failures)
                p.comparisons.push_back({QStringLiteral("pair"), f.section('|', 0, 0), false, QString(), QString(), f.section('|', 1)});
            journal.record(id, QString::fromLatin1(m.serial), p);
        }
        journal.endRun(id, QDateTime(QDate(2026, 12, 7), QTime(10, 0), Qt::UTC));
    }
    const auto ask = [&](const QStringList& question) {
        const Finished run = Ctl(QStringList{"--results", file, "results"} + question).finish();
        return run.code == 0 ? run.out : QStringLiteral("exit %1: %2").arg(run.code).arg(run.err);
    };
    QCOMPARE(ask({"summary"}),
             QStringLiteral("parts  passed  failed  first-pass yield  final yield  median test  median cycle\n"
                            "5      2       3       33.3 %            66.7 %       0.500 s      1.550 s\n"));
    QCOMPARE(ask({"summary", "--by", "day", "--since", "2026-12-07", "--until", "2026-12-07T09:03"}),
             QStringLiteral("day         parts  passed  failed  first-pass yield  final yield  median test  median cycle\n"
                            "2026-12-07  3      2       1       50.0 %            100.0 %      0.500 s      1.500 s\n"));
    // A fixture's name is unique within its station alone.
    QCOMPARE(ask({"summary", "--by", "fixture"}),
             QStringLiteral("fixture    parts  passed  failed  first-pass yield  final yield  median test  median cycle\n"
                            "st-1/left  5      2       3       33.3 %            66.7 %       0.500 s      1.550 s\n"));
    QCOMPARE(ask({"failures"}),
             QStringLiteral("count  cumulative  mode                             measured\n"
                            "3      75.0 %      pair 5-6: missing (open)\n"
                            "1      100.0 %     pair 9-10: not expected (short)\n"));
    QCOMPARE(ask({"part", "S3"}),
             QStringLiteral("attempt  time                      station  verdict  reasons\n"
                            "1        2026-12-07T09:03:00.000Z  st-1     FAIL     pair 5-6: missing (open); pair 9-10: not expected (short)\n"
                            "2        2026-12-07T09:04:00.000Z  st-1     FAIL     pair 5-6: missing (open)\n"));
    const QString csv = ask({"export", "--since", "2026-12-07T09:04"});
    QCOMPARE(csv, QStringLiteral("serial,attempt,station,time,verdict,kind,pins,expected,measured,passed,reason,mode,"
                                 "expected_value,measured_value,test_s,cycle_s\r\n"
                                 "S3,2,st-1,2026-12-07T09:04:00.000Z,FAIL,pair,1-2,a,a,1,,,,,0.3,\r\n"
                                 "S3,2,st-1,2026-12-07T09:04:00.000Z,FAIL,pair,5-6,,,0,missing (open),,,,0.3,\r\n"));
    // The report: a page replaced whole, or its figures as JSON Lines; an empty period says so.
    const QString page = dir.filePath(QStringLiteral("report.html"));
    QCOMPARE(Ctl({"--results", file, "results", "report", "--html", page}).finish().code, 0);
    QFile html(page);
    QVERIFY(html.open(QIODevice::ReadOnly));
    const QByteArray text = html.readAll();
    QVERIFY(text.contains("<svg") && !text.contains("<script"));
    const Finished figures = Ctl({"--json", "--results", file, "results", "report"}).finish();
    QCOMPARE(figures.code, 0);
    QCOMPARE(QJsonDocument::fromJson(lines(figures.out).first().toUtf8()).object().value("parts").toInt(), 5);
    const Finished empty = Ctl({"--results", file, "results", "report", "--html", page, "--since", "2027-01-01"}).finish();
    QCOMPARE(empty.code, 0);
    QFile emptyPage(page);
    QVERIFY(emptyPage.open(QIODevice::ReadOnly));
    QVERIFY(emptyPage.readAll().contains("No parts were recorded in this period."));
    QCOMPARE(Ctl({"--results", file, "results", "report"}).finish().code, 2);

    const Finished bad = Ctl({"--results", file, "results", "summary", "--since", "yesterday"}).finish();
    QCOMPARE(bad.code, 2);
    QVERIFY(bad.err.contains(QLatin1String("--since: 'yesterday' is not an ISO 8601 date")));
}

namespace {

// A journal of one run on `station`, one failed part per serial.
void writeJournal(const QString& file, const QString& station, const QStringList& serials) {
    results::journal journal(file);
    setup::run_info run;
    run.station = station;
    run.programPath = QStringLiteral("/parts/good.device");
    run.programSha256 = QString(64, QLatin1Char('a'));
    run.started = QDateTime(QDate(2026, 12, 7), QTime(8, 0), Qt::UTC);
    const QString id = journal.beginRun(run);
    int minute = 0;
    for (const QString& serial : serials) {
        station::part_result p;
        p.started = QDateTime(QDate(2026, 12, 7), QTime(9, minute++), Qt::UTC);
        p.ended = p.started.addSecs(1);
        p.testSeconds = 1;
        station::comparison c{QStringLiteral("pair"), QStringLiteral("1-2"), false, QStringLiteral("-x"), QStringLiteral("=y"),
                              QStringLiteral("drop")};
        c.mode = QStringLiteral("pair 1-2: drop 1->2 out of tolerance");
        c.expectedValue = -0.02;
        c.measuredValue = -0.1;
        p.comparisons.push_back(c);
        journal.record(id, serial, p);
    }
}

QByteArray bytesOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(none)");
}

}  // namespace

void RecordsTest::questionsRefuse_data() {
    QTest::addColumn<QString>("setup");  // "journal", "empty" (a 0-byte file), "none" (no file)
    QTest::addColumn<QStringList>("question");
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("err");
    QTest::newRow("unknown serial") << "journal" << QStringList{"part", "S9"} << 7 << "no part on record with serial S9";
    QTest::newRow("since after until") << "journal" << QStringList{"summary", "--since", "2026-12-08", "--until", "2026-12-07"}
                                       << 2 << "--since 2026-12-08 is not before --until 2026-12-07";
    QTest::newRow("since equal to until") << "journal" << QStringList{"export", "--since", "2026-12-07", "--until", "2026-12-07"}
                                          << 2 << "is not before --until";
    QTest::newRow("report over the journal") << "journal" << QStringList{"report", "--html", "JOURNAL"} << 2
                                             << "is the results database itself";
    QTest::newRow("empty file") << "empty" << QStringList{"summary"} << 5 << "is empty, not a results database";
    QTest::newRow("no file") << "none" << QStringList{"failures"} << 5 << "no results database there";
}

// Refused with its reason and code, nothing on standard output, and the file left as it was: no question
// writes, migrates or creates the journal.
void RecordsTest::questionsRefuse() {
    QFETCH(QString, setup);
    QFETCH(QStringList, question);
    QTemporaryDir here;
    const QString file = here.filePath(QStringLiteral("results.sqlite"));
    if (setup == QLatin1String("journal"))
        writeJournal(file, QStringLiteral("st-1"), {"S1"});
    else if (setup == QLatin1String("empty"))
        QVERIFY(QFile(file).open(QIODevice::WriteOnly));
    question.replaceInStrings(QStringLiteral("JOURNAL"), file);
    const QByteArray before = bytesOf(file);
    // SQLite's own -wal and -shm beside a journal in WAL mode are not the journal.
    const auto files = [&] {
        QStringList names = QDir(here.path()).entryList(QDir::Files);
        names.removeAll(QStringLiteral("results.sqlite-wal"));
        names.removeAll(QStringLiteral("results.sqlite-shm"));
        return names;
    };
    const QStringList filesBefore = files();
    const Finished run = Ctl(QStringList{"--results", file, "results"} + question).finish();
    QTEST(run.code, "code");
    QFETCH(QString, err);
    QVERIFY2(run.err.startsWith(QLatin1String("rx48p-ctl: ")) && run.err.contains(err), qPrintable(run.err));
    QCOMPARE(run.out, QString());
    QCOMPARE(bytesOf(file), before);
    QCOMPARE(files(), filesBefore);
}

// Serials and station names a spreadsheet would run as formulas are shown as text in the CSV; the
// numbers stay numbers, and JSON keeps every text as it is.
void RecordsTest::exportNeutralisesFormulas() {
    QTemporaryDir here;
    const QString file = here.filePath(QStringLiteral("results.sqlite"));
    writeJournal(file, QStringLiteral("=cmd|' /C calc'!A0"), {"=1+2", "+1", "-1", "@SUM(A1)"});
    const QByteArray before = bytesOf(file);
    const Finished csv = Ctl({"--results", file, "results", "export"}).finish();
    QCOMPARE(csv.code, 0);
    const QStringList rows = csv.out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    QCOMPARE(rows.size(), 5);
    const QString rest = QStringLiteral(",2026-12-07T09:0%1:00.000Z,FAIL,pair,1-2,'-x,'=y,0,drop,"
                                        "pair 1-2: drop 1->2 out of tolerance,-0.02,-0.1,1,");
    const QString station = QStringLiteral(",1,'=cmd|' /C calc'!A0");
    QCOMPARE(rows.mid(1), (QStringList{"'=1+2" + station + rest.arg(0), "'+1" + station + rest.arg(1),
                                       "'-1" + station + rest.arg(2), "'@SUM(A1)" + station + rest.arg(3)}));
    const Finished json = Ctl({"--json", "--results", file, "results", "export"}).finish();
    QCOMPARE(json.code, 0);
    const QJsonObject first = QJsonDocument::fromJson(lines(json.out).first().toUtf8()).object();
    QCOMPARE(first.value("serial").toString(), QStringLiteral("=1+2"));
    QCOMPARE(first.value("station").toString(), QStringLiteral("=cmd|' /C calc'!A0"));
    QCOMPARE(first.value("expected").toString(), QStringLiteral("-x"));
    QCOMPARE(first.value("measured_value").toDouble(), -0.1);
    QVERIFY(first.value("cycle_s").isNull());
    QCOMPARE(bytesOf(file), before);  // the questions only read
}

namespace {

// `parts` parts of 8 comparisons each, written straight into a journal's tables in one transaction:
// through journal::record, one fsync a part, they would take minutes.
void writeManyParts(const QString& file, int parts) {
    { results::journal tables(file); }
    const QString name = QStringLiteral("many-parts");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        QVERIFY(db.open());
        QVERIFY(db.transaction());
        QSqlQuery q(db);
        QVERIFY(q.exec(QStringLiteral("INSERT INTO runs (id, station, program_path, program_sha256, firmware, sensitivity,"
                                      " buzzer, tolerance, started_utc, program_version)"
                                      " VALUES ('r', 'ST-A', '/parts/a.part', 'aa', '1.4.2', 70, 90, 0.1,"
                                      " '2026-12-07T08:00:00.000Z', '1.5.0')")));
        QSqlQuery part(db), comparison(db);
        QVERIFY(part.prepare(QStringLiteral("INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict)"
                                            " VALUES (?, 'r', ?, 1, ?, ?, 'PASS')")));
        QVERIFY(comparison.prepare(QStringLiteral("INSERT INTO comparisons (id, part_id, seq, kind, pins, expected, measured,"
                                                  " passed, reason) VALUES (?, ?, ?, 'pair', '1-2', ?, ?, 1, '')")));
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 0), Qt::UTC);
        const QString words = QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V");
        for (int i = 0; i < parts; ++i) {
            const QString id = QStringLiteral("p%1").arg(i, 6, 10, QLatin1Char('0'));
            const QString at = start.addSecs(i).toString(Qt::ISODateWithMs);
            part.addBindValue(id);
            part.addBindValue(QStringLiteral("SN%1").arg(i));
            part.addBindValue(at);
            part.addBindValue(at);
            QVERIFY(part.exec());
            for (int seq = 0; seq < 8; ++seq) {
                comparison.addBindValue(QStringLiteral("%1-%2").arg(id).arg(seq));
                comparison.addBindValue(id);
                comparison.addBindValue(seq);
                comparison.addBindValue(words);
                comparison.addBindValue(words);
                QVERIFY(comparison.exec());
            }
        }
        QVERIFY(db.commit());
    }
    QSqlDatabase::removeDatabase(name);
}

}  // namespace

void RecordsTest::exportStopsWhenItsReaderGoes() {
    QTemporaryDir here;
    const QString file = here.filePath(QStringLiteral("many.sqlite"));
    writeManyParts(file, 10000);
    if (QTest::currentTestFailed())
        return;
    // Read to its end once, the export takes its time: 80,000 rows.
    // Under the sanitizers on a busy machine the whole read takes far longer than the usual limit.
    const Finished whole =
        runInto(QStringLiteral(RX48P_CTL), {"--results", file, "results", "export"}, QStringLiteral("wc -l"), 120000);
    QCOMPARE(whole.code, 0);
    QCOMPARE(whole.out.trimmed().toInt(), 80001);
    for (const QStringList& format : {QStringList{}, QStringList{"--json"}}) {
        const QStringList args = format + QStringList{"--results", file, "results", "export"};
        const Finished cut = runInto(QStringLiteral(RX48P_CTL), args, QStringLiteral("head -n 1"));
        QCOMPARE(cut.code, 141);
        QVERIFY2(cut.out.startsWith(format.isEmpty() ? QLatin1String("serial,attempt,") : QLatin1String("{\"")),
                 qPrintable(cut.out));
        // Ended long before a whole read could have: the rows after the reader went were never read.
        QVERIFY2(cut.ms * 2 < whole.ms, qPrintable(QStringLiteral("%1 ms cut, %2 ms whole").arg(cut.ms).arg(whole.ms)));
    }
}

void RecordsTest::serverGoesDownAndComesBack() {
    const QString database = newDatabase();
    QVERIFY(!database.isEmpty());
    BoardSim sim;
    const QString port = sim.start({"--event-delay", "60", "--calib-delay", "0", "--device", good});
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("line.sqlite"));
    Ctl ctl({"--results", file, "--server", serverUrl(*pg, database), "--port", port, "station", good, "--count", "12"});
    const auto buzzed = [&] { return sim.log(QStringLiteral("recv ")).filter(QStringLiteral("BUZ_OK")).size(); };
    QVERIFY(QTest::qWaitFor([&] { return buzzed() >= 2; }, 20000));
    QVERIFY(pg->stop());
    QVERIFY(QTest::qWaitFor([&] { return buzzed() >= 6; }, 20000));
    QVERIFY(pg->start());
    const Finished run = ctl.finish();
    QCOMPARE(run.code, 0);
    QVERIFY2(run.err.contains(QLatin1String("the station goes on and records its parts in the journal")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("the results server is back")), qPrintable(run.err));
    QCOMPARE(run.err.count(QLatin1String("goes on and records")), 1);  // said once, not per part
    QCOMPARE(onServer(*pg, database).rows("SELECT count(*), count(DISTINCT id) FROM parts"), QStringList{"12|12"});
    QCOMPARE(sqlRows(file, "SELECT count(*) FROM parts WHERE forwarded = 0"), QStringList{"0"});
}

void RecordsTest::pushAfterARunWithoutServer() {
    const QString database = newDatabase();
    QVERIFY(!database.isEmpty());
    BoardSim sim;
    const QString port = sim.start(simParts({"good", "missing-pair"}));
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("offline.sqlite"));
    const QString nowhere = QStringLiteral("postgresql://%1@:%2/%3?host=%4")
                                .arg(pg->user()).arg(1).arg(database, dir.filePath(QStringLiteral("no-server")));
    const Finished run = Ctl({"--results", file, "--server", nowhere, "--port", port, "station", good, "--count", "4"}).finish();
    QCOMPARE(run.code, 1);  // the verdicts decide, not the server
    QVERIFY2(run.err.contains(QLatin1String("4 parts are not on the results server yet")), qPrintable(run.err));
    QCOMPARE(sqlRows(file, "SELECT count(*) FROM parts WHERE forwarded = 0"), QStringList{"4"});

    const Finished push = Ctl({"--results", file, "--server", serverUrl(*pg, database), "results", "push"}).finish();
    QCOMPARE(push.code, 0);
    QVERIFY2(push.out.startsWith(QLatin1String("pushed 4 parts to ")), qPrintable(push.out));
    const Finished again = Ctl({"--results", file, "--server", serverUrl(*pg, database), "results", "push"}).finish();
    QVERIFY(again.out.startsWith(QLatin1String("pushed 0 parts to ")));
    const SqlConnection server = onServer(*pg, database);
    QCOMPARE(server.rows("SELECT verdict, count(*) FROM parts GROUP BY verdict ORDER BY verdict"),
             (QStringList{"FAIL|2", "PASS|2"}));
    QCOMPARE(server.rows("SELECT count(*) FROM comparisons"), QStringList{"32"});
}

void RecordsTest::lockedServerHoldsNothingUp() {
    const QString database = newDatabase();
    QVERIFY(!database.isEmpty());
    const SqlConnection locker = onServer(*pg, database);
    QCOMPARE(locker.rows("BEGIN"), QStringList());
    QCOMPARE(locker.rows("LOCK TABLE parts IN ACCESS EXCLUSIVE MODE"), QStringList());
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("locked-server.sqlite"));
    const QStringList args{"--results", file, "--server", serverUrl(*pg, database), "--port", port, "station", good,
                           "--count", "3", "--serial", "auto:LK-"};
    QElapsedTimer took;
    took.start();
    const Finished run = ctl(args);
    const qint64 ms = took.elapsed();
    QCOMPARE(run.code, 0);
    // The drain's 5 s, and the statement in hand cancelled rather than waited for: the lock is never let
    // go, so a station that waited on it would run into the runner's time-out. The margin is for the
    // sanitizers on a loaded machine (10.7 s seen).
    QVERIFY2(ms < 20000, qPrintable(QString::number(ms)));
    QVERIFY2(run.err.contains(QLatin1String("3 parts are not on the results server yet (LK-000001, LK-000002, LK-000003)")),
             qPrintable(run.err));
    QCOMPARE(sqlRows(file, "SELECT count(*) FROM parts"), QStringList{"3"});

    // Stopped in that wait: at once, by the signal.
    Ctl stopped(QStringList(args).replaceInStrings(QStringLiteral("auto:LK-"), QStringLiteral("auto:LT-")));
    QVERIFY(QTest::qWaitFor([&] { return stopped.peekOut().contains("summary:"); }, 20000));
    QTest::qWait(300);
    took.restart();
    stopped.signal(SIGTERM);
    const Finished end = stopped.finish();
    QVERIFY2(took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(end.signal, SIGTERM);
    QCOMPARE(sqlRows(file, "SELECT count(*) FROM parts"), QStringList{"6"});
    QCOMPARE(locker.rows("ROLLBACK"), QStringList());
}

void RecordsTest::pushNamesARefusedPart() {
    const QString database = newDatabase();
    QVERIFY(!database.isEmpty());
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    const QString file = dir.filePath(QStringLiteral("refused.sqlite"));
    QCOMPARE(Ctl({"--results", file, "--port", port, "station", good, "--count", "4", "--serial", "auto:RF-"}).finish().code, 0);
    // What a damaged file may hold: SQLite keeps it, the server will not.
    QCOMPARE(sqlRows(file, "UPDATE parts SET test_s = 'slow' WHERE serial = 'RF-000002'"), QStringList());

    const Finished push = Ctl({"--results", file, "--server", serverUrl(*pg, database), "results", "push"}).finish();
    QCOMPARE(push.code, 8);
    QVERIFY2(push.out.startsWith(QLatin1String("pushed 3 parts to ")) && push.out.contains(QLatin1String("; 1 refused")),
             qPrintable(push.out));
    QVERIFY2(push.err.contains(QLatin1String("the results server refused part RF-000002: ")) &&
                 push.err.contains(QLatin1String("slow")) && !push.err.contains(QLatin1String("out of reach")),
             qPrintable(push.err));
    QCOMPARE(onServer(*pg, database).rows("SELECT serial FROM parts ORDER BY serial"),
             (QStringList{"RF-000001", "RF-000003", "RF-000004"}));

    // Mended, the next push sends it.
    QCOMPARE(sqlRows(file, "UPDATE parts SET test_s = 0.01 WHERE serial = 'RF-000002'"), QStringList());
    const Finished again = Ctl({"--results", file, "--server", serverUrl(*pg, database), "results", "push"}).finish();
    QCOMPARE(again.code, 0);
    QVERIFY2(again.out.startsWith(QLatin1String("pushed 1 parts to ")), qPrintable(again.out));
}

void RecordsTest::twoStationsAtOnce() {
    const QString database = newDatabase();
    QVERIFY(!database.isEmpty());
    BoardSim simA, simB;
    const QString portA = simA.start(simParts({"good"})), portB = simB.start(simParts({"missing-pair"}));
    QVERIFY(!portA.isEmpty() && !portB.isEmpty());
    const QString url = serverUrl(*pg, database);
    Ctl a({"--station", "A", "--results", dir.filePath(QStringLiteral("a.sqlite")), "--server", url, "--port", portA,
           "station", good, "--count", "15"});
    Ctl b({"--station", "B", "--results", dir.filePath(QStringLiteral("b.sqlite")), "--server", url, "--port", portB,
           "station", good, "--count", "10"});
    QCOMPARE(a.finish().code, 0);
    QCOMPARE(b.finish().code, 1);
    const SqlConnection server = onServer(*pg, database);
    QCOMPARE(server.rows("SELECT r.station, p.verdict, count(*) FROM parts p JOIN runs r ON r.id = p.run_id"
                         " GROUP BY r.station, p.verdict ORDER BY 1"),
             (QStringList{"A|PASS|15", "B|FAIL|10"}));
    const Finished summary = Ctl({"--server", url, "results", "summary", "--by", "station"}).finish();
    QCOMPARE(summary.code, 0);
    QVERIFY2(summary.out.contains(QRegularExpression(QStringLiteral("\nA +15 +15 +0 "))), qPrintable(summary.out));
}

void RecordsTest::serverTroubleForAQuestion() {
    const Finished malformed = Ctl({"--server", "mysql://db/results", "results", "summary"}).finish();
    QCOMPARE(malformed.code, 2);
    QVERIFY2(malformed.err.contains(QLatin1String("--server: ")), qPrintable(malformed.err));
    const Finished password = Ctl({"--server", "postgresql://u:secret@db/results", "results", "summary"}).finish();
    QCOMPARE(password.code, 2);
    QVERIFY(!password.err.contains(QLatin1String("secret")));
    const Finished unknownUser = Ctl({"--server", QStringLiteral("postgresql://nobody-here@:%1/postgres?host=%2").arg(pg->port()).arg(pg->socketDir()),
                                 "results", "summary"}).finish();
    QCOMPARE(unknownUser.code, 5);
    QVERIFY2(unknownUser.err.contains(QLatin1String("nobody-here")), qPrintable(unknownUser.err));
    const Finished noServer = Ctl({"--server", QStringLiteral("postgresql://x@:1/none?host=%1").arg(dir.filePath("none")),
                              "results", "failures"}).finish();
    QCOMPARE(noServer.code, 5);
    QVERIFY2(noServer.err.contains(QLatin1String("cannot reach ")), qPrintable(noServer.err));
}

QTEST_GUILESS_MAIN(RecordsTest)
#include "tst_records.moc"
