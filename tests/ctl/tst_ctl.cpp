// rx48p-ctl as scripts run it: a process against rx48p-board-sim on the simulator's pseudo-terminal.

#include "ctl_run.h"

#include "device/protocol_config.h"

#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <csignal>

namespace {

using Bytes = std::vector<std::uint8_t>;

QString frameHex(std::uint8_t endpoint, const Bytes& payload = {}) {
    const Bytes f = vex_com::packetizer(tarnwell::protocolConfig()).packetize(endpoint, 1, payload.data(), payload.size());
    QStringList parts;
    for (std::uint8_t b : f)
        parts << QStringLiteral("%1").arg(b, 2, 16, QLatin1Char('0'));
    return parts.join(QLatin1Char(':'));
}

// A small part, so every report fits a row of the tables below.
const QStringList simDevice{"--firmware", "2.0.7", "--pair", "1 anode 2 cathode 1.80 -0.02",
                            "--pair", "7 shortcut 8 shortcut 0.00 0.00", "--button", "12 14 on",
                            "--touch", "0 on", "--touch", "3 off"};
const QStringList simFast{"--event-delay", "20", "--calib-delay", "40"};

const QString staticReport = QStringLiteral(
    "\tStatic measure received (ON_STATIC_MES)\n"
    "\t\t1 (Led anode) connected to 2 (Led cathode)\n\t\tVdrop(1->2) = 1.800V\n\t\tVdrop(2->1) = -0.020V\n"
    "\t\t7 (Shortcut) connected to 8 (Shortcut)\n\t\tVdrop(7->8) = 0.000V\n\t\tVdrop(8->7) = 0.000V\n");

QStringList withPort(const QString& port, const QStringList& args) {
    return QStringList{"--port", port} + args;
}

QString reportsOnly(const QString& raw) {
    QStringList kept;
    for (const QString& line : raw.split(QLatin1Char('\n')))
        if (!line.startsWith(QLatin1String("=> ")) && !line.startsWith(QLatin1String("<= ")))
            kept << line;
    return kept.join(QLatin1Char('\n'));
}

QString joinedBytes(const QStringList& hexes) {
    return hexes.join(QLatin1Char(':'));
}

}  // namespace

class CtlTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QVERIFY(QFile::exists(QStringLiteral(RX48P_CTL))); }

    // Every command: its frame as the simulator read it, and the reports exactly as the log console
    // writes them; the same again with --raw, whose "=> " and "<= " lines are the bytes on the line.
    void commands_data();
    void commands();
    // The same commands as JSON Lines: one record per frame, each matching a frame on the line.
    void json_data() { commands_data(); }
    void json();
    void jsonDecodesContent();
    // What each exit code means, and the simulator's faults with what each must produce.
    void outcomes_data();
    void outcomes();
    // The board going away, an interruption, a reader that closes early: each ends the process cleanly.
    void endsCleanly_data();
    void endsCleanly();
};

void CtlTest::commands_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("frame");
    QTest::addColumn<QString>("reports");
    QTest::newRow("ping") << QStringList{"ping"} << "55:00:09:00:52:58:34:38:50:01:89:87"
                          << "\tPing echo received\n\tRX48P board detected\n\tFW version : V2.0.7\n";
    QTest::newRow("config") << QStringList{"config"} << "55:00:06:01:40:64:01:38:16"
                            << "\tACK config received\n\tCalibration done (ON_CALIB_DONE)\n";
    QTest::newRow("detect-insert") << QStringList{"detect-insert"} << frameHex(0x02)
                                   << "\tACK DETECT_INSERT\n\tInsertion detected (ON_INSERT)\n";
    QTest::newRow("detect-remove") << QStringList{"detect-remove"} << frameHex(0x0A)
                                   << "\tACK DETECT_REMOVE\n\tRemove detected (ON_REMOVE)\n";
    QTest::newRow("measure-static") << QStringList{"measure-static"} << "55:00:04:04:01:c1:ea"
                                    << "\tACK MES_STATIC\n" + staticReport;
    QTest::newRow("measure-button")
        << QStringList{"measure-button"} << frameHex(0x06)
        << "\tACK MES_BUTTON_MECH\n\tButton measure received (ON_BUTTON_MECH)\n"
           "\t\t12 (Button ON) connected to 14 (Common)\n\t\tVdrop(12->14) = 0.000V\n\t\tVdrop(14->12) = 0.000V\n";
    QTest::newRow("measure-capacitive, pins sorted once each")
        << QStringList{"measure-capacitive", "5", "0", "3", "5"} << frameHex(0x08, {0, 3, 5})
        << "\tACK MES_BUTTON_CAP\n\tCapacitive measure received (ON_BUTTON_CAP)\n"
           "\t\t0 (Touch ON)\n\t\t3 (Touch OFF)\n\t\t5 (not connected)\n";
    QTest::newRow("buzz-ok") << QStringList{"buzz-ok"} << frameHex(0x0E) << "\tACK BUZ_OK\n";
    QTest::newRow("idle") << QStringList{"idle"} << "55:00:04:ff:01:0e:d1" << "\tACK IDLE\n";
}

