#pragma once

#include "results/forward_worker.h"
#include "results/releases.h"
#include "setup/audited_settings.h"
#include "setup/run_info.h"

#include "station/station_engine.h"

#include <QObject>
#include <QPointer>

#include <chrono>
#include <memory>
#include <vector>

namespace recording {

// What a station says of itself before its runs start, for the released programs and the audit trail.
struct start_check {
    QString station;
    QList<setup::setting_value> settings;  // setup::auditedSettings(), and what the front end adds
    QString programPath;
    QString programSha256;
    bool releasedOnly = false;
};

// Where a station front end puts each judged part: the journal on the station, one recorder per run as
// the engine's recorder, and with a server the forward to it in a thread of its own. Every write of the
// journal, its opening and migration too, is done in order in a writer thread this object owns, so the
// caller never waits for another program holding the file: outcomes come back as signals on the
// caller's thread. Each write waits for such a program no longer than the busy time-out from when it
// was asked. The journal and the forward outlive a run, so a backlog goes on being forwarded between
// runs. rx48p-ctl and the station's window both record through it.
class station_records : public QObject {
    Q_OBJECT
public:
    explicit station_records(std::chrono::milliseconds busyTimeout = std::chrono::seconds(5));
    // Ends the run on record, gives the writes not done yet no more than the busy time-out from now (or
    // what hurry() left them), and joins the writer: it returns within the busy time-out.
    ~station_records() override;

    // Opens the journal at `file` (kept open when it is the same) and forwards to `server` (empty: none);
    // opened() says whether the journal can be used.
    void open(const QString& file, const QString& server);
    // Before the runs, once opened() said yes: judges the program by the released programs (read from the
    // server first, within its time-outs, when only released ones may run; else as last read), records
    // in the audit trail what changed in the setup since the station last started and, when any program
    // may run, the start; startJudged() tells. hurry() ends a read of the server at once.
    void judgeStart(const start_check& check);
    // A new run on record, once opened() said yes; the engine records every judged part before its
    // buzzer through it, and the part's cycle goes on record after its removal. Several engines (one
    // per fixture) may each have their run at once; their writes share the one writer, in order.
    void attach(station::station_engine& engine, const setup::run_info& run, const QString& autoPrefix);
    // Ends the run of `engine` on record; runEnded() tells how.
    void finishRun(const station::station_engine& engine);
    // Ends every run on record; runEnded() tells how, once for each run attached.
    void finishRun();
    // Every write asked so far or later is done or given up within `limit` from now: for a station on its
    // way out, so that its end is near. The next open() lifts it.
    void hurry(std::chrono::milliseconds limit);
    // Waits up to `limit` for every write asked so far, then delivers the signals they left: for a
    // command-line program, which has nothing else to do meanwhile. True when every write was done.
    bool settle(std::chrono::milliseconds limit);
    std::chrono::milliseconds busyTime() const { return busyTimeout; }
    // The journal opened last; empty before, or when it could not be.
    QString file() const { return openFile; }
    // Tries for up to `limit` to forward what is left; the parts still unsent.
    long drain(std::chrono::milliseconds limit);
    // Asks the forward to send what is left now; false without a server.
    bool forwardRest();
    // The forward asked for has ended (or there is none).
    bool forwardSettled() const;

signals:
    // Empty: the journal is ready; otherwise why it cannot be used.
    void opened(QString problem);
    // The program's place among the released programs, once judgeStart() recorded the start; `problem`
    // says why the audit trail or the list could not be read or written (the verdict is then never_seen).
    void startJudged(results::release_verdict verdict, QString problem);
    // The run's end is on record (empty), or why it is not.
    void runEnded(QString problem);
    // The results server went out of reach (and why), or came back.
    void serverReachable(bool reachable, QString reason);
    // The server answers but cannot take parts (no tables, too old, no right to insert), and why.
    void serverTrouble(QString reason);
    void forwarded(long parts, long backlog);
    // The server would not take a part (its serial, or when it was tested); it stays in the journal.
    void refused(QString part, QString reason);
    // Something of a recorded part could not be added to its record (its cycle), and why.
    void problem(QString reason);

private:
    struct writer;

    struct attached_run {
        unsigned number;
        QPointer<station::station_engine> engine;
    };

    void onOpened(const QString& file, const QString& server, const QString& problem);
    bool isOpen(unsigned number) const;
    void finish(unsigned number);

    std::chrono::milliseconds busyTimeout;
    std::unique_ptr<results::forward_worker> forward;
    QString serverText;
    QString openFile;
    unsigned runNumber = 0;  // which attach() a late outcome belongs to
    std::vector<attached_run> runs;  // open
    std::unique_ptr<writer> writes;  // last: joined before anything its outcomes reach goes
};

}  // namespace recording
