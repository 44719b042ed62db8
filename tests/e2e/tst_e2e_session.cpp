// The real main window against rx48p-board-sim over a pseudo-terminal, driven through its widgets.

#include "e2e_support.h"
#include "program_run.h"
#include "main_window_probe.h"

#include "device/endpoints.h"
#include "device/protocol_config.h"
#include "device/reports.h"
#include "link/connect_button.h"
#include "link/hex_text.h"
#include "vexcom/vexcom_packetizer.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTextBlock>
#include <QtTest>

#include <memory>

using namespace tarnwell;
using e2e::Bytes;

namespace {

const QStringList fastBoard{"--event-delay", "40", "--calib-delay", "40", "--device", RX48P_E2E_DEVICE};

QStringList red(QStringList lines) { return lines.replaceInStrings(QRegularExpression("^"), "red|"); }

// The "<= " line of a whole reply frame as the board builds it, then the report lines.
QStringList reply(std::uint8_t endpoint, const Bytes& payload, const QStringList& report) {
    const Bytes frame = vex_com::packetizer(tarnwell::protocolConfig()).packetize(endpoint, 1, payload.data(), payload.size());
    return QStringList{"red|<= " + hexText(frame.data(), frame.size())} + red(report);
}

// The red lines that are not raw bytes: the reports and incidents.
QStringList reports(const QStringList& lines) {
    return lines.filter(QRegularExpression("^red\\|(?!<= )")).replaceInStrings(QRegularExpression("^red\\|"), "");
}

int sentCount(const QStringList& lines) { return lines.filter(QRegularExpression("^blue\\|")).size(); }

const Bytes staticPayload{4, 3, 1, 4, 2, 0x5a, 0xff, 5, 3, 6, 3, 0x7f, 0x80, 7, 4, 8, 4, 0, 0, 9, 0x42, 10, 5, 0x19, 0xe7};
const QStringList staticLines{
    "\tStatic measure received (ON_STATIC_MES)",
    "\t\t3 (Led anode) connected to 4 (Led cathode)", "\t\tVdrop(3->4) = 1.800V", "\t\tVdrop(4->3) = -0.020V",
    "\t\t5 (Led bidirectionnel) connected to 6 (Led bidirectionnel)", "\t\tVdrop(5->6) = 2.540V", "\t\tVdrop(6->5) = -2.560V",
    "\t\t7 (Shortcut) connected to 8 (Shortcut)", "\t\tVdrop(7->8) = 0.000V", "\t\tVdrop(8->7) = 0.000V",
    "\t\t9 () connected to 10 (Common)", "\t\tVdrop(9->10) = 0.500V", "\t\tVdrop(10->9) = -0.500V"};
const QStringList pingLines{"\tPing echo received", "\tRX48P board detected", "\tFW version : V2.10.255"};

// A window with the board on the line; the window goes before the board.
struct Session {
    e2e::BoardSim sim;
    QString path;
    std::unique_ptr<MainWindow> window;

    bool open(const QStringList& simArgs) {
        path = sim.start(simArgs);
        window = std::make_unique<MainWindow>();
        window->show();
        return !path.isEmpty() && QTest::qWaitForWindowExposed(window.get()) && e2e::connectTo(*window, path);
    }
    QStringList console() { return e2e::consoleLines(*window); }

