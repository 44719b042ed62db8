// rx48p-ctl check and station against rx48p-board-sim playing known parts: tests/parts/good.device and
// one copy per fault.

#include "ctl_run.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <csignal>

namespace {

const QString good = partFile(QStringLiteral("good"));

struct JUnit {
    int suites = 0, cases = 0, failures = 0;
    QStringList failureMessages;
};

JUnit readJUnit(const QString& path) {
    QFile file(path);
    JUnit j;
    if (!file.open(QIODevice::ReadOnly))
        return j;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        if (xml.name() == QLatin1String("testsuite"))
            ++j.suites;
        else if (xml.name() == QLatin1String("testcase"))
            ++j.cases;
        else if (xml.name() == QLatin1String("failure")) {
            ++j.failures;
            j.failureMessages << xml.attributes().value(QStringLiteral("message")).toString();
        }
    }
    return xml.hasError() ? JUnit{} : j;
}

}  // namespace

class CheckStationTest : public QObject {
    Q_OBJECT
private slots:
    // The board holds the part in the row; the check compares it with the good part.
    void check_data();
    void check();
    void checkRecords();
    void badExpectedFiles_data();
    void badExpectedFiles();
    // Six parts with known verdicts: the lines, the buzzer per part, the summary, JSON and JUnit.
    void stationOverKnownParts();
    // Ctrl-C once finishes the part in hand, twice abandons it; either way IDLE and the summary follow.
    void stationStops_data();
    void stationStops();
    void stationInterruptedBeforeAnyPart();
    void aJudgedPartIsKeptWhenItsBuzzerFails();
    void junitIsReplacedOnlyAtTheEnd();
    // A program for another firmware is refused before any part; one without the line tests on any.
    void programForAnotherFirmware();
    // A part the journal would not take is never PASS: not in its line, JSON, summary or buzzer.
    void aPartNotOnRecordIsNeverPass();
    void serialsThatEndBeforeAnyPart();
};

// A file that holds `text`, in `dir`.
QString writtenFile(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size())
        return QString();
    return path;
}

QByteArray goodPartWithFirmware(const QByteArray& line) {
    QFile file(good);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray text = file.readAll();
    text.replace("firmware 1.4.2\n", line);
    return text;
}

void CheckStationTest::check_data() {
    QTest::addColumn<QString>("part");
    QTest::addColumn<QStringList>("extra");  // options after the command
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("failure");  // the one FAIL line; empty: none
    QTest::addColumn<QString>("verdict");  // the last line
    const QString pass = QStringLiteral("PASS: 8 comparisons passed");
    const QString oneOf8 = QStringLiteral("FAIL: 1 of 8 comparisons failed");
    QTest::newRow("good") << "good" << QStringList{} << 0 << "" << pass;
    QTest::newRow("missing pair") << "missing-pair" << QStringList{} << 1 << "FAIL  pair 5-6: missing (open)" << oneOf8;
    QTest::newRow("drop just within a wider tolerance") << "drop-out" << QStringList{"--tolerance", "0.2"} << 0 << ""
                                                        << pass;
    QTest::newRow("drop just beyond it") << "drop-out" << QStringList{"--tolerance", "0.18"} << 1
                                         << "FAIL  pair 1-2: Vdrop(1->2) = 2.000V, expected 1.800V within 0.180V"
                                         << oneOf8;
    QTest::newRow("extra pair") << "extra-pair" << QStringList{} << 1 << "FAIL  pair 9-10: not expected (short)"
                                << "FAIL: 1 of 9 comparisons failed";
}

void CheckStationTest::check() {
    QFETCH(QString, part);
    QFETCH(QStringList, extra);
    QFETCH(int, code);
    QFETCH(QString, failure);
    QFETCH(QString, verdict);
    BoardSim sim;
    const QString port = sim.start(simParts({part}));
    QVERIFY(!port.isEmpty());
    const Finished run = Ctl(QStringList{"--port", port, "check", good} + extra).finish();
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, code);
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "FAIL  "), failure.isEmpty() ? QStringList{} : QStringList{failure});
    QCOMPARE(matching(out, "PASS  ").size() + matching(out, "FAIL  ").size(), 8 + (part == "extra-pair" ? 1 : 0));
    QVERIFY2(out.last().startsWith(verdict + QStringLiteral(", test ")), qPrintable(out.last()));
    // The board is identified and configured as for the station, then measured as the part calls for,
    // each measure once.
    QTRY_COMPARE(sim.framesReceived().size(), 5);
    QCOMPARE(sim.framesReceived().first(), QStringLiteral("55:00:09:00:52:58:34:38:50:01:89:87"));  // ping
    QCOMPARE(sim.log(QStringLiteral("recv ")).filter(QStringLiteral("sensitivity 64, buzzer 100")).size(), 1);
}

