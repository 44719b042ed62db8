#pragma once

// Helpers shared by the link tests: the link's diagnostics, a hang detector, process CPU time, and a
// GUI-thread record of what the link emitted.

#include "link/rx48p_serialport.h"

#include <QObject>
#include <QStringList>
#include <QThread>
#include <QtGlobal>

#include <sys/resource.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

// Collects debug-channel lines (they come from the worker thread) for the lifetime of the object.
class DiagnosticLog {
public:
    DiagnosticLog() {
        {
            std::lock_guard<std::mutex> lock(mutex());
            store().clear();
        }
        previous = qInstallMessageHandler(&DiagnosticLog::handle);
    }
    ~DiagnosticLog() { qInstallMessageHandler(previous); }
    static QStringList lines() {
        std::lock_guard<std::mutex> lock(mutex());
        return store();
    }
    static int count(const QString& prefix) {
        int n = 0;
        for (const QString& line : lines())
            n += line.startsWith(prefix) ? 1 : 0;
        return n;
    }

private:
    static void handle(QtMsgType, const QMessageLogContext&, const QString& text) {
        std::lock_guard<std::mutex> lock(mutex());
        store().append(text);
    }
    static std::mutex& mutex() {
        static std::mutex m;
        return m;
    }
    static QStringList& store() {
        static QStringList s;
        return s;
    }
    QtMessageHandler previous;
};

// Aborts the test run when a step has not finished in time: a hang becomes a failure, not a stall.
class Watchdog {
public:
    Watchdog(std::chrono::milliseconds limit, const char* what, int step)
        : thread([this, limit, what, step] {
              std::unique_lock<std::mutex> lock(mutex);
              if (!cv.wait_for(lock, limit, [this] { return done; })) {
                  std::fprintf(stderr, "FAIL: %s %d hung for over %lld ms\n", what, step,
                               static_cast<long long>(limit.count()));
                  std::abort();
              }
          }) {}
    ~Watchdog() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        cv.notify_one();
        thread.join();
    }

private:
    std::mutex mutex;
    std::condition_variable cv;
    bool done = false;
    std::thread thread;
};

inline double processCpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// Everything the link emitted, recorded on the GUI thread through queued delivery.
class LinkRecord : public QObject {
public:
    explicit LinkRecord(rx48p_serialport& link) {
        connect(&link, &rx48p_serialport::connected, this, [this] { note(QStringLiteral("connected")); });
        connect(&link, &rx48p_serialport::disconnected, this, [this] { note(QStringLiteral("disconnected")); });
        connect(&link, &rx48p_serialport::dataSent, this, [this](const QString& text) { sent.append(text); });
        connect(&link, &rx48p_serialport::dataReceived, this, [this](const std::vector<uint8_t>& chunk) {
            chunks.push_back(chunk);
            onGuiThread = onGuiThread && QThread::currentThread() == thread();
        });
    }
    int count(const char* event) const { return order.count(QLatin1String(event)); }

    QStringList order;  // connected / disconnected, in arrival order
    QStringList sent;
    std::vector<std::vector<uint8_t>> chunks;
    bool onGuiThread = true;

private:
    void note(const QString& event) {
        order.append(event);
        onGuiThread = onGuiThread && QThread::currentThread() == thread();
    }
};