    // "click BUTTON", "type LABEL VALUE" or "tick PIN,PIN,...". A click waits for its command to go out,
    // then until every byte the board sent is shown and nothing more has come for a while.
    bool play(const QStringList& actions) {
        UI_ButtonCmd& panel = MainWindowProbe::commandPanel(*window);
        for (const QString& action : actions) {
            const QString verb = action.section(' ', 0, 0), rest = action.section(' ', 1);
            if (verb == "tick") {
                QAbstractItemModel* pins = panel.findChild<QComboBox*>()->model();
                for (const QString& pin : rest.split(','))
                    pins->setData(pins->index(pin.toInt(), 0), Qt::Checked, Qt::CheckStateRole);
                continue;
            }
            if (verb == "type") {  // the sensitivity box comes first
                QSpinBox* box = panel.findChildren<QSpinBox*>().at(rest.startsWith("Buzzer:"));
                box->setFocus();
                box->selectAll();
                QTest::keyClicks(box, rest.section(' ', 1));
                QTest::keyClick(box, Qt::Key_Enter);
                continue;
            }
            const int before = sentCount(console());
            if (!e2e::click(panel, rest) || !QTest::qWaitFor([&] { return sentCount(console()) > before; }))
                return false;
            QStringList last;
            QElapsedTimer quiet, total;
            total.start();
            while (last.isEmpty() || quiet.elapsed() < 250) {
                if (total.elapsed() > 5000)
                    return false;
                const QStringList now = console();
                if (now != last || e2e::receivedBytes(now) != sim.sentBytes()) {
                    last = now;
                    quiet.start();
                }
                QTest::qWait(20);
            }
        }
        return true;
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
    QTest::addColumn<QString>("frame");     // as the console shows it and the board logs it
    QTest::addColumn<QStringList>("replies");
    QTest::addColumn<QString>("boardLog");  // how the board read the frame
    const auto ack = [](std::uint8_t endpoint, const char* text) { return reply(endpoint, {}, {text}); };
    const QStringList configured = ack(CFG, "\tACK config received") + ack(ON_CALIB_DONE, "\tCalibration done (ON_CALIB_DONE)");
    const QString cap = "click Start capacitiv measure (MES_BUTTON_CAP)";

    QTest::newRow("config at the range ends")
        << QStringList{"type Sensitivity: 128", "type Buzzer: 0", "click Send config (CFG)"}
        << "55:00:06:01:80:00:01:d9:0f" << configured << "CFG sensitivity 128, buzzer 0";
    QTest::newRow("static measure") << QStringList{"click Do static measure (MES_STATIC)"} << "55:00:04:04:01:c1:ea"
                                    << ack(MES_STATIC, "\tACK MES_STATIC") + reply(ON_STATIC_MES, staticPayload, staticLines)
                                    << "MES_STATIC";
    QTest::newRow("capacitive, pins ticked out of order")
        << QStringList{"tick 24,0,3", cap} << "55:00:07:08:00:03:18:01:d0:8a"
        << ack(MES_BUTTON_CAP, "\tACK MES_BUTTON_CAP") +
               reply(ON_BUTTON_CAP, {3, 0, 0x21, 3, 0x20, 24, 0},
                     {"\tCapacitive measure received (ON_BUTTON_CAP)", "\t\t0 (Touch ON)", "\t\t3 (Touch OFF)", "\t\t24 (not connected)"})
        << "MES_BUTTON_CAP pins 0, 3, 24";
    QTest::newRow("stop") << QStringList{"click Stop (IDLE)"} << "55:00:04:ff:01:0e:d1" << ack(IDLE, "\tACK IDLE") << "IDLE";
}

void E2ESession::everyCommand() {
    QFETCH(QStringList, actions);
    QFETCH(QString, frame);
    QFETCH(QStringList, replies);
    QFETCH(QString, boardLog);
    Session s;
    QVERIFY(s.open(fastBoard));
    QVERIFY(s.play(actions));
    QCOMPARE(s.console(), QStringList{"blue|=> " + frame} + replies);
    QCOMPARE(s.sim.log("recv "), QStringList{frame + "  " + boardLog});
}

void E2ESession::faults_data() {
    QTest::addColumn<QStringList>("simArgs");
    QTest::addColumn<QStringList>("actions");
    QTest::addColumn<QStringList>("reports");
    const QString ping = "click Ping (ID)", config = "click Send config (CFG)", measure = "click Do static measure (MES_STATIC)",
                  capacitive = "click Start capacitiv measure (MES_BUTTON_CAP)", buzzOk = "click Buzzer OK (BUZ_OK)";
    const QString ack = "\tACK MES_STATIC", stray = unknownEndpointIncident(0x42);

    // A real board's UART: every byte its own chunk, each handed to the window on its own tick.
    QTest::newRow("one byte at a time, at 9600 baud") << QStringList{"--pace", "9600"} << QStringList{ping, measure}
                                                       << pingLines + QStringList{ack} + staticLines;
    QTest::newRow("noise between frames") << QStringList{"--noise", "5"} << QStringList{ping, measure}
                                          << pingLines + QStringList{ack} + staticLines;
    // Frames 2, 4 and 6 are spoiled: the CFG and MES_STATIC acknowledgements and the BUZ_OK one.
    QTest::newRow("every second CRC bad") << QStringList{"--bad-crc", "50"} << QStringList{ping, config, measure, buzzOk}
                                          << pingLines + QStringList{"\tCalibration done (ON_CALIB_DONE)"} + staticLines;
    QTest::newRow("stray frame before every reply") << QStringList{"--stray", "0x42"} << QStringList{buzzOk, measure}
                                                    << QStringList{stray, "\tACK BUZ_OK", stray, ack, stray} + staticLines;
    QTest::newRow("measure payloads cut short")
        << QStringList{"--truncate", "1"} << QStringList{ping, measure, capacitive}
        << QStringList{shortPayloadIncident(ID), ack, shortPayloadIncident(ON_STATIC_MES), "\tACK MES_BUTTON_CAP",
                       shortPayloadIncident(ON_BUTTON_CAP)};
    QTest::newRow("a command never answered") << QStringList{"--no-reply", "MES_STATIC"} << QStringList{measure, ping} << pingLines;
    QTest::newRow("an event that never comes") << QStringList{"--no-event", "MES_BUTTON_CAP"} << QStringList{capacitive, buzzOk}
                                               << QStringList{"\tACK MES_BUTTON_CAP", "\tACK BUZ_OK"};
}

// Besides the reports: every line is a blue sent frame or red, every frame reached the board, every
// byte the window.
void E2ESession::faults() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, actions);
    QFETCH(QStringList, reports);
    Session s;
    QVERIFY(s.open(fastBoard + simArgs));
    QVERIFY(s.play(actions));
    const QStringList lines = s.console();
    QCOMPARE(::reports(lines), reports);
    QCOMPARE(lines.filter(QRegularExpression("^(red|blue)\\|")).size(), lines.size());
    QCOMPARE(s.sim.log("recv ").replaceInStrings(QRegularExpression("  .*"), ""), lines.filter(QRegularExpression("^blue\\|")).replaceInStrings("blue|=> ", ""));
    QCOMPARE(e2e::receivedBytes(lines), s.sim.sentBytes());
}