// --json adds one record with every comparison to the frames; --junit writes one case per comparison.
// A pair written the other way round in the expected file is the same pair.
void CheckStationTest::checkRecords() {
    QTemporaryDir dir;
    const QString reversed = dir.filePath(QStringLiteral("reversed.device"));
    QFile file(reversed);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("check static\npair 2 cathode 1 anode -0.02 1.80\npair 3 anode 4 cathode 2.10 -0.02\n"
               "pair 5 bidir 6 bidir 1.96 1.98\npair 7 shortcut 8 shortcut 0 0\n");
    file.close();
    BoardSim sim;
    const QString port = sim.start(simParts({"extra-pair"}));
    QVERIFY(!port.isEmpty());

    const QString junit = dir.filePath(QStringLiteral("check.xml"));
    const Finished run = Ctl({"--json", "--port", port, "check", reversed, "--junit", junit}).finish();
    QCOMPARE(run.code, 1);
    const QStringList out = lines(run.out);
    // ID and CFG sent and answered, CFG's calibration event, MES_STATIC sent, its answer and event; the check.
    QCOMPARE(out.size(), 9);
    QVERIFY(QJsonDocument::fromJson(out.at(0).toUtf8()).object().contains("direction"));
    const QJsonObject check = QJsonDocument::fromJson(out.last().toUtf8()).object();
    QCOMPARE(check.value("record").toString(), QStringLiteral("check"));
    QCOMPARE(check.value("verdict").toString(), QStringLiteral("FAIL"));
    QCOMPARE(check.value("failed").toInt(), 1);
    const QJsonArray comparisons = check.value("comparisons").toArray();
    QCOMPARE(comparisons.size(), 5);
    const QJsonObject first = comparisons.at(0).toObject();
    QCOMPARE(first.value("item").toString(), QStringLiteral("2-1"));
    QVERIFY(first.value("passed").toBool());
    const QJsonObject shortPair = comparisons.at(4).toObject();
    QCOMPARE(shortPair.value("reason").toString(), QStringLiteral("not expected (short)"));
    QCOMPARE(shortPair.value("expected"), QJsonValue(QJsonValue::Null));

    const JUnit j = readJUnit(junit);
    QCOMPARE(j.suites, 1);
    QCOMPARE(j.cases, 5);
    QCOMPARE(j.failureMessages, QStringList{"not expected (short)"});
}

void CheckStationTest::badExpectedFiles_data() {
    QTest::addColumn<QByteArray>("content");  // empty: no such file
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("err");
    QTest::newRow("no such file") << QByteArray() << QStringList{} << "part.device: ";
    QTest::newRow("bad line") << QByteArray("check static\npair 1 anode 2 cathode 1.80\n") << QStringList{}
                              << "part.device:2: ";
    QTest::newRow("nothing to check") << QByteArray("firmware 1.0.0\n") << QStringList{} << "nothing to check";
    QTest::newRow("pad beyond the capacitive pins") << QByteArray("touch 30 on\n") << QStringList{}
                                                    << "touch pad 30 is beyond the capacitive pins (0 to 24)";
    QTest::newRow("tolerance out of range") << QByteArray("check static\n") << QStringList{"--tolerance", "-1"}
                                            << "--tolerance: -1 is out of range";
    QTest::newRow("JUnit file not writable") << QByteArray("check static\n")
                                             << QStringList{"--junit", "/nonexistent/dir/check.xml"}
                                             << "cannot write /nonexistent/dir/check.xml";
}

// Refused before the port is opened: exit 2, the file, the line and the reason on standard error.
void CheckStationTest::badExpectedFiles() {
    QFETCH(QByteArray, content);
    QFETCH(QStringList, extra);
    QFETCH(QString, err);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("part.device"));
    if (!content.isEmpty()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    for (const char* command : {"check", "station"}) {
        const Finished run = Ctl(QStringList{"--port", "/nonexistent/rx48p", command, path} + extra).finish();
        QVERIFY(run.exited());
        QCOMPARE(run.code, 2);
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
        QCOMPARE(run.out, QString());
    }
}

