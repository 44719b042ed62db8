#include "recording/station_recorder.h"

#include "results/error.h"

namespace recording {

using namespace results;

station_recorder::station_recorder(results::journal& target, setup::run_info run, QString autoPrefix)
    : target(target), run(std::move(run)), autoPrefix(std::move(autoPrefix)) {
    if (!this->run.started.isValid())
        this->run.started = QDateTime::currentDateTimeUtc();
}

station_recorder::~station_recorder() {
    finish();
}

QString station_recorder::record(station::part_result& part) {
    try {
        if (runId.isEmpty())
            runId = target.beginRun(run);
        const recorded_part recorded = target.record(runId, part.serial, part, autoPrefix);
        part.serial = recorded.serial;
        part.attempt = recorded.attempt;
        part.recordId = recorded.id;
        ++parts;
        return QString();
    } catch (const error& e) {
        return e.message();
    }
}

QString station_recorder::recordCycle(const station::part_result& part) {
    if (part.recordId.isEmpty() || !part.cycleSeconds)
        return QString();
    try {
        target.recordCycle(part.recordId, *part.cycleSeconds);
        return QString();
    } catch (const error& e) {
        return e.message();
    }
}

QString station_recorder::finish() {
    if (finished || runId.isEmpty())
        return QString();
    finished = true;
    try {
        target.endRun(runId, QDateTime::currentDateTimeUtc());
        return QString();
    } catch (const error& e) {
        return e.message();
    }
}

}  // namespace recording
