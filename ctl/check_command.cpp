#include "ctl/check_command.h"

#include "ctl/command_loop.h"
#include "ctl/comparison_json.h"
#include "ctl/figures.h"
#include "ctl/part_records.h"
#include "ctl/traffic_printer.h"
#include "ctl/trouble_exit.h"

#include "station/measure_plan.h"
#include "station/part_file_reader.h"
#include "station/station_engine.h"

#include <QFileInfo>
#include <QJsonObject>

namespace ctl {

bool prepareCheck(const invocation& inv, station::station_settings& settings, junit_report& junit) {
    tarnwell::part_description part;
    try {
        part = station::readPartFile(inv.setup.program);
    } catch (const tarnwell::part_file_error& e) {
        diagnose(QString::fromStdString(e.what()));
        return false;
    }
    const QString why = station::uncheckable(part);
    if (!why.isEmpty()) {
        diagnose(inv.setup.program + QStringLiteral(": ") + why);
        return false;
    }
    settings = station::settingsFor(inv.setup, std::move(part), settings.how);
    QString error;
    if (!inv.junitFile.isEmpty() && !junit.open(inv.junitFile, error)) {
        diagnose(error);
        return false;
    }
    return true;
}

proc::run_end runCheck(const invocation& inv, output& out, proc::stop_signals& stops) {
    station::station_settings settings;
    settings.how = station::station_settings::mode::single_check;
    junit_report junit;
    if (!prepareCheck(inv, settings, junit))
        return {proc::exit_usage, 0};

    station::board_client client;
    const traffic_printer printer(client, trafficFormat(inv.json, inv.raw, traffic_printer::format::quiet), out);
    part_records records;
    if (!records.open(inv))
        return {proc::exit_results, 0};
    if (const proc::run_end judged = records.judgeStart(inv, stops); judged.code != proc::exit_done || judged.signal)
        return judged;
    station::station_engine engine(client, settings);
    records.attach(engine);
    if (!inv.serial.isEmpty())
        engine.provideSerial(inv.serial);
    command_loop loop;
    proc::run_end end;
    bool judged = false, passed = false;
    QObject::connect(&engine, &station::station_engine::partJudged, loop.context(), [&](const station::part_result& part) {
        judged = true;
        passed = station::verdictOf(part) == station::verdict::pass;
        const int failed = station::failedCount(part.comparisons);
        const int total = static_cast<int>(part.comparisons.size());
        if (inv.json) {
            out.record({{QStringLiteral("record"), QStringLiteral("check")},
                        {QStringLiteral("expected"), inv.setup.program},
                        {QStringLiteral("tolerance"), inv.setup.tolerance},
                        {QStringLiteral("serial"), jsonOrNull(part.serial)},
                        {QStringLiteral("attempt"), part.attempt > 0 ? QJsonValue(part.attempt) : QJsonValue()},
                        {QStringLiteral("verdict"), station::verdictWord(station::verdictOf(part))},
                        {QStringLiteral("test_s"), part.testSeconds},
                        {QStringLiteral("cycle_s"), QJsonValue()},
                        {QStringLiteral("failed"), failed},
                        {QStringLiteral("comparisons"), comparisonsJson(part.comparisons)}});
        } else {
            for (const station::comparison& c : part.comparisons)
                out.line(station::comparisonLine(c));
            QString verdict = failed ? QStringLiteral("FAIL: %1 of %2 comparisons failed").arg(failed).arg(total)
                                     : QStringLiteral("PASS: %1 comparisons passed").arg(total);
            if (!part.recordProblem.isEmpty())
                verdict = QStringLiteral("NOT RECORDED: ") + station::notOnRecordNote(part);
            out.line(verdict + (part.serial.isEmpty() ? QString() : QStringLiteral(", serial ") + part.serial) +
                     QStringLiteral(", test ") + secondsText(part.testSeconds));
        }
        if (junit.isOpen())
            junit.addPart(QFileInfo(inv.setup.program).completeBaseName() +
                              (part.serial.isEmpty() ? QString() : QLatin1Char(' ') + part.serial),
                          part);
    });
    QObject::connect(&engine, &station::station_engine::trouble, loop.context(),
                     [&](station::trouble_kind kind, const QString& message) {
                         end.code = exitForTrouble(kind, message);
                         if (junit.isOpen() && kind != station::trouble_kind::not_recorded)
                             junit.addTrouble(QFileInfo(inv.setup.program).completeBaseName(), message);
                     });
    QObject::connect(&engine, &station::station_engine::finished, loop.context(), [&] { loop.quit(); });
    QObject::connect(&stops, &proc::stop_signals::stopRequested, loop.context(), [&](int signal) {
        end.signal = signal;
        engine.abort();
    });
    out.onClosed([&] { engine.abort(); });
    engine.start();
    loop.exec();
    out.onClosed(nullptr);
    const bool endRecorded = records.finish(stops);
    if (records.interruptedBy())
        return {proc::exit_done, records.interruptedBy()};

    QString error;
    if (junit.isOpen() && !junit.commit(error)) {
        diagnose(error);
        return {proc::exit_usage, end.signal};
    }
    if (end.signal)
        return end;
    if (out.closed())
        return {proc::exit_output_closed, 0};
    if (!judged)
        return end;
    if (end.code != proc::exit_done)
        return end;
    if (!endRecorded)
        return {proc::exit_results, 0};
    return {passed ? proc::exit_done : proc::exit_check_failed, 0};
}

}  // namespace ctl