void CheckStationTest::stationOverKnownParts() {
    const QStringList sequence{"good", "missing-pair", "swapped-type", "drop-out", "extra-pair", "button-wrong"};
    BoardSim sim;
    const QString port = sim.start(simParts(sequence));
    QVERIFY(!port.isEmpty());
    QTemporaryDir dir;
    const QString junit = dir.filePath(QStringLiteral("station.xml"));

    const Finished run = Ctl({"--port", port, "station", good, "--count", "6", "--junit", junit, "--buzzer", "20"}).finish();
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 1);
    const QStringList out = lines(run.out);
    QCOMPARE(out.at(0), QStringLiteral("board: RX48P, firmware V1.4.2"));
    QCOMPARE(out.at(1), QStringLiteral("configured: sensitivity 64, buzzer 20; calibration done"));
    const QStringList partLines = matching(out, "part ");
    QCOMPARE(partLines.size(), 6);
    const QRegularExpression shape(
        QStringLiteral("^part (\\d) +(PASS|FAIL)  test \\d\\.\\d{3} s  cycle \\d\\.\\d{3} s(  .*)?$"));
    QStringList verdicts;
    for (int i = 0; i < partLines.size(); ++i) {
        const QRegularExpressionMatch m = shape.match(partLines.at(i));
        QVERIFY2(m.hasMatch(), qPrintable(partLines.at(i)));
        QCOMPARE(m.captured(1).toInt(), i + 1);
        verdicts << m.captured(2);
    }
    QCOMPARE(verdicts, (QStringList{"PASS", "FAIL", "FAIL", "FAIL", "FAIL", "FAIL"}));
    QVERIFY(partLines.at(1).endsWith(QLatin1String("pair 5-6: missing (open)")));
    QVERIFY(partLines.at(4).endsWith(QLatin1String("pair 9-10: not expected (short)")));
    QVERIFY(out.last().startsWith(QLatin1String("summary: 6 parts, 1 passed, 5 failed, yield 16.7 %, median test ")));
    QVERIFY(out.last().contains(QLatin1String(" s, median cycle ")));
    QTRY_COMPARE(sim.buzzers(), (QStringList{"BUZ_OK", "BUZ_ER", "BUZ_ER", "BUZ_ER", "BUZ_ER", "BUZ_ER"}));
    QCOMPARE(sim.framesReceived().first(), QStringLiteral("55:00:09:00:52:58:34:38:50:01:89:87"));  // ping
    QVERIFY(sim.framesReceived().at(1).startsWith(QLatin1String("55:00:06:01:40:14:01:")));  // CFG 64, 20
    QCOMPARE(sim.framesReceived().last(), QStringLiteral("55:00:04:ff:01:0e:d1"));  // IDLE at the end

    const JUnit j = readJUnit(junit);
    QCOMPARE(j.suites, 6);
    QCOMPARE(j.cases, 6 * 8 + 1);
    QCOMPARE(j.failures, 5);  // one comparison a faulty part: the swapped pair fails once, naming both pins

    // The same parts from a board whose UART writes one byte at a time.
    BoardSim paced;
    const QString pacedPort = paced.start(simParts({"good", "missing-pair"}) + QStringList{"--pace", "9600"});
    QVERIFY(!pacedPort.isEmpty());
    const Finished slow = Ctl({"--port", pacedPort, "station", good, "--count", "2"}).finish();
    QCOMPARE(slow.err, QString());
    QCOMPARE(slow.code, 1);
    const QStringList slowParts = matching(lines(slow.out), "part ");
    QCOMPARE(slowParts.size(), 2);
    QVERIFY(slowParts.at(0).startsWith(QLatin1String("part 1  PASS  ")));
    QVERIFY(slowParts.at(1).endsWith(QLatin1String("  pair 5-6: missing (open)")));

    // Same run, as records: the next six parts continue the board's sequence from the first again.
    const Finished json = Ctl({"--json", "--port", port, "station", good, "--count", "2"}).finish();
    QCOMPARE(json.code, 1);
    const QStringList records = lines(json.out);
    QCOMPARE(records.size(), 4);
    QStringList kinds, partVerdicts;
    for (const QString& line : records) {
        const QJsonObject r = QJsonDocument::fromJson(line.toUtf8()).object();
        kinds << r.value("record").toString();
        if (r.value("record") == QLatin1String("part")) {
            partVerdicts << r.value("verdict").toString();
            QCOMPARE(r.value("comparisons").toArray().size(), 8);
            QVERIFY(r.value("cycle_s").toDouble() > 0);
        }
    }
    QCOMPARE(kinds, (QStringList{"board", "part", "part", "summary"}));
    QCOMPARE(partVerdicts, (QStringList{"PASS", "FAIL"}));
    const QJsonObject summary = QJsonDocument::fromJson(records.last().toUtf8()).object();
    QCOMPARE(summary.value("parts").toInt(), 2);
    QCOMPARE(summary.value("yield_percent").toDouble(), 50.0);
}

