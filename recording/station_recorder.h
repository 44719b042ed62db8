#pragma once

#include "results/journal.h"
#include "setup/run_info.h"

#include "station/part_result.h"

#include <QString>

namespace recording {

// Puts every part a station judges on record in its journal: the run when its first part comes, each
// part in one transaction before its buzzer, the run's end when the station stops. It writes on the
// caller's thread: station_records keeps one in its writer thread for every front end.
class station_recorder {
public:
    // `autoPrefix` non-empty: parts without a serial are numbered PREFIX000001, ... after the highest
    // number the journal holds.
    station_recorder(results::journal& target, setup::run_info run, QString autoPrefix = QString());
    ~station_recorder();
    station_recorder(const station_recorder&) = delete;
    station_recorder& operator=(const station_recorder&) = delete;

    void setFirmware(const QString& version) { run.firmware = version; }
    // Records `part` and sets its serial (when numbered here) and attempt; why it could not, or empty.
    QString record(station::part_result& part);
    // The cycle of a recorded part that was removed; why it could not be recorded, or empty.
    QString recordCycle(const station::part_result& part);
    // Ends the run on record (once); why it could not, or empty.
    QString finish();
    long recorded() const { return parts; }

private:
    results::journal& target;
    setup::run_info run;
    QString autoPrefix;
    QString runId;
    long parts = 0;
    bool finished = false;
};

}  // namespace recording
