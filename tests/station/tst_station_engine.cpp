// The station engine and its board client in-process, against rx48p-board-sim over its pseudo-terminal:
// the order of a run's steps, and how each kind of trouble, stop and abort ends it.

#include "board_sim.h"
#include "test_parts.h"

#include "station/board_client.h"
#include "station/measure_plan.h"
#include "station/part_file_reader.h"
#include "station/station_engine.h"

#include <QLoggingCategory>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using station::board_client;
using station::station_engine;
using end_reason = station_engine::end_reason;

namespace {

using test_support::partFile;

QString hex(const std::vector<std::uint8_t>& bytes) {
    QStringList out;
    for (std::uint8_t b : bytes)
        out << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return out.join(QLatin1Char(':'));
}

// What an engine did, as one line per signal, and how its run ended.
struct Trace : QObject {
    explicit Trace(station_engine& e) {
        connect(&e, &station_engine::boardIdentified, this,
                [this](const tarnwell::firmware& fw) { steps << QStringLiteral("board %1.%2.%3").arg(fw.major).arg(fw.minor).arg(fw.patch); });
        connect(&e, &station_engine::configured, this,
                [this](int s, int b) { steps << QStringLiteral("configured %1 %2").arg(s).arg(b); });
        connect(&e, &station_engine::waitingForPart, this, [this](long n) { steps << QStringLiteral("waiting %1").arg(n); });
        connect(&e, &station_engine::partInserted, this, [this](long n) { steps << QStringLiteral("inserted %1").arg(n); });
        connect(&e, &station_engine::partJudged, this, [this](const station::part_result& p) {
            steps << QStringLiteral("judged %1 %2").arg(p.number).arg(p.passed ? "PASS" : "FAIL");
        });
        connect(&e, &station_engine::buzzerSounded, this, [this](bool ok) { steps << (ok ? "buzzer OK" : "buzzer error"); });
        connect(&e, &station_engine::partRemoved, this, [this](long n) { steps << QStringLiteral("removed %1").arg(n); });
        connect(&e, &station_engine::partCompleted, this, [this](const station::part_result& p) {
            steps << QStringLiteral("completed %1 %2%3").arg(p.number).arg(p.passed ? "PASS" : "FAIL", p.cycleSeconds ? "" : " not removed");
            completed.push_back(p);
        });
        connect(&e, &station_engine::trouble, this, [this](station::trouble_kind kind, const QString& message) {
            troubles << kind;
            steps << QStringLiteral("trouble: ") + message;
        });
        connect(&e, &station_engine::finished, this, [this](end_reason why) {
            reason = why;
            ++finishes;
        });
    }
    QStringList steps;
    std::vector<station::part_result> completed;
    QList<station::trouble_kind> troubles;
    end_reason reason = end_reason::completed;
    int finishes = 0;
};

// A board simulator and a station on it.
struct Bench {
    Bench(const QStringList& simArgs, const QString& expected, long count, int timeoutMs = 3000) {
        port = sim.start(QStringList{"--event-delay", "0", "--calib-delay", "0"} + simArgs);
        station::station_settings s;
        s.port = port;
        s.expected = station::readPartFile(expected);
        s.plan = station::measurePlan(*s.expected);
        s.count = count;
        s.timeoutMs = timeoutMs;
        engine = std::make_unique<station_engine>(client, s);
        trace = std::make_unique<Trace>(*engine);
    }
    bool waitForFinish(int ms = 10000) { return QTest::qWaitFor([&] { return trace->finishes > 0; }, ms); }
    // The last frame the board read, by its log's decoding ("IDLE", "MES_STATIC", ...).
    QString lastCommand() { return sim.commandsReceived().last(); }

    test_support::BoardSim sim;
    QString port;
    board_client client;
    std::unique_ptr<station_engine> engine;
    std::unique_ptr<Trace> trace;
};

}  // namespace

class StationEngineTest : public QObject {
    Q_OBJECT
private slots:
    // The engine must not depend on what the link writes to the debug channel.
    void initTestCase() { QLoggingCategory::setFilterRules(QStringLiteral("*.debug=false")); }