void CheckStationTest::stationStops_data() {
    QTest::addColumn<QStringList>("extra");  // after the command
    QTest::addColumn<int>("stopRequests");   // SIGINTs; 0: the board goes away instead
    QTest::addColumn<int>("code");           // -1: ended by SIGINT
    QTest::addColumn<QString>("summary");
    const QString none = QStringLiteral("summary: 0 parts");
    // Stopped before its removal, the part has a test time and no cycle.
    const QString one = QStringLiteral("summary: 1 part, 1 passed, 0 failed, yield 100.0 %, median test ");
    QTest::newRow("once: the part is finished, a normal end") << QStringList{} << 1 << 0 << one;
    QTest::newRow("twice: the part is abandoned, no part tested") << QStringList{} << 2 << -1 << none;
    QTest::newRow("once in a counted run: cut short") << QStringList{"--count", "5"} << 1 << -1 << one;
    QTest::newRow("board gone: the run ends") << QStringList{} << 0 << 4 << none;
}

void CheckStationTest::stationStops() {
    QFETCH(QStringList, extra);
    QFETCH(int, stopRequests);
    QFETCH(int, code);
    QFETCH(QString, summary);
    BoardSim sim;
    // Slow measures, so the signal comes while the part is in hand.
    const QString port = sim.start({"--event-delay", "250", "--calib-delay", "0", "--device", good});
    QVERIFY(!port.isEmpty());
    Ctl ctl(QStringList{"--port", port, "station", good} + extra);
    QVERIFY(QTest::qWaitFor([&] { return !sim.log(QStringLiteral("recv 55:00:04:04:01")).isEmpty(); }, 10000));
    for (int i = 0; i < stopRequests; ++i) {
        ctl.signal(SIGINT);
        QTest::qWait(50);  // signals pending at once merge into one
    }
    if (stopRequests == 0)
        sim.stop();
    const Finished run = ctl.finish();
    if (code < 0) {
        QCOMPARE(run.signal, int(SIGINT));
    } else {
        QVERIFY(run.exited());
        QCOMPARE(run.code, code);
    }
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "part ").size(), summary.startsWith(QLatin1String("summary: 1")) ? 1 : 0);
    QVERIFY2(out.last().startsWith(summary), qPrintable(out.last()));
    if (summary == QLatin1String("summary: 0 parts"))
        QCOMPARE(out.last(), summary);
    else
        QVERIFY2(out.last().endsWith(QLatin1String(" s, median cycle -")), qPrintable(out.last()));
    if (stopRequests == 0) {
        QVERIFY2(run.err.contains(QLatin1String(" went away (")), qPrintable(run.err));
        return;
    }
    QCOMPARE(run.err, QString());
    QTRY_COMPARE(sim.framesReceived().last(), QStringLiteral("55:00:04:ff:01:0e:d1"));  // IDLE
    QCOMPARE(sim.buzzers().size(), summary.startsWith(QLatin1String("summary: 1")) ? 1 : 0);
}

// Ctrl-C while the station waits for the first part: no part was tested, so it never ends as a success.
void CheckStationTest::stationInterruptedBeforeAnyPart() {
    BoardSim sim;
    const QString port = sim.start({"--calib-delay", "0", "--no-event", "DETECT_INSERT", "--device", good});
    QVERIFY(!port.isEmpty());
    Ctl ctl({"--port", port, "station", good});
    QVERIFY(QTest::qWaitFor([&] { return !sim.log(QStringLiteral("recv ")).filter("DETECT_INSERT").isEmpty(); }, 10000));
    ctl.signal(SIGINT);
    const Finished run = ctl.finish();
    QCOMPARE(run.signal, int(SIGINT));
    QVERIFY(lines(run.out).last().startsWith(QLatin1String("summary: 0 parts")));
}

