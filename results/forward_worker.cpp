#include "results/forward_worker.h"

#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/sql.h"

#include <QMetaObject>

namespace results {

forward_worker::forward_worker(QString journalPath, server_url server, std::chrono::milliseconds retry)
    : journalPath(std::move(journalPath)), server(std::move(server)), retry(retry) {
    thread = std::thread(&forward_worker::run, this);
}

forward_worker::~forward_worker() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    wake.notify_all();
    thread.join();
}

void forward_worker::forwardNow() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        requested = true;
    }
    wake.notify_all();
}

bool forward_worker::drain(std::chrono::milliseconds limit) {
    forwardNow();
    std::unique_lock<std::mutex> lock(mutex);
    idle.wait_for(lock, limit, [this] { return !requested && !busy; });
    return !requested && !busy && reachable && unsent == 0;
}

long forward_worker::backlog() const {
    std::lock_guard<std::mutex> lock(mutex);
    return unsent;
}

void forward_worker::run() {
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(mutex);
            const bool waiting = !reachable || unsent > 0;
            if (waiting)
                wake.wait_for(lock, retry, [this] { return requested || stopping; });
            else
                wake.wait(lock, [this] { return requested || stopping; });
            if (stopping)
                return;
            requested = false;
            busy = true;
        }
        forward_report report;
        long left = 0;
        try {
            // The journal's connection belongs to this thread: Qt's connections may not change threads.
            journal source(journalPath);
            report = forwarder(server, forward_options{100, 3}).forward(source);
            QSqlQuery count = sql::run(source.database(), QStringLiteral("SELECT COUNT(*) FROM parts WHERE forwarded = 0"),
                                       {}, QStringLiteral("cannot count the parts still to forward"));
            left = count.next() ? count.value(0).toLongLong() : 0;
        } catch (const error& e) {
            report.reachable = false;
            report.error = e.message();
        }
        bool changed = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            changed = reachable != report.complete();
            reachable = report.complete();
            unsent = left;
            busy = false;
        }
        idle.notify_all();
        if (changed)
            QMetaObject::invokeMethod(this, [this, ok = report.complete(), why = report.error] {
                emit reachabilityChanged(ok, why);
            }, Qt::QueuedConnection);
        if (report.forwarded > 0 || changed)
            QMetaObject::invokeMethod(this, [this, n = report.forwarded, left] { emit forwarded(n, left); },
                                      Qt::QueuedConnection);
    }
}

}  // namespace results
