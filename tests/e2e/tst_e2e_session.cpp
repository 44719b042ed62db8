// The real main window against rx48p-board-sim over a pseudo-terminal, driven through its widgets.

#include "board_sim_runner.h"
#include "main_window_probe.h"
#include "window_driver.h"

#include "device/endpoints.h"
#include "device/reports.h"
#include "link/hex_text.h"
#include "vexcom/vexcom_packetizer.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QTextBlock>
#include <QTextDocument>
#include <QtTest>

#include <memory>

using namespace tarnwell;
using bytes = std::vector<std::uint8_t>;

namespace {

const QStringList fastBoard{QStringLiteral("--event-delay"), QStringLiteral("40"), QStringLiteral("--calib-delay"),
                            QStringLiteral("40"), QStringLiteral("--device"), QStringLiteral(RX48P_E2E_DEVICE)};

QString sent(const char* hex) {
    return QStringLiteral("blue|=> ") + QLatin1String(hex);
}

// The "<= " line of a whole reply frame as the board builds it.
QString got(std::uint8_t endpoint, const bytes& payload = {}) {
    vex_com::config cfg;
    cfg.header = {0x55};
    const bytes frame = vex_com::packetizer(cfg).packetize(endpoint, 1, payload.data(), payload.size());
    return QStringLiteral("red|<= ") + hexText(frame.data(), frame.size());
}

QStringList red(const QStringList& lines) {
    QStringList out;
    for (const QString& l : lines)
        out.append(QStringLiteral("red|") + l);
    return out;
}

const bytes staticPayload{4, 3, 1, 4, 2, 0x5a, 0xff, 5, 3, 6, 3, 0x7f, 0x80, 7, 4, 8, 4, 0, 0, 9, 0x42, 10, 5, 0x19, 0xe7};
const QStringList staticLines{
    "\tStatic measure received (ON_STATIC_MES)",
    "\t\t3 (Led anode) connected to 4 (Led cathode)",
    "\t\tVdrop(3->4) = 1.800V",
    "\t\tVdrop(4->3) = -0.020V",
    "\t\t5 (Led bidirectionnel) connected to 6 (Led bidirectionnel)",
    "\t\tVdrop(5->6) = 2.540V",
    "\t\tVdrop(6->5) = -2.560V",
    "\t\t7 (Shortcut) connected to 8 (Shortcut)",
    "\t\tVdrop(7->8) = 0.000V",
    "\t\tVdrop(8->7) = 0.000V",
    "\t\t9 () connected to 10 (Common)",
    "\t\tVdrop(9->10) = 0.500V",
    "\t\tVdrop(10->9) = -0.500V",
};
const QStringList pingLines{"\tPing echo received", "\tRX48P board detected", "\tFW version : V2.10.255"};

// A window with the board on the line; the window goes before the board.
struct Session {
    BoardSimRunner sim;
    std::unique_ptr<MainWindow> window;

    bool open(const QStringList& simArgs) {
        const QString path = sim.start(simArgs);
        if (path.isEmpty())
            return false;
        window = std::make_unique<MainWindow>();
        window->show();
        return QTest::qWaitForWindowExposed(window.get()) && e2e::connectTo(*window, path);
    }
    QStringList console() { return e2e::consoleLines(*window); }

    // "click TEXT", "type LABEL VALUE" or "tick PIN,PIN,..."
    bool perform(const QString& action) {
        const QString verb = action.section(QLatin1Char(' '), 0, 0);
        const QString rest = action.section(QLatin1Char(' '), 1);
        UI_ButtonCmd& panel = MainWindowProbe::commandPanel(*window);
        if (verb == QLatin1String("click"))
            return e2e::click(panel, rest);
        if (verb == QLatin1String("type")) {
            QSpinBox* box = e2e::spinBoxBeside(panel, rest.section(QLatin1Char(' '), 0, 0));
            if (box)
                e2e::typeInto(*box, rest.section(QLatin1Char(' '), 1));
            return box != nullptr;
        }
        std::vector<int> pins;
        for (const QString& pin : rest.split(QLatin1Char(',')))
            pins.push_back(pin.toInt());
        e2e::tickPins(*window, pins);
        return verb == QLatin1String("tick");
    }

    // Clicks, waits for the command to go out, then until every byte the board sent has been shown and
    // nothing more has come for a while.
    bool clickAndSettle(const QString& action) {
        const int before = e2e::linesIn(console(), QStringLiteral("blue"), false).size();
        if (!perform(action))
            return false;
        if (!action.startsWith(QLatin1String("click")))
            return true;
        if (!QTest::qWaitFor([&] { return e2e::linesIn(console(), QStringLiteral("blue"), false).size() > before; }))
            return false;
        QStringList last;
        QElapsedTimer quiet, total;
        total.start();
        while (total.elapsed() < 5000) {
            const QStringList now = console();
            if (now != last || e2e::receivedBytes(now) != sim.sentBytes()) {
                last = now;
                quiet.start();
            } else if (quiet.elapsed() >= 250) {
                return true;
            }
            QTest::qWait(20);
        }
        return false;
    }
};

}  // namespace