// The board never acknowledges the OK buzzer: the part was judged all the same, so it is printed,
// counted and in the JUnit report, and the run ends with the time-out's code.
void CheckStationTest::aJudgedPartIsKeptWhenItsBuzzerFails() {
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}) + QStringList{"--no-reply", "BUZ_OK"});
    QVERIFY(!port.isEmpty());
    QTemporaryDir dir;
    const QString junit = dir.filePath(QStringLiteral("station.xml"));
    const Finished run = Ctl({"--port", port, "--timeout", "300", "station", good, "--junit", junit}).finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 3);
    QVERIFY2(run.err.contains(QLatin1String("waited 300 ms for the acknowledgement of BUZ_OK")), qPrintable(run.err));
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "part ").size(), 1);
    QVERIFY(out.at(2).startsWith(QLatin1String("part 1  PASS  ")));
    QVERIFY(out.last().startsWith(QLatin1String("summary: 1 part, 1 passed, 0 failed, yield 100.0 %")));
    // The part's suite, and the run's trouble as a suite in error.
    const JUnit j = readJUnit(junit);
    QCOMPARE(j.suites, 2);
    QCOMPARE(j.cases, 9);
}

// The JUnit file of an earlier run stays as it was until this run ends, and is then replaced whole.
void CheckStationTest::junitIsReplacedOnlyAtTheEnd() {
    QTemporaryDir dir;
    const QString junit = dir.filePath(QStringLiteral("station.xml"));
    const QByteArray earlier = "<testsuites name=\"earlier run\"/>\n";
    {
        QFile file(junit);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlier);
    }
    const auto content = [&] {
        QFile file(junit);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    // A run that cannot open its port.
    Finished run = Ctl({"--port", "/nonexistent/rx48p", "station", good, "--junit", junit}).finish();
    QCOMPARE(run.code, 4);
    // Trouble is an error a dashboard sees, never a run of no test that nothing failed.
    QCOMPARE(readJUnit(junit).suites, 1);
    QVERIFY(content().contains("errors=\"1\""));
    QVERIFY(content().contains("/nonexistent/rx48p"));

    // A run that is still waiting for its part has not touched the file.
    QFile file(junit);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(earlier);
    file.close();
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}) + QStringList{"--no-event", "DETECT_INSERT"});
    QVERIFY(!port.isEmpty());
    Ctl ctl({"--port", port, "station", good, "--junit", junit});
    QVERIFY(QTest::qWaitFor([&] { return !sim.log(QStringLiteral("recv ")).filter("DETECT_INSERT").isEmpty(); }, 10000));
    QCOMPARE(content(), earlier);
    ctl.signal(SIGTERM);
    run = ctl.finish();
    QCOMPARE(run.signal, int(SIGTERM));
    QVERIFY(content().startsWith("<?xml"));
}

void CheckStationTest::programForAnotherFirmware() {
    QTemporaryDir dir;
    const QString newer = writtenFile(dir, "newer.device", goodPartWithFirmware("firmware 2.0.0\n"));
    QVERIFY(!newer.isEmpty());
    for (const char* command : {"check", "station"}) {
        BoardSim sim;
        const QString port = sim.start(simParts({"good"}));
        QVERIFY(!port.isEmpty());
        const QString results = dir.filePath(QStringLiteral("%1.sqlite").arg(QLatin1String(command)));
        const Finished run = Ctl({"--port", port, "--results", results, command, newer}).finish();
        QCOMPARE(run.code, 6);
        QVERIFY2(run.err.contains(QLatin1String("the board runs firmware 1.4.2, the part file is for firmware 2.0.0")),
                 qPrintable(run.err));
        QCOMPARE(matching(lines(run.out), "part ").size() + matching(lines(run.out), "PASS").size(), 0);
        QCOMPARE(sim.log(QStringLiteral("recv ")).filter(QStringLiteral("MES_")).size(), 0);
        QCOMPARE(sim.log(QStringLiteral("recv ")).filter(QStringLiteral("DETECT_")).size(), 0);
        QCOMPARE(sqlRows(results, "SELECT (SELECT count(*) FROM parts) + (SELECT count(*) FROM runs)"), QStringList{"0"});
    }
    // Without the line the program is for any firmware.
    const QString anyFirmware = writtenFile(dir, "any.device", goodPartWithFirmware(""));
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}) + QStringList{"--firmware", "9.9.9"});
    QVERIFY(!port.isEmpty());
    const Finished run = Ctl({"--port", port, "--results", dir.filePath(QStringLiteral("any.sqlite")), "check", anyFirmware}).finish();
    QCOMPARE(run.err, QString());
    QCOMPARE(run.code, 0);
    QCOMPARE(sqlRows(dir.filePath(QStringLiteral("any.sqlite")), "SELECT firmware || ' ' || sensitivity FROM runs"), QStringList{"9.9.9 64"});
}

