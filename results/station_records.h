#pragma once

#include "results/forward_worker.h"
#include "results/journal.h"
#include "results/run_info.h"
#include "results/station_recorder.h"

#include "station/station_engine.h"

#include <QObject>

#include <chrono>
#include <memory>

namespace results {

// Where a station front end puts each judged part: the journal on the station, one recorder per run as
// the engine's recorder, and with a server the forward to it in a thread of its own. The journal and the
// forward outlive a run, so a backlog goes on being forwarded between runs. rx48p-ctl and the station's
// window both record through it.
class station_records : public QObject {
    Q_OBJECT
public:
    station_records();
    ~station_records() override;

    // Opens the journal at `file` (kept open when it is the same) and forwards to `server` (empty: none);
    // why the journal cannot be used, or empty.
    QString open(const QString& file, const QString& server);
    // A new run on record; the engine records every judged part before its buzzer through it.
    void attach(station::station_engine& engine, const results::run_info& run, const QString& autoPrefix);
    // Ends the run on record; why it could not, or empty.
    QString finishRun();
    QString file() const { return book ? book->path() : QString(); }
    // Tries for up to `limit` to forward what is left; the parts still unsent.
    long drain(std::chrono::milliseconds limit);
    // Asks the forward to send what is left now; false without a server.
    bool forwardRest();
    // The forward asked for has ended (or there is none).
    bool forwardSettled() const;

signals:
    // The results server went out of reach (and why), or came back.
    void serverReachable(bool reachable, QString reason);
    void forwarded(long parts, long backlog);
    // The server would not take a part (its serial, or when it was tested); it stays in the journal.
    void refused(QString part, QString reason);
    // Something of a recorded part could not be added to its record (its cycle), and why.
    void problem(QString reason);

private:
    std::unique_ptr<results::journal> book;
    std::unique_ptr<results::forward_worker> forward;
    std::unique_ptr<results::station_recorder> recorder;  // of the run in hand
    QString serverText;
};

}  // namespace results