    void aRunGoesThroughEveryStepInOrder();
    // A part that was judged is completed once, whatever then goes wrong.
    void aJudgedPartSurvivesTrouble_data();
    void aJudgedPartSurvivesTrouble();
    void stopAndAbort_data();
    void stopAndAbort();
    void openFailures_data();
    void openFailures();
    // The client's records of frames are the bytes that crossed the line, both ways.
    void framesAreTheBytesOnTheLine();
    void aRequestTimesOutOnceAndTheNextOneWorks();
    // A board whose UART writes one byte at a time: a 602-byte reply in as many pieces.
    void aLongReplyByteByByteIsAnsweredOnce();
};

void StationEngineTest::aRunGoesThroughEveryStepInOrder() {
    Bench b({"--device", partFile("good"), "--device", partFile("missing-pair")}, partFile("good"), 2);
    QVERIFY(!b.port.isEmpty());
    b.engine->start();
    QVERIFY(b.waitForFinish());
    QCOMPARE(b.trace->steps, (QStringList{"board 1.4.2", "configured 64 100",
                                          "waiting 1", "inserted 1", "judged 1 PASS", "buzzer OK", "removed 1", "completed 1 PASS",
                                          "waiting 2", "inserted 2", "judged 2 FAIL", "buzzer error", "removed 2", "completed 2 FAIL"}));
    QCOMPARE(b.trace->reason, end_reason::completed);
    QCOMPARE(b.trace->finishes, 1);
    QCOMPARE(b.engine->tally().parts(), 2L);
    QCOMPARE(b.engine->tally().passed(), 1L);
    const station::part_result& second = b.trace->completed.at(1);
    QCOMPARE(station::firstReasons(second.comparisons, 3), QStringList{"pair 5-6: missing (open)"});
    QVERIFY(second.measured.pairs && second.measured.buttons && second.measured.pads);
    QVERIFY(second.started.isValid() && second.started.timeSpec() == Qt::UTC && second.ended >= second.started);
    QTRY_COMPARE(b.lastCommand(), QStringLiteral("IDLE"));
}

void StationEngineTest::aJudgedPartSurvivesTrouble_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("killWhenSeen");  // the board goes away once it has read this command; empty: never
    QTest::addColumn<QString>("trouble");
    QTest::addColumn<QString>("last");  // the last step before the trouble
    QTest::newRow("no acknowledgement of the buzzer") << QStringList{"--no-reply", "BUZ_OK"} << ""
                                                      << "trouble: waited 300 ms for the acknowledgement of BUZ_OK"
                                                      << "judged 1 PASS";
    QTest::newRow("board gone while the part is removed") << QStringList{"--no-event", "DETECT_REMOVE"} << "DETECT_REMOVE"
                                                          << " went away (" << "buzzer OK";
}

void StationEngineTest::aJudgedPartSurvivesTrouble() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, killWhenSeen);
    QFETCH(QString, trouble);
    QFETCH(QString, last);
    Bench b(QStringList{"--device", partFile("good")} + simArgs, partFile("good"), 0, 300);
    QVERIFY(!b.port.isEmpty());
    b.engine->start();
    if (!killWhenSeen.isEmpty()) {
        QVERIFY(b.sim.waitForReceived(killWhenSeen, 1, 10000));
        QTest::qWait(100);
        b.sim.stop();
    }
    QVERIFY(b.waitForFinish());
    const QStringList& steps = b.trace->steps;
    QVERIFY2(steps.size() >= 3, qPrintable(steps.join(" | ")));
    QCOMPARE(steps.at(steps.size() - 3), last);
    QCOMPARE(steps.at(steps.size() - 2), QStringLiteral("completed 1 PASS not removed"));
    QVERIFY2(steps.last().startsWith(QLatin1String("trouble: ")) && steps.last().contains(trouble), qPrintable(steps.last()));
    QCOMPARE(b.trace->reason, end_reason::trouble);
    QCOMPARE(b.engine->tally().parts(), 1L);
    QCOMPARE(b.trace->completed.size(), std::size_t{1});
}

void StationEngineTest::stopAndAbort_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QString>("when");  // the command the board must have read first
    QTest::addColumn<bool>("abort");
    QTest::addColumn<QString>("ending");  // the steps from the last "waiting 1" on
    QTest::addColumn<int>("reason");
    const QStringList noPart{"--no-event", "DETECT_INSERT"};
    const QStringList slowMeasure{"--event-delay", "300"};
    QTest::newRow("stop while waiting for a part") << noPart << "DETECT_INSERT" << false << "waiting 1"
                                                   << int(end_reason::stopped);
    QTest::newRow("abort while waiting for a part") << noPart << "DETECT_INSERT" << true << "waiting 1"
                                                    << int(end_reason::aborted);
    QTest::newRow("stop with a part in hand: it is finished")
        << slowMeasure << "MES_STATIC" << false
        << "waiting 1 | inserted 1 | judged 1 PASS | buzzer OK | completed 1 PASS not removed" << int(end_reason::stopped);
    QTest::newRow("abort with a part in hand: it is abandoned") << slowMeasure << "MES_STATIC" << true
                                                                << "waiting 1 | inserted 1" << int(end_reason::aborted);
}