class E2ESession : public QObject {
    Q_OBJECT
private slots:
    void everyCommand_data();
    void everyCommand();
    void faults_data();
    void faults();
    void connectDisconnectCycles();
    void closingTheWindowMidReply();
};

void E2ESession::everyCommand_data() {
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("console");
    QTest::addColumn<QString>("boardLog");

    QTest::newRow("ping") << QStringList{"click Ping (ID)"}
                          << QStringList{sent("55:00:09:00:52:58:34:38:50:01:89:87"),
                                         got(ID, {'R', 'X', '4', '8', 'P', 2, 10, 255})} + red(pingLines)
                          << "ID ping \"RX48P\"";
    QTest::newRow("config as started") << QStringList{"click Send config (CFG)"}
                                       << QStringList{sent("55:00:06:01:40:64:01:38:16"), got(CFG),
                                                      "red|\tACK config received", got(ON_CALIB_DONE),
                                                      "red|\tCalibration done (ON_CALIB_DONE)"}
                                       << "CFG sensitivity 64, buzzer 100";
    QTest::newRow("config at the range ends")
        << QStringList{"type Sensitivity: 128", "type Buzzer: 0", "click Send config (CFG)"}
        << QStringList{sent("55:00:06:01:80:00:01:d9:0f"), got(CFG), "red|\tACK config received", got(ON_CALIB_DONE),
                       "red|\tCalibration done (ON_CALIB_DONE)"}
        << "CFG sensitivity 128, buzzer 0";
    // The boxes refuse the third digit of a value beyond their range.
    QTest::newRow("config typed past the range")
        << QStringList{"type Sensitivity: 999", "type Buzzer: 101", "click Send config (CFG)"}
        << QStringList{sent("55:00:06:01:63:0a:01:cf:a5"), got(CFG), "red|\tACK config received", got(ON_CALIB_DONE),
                       "red|\tCalibration done (ON_CALIB_DONE)"}
        << "CFG sensitivity 99, buzzer 10";
    QTest::newRow("insertion") << QStringList{"click Start insertion detection (DETECT_INSERT)"}
                               << QStringList{sent("55:00:04:02:01:6b:4c"), got(DETECT_INSERT), "red|\tACK DETECT_INSERT",
                                              got(ON_INSERT), "red|\tInsertion detected (ON_INSERT)"}
                               << "DETECT_INSERT";
    QTest::newRow("removal") << QStringList{"click Start remove detection (DETECT_REMOVE)"}
                             << QStringList{sent("55:00:04:0a:01:e2:e5"), got(DETECT_REMOVE), "red|\tACK DETECT_REMOVE",
                                            got(ON_REMOVE), "red|\tRemove detected (ON_REMOVE)"}
                             << "DETECT_REMOVE";
    QTest::newRow("static measure") << QStringList{"click Do static measure (MES_STATIC)"}
                                    << QStringList{sent("55:00:04:04:01:c1:ea"), got(MES_STATIC), "red|\tACK MES_STATIC",
                                                   got(ON_STATIC_MES, staticPayload)} + red(staticLines)
                                    << "MES_STATIC";
    QTest::newRow("button measure")
        << QStringList{"click Start button measure (MES_BUTTON_MECH)"}
        << QStringList{sent("55:00:04:06:01:a7:88"), got(MES_BUTTON_MECH), "red|\tACK MES_BUTTON_MECH",
                       got(ON_BUTTON_MECH, {2, 12, 0x11, 14, 5, 0, 0, 13, 0x10, 14, 5, 0, 0})} +
               red({"\tButton measure received (ON_BUTTON_MECH)", "\t\t12 (Button ON) connected to 14 (Common)",
                    "\t\tVdrop(12->14) = 0.000V", "\t\tVdrop(14->12) = 0.000V",
                    "\t\t13 (Button OFF) connected to 14 (Common)", "\t\tVdrop(13->14) = 0.000V",
                    "\t\tVdrop(14->13) = 0.000V"})
        << "MES_BUTTON_MECH";
    QTest::newRow("capacitive, pins ticked out of order")
        << QStringList{"tick 24,0,3", "click Start capacitiv measure (MES_BUTTON_CAP)"}
        << QStringList{sent("55:00:07:08:00:03:18:01:d0:8a"), got(MES_BUTTON_CAP), "red|\tACK MES_BUTTON_CAP",
                       got(ON_BUTTON_CAP, {3, 0, 0x21, 3, 0x20, 24, 0})} +
               red({"\tCapacitive measure received (ON_BUTTON_CAP)", "\t\t0 (Touch ON)", "\t\t3 (Touch OFF)",
                    "\t\t24 (not connected)"})
        << "MES_BUTTON_CAP pins 0, 3, 24";
    QTest::newRow("capacitive, no pin ticked")
        << QStringList{"click Start capacitiv measure (MES_BUTTON_CAP)"}
        << QStringList{sent("55:00:04:08:01:84:87"), got(MES_BUTTON_CAP), "red|\tACK MES_BUTTON_CAP",
                       got(ON_BUTTON_CAP, {0}), "red|\tCapacitive measure received (ON_BUTTON_CAP)", "red|"}
        << "MES_BUTTON_CAP no pins";
    QTest::newRow("error buzzer") << QStringList{"click Buzzer error (BUZ_ER)"}
                                  << QStringList{sent("55:00:04:0d:01:7b:72"), got(BUZ_ER), "red|\tACK BUZ_ER"}
                                  << "BUZ_ER";
    QTest::newRow("OK buzzer") << QStringList{"click Buzzer OK (BUZ_OK)"}
                               << QStringList{sent("55:00:04:0e:01:2e:21"), got(BUZ_OK), "red|\tACK BUZ_OK"}
                               << "BUZ_OK";
    QTest::newRow("stop") << QStringList{"click Stop (IDLE)"}
                          << QStringList{sent("55:00:04:ff:01:0e:d1"), got(IDLE), "red|\tACK IDLE"} << "IDLE";
}

