#pragma once

#include "link/link_timing.h"
#include "vexcom/vexcom_packetizer.h"

#include <QObject>
#include <QSerialPortInfo>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

// Serves one serial port from a worker thread; a dispatcher thread hands received chunks to the GUI
// thread. Every public operation is called from the GUI thread.
class rx48p_serialport : public QObject {
    Q_OBJECT
public:
    explicit rx48p_serialport(link_timing timing = link_timing::terminal());
    const link_timing& timing() const { return pace; }
    ~rx48p_serialport() override;

    // Ends any connection first, then opens `info` on a new worker. The outcome arrives as connected(),
    // or as nothing when the port cannot be opened.
    void connectPort(const QSerialPortInfo& info);
    // The same by system location (a device path), for ports that are not enumerated, such as
    // pseudo-terminals.
    void connectPort(const QString& systemLocation);
    void disconnectPort();
    // Frames the command and queues it; works whether or not a connection is open.
    void sendCommand(std::uint8_t endpoint, std::vector<std::uint8_t> payload);

signals:
    void dataReceived(std::vector<uint8_t> data);
    void dataSent(QString txt);
    void connected();
    void disconnected();
    // Besides the diagnostics, for programs that act on trouble: the port did not open (the system's
    // reason), or the open line failed (the error's name, "ResourceError"). Neither ends the connection:
    // disconnectPort() still does.
    void openFailed(QString reason);
    void lineLost(QString error);

private:
    void stopWorker();
    void workerLoop();
    void dispatchLoop();
    // Moves the oldest received chunk into `chunk`; false when none is waiting.
    bool takeReceived(std::vector<std::uint8_t>& chunk);

    QString portLocation;
    std::atomic<bool> running{false};
    std::thread workerThread;
    std::atomic<bool> dispatching{false};
    std::thread dispatchThread;
    std::mutex rxMutex;
    std::condition_variable rxArrived;  // wakes a prompt dispatcher
    std::deque<std::vector<std::uint8_t>> rxQueue;
    std::mutex txMutex;
    std::deque<std::vector<std::uint8_t>> txQueue;
    vex_com::packetizer packetizer;
    link_timing pace;
};
