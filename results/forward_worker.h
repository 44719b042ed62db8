#pragma once

#include "results/server_url.h"

#include <QObject>
#include <QString>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace results {

// Forwards a journal's backlog to the results server from a thread of its own, so a server that is slow
// or out of reach never holds up the station: the station records locally and goes on. It forwards when
// asked (after each part) and, while the server is out of reach, tries again now and then. Its signals
// arrive on the thread that created it.
class forward_worker : public QObject {
    Q_OBJECT
public:
    forward_worker(QString journalPath, server_url server, std::chrono::milliseconds retry = std::chrono::seconds(5));
    ~forward_worker() override;  // ends the forward in hand (within the connect time-out) and joins

    void forwardNow();
    // Tries once more, within `limit`, to forward what is left; true when nothing is left.
    bool drain(std::chrono::milliseconds limit);
    long backlog() const;

signals:
    // The server could not be reached, or could again: `reason` says why it could not.
    void reachabilityChanged(bool reachable, QString reason);
    // Parts put on the server, and how many the journal still holds unsent.
    void forwarded(long parts, long backlog);

private:
    void run();

    QString journalPath;
    server_url server;
    std::chrono::milliseconds retry;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    bool requested = false;
    bool stopping = false;
    bool busy = false;
    bool reachable = true;  // as last said; a first failure is news
    long unsent = 0;
    std::thread thread;
};

}  // namespace results