void CtlTest::commands() {
    QFETCH(QStringList, args);
    QFETCH(QString, frame);
    QFETCH(QString, reports);
    BoardSim sim;
    const QString port = sim.start(simDevice + simFast);
    QVERIFY(!port.isEmpty());

    const Finished plain = ctl(withPort(port, args));
    QCOMPARE(plain.err, QString());
    QCOMPARE(plain.code, 0);
    QCOMPARE(plain.out, reports);
    QTRY_COMPARE(sim.framesReceived(), QStringList{frame});

    QTRY_COMPARE(sim.log(QStringLiteral("terminal closed the line")).size(), 1);
    const int sentBefore = static_cast<int>(sim.framesSent().size());
    const Finished raw = ctl(QStringList{"--raw"} + withPort(port, args));
    QCOMPARE(raw.code, 0);
    QCOMPARE(reportsOnly(raw.out), reports);
    QStringList sentLines, chunkLines;
    for (const QString& line : raw.out.split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("=> ")))
            sentLines << line.mid(3);
        else if (line.startsWith(QLatin1String("<= ")))
            chunkLines << line.mid(3);
    }
    QCOMPARE(sentLines, QStringList{frame});
    QTRY_COMPARE(sim.log(QStringLiteral("terminal closed the line")).size(), 2);
    QCOMPARE(joinedBytes(chunkLines), joinedBytes(sim.framesSent().mid(sentBefore)));
}

void CtlTest::json() {
    QFETCH(QStringList, args);
    QFETCH(QString, frame);
    QFETCH(QString, reports);
    BoardSim sim;
    const QString port = sim.start(simDevice + simFast);
    QVERIFY(!port.isEmpty());

    const Finished run = ctl(QStringList{"--json"} + withPort(port, args));
    QCOMPARE(run.code, 0);
    const QStringList lines = run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QStringList directions, bytes, texts, endpoints;
    for (const QString& line : lines) {
        QJsonParseError error{};
        const QJsonObject record = QJsonDocument::fromJson(line.toUtf8(), &error).object();
        QCOMPARE(error.error, QJsonParseError::NoError);
        QVERIFY(QDateTime::fromString(record.value("time").toString(), Qt::ISODateWithMs).isValid());
        QCOMPARE(record.value("acknowledge").toInt(), 1);
        const QJsonObject endpoint = record.value("endpoint").toObject();
        endpoints << QStringLiteral("%1 %2").arg(endpoint.value("value").toInt(), 2, 16, QLatin1Char('0'))
                                          .arg(endpoint.value("name").toString());
        directions << record.value("direction").toString();
        bytes << record.value("bytes").toString();
        if (record.contains("report"))
            texts << record.value("report").toString();
    }
    QTRY_COMPARE(sim.log(QStringLiteral("terminal closed the line")).size(), 1);
    // One record for the frame sent, then one for each frame the board wrote, with the very bytes of each.
    const QStringList boardFrames = sim.framesSent();
    QStringList expectedDirections{"sent"};
    for (int i = 0; i < boardFrames.size(); ++i)
        expectedDirections << QStringLiteral("received");
    QCOMPARE(directions, expectedDirections);
    QCOMPARE(bytes, QStringList{frame} + boardFrames);
    // Each endpoint named as the board's log names the frame it read or wrote ("MES_STATIC",
    // "ack MES_STATIC", "ON_STATIC_MES 6 pairs").
    const auto logName = [](const QString& line) {
        const QStringList words = line.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        return words.value(1) == QLatin1String("ack") ? words.value(2) : words.value(1);
    };
    QStringList logged{logName(sim.log(QStringLiteral("recv ")).first())};
    for (const QString& line : sim.log(QStringLiteral("send ")))
        logged << logName(line);
    QCOMPARE(endpoints.size(), logged.size());
    for (int i = 0; i < endpoints.size(); ++i)
        QVERIFY2(endpoints.at(i).endsWith(logged.at(i)) && bytes.at(i).mid(9, 2) == endpoints.at(i).left(2),
                 qPrintable(endpoints.at(i) + " / " + logged.at(i) + " / " + bytes.at(i)));
    QCOMPARE(texts.join(QLatin1Char('\n')) + QLatin1Char('\n'), reports);
}