void E2ESession::everyCommand() {
    QFETCH(QStringList, actions);
    QFETCH(QStringList, console);
    QFETCH(QString, boardLog);

    Session s;
    QVERIFY(s.open(fastBoard));
    for (const QString& action : actions)
        QVERIFY2(s.perform(action), qPrintable(action));
    QTRY_COMPARE_WITH_TIMEOUT(s.console(), console, 3000);
    QTest::qWait(150);  // nothing more comes
    QCOMPARE(s.console(), console);
    QCOMPARE(s.sim.receivedFrames(), QStringList{console.first().mid(8)});
    QCOMPARE(s.sim.receivedCommands(), QStringList{boardLog});
}

void E2ESession::faults_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("reports");

    const QString ping = QStringLiteral("click Ping (ID)");
    const QString config = QStringLiteral("click Send config (CFG)");
    const QString measure = QStringLiteral("click Do static measure (MES_STATIC)");
    const QString capacitive = QStringLiteral("click Start capacitiv measure (MES_BUTTON_CAP)");
    const QString buzzOk = QStringLiteral("click Buzzer OK (BUZ_OK)");
    const QString ack = QStringLiteral("\tACK MES_STATIC");

    QTest::newRow("replies in chunks of 3 bytes")
        << QStringList{"--chunk", "3", "--chunk-pause", "5"} << QStringList{ping, measure}
        << pingLines + QStringList{ack} + staticLines;
    QTest::newRow("noise between frames") << QStringList{"--noise", "5"} << QStringList{ping, measure}
                                          << pingLines + QStringList{ack} + staticLines;
    // Frames 2, 4 and 6 are spoiled: the CFG and MES_STATIC acknowledgements and the BUZ_OK one.
    QTest::newRow("every second CRC bad")
        << QStringList{"--bad-crc", "50"} << QStringList{ping, config, measure, buzzOk}
        << pingLines + QStringList{"\tCalibration done (ON_CALIB_DONE)"} + staticLines;
    const QString stray = unknownEndpointIncident(0x42);
    QTest::newRow("stray frame before every reply")
        << QStringList{"--stray", "0x42"} << QStringList{buzzOk, measure}
        << QStringList{stray, "\tACK BUZ_OK", stray, ack, stray} + staticLines;
    QTest::newRow("measure payloads cut short")
        << QStringList{"--truncate", "1"} << QStringList{ping, measure, capacitive}
        << QStringList{shortPayloadIncident(ID), ack, shortPayloadIncident(ON_STATIC_MES), "\tACK MES_BUTTON_CAP",
                       shortPayloadIncident(ON_BUTTON_CAP)};
    QTest::newRow("a command never answered")
        << QStringList{"--no-reply", "MES_STATIC"} << QStringList{measure, ping} << pingLines;
    QTest::newRow("an event that never comes")
        << QStringList{"--no-event", "MES_BUTTON_CAP"} << QStringList{capacitive, buzzOk}
        << QStringList{"\tACK MES_BUTTON_CAP", "\tACK BUZ_OK"};
}

