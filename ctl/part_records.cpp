#include "ctl/part_records.h"

#include "ctl/output.h"

#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <optional>

namespace ctl {

namespace {

// Every write waits for the journal's lock no longer than its busy time-out from when it was asked.
constexpr std::chrono::seconds settleLimit(10);

}  // namespace

bool part_records::open(const invocation& inv) {
    if (inv.setup.serials == setup::serial_mode::numbered)
        autoPrefix = inv.setup.serialPrefix;
    if (!inv.record)
        return true;
    run = setup::runInfoOf(inv.setup, QCoreApplication::applicationVersion());
    connect(&records, &recording::station_records::serverReachable, this, [](bool reachable, const QString& reason) {
        if (reachable)
            diagnose(QStringLiteral("the results server is back: forwarding the parts recorded meanwhile"));
        else
            diagnose(QStringLiteral("%1; the station goes on and records its parts in the journal, to forward "
                                    "them when the server is back")
                         .arg(reason));
    });
    // The cycle of a part already on record, added at its removal: the part stays, its cycle is missing.
    connect(&records, &recording::station_records::problem, this, [](const QString& reason) { diagnose(reason); });
    connect(&records, &recording::station_records::serverTrouble, this, [](const QString& reason) {
        diagnose(QStringLiteral("%1; the station goes on and records its parts in the journal, to forward them once "
                                "the server takes them")
                     .arg(reason));
    });
    connect(&records, &recording::station_records::refused, this, [](const QString& part, const QString& reason) {
        diagnose(QStringLiteral("the results server refused part %1: %2; it stays in the journal and the next push "
                                "tries it again")
                     .arg(part, reason));
    });
    file = setup::resultsFileOf(inv.setup);
    // A command-line program has nothing to do until the journal is open: it waits here for it, within
    // the journal's busy time-out.
    QString why = QStringLiteral("the results database did not open in time");
    const QMetaObject::Connection outcome =
        connect(&records, &recording::station_records::opened, this, [&why](const QString& problem) { why = problem; });
    records.open(file, inv.setup.server);
    records.settle(settleLimit);
    disconnect(outcome);
    if (!why.isEmpty()) {
        diagnose(why);
        return false;
    }
    recording = true;
    return true;
}

proc::run_end part_records::judgeStart(const invocation& inv, proc::stop_signals& stops) {
    if (!recording)
        return {proc::exit_done, 0};
    recording::start_check check{run.station, setup::auditedSettings(inv.setup, run.programSha256), run.programPath, run.programSha256,
                                 inv.setup.releasedOnly};
    std::optional<results::release_verdict> verdict;
    QString why;
    QEventLoop wait;
    const QMetaObject::Connection judged = connect(
        &records, &recording::station_records::startJudged, &wait, [&](const results::release_verdict& v, const QString& problem) {
            verdict = v;
            why = problem;
            wait.quit();
        });
    // An event loop rather than a blocking wait, so that a signal is heard at once; the journal and the
    // server's time-outs bound the wait.
    const QMetaObject::Connection stop = connect(&stops, &proc::stop_signals::stopRequested, &wait, [&](int signal) {
        interrupted = signal;
        records.hurry(std::chrono::milliseconds(0));
        wait.quit();
    });
    records.judgeStart(check);
    wait.exec();
    disconnect(judged);
    disconnect(stop);
    if (interrupted)
        return {proc::exit_done, interrupted};
    if (!why.isEmpty()) {
        diagnose(why);
        return {proc::exit_results, 0};
    }
    const QString refusal = verdict->refusal(run.programPath, run.programSha256);
    if (inv.setup.releasedOnly && !refusal.isEmpty()) {
        diagnose(refusal + QStringLiteral("; only released programs may run here (--released-only)"));
        return {proc::exit_not_released, 0};
    }
    if (inv.setup.releasedOnly && !verdict->fresh)
        diagnose(QStringLiteral("the results server is out of reach: %1 is released by the list read from it at %2")
                     .arg(run.programPath, verdict->listRead.toString(Qt::ISODate)));
    if (verdict->state != results::release_state::never_seen)
        run.released = verdict->state == results::release_state::released;
    return {proc::exit_done, 0};
}

void part_records::attach(station::station_engine& engine, const QString& fixture) {
    if (recording) {
        setup::run_info fixtureRun = run;
        fixtureRun.fixture = fixture;
        records.attach(engine, fixtureRun, autoPrefix);
        return;
    }
    if (!autoPrefix.isEmpty())
        engine.setRecorder([this, &engine](const station::part_result& part) {
            station::part_result numberedPart = part;
            if (numberedPart.serial.isEmpty())
                numberedPart.serial = autoPrefix + QStringLiteral("%1").arg(++numbered, 6, 10, QLatin1Char('0'));
            engine.recorded(numberedPart);
        });
}

bool part_records::finish(proc::stop_signals& stops) {
    if (!recording)
        return true;
    QString why;
    const QMetaObject::Connection outcome =
        connect(&records, &recording::station_records::runEnded, this, [&why](const QString& problem) { why = problem; });
    records.finishRun();
    if (!records.settle(settleLimit) && why.isEmpty())
        why = QStringLiteral("the end of the run could not be recorded in time");
    disconnect(outcome);
    if (!why.isEmpty())
        diagnose(why);
    drain(stops);
    return why.isEmpty();
}

void part_records::drain(proc::stop_signals& stops) {
    if (!records.forwardRest())
        return;
    // An event loop rather than a blocking wait, so that a signal is heard at once.
    QEventLoop wait;
    QTimer limit;
    limit.setSingleShot(true);
    connect(&limit, &QTimer::timeout, &wait, &QEventLoop::quit);
    QTimer poll;
    connect(&poll, &QTimer::timeout, &wait, [&] {
        if (records.forwardSettled())
            wait.quit();
    });
    const QMetaObject::Connection stop = connect(&stops, &proc::stop_signals::stopRequested, &wait, [&](int signal) {
        interrupted = signal;
        wait.quit();
    });
    limit.start(drainLimit);
    poll.start(20);
    wait.exec();
    disconnect(stop);
    if (interrupted)
        return;
    try {
        const results::journal_reader reader(file);
        const results::unsent_parts unsent = results::unsentParts(reader.database(), file);
        if (unsent.count > 0)
            diagnose(QStringLiteral("%1: 'rx48p-ctl --server URL results push' forwards them").arg(unsent.sentence()));
    } catch (const results::error& e) {
        diagnose(e.message());
    }
}

}  // namespace ctl
