#include "ctl/station_command.h"

#include "ctl/check_command.h"
#include "ctl/command_loop.h"
#include "ctl/comparison_json.h"
#include "ctl/figures.h"
#include "ctl/junit_report.h"
#include "ctl/part_records.h"
#include "ctl/serial_scanner.h"
#include "ctl/traffic_printer.h"
#include "ctl/trouble_exit.h"

#include "station/serial_queue.h"
#include "station/station_engine.h"
#include "device/reports.h"

#include <QJsonObject>

#include <algorithm>
#include <memory>
#include <vector>

namespace ctl {

namespace {

constexpr int reasonsShown = 3;
using end_reason = station::station_engine::end_reason;

// One board of the station: its link, its engine and how it ended. `label` starts its lines when the
// station has several ("a: "); a single unnamed fixture prints as a station always did.
struct fixture_run {
    fixture_run(const setup::fixture& fixture, station::station_settings settings, bool raw, output& out)
        : name(fixture.name), label(name.isEmpty() ? QString() : name + QStringLiteral(": ")),
          printer(client, trafficFormat(false, raw, traffic_printer::format::quiet), out, label),
          engine(client, std::move(settings)) {}

    QString name;
    QString label;
    station::board_client client;
    traffic_printer printer;
    station::station_engine engine;  // after the client it drives, so it goes first
    bool finished = false;
    end_reason reason = end_reason::completed;
    int troubleCode = proc::exit_done;
};

void reportPart(output& out, bool json, bool recording, const fixture_run& fixture, const station::part_result& part) {
    const station::verdict verdict = station::verdictOf(part);
    if (json) {
        QJsonObject record{{QStringLiteral("record"), QStringLiteral("part")},
                           {QStringLiteral("part"), static_cast<double>(part.number)},
                           {QStringLiteral("serial"), jsonOrNull(part.serial)},
                           {QStringLiteral("attempt"), part.attempt > 0 ? QJsonValue(part.attempt) : QJsonValue()},
                           {QStringLiteral("verdict"), station::verdictWord(verdict)},
                           {QStringLiteral("test_s"), part.testSeconds},
                           {QStringLiteral("cycle_s"), jsonOrNull(part.cycleSeconds)},
                           {QStringLiteral("failed"), station::failedCount(part.comparisons)},
                           {QStringLiteral("comparisons"), comparisonsJson(part.comparisons)}};
        if (!fixture.name.isEmpty())
            record.insert(QStringLiteral("fixture"), fixture.name);
        if (recording)
            record.insert(QStringLiteral("recorded"), part.recordProblem.isEmpty());
        out.record(record);
        return;
    }
    QString line = fixture.label + QStringLiteral("part %1  ").arg(part.number);
    if (!part.serial.isEmpty())
        line += part.serial + QStringLiteral("  ");
    line += station::verdictWord(verdict) + QStringLiteral("  test ") + secondsText(part.testSeconds) +
            QStringLiteral("  cycle ") + secondsText(part.cycleSeconds);
    if (verdict == station::verdict::not_recorded)
        line += QStringLiteral("  ") + station::notOnRecordNote(part);
    if (!part.passed)
        line += QStringLiteral("  ") + station::firstReasons(part.comparisons, reasonsShown).join(QStringLiteral("; "));
    out.line(line);
}

QString count(long n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// The summary of one fixture (`fixture` named) or of them all.
void reportSummary(output& out, bool json, const station::run_tally& t, const QString& fixture = QString()) {
    if (json) {
        QJsonObject record{{QStringLiteral("record"), QStringLiteral("summary")},
                           {QStringLiteral("parts"), static_cast<double>(t.parts())},
                           {QStringLiteral("passed"), static_cast<double>(t.passed())},
                           {QStringLiteral("failed"), static_cast<double>(t.failed())},
                           {QStringLiteral("not_recorded"), static_cast<double>(t.notRecorded())},
                           {QStringLiteral("yield_percent"), jsonOrNull(t.yieldPercent())},
                           {QStringLiteral("median_test_s"), jsonOrNull(t.medianTest())},
                           {QStringLiteral("median_cycle_s"), jsonOrNull(t.medianCycle())}};
        if (!fixture.isEmpty())
            record.insert(QStringLiteral("fixture"), fixture);
        out.record(record);
        return;
    }
    QString line = QStringLiteral("summary") + (fixture.isEmpty() ? QString() : QLatin1Char(' ') + fixture) +
                   QStringLiteral(": ") + count(t.parts(), "part", "parts");
    if (t.parts() > 0) {
        line += QStringLiteral(", %1 passed, %2 failed").arg(t.passed()).arg(t.failed());
        if (t.notRecorded() > 0)
            line += QStringLiteral(", %1 not recorded").arg(t.notRecorded());
        line += QStringLiteral(", yield %1, median test %2, median cycle %3")
                    .arg(percentText(t.yieldPercent()), secondsText(t.medianTest()), secondsText(t.medianCycle()));
    }
    out.line(line);
}

}  // namespace

proc::run_end runStation(const invocation& inv, output& out, proc::stop_signals& stops) {
    station::station_settings settings;
    junit_report junit;
    if (!prepareCheck(inv, settings, junit))
        return {proc::exit_usage, 0};
    part_records records;
    if (!records.open(inv))
        return {proc::exit_results, 0};
    if (const proc::run_end judged = records.judgeStart(inv, stops); judged.code != proc::exit_done || judged.signal)
        return judged;

    // Every fixture runs its own engine on its own board, all in this one loop: trouble on one ends
    // that one alone, and the others go on.
    std::vector<std::unique_ptr<fixture_run>> fixtures;
    for (const setup::fixture& fixture : setup::fixturesOf(inv.setup)) {
        station::station_settings own = settings;
        own.port = fixture.port;
        fixtures.push_back(std::make_unique<fixture_run>(fixture, std::move(own), inv.raw, out));
        records.attach(fixtures.back()->engine, fixture.name);
    }
    const auto forEachEngine = [&fixtures](void (station::station_engine::*act)()) {
        for (const auto& fixture : fixtures)
            (fixture->engine.*act)();
    };

    command_loop loop;
    station::run_tally all;
    // One scanner for every fixture: a serial goes to the fixture that has waited longest for one.
    std::unique_ptr<serial_scanner> scanner;
    station::serial_queue serials;
    bool serialsEnded = false;
    if (settings.serialFirst) {
        scanner = std::make_unique<serial_scanner>();
        QObject::connect(&serials, &station::serial_queue::assigned, loop.context(),
                         [&](int index, const QString& serial) { fixtures[index]->engine.provideSerial(serial); });
        QObject::connect(scanner.get(), &serial_scanner::scanned, loop.context(), [&](const QString& serial) {
            serials.scan(serial);
            if (serials.next())
                scanner->request();
        });
        // The end of the serials is the end of the run, as a stop request would make it.
        QObject::connect(scanner.get(), &serial_scanner::ended, loop.context(), [&] {
            serialsEnded = true;
            forEachEngine(&station::station_engine::stop);
        });
    }

    for (std::size_t i = 0; i < fixtures.size(); ++i) {
        fixture_run& fixture = *fixtures[i];
        station::station_engine& engine = fixture.engine;
        const int index = static_cast<int>(i);
        if (scanner) {
            QObject::connect(&engine, &station::station_engine::serialNeeded, loop.context(), [&, index] {
                serials.request(index);
                scanner->request();
            });
        }
        QObject::connect(&engine, &station::station_engine::boardIdentified, loop.context(),
                         [&](const tarnwell::firmware& fw) {
                             const QString version = tarnwell::firmwareName(fw);
                             if (!inv.json) {
                                 out.line(fixture.label + QStringLiteral("board: RX48P, firmware V") + version);
                                 return;
                             }
                             QJsonObject record{{QStringLiteral("record"), QStringLiteral("board")},
                                                {QStringLiteral("firmware"), version}};
                             if (!fixture.name.isEmpty())
                                 record.insert(QStringLiteral("fixture"), fixture.name);
                             out.record(record);
                         });
        QObject::connect(&engine, &station::station_engine::configured, loop.context(), [&](int sensitivity, int buzzer) {
            if (!inv.json)
                out.line(fixture.label + QStringLiteral("configured: sensitivity %1, buzzer %2; calibration done")
                                             .arg(sensitivity)
                                             .arg(buzzer));
        });
        QObject::connect(&engine, &station::station_engine::partCompleted, loop.context(),
                         [&](const station::part_result& part) {
                             all.add(part);
                             reportPart(out, inv.json, inv.record, fixture, part);
                             if (junit.isOpen())
                                 junit.addPart(fixture.label + QStringLiteral("part %1").arg(part.number) +
                                                   (part.serial.isEmpty() ? QString() : QLatin1Char(' ') + part.serial),
                                               part);
                         });
        QObject::connect(&engine, &station::station_engine::trouble, loop.context(),
                         [&](station::trouble_kind kind, const QString& message) {
                             fixture.troubleCode = exitForTrouble(kind, message, fixture.label);
                             // A part not on record has its own error in its suite.
                             if (junit.isOpen() && kind != station::trouble_kind::not_recorded)
                                 junit.addTrouble(fixture.label + QStringLiteral("run"), message);
                         });
        QObject::connect(&engine, &station::station_engine::finished, loop.context(), [&, index](end_reason why) {
            fixture.finished = true;
            fixture.reason = why;
            serials.withdraw(index);
            if (std::all_of(fixtures.begin(), fixtures.end(), [](const auto& f) { return f->finished; }))
                loop.quit();
        });
    }
    QObject::connect(&stops, &proc::stop_signals::stopRequested, loop.context(), [&] {
        forEachEngine(stops.count() == 1 ? &station::station_engine::stop : &station::station_engine::abort);
    });
    out.onClosed([&] { forEachEngine(&station::station_engine::abort); });
    forEachEngine(&station::station_engine::start);
    loop.exec();

    if (fixtures.size() > 1 || !fixtures.front()->name.isEmpty()) {
        for (const auto& fixture : fixtures)
            reportSummary(out, inv.json, fixture->engine.tally(), fixture->name);
    }
    reportSummary(out, inv.json, all);
    out.onClosed(nullptr);
    const bool endRecorded = records.finish(stops);
    if (records.interruptedBy())
        return {proc::exit_done, records.interruptedBy()};
    QString error;
    if (junit.isOpen() && !junit.commit(error)) {
        diagnose(error);
        return {proc::exit_usage, 0};
    }
    if (out.closed())
        return {proc::exit_output_closed, 0};
    // The worst over the fixtures: trouble (the first fixture's, in the order given) before a failed part.
    for (const auto& fixture : fixtures) {
        if (fixture->troubleCode != proc::exit_done)
            return {fixture->troubleCode, 0};
    }
    if (!endRecorded)
        return {proc::exit_results, 0};
    if (serialsEnded && all.parts() == 0) {
        diagnose(QStringLiteral("the serials ended before the first part: nothing was tested"));
        return {proc::exit_usage, 0};
    }
    const int verdict = all.passed() < all.parts() ? proc::exit_check_failed : proc::exit_done;
    const bool cutShort = std::any_of(fixtures.begin(), fixtures.end(), [](const auto& f) {
        return f->reason == end_reason::stopped || f->reason == end_reason::aborted;
    });
    if (cutShort && stops.count() > 0) {
        // Stopping is how a run without a count ends; a counted run cut short, or one that tested
        // nothing, was interrupted.
        if (inv.setup.count == 0 && all.parts() > 0)
            return {verdict, 0};
        return {proc::exit_done, stops.lastSignal()};
    }
    return {verdict, 0};
}

}  // namespace ctl