void StationEngineTest::stopAndAbort() {
    QFETCH(QStringList, simArgs);
    QFETCH(QString, when);
    QFETCH(bool, abort);
    QFETCH(QString, ending);
    QFETCH(int, reason);
    // The simulator takes the last of a repeated option, so a slow measure overrides the quick default.
    Bench b(QStringList{"--device", partFile("good")} + simArgs, partFile("good"), 0);
    QVERIFY(!b.port.isEmpty());
    b.engine->start();
    QVERIFY(b.sim.waitForReceived(when, 1, 10000));
    QTest::qWait(50);
    if (abort)
        b.engine->abort();
    else
        b.engine->stop();
    QVERIFY(b.waitForFinish());
    const QStringList& steps = b.trace->steps;
    QCOMPARE(steps.mid(steps.indexOf(QStringLiteral("waiting 1"))).join(QStringLiteral(" | ")), ending);
    QCOMPARE(int(b.trace->reason), reason);
    QCOMPARE(b.trace->finishes, 1);
    QTRY_COMPARE(b.lastCommand(), QStringLiteral("IDLE"));
}

void StationEngineTest::openFailures_data() {
    QTest::addColumn<QString>("port");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("a path that does not exist") << "/nonexistent/rx48p" << int(station::trouble_kind::open_failed)
                                                << "cannot open /nonexistent/rx48p: No such file or directory";
    QTest::newRow("a name the system does not list") << "rx48p-none" << int(station::trouble_kind::no_such_port)
                                                     << "no serial port named 'rx48p-none'";
}

void StationEngineTest::openFailures() {
    QFETCH(QString, port);
    QFETCH(int, kind);
    QFETCH(QString, message);
    board_client client;
    station::station_settings s;
    s.port = port;
    s.expected = station::readPartFile(partFile("good"));
    s.plan = station::measurePlan(*s.expected);
    station_engine engine(client, s);
    Trace trace(engine);
    engine.start();
    QTRY_COMPARE(trace.finishes, 1);
    QCOMPARE(trace.steps, QStringList{QStringLiteral("trouble: ") + message});
    QCOMPARE(trace.troubles, QList<station::trouble_kind>{station::trouble_kind(kind)});
    QCOMPARE(trace.reason, end_reason::trouble);
}

void StationEngineTest::framesAreTheBytesOnTheLine() {
    test_support::BoardSim sim;
    // Noise before every reply and replies in pieces: a frame's bytes are only those between its header
    // and its CRC, wherever the chunks ended.
    const QString port = sim.start({"--event-delay", "0", "--noise", "4", "--chunk", "3", "--chunk-pause", "2"});
    QVERIFY(!port.isEmpty());
    board_client client;
    QStringList received, sent, answered;
    connect(&client, &board_client::frameReceived, this, [&](const station::received_frame& f) { received << hex(f.bytes); });
    connect(&client, &board_client::frameSent, this, [&](const station::sent_frame& f) { sent << hex(f.bytes); });
    connect(&client, &board_client::answered, this, [&](tarnwell::endpoints, const std::vector<std::uint8_t>& payload) {
        answered << hex(payload);
    });
    connect(&client, &board_client::opened, this, [&] {
        client.request(tarnwell::MES_STATIC, {}, 3000, 3000);
    });
    client.open(port, 3000);
    QTRY_COMPARE(answered.size(), 1);
    client.request(tarnwell::MES_BUTTON_CAP, {0, 3}, 3000, 3000);
    QTRY_COMPARE(answered.size(), 2);
    client.close();
    QTRY_COMPARE(sim.log(QStringLiteral("terminal closed the line")).size(), 1);
    QCOMPARE(sent, sim.framesReceived());
    QCOMPARE(sent.first(), QStringLiteral("55:00:04:04:01:c1:ea"));
    QStringList frames;  // what the board wrote, less the noise before each frame
    for (const QString& line : sim.log(QStringLiteral("send ")))
        if (!line.endsWith(QLatin1String("  noise")))
            frames << line.section(QLatin1Char(' '), 0, 0);
    QCOMPARE(sim.log(QStringLiteral("send ")).size(), 8);
    QCOMPARE(received, frames);
    QCOMPARE(received.size(), 4);
    // A measure's answer is its event's payload, framed on endpoint 0x05 with acknowledge 1.
    QVERIFY2(received.at(1).contains(QStringLiteral(":05:") + answered.at(0) + QStringLiteral(":01:")),
             qPrintable(received.at(1) + " / " + answered.at(0)));
}

