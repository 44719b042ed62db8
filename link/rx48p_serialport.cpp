#include "link/rx48p_serialport.h"

#include "device/protocol_config.h"
#include "link/hex_text.h"

#include <QByteArray>
#include <QDebug>
#include <QEventLoop>
#include <QMetaEnum>
#include <QSerialPort>

#include <chrono>
#include <memory>

namespace {

constexpr std::chrono::milliseconds cyclePause(50);
// How late a tick may start and still keep its place in the cadence: a wake-up is a little late as a
// rule (a tenth of a millisecond on a quiet machine).
constexpr std::chrono::milliseconds tickJitter(1);

}  // namespace

rx48p_serialport::rx48p_serialport(link_timing timing) : packetizer(tarnwell::protocolConfig()), pace(timing) {
    // Chunks cross threads in a queued signal; whoever listens, the type must be known by then.
    qRegisterMetaType<std::vector<std::uint8_t>>("std::vector<uint8_t>");
}

rx48p_serialport::~rx48p_serialport() {
    if (workerThread.joinable())
        stopWorker();
}

void rx48p_serialport::connectPort(const QSerialPortInfo& info) {
    connectPort(info.systemLocation());
}

void rx48p_serialport::connectPort(const QString& systemLocation) {
    if (workerThread.joinable())
        stopWorker();
    portLocation = systemLocation;
    // Raised before the worker exists, so a stop asked for while the port is still opening is never
    // overwritten by the worker and the join cannot wait forever.
    running.exchange(true);
    workerThread = std::thread(&rx48p_serialport::workerLoop, this);
}

void rx48p_serialport::disconnectPort() {
    if (workerThread.joinable())
        stopWorker();
}

void rx48p_serialport::sendCommand(std::uint8_t endpoint, std::vector<std::uint8_t> payload) {
    // lock_guard: a payload too long to frame throws without leaving the queue locked.
    std::lock_guard<std::mutex> lock(txMutex);
    txQueue.push_back(packetizer.packetize(endpoint, 1, payload.data(), payload.size()));
}

void rx48p_serialport::stopWorker() {
    running.exchange(false);
    workerThread.join();
    workerThread = std::thread();
}

void rx48p_serialport::workerLoop() {
    // Never run: it only gives this thread an event dispatcher, without which the port's socket
    // notifiers warn on every connection. The port is served by its blocking waits alone.
    const QEventLoop dispatcherForPort;
    const auto port = std::make_unique<QSerialPort>(portLocation);
    if (!port->open(QIODevice::ReadWrite)) {
        qDebug() << "failed to open port" << port->portName();
        running.exchange(false);
        emit openFailed(port->errorString());
        return;
    }
    emit connected();
    qDebug() << "Connected and open port" << port->portName();
    // Raised here rather than by the dispatcher itself, for the same reason as `running`.
    dispatching.exchange(true);
    dispatchThread = std::thread(&rx48p_serialport::dispatchLoop, this);

    std::vector<std::uint8_t> scratch;
    while (running.load()) {
        if (!port->isOpen()) {
            const QSerialPort::SerialPortError error = port->error();
            if (error != QSerialPort::NoError && error != QSerialPort::TimeoutError &&
                error != QSerialPort::NotOpenError)
                qDebug() << "- ERROR serialport " << error;
            port->clearError();
            std::this_thread::sleep_for(cyclePause);
            continue;
        }

        if (port->waitForReadyRead(static_cast<int>(pace.readWait.count()))) {
            while (port->bytesAvailable() > 0) {
                const QByteArray bytes = port->readAll();
                if (bytes.isEmpty())
                    break;
                scratch.assign(bytes.begin(), bytes.end());
                {
                    std::lock_guard<std::mutex> lock(rxMutex);
                    rxQueue.push_back(scratch);
                }
                rxArrived.notify_one();
            }
        } else if (port->error() != QSerialPort::NoError && port->error() != QSerialPort::TimeoutError) {
            // The line is gone (adapter pulled, far end hung up): from now on the wait fails at once,
            // every cycle. Closing hands the error to the not-open branch, which reports it once and
            // then polls at the cycle's pace instead of spinning. Queued frames stay queued.
            emit lineLost(QString::fromLatin1(
                QMetaEnum::fromType<QSerialPort::SerialPortError>().valueToKey(port->error())));
            port->close();
            continue;
        }

        {
            std::lock_guard<std::mutex> lock(txMutex);
            if (txQueue.empty())
                continue;
            scratch = txQueue.front();
            txQueue.pop_front();
        }
        const QString text = hexText(scratch.data(), scratch.size());
        const QByteArray wire(reinterpret_cast<const char*>(scratch.data()), static_cast<int>(scratch.size()));
        port->write(wire);
        emit dataSent(text);
    }

    // The port only hands bytes to the system while it waits; push out what the last cycle wrote so
    // a frame already reported as sent is not dropped by the close.
    if (port->isOpen()) {
        port->flush();
        port->close();
    }
    emit disconnected();
    if (dispatchThread.joinable()) {
        {
            // Under the lock, so a prompt dispatcher between its test and its wait cannot miss it.
            std::lock_guard<std::mutex> lock(rxMutex);
            dispatching.exchange(false);
        }
        rxArrived.notify_one();
        dispatchThread.join();
        dispatchThread = std::thread();
    }
}

bool rx48p_serialport::takeReceived(std::vector<std::uint8_t>& chunk) {
    std::lock_guard<std::mutex> lock(rxMutex);
    if (rxQueue.empty())
        return false;
    chunk = std::move(rxQueue.front());
    rxQueue.pop_front();
    return true;
}

void rx48p_serialport::dispatchLoop() {
    // Ticks keep a fixed 10 ms cadence: sleeping 10 ms after each hand-over makes a tick last a little
    // longer, and a board sending a frame every 10 ms would then outrun the hand-over for good. A tick
    // that ends later than the jitter allows has lost its place; the next one waits a full tick, so two
    // hand-overs never come closer than a tick less the jitter, and no missed tick is caught up.
    auto due = std::chrono::steady_clock::now();
    std::vector<std::uint8_t> chunk;
    while (dispatching.load()) {
        if (pace.prompt) {
            {
                std::unique_lock<std::mutex> lock(rxMutex);
                rxArrived.wait(lock, [this] { return !rxQueue.empty() || !dispatching.load(); });
            }
            while (takeReceived(chunk))
                emit dataReceived(chunk);
            continue;
        }
        if (takeReceived(chunk))
            emit dataReceived(chunk);
        const auto now = std::chrono::steady_clock::now();
        due = now - due > tickJitter ? now + pace.dispatchTick : due + pace.dispatchTick;
        std::this_thread::sleep_until(due);
    }
    // The rest of this connection's chunks reach the window before any later connected(): left in the
    // queue, the tail of a cut frame would reach the parser after its reset and swallow the next board's
    // first frame. The worker joins this thread and stopWorker joins the worker, so these are posted
    // before the next worker exists. One signal per chunk as always, but not one per tick: the GUI
    // thread is waiting in stopWorker, and a backlog at 10 ms a chunk would hold it that long.
    while (takeReceived(chunk))
        emit dataReceived(chunk);
}
