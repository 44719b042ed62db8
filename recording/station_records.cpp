#include "recording/station_records.h"

#include "setup/default_location.h"
#include "results/error.h"
#include "results/audit.h"
#include "results/journal.h"
#include "results/server_connection.h"
#include "setup/server_url.h"
#include "recording/station_recorder.h"
#include "device/reports.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlQuery>

#include <algorithm>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <thread>

namespace recording {

using namespace results;

// The journal's thread: writes in the order asked, each with its deadline. The journal and the run's
// recorder are made, used and destroyed in this thread alone, as Qt's connections want.
struct station_records::writer {
    using clock = std::chrono::steady_clock;
    // `waitMs`: how long the write may still wait for another program holding the file.
    using work = std::function<void(int waitMs)>;

    explicit writer(std::chrono::milliseconds busy) : busy(busy) { thread = std::thread([this] { run(); }); }
    ~writer() {
        {
            std::lock_guard<std::mutex> lock(mutex);
            stopping = true;
        }
        wake.notify_all();
        thread.join();
    }
    writer(const writer&) = delete;
    writer& operator=(const writer&) = delete;

    void post(work w) {
        {
            std::lock_guard<std::mutex> lock(mutex);
            tasks.push_back({std::min(clock::now() + busy, hurryBy), std::move(w)});
        }
        wake.notify_all();
    }
    void hurry(clock::time_point by) {
        {
            std::lock_guard<std::mutex> reading(serverLock);
            if (server)
                server->cancel();
        }
        std::lock_guard<std::mutex> lock(mutex);
        hurryBy = std::min(hurryBy, by);
        for (task& t : tasks)
            t.deadline = std::min(t.deadline, by);
    }
    void relax() {
        std::lock_guard<std::mutex> lock(mutex);
        hurryBy = clock::time_point::max();
    }
    bool settle(std::chrono::milliseconds limit) {
        std::unique_lock<std::mutex> lock(mutex);
        return idle.wait_for(lock, limit, [this] { return tasks.empty() && !working; });
    }

    // In this thread only: what the next statement may wait for the file's lock.
    void allowWait(int waitMs) {
        if (!book)
            return;
        // A PRAGMA takes no bound value; the number is ours.
        QSqlQuery query(book->database());
        query.exec(QStringLiteral("PRAGMA busy_timeout = %1").arg(waitMs));
    }

    // The released programs from the server, in this thread; hurry() cancels the statement in hand.
    std::optional<release_copy> readReleases(const setup::server_url& url) {
        server_connection connection(url, server_limits{3, 5000, 2000}, QStringLiteral("releases"));
        if (!connection.isOpen())
            return std::nullopt;
        {
            std::lock_guard<std::mutex> reading(serverLock);
            server = &connection;
        }
        std::optional<release_copy> copy;
        try {
            copy = readReleaseCopy(connection.db());
        } catch (const error&) {
        }
        std::lock_guard<std::mutex> reading(serverLock);
        server = nullptr;
        return copy;
    }

    std::unique_ptr<journal> book;
    std::map<unsigned, std::unique_ptr<station_recorder>> recorders;  // of the runs in hand, by number
    station_recorder* recorder(unsigned number) {
        const auto found = recorders.find(number);
        return found == recorders.end() ? nullptr : found->second.get();
    }

private:
    struct task {
        clock::time_point deadline;
        work what;
    };

