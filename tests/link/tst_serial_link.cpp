// The link against a pseudo-terminal whose master side plays the board.

#include "device/protocol_config.h"
#include "link/hex_text.h"
#include "link/rx48p_serialport.h"
#include "link_test_util.h"
#include "pty_pair.h"

#include <QElapsedTimer>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iterator>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

using Bytes = std::vector<uint8_t>;
using namespace std::chrono_literals;

namespace {

Bytes frame(uint8_t endpoint, const Bytes& payload = {}) {
    return vex_com::packetizer(tarnwell::protocolConfig()).packetize(endpoint, 1, payload.data(), payload.size());
}

QString path(const PtyPair& pty) { return QString::fromStdString(pty.slavePath()); }

// Ten frames of growing length queued on the link; the bytes they make on the wire.
Bytes queueTen(rx48p_serialport& link, QStringList* texts = nullptr) {
    Bytes wire;
    for (uint8_t i = 0; i < 10; ++i) {
        link.sendCommand(0x04, Bytes(i, i));
        const Bytes f = frame(0x04, Bytes(i, i));
        wire.insert(wire.end(), f.begin(), f.end());
        if (texts)
            *texts << hexText(f.data(), f.size());
    }
    return wire;
}

// Ends the run unless re-armed within `seconds`: a hang becomes a failure, not a stall.
void watchdog(unsigned seconds) {
    std::signal(SIGALRM, [](int) {
        const char text[] = "FAIL: the link hung\n";
        (void)::write(2, text, sizeof text - 1);
        std::_Exit(1);
    });
    ::alarm(seconds);
}

// What the link emitted, as the GUI thread receives it.
struct Record : QObject {
    explicit Record(rx48p_serialport& link) {
        connect(&link, &rx48p_serialport::connected, this, [this] { note("connected"); });
        connect(&link, &rx48p_serialport::disconnected, this, [this] { note("disconnected"); });
        connect(&link, &rx48p_serialport::dataSent, this, [this](const QString& text) { sent << text; });
        connect(&link, &rx48p_serialport::dataReceived, this, [this](const Bytes& chunk) {
            chunks.push_back(chunk);
            note(nullptr);
        });
    }
    void note(const char* event) {
        if (event)
            order << event;
        onGuiThread = onGuiThread && QThread::currentThread() == thread();
    }
    QStringList order, sent;
    std::vector<Bytes> chunks;
    bool onGuiThread = true;
};

}  // namespace

class SerialLinkTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { qRegisterMetaType<Bytes>("std::vector<uint8_t>"); }

    // Nothing open, a port that cannot be opened, a good one, another while connected, then a command
    // written in the very cycle that ends the connection.
    void connectionLifecycle() {
        DiagnosticLog log;
        PtyPair first, second;
        rx48p_serialport link;
        Record rec(link);
        link.disconnectPort();
        link.connectPort(QStringLiteral("/nonexistent/rx48p"));
        QTest::qWait(200);
        QVERIFY(rec.order.isEmpty());
        link.connectPort(path(first));
        QTRY_COMPARE(rec.order, QStringList{"connected"});
        link.connectPort(path(second));
        QTRY_COMPARE(rec.order, (QStringList{"connected", "disconnected", "connected"}));
        link.sendCommand(0x02, {});
        link.disconnectPort();
        QCOMPARE(second.read(8, 500ms), frame(0x02));
        QTRY_COMPARE(rec.order, (QStringList{"connected", "disconnected", "connected", "disconnected"}));
        QVERIFY(rec.onGuiThread);
        const QString opened = QStringLiteral("Connected and open port \"%1\"");  // the name has no "/dev/"
        QCOMPARE(DiagnosticLog::lines(), (QStringList{"failed to open port \"/nonexistent/rx48p\"",
                                                      opened.arg(path(first).mid(5)), opened.arg(path(second).mid(5))}));
    }

    // Queued while disconnected, behind a payload too long to frame that must leave the queue unlocked.
    void queuedFramesLeaveInOrderOnePerCycle() {
        PtyPair pty;
        rx48p_serialport link;
        Record rec(link);
        watchdog(10);
        QVERIFY_EXCEPTION_THROWN(link.sendCommand(0x04, Bytes(65532)), std::length_error);
        QStringList texts;
        const Bytes wire = queueTen(link, &texts);
        QElapsedTimer clock;
        clock.start();
        link.connectPort(path(pty));
        QCOMPARE(pty.read(wire.size(), 3000ms), wire);
        const qint64 ms = clock.elapsed();
        ::alarm(0);
        QVERIFY2(ms >= 400 && ms < 1500, qPrintable(QString::number(ms) + " ms for ten frames"));
        QTRY_COMPARE(rec.sent, texts);
        QCOMPARE(rec.sent[0], QStringLiteral("55:00:04:04:01:c1:ea"));
    }

    void receivedBytesArriveAsChunksOnTheGuiThread() {
        const std::vector<Bytes> bursts{{0x55}, {0x55, 0x00, 0x04}, Bytes(300, 0xA5), {0x0A, 0xFF}};
        PtyPair pty;
        rx48p_serialport link;
        Record rec(link);
        link.connectPort(path(pty));
        QTRY_COMPARE(rec.order, QStringList{"connected"});
        for (const Bytes& burst : bursts) {
            QVERIFY(pty.write(burst));
            QTest::qWait(150);
        }
        QTRY_COMPARE(rec.chunks, bursts);
        QVERIFY(rec.onGuiThread);
    }

    // At most one chunk per 10 ms tick, however late the dispatcher runs: after a late tick the next
    // waits a full tick, and none is caught up. The slot runs on the dispatcher's thread and plays its
    // stalls, noting the hand-over once it has stalled; a tick may start up to 1 ms late and keep its
    // place, so no two hand-overs may come closer than 9 ms.
    void dispatcherHandsOverAtMostOneChunkPerTick() {
        using Clock = std::chrono::steady_clock;
        const std::chrono::microseconds stalls[] = {0us, 0us, 3000us, 0us, 7000us, 500us, 12000us, 0us, 25000us, 1500us};
        PtyPair pty;
        rx48p_serialport link;
        std::mutex mutex;
        std::vector<Clock::time_point> handOvers;
        std::atomic<std::size_t> bytes{0};
        QObject::connect(&link, &rx48p_serialport::dataReceived, &link, [&](const Bytes& chunk) {
            const std::lock_guard<std::mutex> lock(mutex);
            std::this_thread::sleep_for(stalls[handOvers.size() % std::size(stalls)]);
            handOvers.push_back(Clock::now());
            bytes += chunk.size();
        }, Qt::DirectConnection);
        link.connectPort(path(pty));
        constexpr std::size_t count = 120;
        for (std::size_t i = 0; i < count; ++i)  // the first waits for the port to open
            QVERIFY(pty.feed({static_cast<uint8_t>(i)}));
        QTRY_COMPARE_WITH_TIMEOUT(bytes.load(), count, 10000);
        link.disconnectPort();  // only now: what a connection leaves at its end goes without the tick

        QVERIFY(handOvers.size() > count / 2);
        auto closest = Clock::duration::max();
        for (std::size_t i = 1; i < handOvers.size(); ++i)
            closest = std::min(closest, handOvers[i] - handOvers[i - 1]);
        QVERIFY2(closest >= 9ms, qPrintable(QString::number(std::chrono::duration_cast<std::chrono::microseconds>(closest).count()) + " us between two hand-overs"));
    }

    // Prompt timing, as programs that wait for each answer use it: every chunk is handed over as soon as
    // it is read, still one delivery per chunk and in order, where the terminal's timing would hand over
    // one per 10 ms tick and need more than a second for these.
    void promptTimingHandsOverEveryChunkAtOnceInOrder() {
        PtyPair pty;
        rx48p_serialport link(link_timing::promptly());
        std::mutex mutex;
        std::vector<Bytes> chunks;
        QObject::connect(&link, &rx48p_serialport::dataReceived, &link, [&](const Bytes& chunk) {
            const std::lock_guard<std::mutex> lock(mutex);
            chunks.push_back(chunk);
        }, Qt::DirectConnection);
        link.connectPort(path(pty));
        constexpr std::size_t count = 120;
        for (std::size_t i = 0; i < count; ++i)  // each byte read on its own before the next is written
            QVERIFY(pty.feed({static_cast<uint8_t>(i)}));
        const auto delivered = [&] {
            const std::lock_guard<std::mutex> lock(mutex);
            return chunks.size();
        };
        QTRY_COMPARE_WITH_TIMEOUT(delivered(), count, 500);
        link.disconnectPort();
        for (std::size_t i = 0; i < count; ++i)
            QCOMPARE(chunks[i], Bytes{static_cast<uint8_t>(i)});

        // Queued frames leave one per cycle as ever, but a cycle with a silent board is a couple of
        // milliseconds: ten frames in well under the half second the terminal's cycle gives them.
        const Bytes wire = queueTen(link);
        link.connectPort(path(pty));
        QCOMPARE(pty.read(wire.size(), 250ms), wire);
    }

    // Rapid connect / disconnect / destroy with traffic both ways. Every connected() is matched by one
    // disconnected(), and every frame reported as sent is on the wire.
    void rapidSequencesNeverHang() {
        DiagnosticLog quiet;
        PtyPair pty;
        std::mt19937 rng(48);
        QObject gui;
        int opened = 0, closed = 0, reported = 0;
        std::size_t onWire = 0;
        for (int step = 0; step < 300; ++step) {
            watchdog(3);
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
        ::alarm(0);
        QTest::qWait(100);
        onWire += pty.readFor(50ms).size();
        QVERIFY(opened > 50);
        QCOMPARE(closed, opened);
        QCOMPARE(onWire, static_cast<std::size_t>(reported) * 7);
    }
};

QTEST_GUILESS_MAIN(SerialLinkTest)
#include "tst_serial_link.moc"
