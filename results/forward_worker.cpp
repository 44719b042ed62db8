#include "results/forward_worker.h"

#include "results/error.h"
#include "results/journal.h"

#include <QMetaObject>

namespace results {

forward_worker::forward_worker(QString journalPath, setup::server_url server, std::chrono::milliseconds retry)
    : journalPath(std::move(journalPath)), server(std::move(server)), retry(retry) {
    thread = std::thread(&forward_worker::run, this);
}

forward_worker::~forward_worker() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    canceller.cancel();
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
    return !requested && !busy && said == forward_trouble::none && left.count == 0;
}

bool forward_worker::settled() const {
    std::lock_guard<std::mutex> lock(mutex);
    return !requested && !busy;
}

long forward_worker::backlog() const {
    std::lock_guard<std::mutex> lock(mutex);
    return left.count;
}

unsent_parts forward_worker::unsent() const {
    std::lock_guard<std::mutex> lock(mutex);
    return left;
}

void forward_worker::run() {
    for (;;) {
        bool retryRefused = false;
        {
            std::unique_lock<std::mutex> lock(mutex);
            const bool waiting = said != forward_trouble::none || left.count > 0;
            if (waiting)
                wake.wait_for(lock, retry, [this] { return requested || stopping; });
            else
                wake.wait(lock, [this] { return requested || stopping; });
            if (stopping)
                return;
            requested = false;
            busy = true;
            // What the server refused is tried again when a station starts, not after every part.
            retryRefused = std::exchange(firstPass, false);
        }
        forward_report report;
        unsent_parts stillUnsent;
        bool counted = false;
        try {
            // The journal's connection belongs to this thread: Qt's connections may not change threads.
            journal source(journalPath);
            forward_options options;
            options.batchParts = 100;
            options.connectTimeoutS = 3;
            options.retryRefused = retryRefused;
            // The list of released programs changes seldom: read now and then, not after every part.
            options.copyReleases = !releasesRead.isValid() || releasesRead.hasExpired(releasesEveryMs);
            options.canceller = &canceller;
            report = forwarder(server, options).forward(source);
            if (options.copyReleases && report.complete())
                releasesRead.start();
            stillUnsent = unsentParts(source.database(), source.path());
            counted = true;
        } catch (const error& e) {
            report.trouble = forward_trouble::out_of_reach;
            report.error = e.message();
        }
        bool changed = false;
        {
            std::lock_guard<std::mutex> lock(mutex);
            changed = said != report.trouble;
            said = report.trouble;
            if (counted)
                left = stillUnsent;
            busy = false;
        }
        idle.notify_all();
        const long count = stillUnsent.count;
        if (changed)
            QMetaObject::invokeMethod(this, [this, trouble = report.trouble, why = report.error] {
                if (trouble == forward_trouble::server)
                    emit serverTrouble(why);
                else
                    emit reachabilityChanged(trouble == forward_trouble::none, why);
            }, Qt::QueuedConnection);
        for (const refused_part& part : report.refused)
            QMetaObject::invokeMethod(this, [this, name = partName(part), why = part.reason] {
                emit refused(name, why);
            }, Qt::QueuedConnection);
        if (report.forwarded > 0 || changed)
            QMetaObject::invokeMethod(this, [this, n = report.forwarded, count] { emit forwarded(n, count); },
                                      Qt::QueuedConnection);
    }
}

}  // namespace results