void E2ESession::connectDisconnectCycles() {
    Session s;
    QVERIFY(s.open(fastBoard));
    MainWindow& w = *s.window;
    for (int cycle = 1; cycle <= 3; ++cycle) {
        QVERIFY(cycle == 1 || e2e::connectTo(w, s.path));
        QCOMPARE(reports(s.console()).size(), 3 * (cycle - 1));  // earlier lines stay until Clear
        QVERIFY(s.play({"click Ping (ID)"}));
        QCOMPARE(reports(s.console()).mid(3 * (cycle - 1)), pingLines);
        QTest::mouseClick(MainWindowProbe::portRow(w).findChild<Connect_button*>(), Qt::LeftButton);
        QTRY_VERIFY(!MainWindowProbe::commandPanel(w).isEnabled());
        QVERIFY(!MainWindowProbe::console(w).isEnabled() && !MainWindowProbe::clearButton(w).isEnabled());
        QTRY_COMPARE(s.sim.log("terminal closed the line").size(), cycle);
    }
    QCOMPARE(s.sim.log("terminal opened the line").size(), 3);
    const QString ping = "55:00:09:00:52:58:34:38:50:01:89:87  ID ping \"RX48P\"";
    QCOMPARE(s.sim.log("recv "), (QStringList{ping, ping, ping}));

    QVERIFY(e2e::connectTo(w, s.path));
    QVERIFY(e2e::click(w, "Clear"));
    QCOMPARE(s.console(), QStringList());
    QVERIFY(e2e::click(w, "Buzzer OK (BUZ_OK)"));
    QTRY_COMPARE(s.console(), QStringList{"blue|=> 55:00:04:0e:01:2e:21"} + reply(BUZ_OK, {}, {"\tACK BUZ_OK"}));
    const QTextBlock last = MainWindowProbe::console(w).document()->lastBlock();
    QCOMPARE(last.begin().fragment().charFormat().font().family(), QStringLiteral("Courier New"));
}

// In a process of its own, so that a crash or a hang at exit shows as such.
void E2ESession::closingTheWindowMidReply() {
    e2e::BoardSim sim;
    const QString path = sim.start(fastBoard + QStringList{"--chunk", "1", "--chunk-pause", "20"});
    QVERIFY(!path.isEmpty());
    const test_support::Finished app = test_support::run(RX48P_E2E_CLOSE_MID_REPLY, {path}, 20000);
    QVERIFY2(app.code == 0, qPrintable(app.out + app.err));
    QVERIFY2(app.out.startsWith("closed mid-reply"), qPrintable(app.out));
    for (const char* trouble : {"terminate", "QThread", "QObject", "ASSERT", "Sanitizer"})
        QVERIFY2(!app.err.contains(trouble), qPrintable(app.err));
    // The board still had bytes of the measure to send when the window went.
    QTRY_COMPARE(sim.log("terminal closed the line; dropped").size(), 1);
    QCOMPARE(sim.stop(), 0);
}

QTEST_MAIN(E2ESession)
#include "tst_e2e_session.moc"
