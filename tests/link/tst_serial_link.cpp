// The link against a pseudo-terminal whose master side plays the board.

#include "link/hex_text.h"
#include "link/rx48p_serialport.h"
#include "link_test_util.h"
#include "pty_pair.h"
#include "vexcom/vexcom_packetizer.h"

#include <QElapsedTimer>
#include <QtTest>

#include <memory>
#include <random>
#include <stdexcept>

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

namespace {

Bytes frame(uint8_t endpoint, const Bytes& payload) {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return vex_com::packetizer(cfg).packetize(endpoint, 1, payload.data(), payload.size());
}

Bytes joined(const std::vector<Bytes>& parts) {
    Bytes all;
    for (const Bytes& p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

QString path(const PtyPair& pty) { return QString::fromStdString(pty.slavePath()); }

}  // namespace

class SerialLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<Bytes>("std::vector<uint8_t>"); }

    void connectsAndDisconnectsWithDiagnostics() {
        DiagnosticLog log;
        PtyPair pty;
        rx48p_serialport link;
        LinkRecord rec(link);
        link.disconnectPort();  // nothing open: no effect
        link.connectPort(path(pty));
        QTRY_COMPARE(rec.order, QStringList{"connected"});
        link.disconnectPort();
        link.disconnectPort();
        QTest::qWait(100);
        QCOMPARE(rec.order, (QStringList{"connected", "disconnected"}));
        QVERIFY(rec.onGuiThread);
        const QString name = QString::fromStdString(pty.slavePath()).mid(5);  // port name: no "/dev/"
        QCOMPARE(DiagnosticLog::lines(), QStringList{"Connected and open port \"" + name + "\""});
    }

    void queuedFramesLeaveInOrderOnePerCycle() {
        PtyPair pty;
        rx48p_serialport link;
        LinkRecord rec(link);
        std::vector<Bytes> frames;
        for (uint8_t i = 0; i < 10; ++i) {
            link.sendCommand(0x04, Bytes(i, i));  // queued while disconnected
            frames.push_back(frame(0x04, Bytes(i, i)));
        }
        QElapsedTimer clock;
        clock.start();
        link.connectPort(path(pty));
        const Bytes wire = pty.read(joined(frames).size(), 3000ms);
        const qint64 ms = clock.elapsed();
        QCOMPARE(wire, joined(frames));
        QVERIFY2(ms >= 400 && ms < 1500, qPrintable(QString::number(ms) + " ms for ten frames"));
        QTRY_COMPARE(rec.sent.size(), 10);
        for (int i = 0; i < 10; ++i)
            QCOMPARE(rec.sent[i], hexText(frames[i].data(), frames[i].size()));
        QCOMPARE(rec.sent[0], QStringLiteral("55:00:04:04:01:c1:ea"));
    }

    void unframeableCommandLeavesQueueUsable() {
        PtyPair pty;
        rx48p_serialport link;
        QVERIFY_EXCEPTION_THROWN(link.sendCommand(0x04, Bytes(65532)), std::length_error);
        link.sendCommand(0xFF, {});  // would block for good if the lock had been left held
        link.connectPort(path(pty));
        QCOMPARE(pty.read(8, 1000ms), (Bytes{0x55, 0x00, 0x04, 0xFF, 0x01, 0x0E, 0xD1}));
    }

    void receivedBytesArriveAsChunks_data() {
        QTest::addColumn<std::vector<Bytes>>("bursts");
        QTest::newRow("one byte") << std::vector<Bytes>{{0x55}};
        QTest::newRow("frame split in two") << std::vector<Bytes>{{0x55, 0x00, 0x04}, {0x04, 0x01, 0xC1, 0xEA}};
        QTest::newRow("three bursts, one long") << std::vector<Bytes>{Bytes(300, 0xA5), {0x00}, {0x0A, 0xFF}};
    }
    void receivedBytesArriveAsChunks() {
        QFETCH(std::vector<Bytes>, bursts);
        PtyPair pty;
        rx48p_serialport link;
        LinkRecord rec(link);
        link.connectPort(path(pty));
        QTRY_COMPARE(rec.count("connected"), 1);
        for (const Bytes& burst : bursts) {
            QVERIFY(pty.write(burst));
            QTest::qWait(150);
        }
        QTRY_COMPARE(joined(rec.chunks), joined(bursts));
        QCOMPARE(rec.chunks.size(), bursts.size());
        QVERIFY(rec.onGuiThread);
    }

    void reconnectEndsTheOpenConnectionFirst() {
        PtyPair first, second;
        rx48p_serialport link;
        LinkRecord rec(link);
        link.connectPort(path(first));
        QTRY_COMPARE(rec.count("connected"), 1);
        link.connectPort(path(second));
        link.sendCommand(0x02, {});
        QCOMPARE(second.read(7, 1000ms), frame(0x02, {}));
        QTRY_COMPARE(rec.order, (QStringList{"connected", "disconnected", "connected"}));
    }

    void unopenablePortGivesNoSignal() {
        DiagnosticLog log;
        PtyPair pty;
        rx48p_serialport link;
        LinkRecord rec(link);
        link.connectPort(QStringLiteral("/nonexistent/rx48p"));
        QTest::qWait(200);
        link.disconnectPort();  // joins the failed worker, silently
        QVERIFY(rec.order.isEmpty());
        QCOMPARE(DiagnosticLog::lines(), QStringList{"failed to open port \"/nonexistent/rx48p\""});
        link.connectPort(QStringLiteral("/nonexistent/rx48p"));
        link.connectPort(path(pty));
        QTRY_COMPARE(rec.order, QStringList{"connected"});
    }

    // Rapid connect / disconnect / destroy with traffic both ways. Every connected() is matched by one
    // disconnected(), and every frame reported as sent is on the wire.
    void rapidSequencesNeverHang() {
        DiagnosticLog quiet;
        PtyPair pty;
        QObject gui;
        std::mt19937 rng(48);
        int opened = 0, closed = 0, reported = 0;
        std::size_t onWire = 0;
        for (int step = 0; step < 300; ++step) {
            const Watchdog dog(3000ms, "sequence", step);
            {
                rx48p_serialport link;
                QObject::connect(&link, &rx48p_serialport::connected, &gui, [&] { ++opened; });
                QObject::connect(&link, &rx48p_serialport::disconnected, &gui, [&] { ++closed; });
                QObject::connect(&link, &rx48p_serialport::dataSent, &gui, [&] { ++reported; });
                link.sendCommand(0x0E, {});
                link.connectPort(path(pty));
                switch (rng() % 4) {
                case 0:  // destroyed while opening
                    break;
                case 1:
                    link.connectPort(path(pty));
                    link.disconnectPort();
                    break;
                case 2:
                    QTest::qWait(static_cast<int>(rng() % 60));
                    pty.write({0x55, 0x00});
                    link.sendCommand(0x0D, {});
                    link.disconnectPort();
                    link.connectPort(path(pty));
                    break;
                default:
                    QTest::qWait(static_cast<int>(rng() % 120));
                    break;
                }
            }
            onWire += pty.readFor(0ms).size();
        }
        QTest::qWait(100);
        onWire += pty.readFor(50ms).size();
        QVERIFY(opened > 50);
        QCOMPARE(closed, opened);
        QCOMPARE(onWire, static_cast<std::size_t>(reported) * 7);
    }
};

QTEST_GUILESS_MAIN(SerialLinkTest)
#include "tst_serial_link.moc"
