#include "ctl/part_records.h"

#include "ctl/output.h"

#include "results/default_location.h"
#include "results/error.h"
#include "results/server_url.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

namespace ctl {

namespace {

QString sha256Of(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (file.open(QIODevice::ReadOnly))
        hash.addData(&file);
    return QString::fromLatin1(hash.result().toHex());
}

}  // namespace

bool part_records::open(const invocation& inv, const station::station_settings& settings) {
    const bool numbering = inv.serials == invocation::serial_mode::numbered;
    if (!inv.record) {
        if (numbering)
            autoPrefix = inv.serial;
        return true;
    }
    const QString file = inv.resultsFile.isEmpty() ? results::defaultResultsFile() : inv.resultsFile;
    results::run_info run;
    run.station = inv.station.isEmpty() ? QSysInfo::machineHostName() : inv.station;
    run.programPath = QFileInfo(inv.expectedFile).absoluteFilePath();
    run.programSha256 = sha256Of(inv.expectedFile);
    run.sensitivity = settings.sensitivity;
    run.buzzer = settings.buzzer;
    run.tolerance = settings.tolerance;
    run.programVersion = QCoreApplication::applicationVersion();
    try {
        journal = std::make_unique<results::journal>(file);
    } catch (const results::error& e) {
        diagnose(e.message());
        return false;
    }
    recorder = std::make_unique<results::station_recorder>(*journal, run, numbering ? inv.serial : QString());
    if (!inv.server.isEmpty()) {
        forward = std::make_unique<results::forward_worker>(file, results::server_url::parse(inv.server));
        connect(forward.get(), &results::forward_worker::reachabilityChanged, this,
                [url = inv.server](bool reachable, const QString& reason) {
                    if (reachable)
                        diagnose(QStringLiteral("the results server is back: forwarding the parts recorded meanwhile"));
                    else
                        diagnose(QStringLiteral("%1; the station goes on and records its parts in the journal, to "
                                                "forward them when the server is back")
                                     .arg(reason));
                });
        forward->forwardNow();  // what earlier runs left unsent
    }
    return true;
}

void part_records::attach(station::station_engine& engine) {
    if (!recorder) {
        if (!autoPrefix.isEmpty())
            engine.setRecorder([this](station::part_result& part) {
                if (part.serial.isEmpty())
                    part.serial = autoPrefix + QStringLiteral("%1").arg(++numbered, 6, 10, QLatin1Char('0'));
                return QString();
            });
        return;
    }
    connect(&engine, &station::station_engine::boardIdentified, this, [this](const tarnwell::firmware& fw) {
        recorder->setFirmware(QStringLiteral("%1.%2.%3").arg(fw.major).arg(fw.minor).arg(fw.patch));
    });
    engine.setRecorder([this](station::part_result& part) {
        const QString why = recorder->record(part);
        if (why.isEmpty() && forward)
            forward->forwardNow();
        return why;
    });
}

bool part_records::finish() {
    if (!recorder)
        return true;
    const QString why = recorder->finish();
    if (!why.isEmpty())
        diagnose(why);
    if (forward && !forward->drain(std::chrono::seconds(5))) {
        const long left = forward->backlog();
        if (left > 0)
            diagnose(QStringLiteral("%1 parts are not on the results server yet: 'rx48p-ctl --server URL results push' "
                                    "forwards them")
                         .arg(left));
    }
    return why.isEmpty();
}

}  // namespace ctl