void CtlTest::jsonDecodesContent() {
    BoardSim sim;
    const QString port = sim.start(simDevice + simFast);
    QVERIFY(!port.isEmpty());
    const auto last = [&](const QStringList& args) {
        const Finished run = ctl(QStringList{"--json"} + withPort(port, args));
        return QJsonDocument::fromJson(run.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts).last().toUtf8()).object();
    };

    const QJsonObject fw = last({"ping"}).value("firmware").toObject();
    QCOMPARE(fw.value("version").toString(), QStringLiteral("2.0.7"));
    QCOMPARE(fw.value("major").toInt(), 2);

    const QJsonArray pairs = last({"measure-static"}).value("pairs").toArray();
    QCOMPARE(pairs.size(), 2);
    const QJsonObject led = pairs.at(0).toObject();
    QCOMPARE(led.value("pin_a").toInt(), 1);
    QCOMPARE(led.value("pin_b").toInt(), 2);
    QCOMPARE(led.value("type_a").toObject().value("code").toInt(), 1);
    QCOMPARE(led.value("type_a").toObject().value("name").toString(), QStringLiteral("Led anode"));
    QCOMPARE(led.value("type_b").toObject().value("name").toString(), QStringLiteral("Led cathode"));
    QCOMPARE(led.value("vdrop_ab").toDouble(), 1.8);
    QCOMPARE(led.value("vdrop_ba").toDouble(), -0.02);

    const QJsonArray pins = last({"measure-capacitive", "0", "3", "5"}).value("pins").toArray();
    QCOMPARE(pins.size(), 3);
    QCOMPARE(pins.at(0).toObject().value("touched"), QJsonValue(true));
    QCOMPARE(pins.at(1).toObject().value("touched"), QJsonValue(false));
    QCOMPARE(pins.at(2).toObject().value("touched"), QJsonValue(QJsonValue::Null));
    QCOMPARE(pins.at(1).toObject().value("type").toObject().value("name").toString(), QStringLiteral("Touch OFF"));
}

void CtlTest::outcomes_data() {
    QTest::addColumn<QStringList>("simArgs");  // empty: no simulator
    QTest::addColumn<QStringList>("args");     // "PORT" stands for the simulator's line
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");  // a part of standard error; empty: nothing at all

    const QString ackStatic = QStringLiteral("\tACK MES_STATIC\n");
    const QStringList none;
    const QStringList port{"--port", "PORT"};
    const QStringList quick{"--port", "PORT", "--timeout", "300"};
    QTest::newRow("no command") << none << QStringList{} << 2 << "" << "no command given";
    QTest::newRow("mistyped option") << none << QStringList{"--prot", "/x", "ping"} << 2 << ""
                                     << "rx48p-ctl: unknown option '--prot'; did you mean --port?\nTry 'rx48p-ctl --help'.";
    QTest::newRow("port cannot be opened") << none << QStringList{"--port", "/nonexistent/rx48p", "ping"} << 4 << ""
                                           << "cannot open /nonexistent/rx48p: No such file or directory";
    QTest::newRow("port not listed") << none << QStringList{"--port", "rx48p-none", "ping"} << 4 << ""
                                     << "no serial port named 'rx48p-none'";

    QTest::newRow("stray frames") << QStringList{"--stray", "0x42"} << port + QStringList{"measure-static"} << 0
                                  << ackStatic + staticReport << "Unknown message received (endpoint 0x42), ignored";
    QTest::newRow("bad CRC") << QStringList{"--bad-crc", "100"} << quick + QStringList{"ping"} << 3 << ""
                             << "waited 300 ms for the ping reply (ID)";
    QTest::newRow("short payload") << QStringList{"--truncate", "1"} << quick + QStringList{"measure-static"} << 3
                                   << ackStatic
                                   << "Incomplete static measure (ON_STATIC_MES) received, not decoded";
    QTest::newRow("no reply") << QStringList{"--no-reply", "MES_STATIC"} << quick + QStringList{"measure-static"} << 3
                              << "" << "waited 300 ms for the acknowledgement of MES_STATIC";
    QTest::newRow("no event") << QStringList{"--no-event", "CFG"} << quick + QStringList{"config"} << 3
                              << "\tACK config received\n" << "waited 300 ms for \"calibration done\" (ON_CALIB_DONE)";
}