void StationEngineTest::aRequestTimesOutOnceAndTheNextOneWorks() {
    test_support::BoardSim sim;
    const QString port = sim.start({"--event-delay", "0", "--no-reply", "MES_STATIC"});
    QVERIFY(!port.isEmpty());
    board_client client;
    QStringList events;
    connect(&client, &board_client::trouble, this, [&](station::trouble_kind, const QString& m) { events << m; });
    connect(&client, &board_client::answered, this, [&](tarnwell::endpoints c, const std::vector<std::uint8_t>&) {
        events << QStringLiteral("answered %1").arg(int(c));
    });
    bool open = false;
    connect(&client, &board_client::opened, this, [&] { open = true; });
    client.open(port, 3000);
    QTRY_VERIFY(open);
    client.request(tarnwell::MES_STATIC, {}, 200, 200);
    QTRY_COMPARE(events, QStringList{"waited 200 ms for the acknowledgement of MES_STATIC"});
    QVERIFY(!client.busy());
    client.request(tarnwell::ID, tarnwell::pingPayload(), 3000, 3000);
    QTRY_COMPARE(events.size(), 2);
    QCOMPARE(events.last(), QStringLiteral("answered 0"));
    QTest::qWait(300);  // no second time-out for the first request
    QCOMPARE(events.size(), 2);
}

void StationEngineTest::aLongReplyByteByByteIsAnsweredOnce() {
    QTemporaryDir dir;
    const QString device = dir.filePath(QStringLiteral("many-pairs.device"));
    {
        QFile file(device);
        QVERIFY(file.open(QIODevice::WriteOnly));
        // 99 pairs among pins 0 to 127, each pair once: pin i with the pins after it.
        int written = 0;
        for (int a = 0; a < 128 && written < 99; ++a)
            for (int b = a + 1; b < 128 && written < 99; b += 37, ++written)
                file.write(QStringLiteral("pair %1 anode %2 cathode 1.80 -0.02\n").arg(a).arg(b).toUtf8());
    }
    test_support::BoardSim sim;
    const QString port = sim.start({"--pace", "9600", "--event-delay", "0", "--device", device});
    QVERIFY(!port.isEmpty());
    board_client client;
    int chunks = 0, measures = 0, answers = 0;
    std::vector<std::uint8_t> answer;
    connect(&client, &board_client::chunkReceived, this, [&] { ++chunks; });
    connect(&client, &board_client::frameReceived, this, [&](const station::received_frame& f) {
        measures += f.endpoint == tarnwell::ON_STATIC_MES ? 1 : 0;
    });
    connect(&client, &board_client::answered, this, [&](tarnwell::endpoints, const std::vector<std::uint8_t>& payload) {
        ++answers;
        answer = payload;
    });
    QStringList troubles;
    connect(&client, &board_client::trouble, this, [&](station::trouble_kind, const QString& m) { troubles << m; });
    connect(&client, &board_client::opened, this, [&] { client.request(tarnwell::MES_STATIC, {}, 3000, 3000); });
    client.open(port, 3000);
    QTRY_COMPARE_WITH_TIMEOUT(answers, 1, 5000);
    QCOMPARE(troubles, QStringList{});
    QCOMPARE(measures, 1);
    QCOMPARE(answer.size(), std::size_t{1 + 6 * 99});
    QCOMPARE(tarnwell::decodePinPairs(tarnwell::ON_STATIC_MES, answer).size(), std::size_t{99});
    QVERIFY2(chunks > 300, qPrintable(QString::number(chunks) + " chunks"));  // the reply came in pieces
    QTest::qWait(100);
    QCOMPARE(answers, 1);
}

QTEST_GUILESS_MAIN(StationEngineTest)
#include "tst_station_engine.moc"