    void run() {
        for (;;) {
            task next;
            {
                std::unique_lock<std::mutex> lock(mutex);
                wake.wait(lock, [this] { return stopping || !tasks.empty(); });
                if (tasks.empty())
                    break;  // stopping, and every write asked is done
                next = std::move(tasks.front());
                tasks.pop_front();
                working = true;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(next.deadline - clock::now());
            next.what(static_cast<int>(std::max<std::chrono::milliseconds::rep>(0, left.count())));
            {
                std::lock_guard<std::mutex> lock(mutex);
                working = false;
            }
            idle.notify_all();
        }
        recorders.clear();
        book.reset();
    }

    const std::chrono::milliseconds busy;
    std::mutex mutex;
    std::mutex serverLock;
    server_connection* server = nullptr;
    std::condition_variable wake;
    std::condition_variable idle;
    std::deque<task> tasks;
    clock::time_point hurryBy = clock::time_point::max();
    bool working = false;
    bool stopping = false;
    std::thread thread;
};

station_records::station_records(std::chrono::milliseconds busyTimeout)
    : busyTimeout(busyTimeout), writes(std::make_unique<writer>(busyTimeout)) {
    qRegisterMetaType<station::part_result>("station::part_result");
}

station_records::~station_records() {
    finishRun();
    writes.reset();  // every write left was asked before now, so its deadline is within the busy time-out
}

void station_records::open(const QString& file, const QString& server) {
    finishRun();
    writes->relax();
    // The data folder may not be there yet on a new station; a folder named by hand must be.
    const bool createFolder = file == setup::defaultResultsFile();
    writes->post([this, w = writes.get(), file, server, createFolder](int waitMs) {
        QString why;
        try {
            if (!w->book || w->book->path() != QFileInfo(file).absoluteFilePath()) {
                w->recorders.clear();
                w->book.reset();
                w->book = std::make_unique<journal>(file, journal_options{waitMs, createFolder});
            }
        } catch (const error& e) {
            w->book.reset();
            why = e.message();
        }
        QMetaObject::invokeMethod(this, [this, file, server, why] { onOpened(file, server, why); }, Qt::QueuedConnection);
    });
}

void station_records::onOpened(const QString& file, const QString& server, const QString& problem) {
    if (!problem.isEmpty()) {
        forward.reset();
        openFile.clear();
        serverText.clear();
        emit opened(problem);
        return;
    }
    if (!forward || serverText != server || openFile != file) {
        forward.reset();
        serverText.clear();
        if (!server.isEmpty()) {
            if (const QString bad = setup::server_url::problem(server); !bad.isEmpty()) {
                emit opened(bad);
                return;
            }
            try {
                forward = std::make_unique<results::forward_worker>(file, setup::server_url::parse(server));
            } catch (const results::error& e) {
                emit opened(e.message());
                return;
            }
            connect(forward.get(), &results::forward_worker::reachabilityChanged, this, &station_records::serverReachable);
            connect(forward.get(), &results::forward_worker::forwarded, this, &station_records::forwarded);
            connect(forward.get(), &results::forward_worker::refused, this, &station_records::refused);
            connect(forward.get(), &results::forward_worker::serverTrouble, this, &station_records::serverTrouble);
            forward->forwardNow();  // what earlier runs left unsent
        }
        serverText = server;
    }
    openFile = file;
    emit opened(QString());
}

bool station_records::isOpen(unsigned number) const {
    return std::any_of(runs.begin(), runs.end(), [number](const attached_run& r) { return r.number == number; });
}

void station_records::judgeStart(const start_check& check) {
    std::optional<setup::server_url> url;
    if (check.releasedOnly && !serverText.isEmpty())
        url = setup::server_url::parse(serverText);
    writes->post([this, w = writes.get(), check, url](int waitMs) {
        release_verdict verdict;
        QString why;
        try {
            if (!w->book)
                throw error(QStringLiteral("the results database is not open"));
            w->allowWait(waitMs);
            const QSqlDatabase db = w->book->database();
            const std::optional<release_copy> copy = url ? w->readReleases(*url) : std::nullopt;
            if (copy)
                keepReleases(db, *copy);
            verdict = judgeRelease(db, check.programSha256);
            verdict.fresh = copy.has_value();
            recordSetupChanges(db, check.station, check.settings);
            if (!check.releasedOnly) {
                recordAudit(db, {QString(), QDateTime(), check.station, QString(), audit_event::anyProgram,
                                 check.programPath, QString(),
                                 QStringLiteral("%1 (SHA-256 %2)")
                                     .arg(releaseStateText(verdict.state), check.programSha256)});
            }
        } catch (const error& e) {
            verdict = release_verdict{};
            why = e.message();
        }
        QMetaObject::invokeMethod(this, [this, verdict, why] {
            if (forward)
                forward->forwardNow();  // the audit trail's new entries
            emit startJudged(verdict, why);
        }, Qt::QueuedConnection);
    });
}

void station_records::attach(station::station_engine& engine, const setup::run_info& run, const QString& autoPrefix) {
    finishRun(engine);
    const unsigned number = ++runNumber;
    runs.push_back({number, &engine});
    writer* w = writes.get();
    w->post([w, number, run, autoPrefix](int) {
        if (w->book)
            w->recorders[number] = std::make_unique<recording::station_recorder>(*w->book, run, autoPrefix);
    });
    connect(&engine, &station::station_engine::boardIdentified, this, [this, w, number](const tarnwell::firmware& fw) {
        if (!isOpen(number))
            return;
        w->post([w, number, version = tarnwell::firmwareName(fw)](int) {
            if (station_recorder* recorder = w->recorder(number))
                recorder->setFirmware(version);
        });
    });
    connect(&engine, &station::station_engine::partCompleted, this, [this, w, number](const station::part_result& part) {
        if (!isOpen(number) || part.recordId.isEmpty() || !part.cycleSeconds)
            return;
        w->post([this, w, number, part](int waitMs) {
            station_recorder* recorder = w->recorder(number);
            if (!recorder)
                return;
            w->allowWait(waitMs);
            const QString why = recorder->recordCycle(part);
            QMetaObject::invokeMethod(this, [this, why] {
                if (!why.isEmpty())
                    emit problem(why);
                else if (forward)
                    forward->forwardNow();
            }, Qt::QueuedConnection);
        });
    });
    engine.setRecorder([this, w, number](const station::part_result& part) {
        w->post([this, w, number, part](int waitMs) {
            station::part_result recorded = part;
            if (station_recorder* recorder = w->recorder(number)) {
                w->allowWait(waitMs);
                recorded.recordProblem = recorder->record(recorded);
            } else {
                recorded.recordProblem = QStringLiteral("no run is on record");
            }
            QMetaObject::invokeMethod(this, [this, number, recorded] {
                if (recorded.recordProblem.isEmpty() && forward)
                    forward->forwardNow();
                for (const attached_run& r : runs) {
                    if (r.number == number && r.engine)
                        r.engine->recorded(recorded);
                }
            }, Qt::QueuedConnection);
        });
    });
}

void station_records::finishRun(const station::station_engine& engine) {
    const auto found = std::find_if(runs.begin(), runs.end(), [&engine](const attached_run& r) { return r.engine == &engine; });
    if (found != runs.end())
        finish(found->number);
}

void station_records::finishRun() {
    while (!runs.empty())
        finish(runs.front().number);
}

void station_records::finish(unsigned number) {
    runs.erase(std::remove_if(runs.begin(), runs.end(), [number](const attached_run& r) { return r.number == number; }),
               runs.end());
    writes->post([this, w = writes.get(), number](int waitMs) {
        QString why;
        if (const auto found = w->recorders.find(number); found != w->recorders.end()) {
            w->allowWait(waitMs);
            why = found->second->finish();
            w->recorders.erase(found);
        }
        QMetaObject::invokeMethod(this, [this, why] {
            if (forward)
                forward->forwardNow();
            emit runEnded(why);
        }, Qt::QueuedConnection);
    });
}

void station_records::hurry(std::chrono::milliseconds limit) {
    writes->hurry(std::chrono::steady_clock::now() + limit);
}

bool station_records::settle(std::chrono::milliseconds limit) {
    const bool done = writes->settle(limit);
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
    return done;
}

long station_records::drain(std::chrono::milliseconds limit) {
    if (!forward)
        return 0;
    forward->drain(limit);
    return forward->backlog();
}

}  // namespace recording

namespace recording {

bool station_records::forwardRest() {
    if (!forward)
        return false;
    forward->forwardNow();
    return true;
}

bool station_records::forwardSettled() const {
    return !forward || forward->settled();
}

}  // namespace recording
