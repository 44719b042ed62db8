#pragma once

#include "results/forwarder.h"
#include "setup/server_url.h"

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QStringList>

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
    forward_worker(QString journalPath, setup::server_url server, std::chrono::milliseconds retry = std::chrono::seconds(5));
    // Cancels the server statement in hand, so it returns at once (a connection still being made takes up
    // to its connect time-out), and joins.
    ~forward_worker() override;

    void forwardNow();
    // Waits up to `limit` for a forward of what is left; true when nothing is left.
    bool drain(std::chrono::milliseconds limit);
    // No forward asked for or running: what backlog() and unsent() say is the last pass's word.
    bool settled() const;
    long backlog() const;
    // The parts not on the server after the last pass: how many, and the first few by name.
    unsent_parts unsent() const;

signals:
    // The server could not be reached, or could again: `reason` says why it could not. A server that
    // answers but cannot take parts (no tables, no right to insert) says so as `serverTrouble` instead,
    // and reachabilityChanged(true) once it takes them again.
    void reachabilityChanged(bool reachable, QString reason);
    void serverTrouble(QString reason);
    // Parts put on the server, and how many the journal still holds unsent.
    void forwarded(long parts, long backlog);
    // The server would not take a part (named by its serial, or its start when it has none); it stays in
    // the journal, set aside until the next push.
    void refused(QString part, QString reason);

private:
    void run();

    QString journalPath;
    setup::server_url server;
    std::chrono::milliseconds retry;
    forward_canceller canceller;
    mutable std::mutex mutex;
    std::condition_variable wake;
    std::condition_variable idle;
    bool requested = false;
    bool stopping = false;
    bool busy = false;
    forward_trouble said = forward_trouble::none;  // as last said; a first failure is news
    bool firstPass = true;
    static constexpr qint64 releasesEveryMs = 60000;
    QElapsedTimer releasesRead;  // in the worker's thread only
    unsent_parts left;
    std::thread thread;
};

}  // namespace results
