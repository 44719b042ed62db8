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

#include "station/station_engine.h"
#include "device/reports.h"

#include <QJsonObject>

#include <memory>

namespace ctl {

namespace {

constexpr int reasonsShown = 3;

void reportPart(output& out, bool json, bool recording, const station::part_result& part) {
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
        if (recording)
            record.insert(QStringLiteral("recorded"), part.recordProblem.isEmpty());
        out.record(record);
        return;
    }
    QString line = QStringLiteral("part %1  ").arg(part.number);
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

void reportSummary(output& out, bool json, const station::run_tally& t) {
    if (json) {
        out.record({{QStringLiteral("record"), QStringLiteral("summary")},
                    {QStringLiteral("parts"), static_cast<double>(t.parts())},
                    {QStringLiteral("passed"), static_cast<double>(t.passed())},
                    {QStringLiteral("failed"), static_cast<double>(t.failed())},
                    {QStringLiteral("not_recorded"), static_cast<double>(t.notRecorded())},
                    {QStringLiteral("yield_percent"), jsonOrNull(t.yieldPercent())},
                    {QStringLiteral("median_test_s"), jsonOrNull(t.medianTest())},
                    {QStringLiteral("median_cycle_s"), jsonOrNull(t.medianCycle())}});
        return;
    }
    QString line = QStringLiteral("summary: ") + count(t.parts(), "part", "parts");
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

    station::board_client client;
    // The part lines are the output; --raw shows the frames and reports as well.
    const traffic_printer printer(client, trafficFormat(false, inv.raw, traffic_printer::format::quiet), out);
    station::station_engine engine(client, settings);
    records.attach(engine);
    std::unique_ptr<serial_scanner> scanner;
    bool serialsEnded = false;
    if (settings.serialFirst) {
        scanner = std::make_unique<serial_scanner>();
        QObject::connect(&engine, &station::station_engine::serialNeeded, scanner.get(), &serial_scanner::request);
        QObject::connect(scanner.get(), &serial_scanner::scanned, &engine, &station::station_engine::provideSerial);
        // The end of the serials is the end of the run, as a stop request would make it.
        QObject::connect(scanner.get(), &serial_scanner::ended, &engine, [&] {
            serialsEnded = true;
            engine.stop();
        });
    }
    command_loop loop;
    int troubleCode = proc::exit_done;
    station::station_engine::end_reason reason = station::station_engine::end_reason::completed;

    QObject::connect(&engine, &station::station_engine::boardIdentified, loop.context(), [&](const tarnwell::firmware& fw) {
        const QString version = tarnwell::firmwareName(fw);
        if (inv.json)
            out.record({{QStringLiteral("record"), QStringLiteral("board")}, {QStringLiteral("firmware"), version}});
        else
            out.line(QStringLiteral("board: RX48P, firmware V") + version);
    });
    QObject::connect(&engine, &station::station_engine::configured, loop.context(), [&](int sensitivity, int buzzer) {
        if (!inv.json)
            out.line(QStringLiteral("configured: sensitivity %1, buzzer %2; calibration done").arg(sensitivity).arg(buzzer));
    });
    QObject::connect(&engine, &station::station_engine::partCompleted, loop.context(), [&](const station::part_result& part) {
        reportPart(out, inv.json, inv.record, part);
        if (junit.isOpen())
            junit.addPart(QStringLiteral("part %1").arg(part.number) +
                              (part.serial.isEmpty() ? QString() : QLatin1Char(' ') + part.serial),
                          part);
    });
    QObject::connect(&engine, &station::station_engine::trouble, loop.context(),
                     [&](station::trouble_kind kind, const QString& message) {
                         troubleCode = exitForTrouble(kind, message);
                         // A part not on record has its own error in its suite.
                         if (junit.isOpen() && kind != station::trouble_kind::not_recorded)
                             junit.addTrouble(QStringLiteral("run"), message);
                     });
    QObject::connect(&engine, &station::station_engine::finished, loop.context(),
                     [&](station::station_engine::end_reason why) {
                         reason = why;
                         loop.quit();
                     });
    QObject::connect(&stops, &proc::stop_signals::stopRequested, loop.context(), [&] {
        if (stops.count() == 1)
            engine.stop();
        else
            engine.abort();
    });
    out.onClosed([&] { engine.abort(); });
    engine.start();
    loop.exec();

    reportSummary(out, inv.json, engine.tally());
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
    if (troubleCode != proc::exit_done)
        return {troubleCode, 0};
    if (!endRecorded)
        return {proc::exit_results, 0};
    if (serialsEnded && engine.tally().parts() == 0) {
        diagnose(QStringLiteral("the serials ended before the first part: nothing was tested"));
        return {proc::exit_usage, 0};
    }
    const int verdict = engine.tally().passed() < engine.tally().parts() ? proc::exit_check_failed : proc::exit_done;
    using station_end = station::station_engine::end_reason;
    if ((reason == station_end::stopped || reason == station_end::aborted) && stops.count() > 0) {
        // Stopping is how a run without a count ends; a counted run cut short, or one that tested
        // nothing, was interrupted.
        if (inv.setup.count == 0 && engine.tally().parts() > 0)
            return {verdict, 0};
        return {proc::exit_done, stops.lastSignal()};
    }
    return {verdict, 0};
}

}  // namespace ctl