void E2ESession::faults() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, reports);

    Session s;
    QVERIFY(s.open(fastBoard + simArgs));
    for (const QString& action : actions)
        QVERIFY2(s.clickAndSettle(action), qPrintable(action));

    const QStringList lines = s.console();
    QCOMPARE(e2e::linesIn(lines, QStringLiteral("red"), true), reports);
    // Every line is a blue sent frame or red; every frame reached the board, every byte the window.
    QCOMPARE(e2e::linesIn(lines, QStringLiteral("red"), false).size() + e2e::linesIn(lines, QStringLiteral("blue"), false).size(),
             lines.size());
    QStringList sentFrames = e2e::linesIn(lines, QStringLiteral("blue"), false);
    sentFrames.replaceInStrings(QStringLiteral("=> "), QString());
    QCOMPARE(s.sim.receivedFrames(), sentFrames);
    QCOMPARE(e2e::receivedBytes(lines), s.sim.sentBytes());
    QVERIFY(s.window->isVisible());
}

void E2ESession::connectDisconnectCycles() {
    BoardSimRunner sim;
    const QString path = sim.start(fastBoard);
    QVERIFY(!path.isEmpty());
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    UI_ButtonCmd& panel = MainWindowProbe::commandPanel(w);
    const auto reports = [&] { return e2e::linesIn(e2e::consoleLines(w), QStringLiteral("red"), true); };

    for (int cycle = 1; cycle <= 3; ++cycle) {
        QVERIFY(e2e::connectTo(w, path));
        // The lines of earlier connections stay until Clear.
        QCOMPARE(reports().size(), 3 * (cycle - 1));
        QVERIFY(e2e::click(panel, QStringLiteral("Ping (ID)")));
        QTRY_COMPARE(reports().size(), 3 * cycle);
        QCOMPARE(reports().mid(3 * (cycle - 1)), pingLines);
        QVERIFY(e2e::disconnectWithButton(w));
        // A click on the disabled panel sends nothing, not even once the line is open again.
        QTest::mouseClick(e2e::buttonByText(panel, QStringLiteral("Stop (IDLE)")), Qt::LeftButton);
        QTRY_COMPARE(sim.log().filter(QStringLiteral("terminal closed the line")).size(), cycle);
    }
    QCOMPARE(sim.log().filter(QStringLiteral("terminal opened the line")).size(), 3);
    const QString ping = QStringLiteral("55:00:09:00:52:58:34:38:50:01:89:87");
    QCOMPARE(sim.receivedFrames(), (QStringList{ping, ping, ping}));

    QVERIFY(e2e::connectTo(w, path));
    QVERIFY(e2e::click(w, QStringLiteral("Clear")));
    QCOMPARE(e2e::consoleLines(w), QStringList());
    QVERIFY(e2e::click(panel, QStringLiteral("Buzzer OK (BUZ_OK)")));
    QTRY_COMPARE(e2e::consoleLines(w),
                 (QStringList{sent("55:00:04:0e:01:2e:21"), got(BUZ_OK), QStringLiteral("red|\tACK BUZ_OK")}));
    const QTextBlock last = MainWindowProbe::console(w).document()->lastBlock();
    QCOMPARE(last.begin().fragment().charFormat().font().family(), QStringLiteral("Courier New"));
    QCOMPARE(sim.receivedFrames().size(), 4);
}

// In a process of its own, so that a crash or a hang at exit shows as such.
void E2ESession::closingTheWindowMidReply() {
    BoardSimRunner sim;
    const QString path = sim.start(fastBoard + QStringList{"--chunk", "1", "--chunk-pause", "20"});
    QVERIFY(!path.isEmpty());
    QProcess app;
    app.start(QStringLiteral(RX48P_E2E_CLOSE_MID_REPLY), {path});
    QVERIFY(app.waitForFinished(20000));
    const QString out = QString::fromUtf8(app.readAllStandardOutput());
    const QString err = QString::fromUtf8(app.readAllStandardError());
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QVERIFY2(app.exitCode() == 0, qPrintable(out + err));
    QVERIFY2(out.startsWith(QLatin1String("closed mid-reply")), qPrintable(out));
    for (const char* trouble : {"terminate", "QThread", "QObject", "ASSERT", "Sanitizer"})
        QVERIFY2(!err.contains(QLatin1String(trouble)), qPrintable(err));
    // The board still had bytes of the measure to send when the window went.
    QTRY_COMPARE(sim.log().filter(QStringLiteral("terminal closed the line; dropped")).size(), 1);
    QCOMPARE(sim.stop(), 0);
}

QTEST_MAIN(E2ESession)
#include "tst_e2e_session.moc"