void CtlTest::outcomes() {
    QFETCH(QStringList, simArgs);
    QFETCH(QStringList, args);
    QFETCH(int, code);
    QFETCH(QString, out);
    QFETCH(QString, err);
    BoardSim sim;
    if (!simArgs.isEmpty()) {
        const QString port = sim.start(simDevice + simFast + simArgs);
        QVERIFY(!port.isEmpty());
        args.replaceInStrings(QRegularExpression(QStringLiteral("^PORT$")), port);
    }
    const Finished run = ctl(args);
    QVERIFY(run.exited());
    QCOMPARE(run.out, out);
    if (err.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QCOMPARE(run.code, code);
    if (code == 2)
        QVERIFY(run.err.endsWith(QLatin1String("Try 'rx48p-ctl --help'.\n")));
}

void CtlTest::endsCleanly_data() {
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("logging");  // QT_LOGGING_RULES for the companion
    QTest::addColumn<int>("code");    // -1: ended by `signal`
    QTest::addColumn<int>("signal");
    QTest::addColumn<QString>("err");
    QTest::newRow("board gone") << "board gone" << "measure-static" << "" << 4 << 0 << "went away (";
    // Trouble comes from the link's signals, not from the debug lines a logging rule may silence.
    QTest::newRow("board gone, debug output filtered")
        << "board gone" << "detect-insert" << "*.debug=false" << 4 << 0 << "went away (";
    QTest::newRow("board gone, debug output on") << "board gone" << "measure-static" << "*.debug=true" << 4 << 0
                                                 << "went away (";
    // A shell sees an interrupted program and stops a loop around it.
    QTest::newRow("Ctrl-C") << "SIGINT" << "measure-static" << "" << -1 << int(SIGINT) << "";
    QTest::newRow("SIGTERM") << "SIGTERM" << "measure-static" << "" << -1 << int(SIGTERM) << "";
    QTest::newRow("reader gone") << "reader gone" << "measure-static" << "" << 141 << 0 << "";
}

void CtlTest::endsCleanly() {
    QFETCH(QString, how);
    QFETCH(QString, command);
    QFETCH(QString, logging);
    QFETCH(int, code);
    QFETCH(int, signal);
    QFETCH(QString, err);
    BoardSim sim;
    // The command is acknowledged at once; its event comes late, or never.
    const QStringList late = how == QLatin1String("reader gone") ? QStringList{"--event-delay", "400"}
                                                                 : QStringList{"--no-event", "MES_STATIC,DETECT_INSERT"};
    const QString port = sim.start(simDevice + late);
    QVERIFY(!port.isEmpty());
    const QStringList args{"--raw", "--port", port, "--timeout", "20000", command};
    QElapsedTimer sinceStop;
    Finished run;
    if (how == QLatin1String("reader gone")) {
        // A real pipe into a reader that stops after the first line, as in a shell.
        sinceStop.start();
        run = runInto(QStringLiteral(RX48P_CTL), args, QStringLiteral("head -n 1 >/dev/null"));
    } else {
        ProgramRun c(QStringLiteral(RX48P_CTL), args);
        if (!logging.isEmpty())
            c.env(QStringLiteral("QT_LOGGING_RULES"), logging);
        QVERIFY(c.start() && c.waitForOutputLine(5000));
        // The board has the command: a line opened and closed again within the simulator's nap would go
        // unseen by it, and so would its close.
        QVERIFY(sim.waitForReceived(command == QLatin1String("detect-insert") ? QStringLiteral("DETECT_INSERT")
                                                                               : QStringLiteral("MES_STATIC"),
                                    1, 5000));
        sinceStop.start();
        if (how == QLatin1String("board gone"))
            sim.stop();
        else
            c.signal(how == QLatin1String("SIGINT") ? SIGINT : SIGTERM);
        run = c.finish();
    }
    QCOMPARE(run.signal, signal);
    QCOMPARE(run.code, code);
    if (err.isEmpty())
        QCOMPARE(run.err, QString());
    else
        QVERIFY2(run.err.contains(err), qPrintable(run.err));
    QVERIFY2(sinceStop.elapsed() < 2000, qPrintable(QString::number(sinceStop.elapsed()) + " ms to end"));
    if (how != QLatin1String("board gone"))
        QTRY_VERIFY(!sim.log(QStringLiteral("terminal closed the line")).isEmpty());
}

QTEST_GUILESS_MAIN(CtlTest)
#include "tst_ctl.moc"
