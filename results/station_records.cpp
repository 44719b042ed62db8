#include "results/station_records.h"

#include "results/default_location.h"
#include "results/error.h"
#include "results/server_url.h"

namespace results {

station_records::station_records() = default;

station_records::~station_records() {
    finishRun();
}

QString station_records::open(const QString& file, const QString& server) {
    if (!book || book->path() != file) {
        finishRun();
        forward.reset();
        book.reset();
        try {
            results::journal_options options;
            // The data folder may not be there yet on a new station; a folder named by hand must be.
            options.createFolder = file == results::defaultResultsFile();
            book = std::make_unique<results::journal>(file, options);
        } catch (const results::error& e) {
            return e.message();
        }
        serverText.clear();
    }
    if (!forward || serverText != server) {
        forward.reset();
        serverText = server;
        if (server.isEmpty())
            return QString();
        try {
            forward = std::make_unique<results::forward_worker>(file, results::server_url::parse(server));
        } catch (const results::error& e) {
            return e.message();
        }
        connect(forward.get(), &results::forward_worker::reachabilityChanged, this, &station_records::serverReachable);
        connect(forward.get(), &results::forward_worker::forwarded, this, &station_records::forwarded);
        connect(forward.get(), &results::forward_worker::refused, this, &station_records::refused);
        forward->forwardNow();  // what earlier runs left unsent
    }
    return QString();
}

void station_records::attach(station::station_engine& engine, const results::run_info& run, const QString& autoPrefix) {
    finishRun();
    recorder = std::make_unique<results::station_recorder>(*book, run, autoPrefix);
    connect(&engine, &station::station_engine::boardIdentified, this, [this](const tarnwell::firmware& fw) {
        if (recorder)
            recorder->setFirmware(QString::fromStdString(tarnwell::firmwareText(fw)));
    });
    connect(&engine, &station::station_engine::partCompleted, this, [this](const station::part_result& part) {
        if (!recorder)
            return;
        const QString why = recorder->recordCycle(part);
        if (!why.isEmpty())
            emit problem(why);
        else if (forward && part.cycleSeconds)
            forward->forwardNow();
    });
    engine.setRecorder([this](station::part_result& part) {
        if (!recorder)
            return QStringLiteral("no run is on record");
        const QString why = recorder->record(part);
        if (why.isEmpty() && forward)
            forward->forwardNow();
        return why;
    });
}

QString station_records::finishRun() {
    if (!recorder)
        return QString();
    const QString why = recorder->finish();
    recorder.reset();
    if (forward)
        forward->forwardNow();
    return why;
}

long station_records::drain(std::chrono::milliseconds limit) {
    if (!forward)
        return 0;
    forward->drain(limit);
    return forward->backlog();
}

}  // namespace results

namespace results {

bool station_records::forwardRest() {
    if (!forward)
        return false;
    forward->forwardNow();
    return true;
}

bool station_records::forwardSettled() const {
    return !forward || forward->settled();
}

}  // namespace results
