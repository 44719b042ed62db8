#pragma once

#include "ctl/invocation.h"
#include "process/exit_codes.h"
#include "process/stop_signals.h"

#include "recording/station_records.h"

#include "station/station_engine.h"

#include <QObject>

#include <chrono>

namespace ctl {

// Where check and station put each judged part, through the records every station front end shares: the
// journal and, with --server, the forward to the line's server. Says on standard error when the server
// goes out of reach and when it is back; the station goes on recording locally meanwhile.
class part_records : public QObject {
    Q_OBJECT
public:
    // Opens the journal (unless --no-record) and starts the forward; false, with the reason on standard
    // error, when the journal cannot be used.
    bool open(const invocation& inv);
    // Before any part: judges the program by the released programs and records the start in the audit
    // trail. Exit 9 with the reason on standard error when only released programs may run and this one
    // is not; 5 when the journal cannot record it; a signal during the wait (for the server's list) ends
    // it at once, as the end by that signal.
    proc::run_end judgeStart(const invocation& inv, proc::stop_signals& stops);
    // Makes the engine record every judged part before its buzzer, as a run of `fixture` (empty: the
    // station's single unnamed one), and number parts for --serial auto.
    void attach(station::station_engine& engine, const QString& fixture = QString());
    // Ends the run on record and gives the forward up to drainLimit to send what is left, then names the
    // parts not on the server; false when the end could not be recorded. Ctrl-C or SIGTERM during that
    // wait ends it at once: interruptedBy() then says by which signal.
    bool finish(proc::stop_signals& stops);
    int interruptedBy() const { return interrupted; }

    static constexpr std::chrono::seconds drainLimit{5};

private:
    void drain(proc::stop_signals& stops);

    bool recording = false;
    int interrupted = 0;
    QString file;
    recording::station_records records;
    setup::run_info run;
    QString autoPrefix;  // --serial auto:PREFIX
    long numbered = 0;   // without a journal, parts are numbered in memory
};

}  // namespace ctl