void CheckStationTest::aPartNotOnRecordIsNeverPass() {
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("locked.sqlite"));
    BoardSim sim;
    // Time between the parts to lock the journal in.
    const QString port = sim.start({"--event-delay", "300", "--calib-delay", "0", "--device", good, "--device", good});
    QVERIFY(!port.isEmpty());
    Ctl ctl({"--json", "--port", port, "--results", results, "station", good, "--count", "2"});
    QVERIFY(QTest::qWaitFor([&] { return !sim.log(QStringLiteral("recv ")).filter(QStringLiteral("BUZ_OK")).isEmpty(); }, 10000));
    {
        const SqlConnection holder(results);
        QCOMPARE(holder.rows("BEGIN IMMEDIATE"), QStringList{});
        QCOMPARE(holder.rows("UPDATE runs SET firmware = firmware"), QStringList{});
        // Held past the journal's busy time-out of five seconds, while the second part is judged.
        QVERIFY(QTest::qWaitFor([&] { return !ctl.running(); }, 20000));
        holder.rows("ROLLBACK");
    }
    const Finished run = ctl.finish();
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains(QLatin1String("the part cannot be recorded, the station stops: ")), qPrintable(run.err));
    QVERIFY2(run.err.contains(QLatin1String("locked")), qPrintable(run.err));
    QStringList verdicts;
    QJsonObject summary;
    for (const QString& line : lines(run.out)) {
        const QJsonObject record = QJsonDocument::fromJson(line.toUtf8()).object();
        if (record.value("record") == QLatin1String("part"))
            verdicts << record.value("verdict").toString() + QLatin1Char(' ') +
                            (record.value("recorded").toBool() ? QStringLiteral("recorded") : QStringLiteral("not recorded"));
        if (record.value("record") == QLatin1String("summary"))
            summary = record;
    }
    QCOMPARE(verdicts, (QStringList{"PASS recorded", "NOT RECORDED not recorded"}));
    QCOMPARE(summary.value("passed").toInt(), 1);
    QCOMPARE(summary.value("not_recorded").toInt(), 1);
    QCOMPARE(summary.value("yield_percent").toDouble(), 50.0);
    QCOMPARE(sim.buzzers(), (QStringList{"BUZ_OK", "BUZ_ER"}));
    QCOMPARE(sqlRows(results, "SELECT count(*) FROM parts"), QStringList{"1"});
}

void CheckStationTest::serialsThatEndBeforeAnyPart() {
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    const Finished run = Ctl({"--port", port, "station", good, "--serial", "scan", "--no-record"}, "").finish();
    QCOMPARE(run.code, 2);
    QVERIFY2(run.err.contains(QLatin1String("the serials ended before the first part")), qPrintable(run.err));
    QCOMPARE(lines(run.out).last(), QStringLiteral("summary: 0 parts"));
    // check takes the part's own serial: a station's serial modes are refused, surrounding spaces dropped.
    for (const char* mode : {"scan", "auto:SN"}) {
        const Finished refused = Ctl({"--port", port, "check", good, "--serial", mode, "--no-record"}).finish();
        QCOMPARE(refused.code, 2);
        QVERIFY2(refused.err.contains(QLatin1String("is for the station")), qPrintable(refused.err));
    }
    const Finished spaced = Ctl({"--port", port, "check", good, "--serial", "  SN-9 ", "--no-record"}).finish();
    QCOMPARE(spaced.code, 0);
    QVERIFY2(lines(spaced.out).last().contains(QLatin1String(", serial SN-9, test ")), qPrintable(spaced.out));
}

QTEST_GUILESS_MAIN(CheckStationTest)
#include "tst_check_station.moc"
