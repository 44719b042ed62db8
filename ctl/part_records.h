#pragma once

#include "ctl/invocation.h"

#include "results/forward_worker.h"
#include "results/journal.h"
#include "results/station_recorder.h"

#include "station/station_engine.h"

#include <QObject>

#include <memory>

namespace ctl {

// Where check and station put each judged part: the journal on the station and, with --server, the
// results server it is forwarded to. Says on standard error when the server goes out of reach and when
// it is back; the station goes on recording locally meanwhile.
class part_records : public QObject {
    Q_OBJECT
public:
    // Opens the journal (unless --no-record) and starts the forward; false, with the reason on standard
    // error, when the journal cannot be used.
    bool open(const invocation& inv, const station::station_settings& settings);
    // Makes the engine record every judged part before its buzzer, and number parts for --serial auto.
    void attach(station::station_engine& engine);
    // Ends the run on record and forwards what it can in a few seconds; false when the end could not be
    // recorded.
    bool finish();

private:
    std::unique_ptr<results::journal> journal;
    std::unique_ptr<results::station_recorder> recorder;
    std::unique_ptr<results::forward_worker> forward;
    QString autoPrefix;  // --serial auto:PREFIX without a journal: numbered in memory
    long numbered = 0;
};

}  // namespace ctl
