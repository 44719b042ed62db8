#include "ctl/learn_command.h"

#include "ctl/command_loop.h"
#include "ctl/traffic_printer.h"
#include "ctl/trouble_exit.h"

#include "device/payloads.h"
#include "device/reports.h"
#include "station/part_learner.h"
#include "station/station_engine.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>
#include <QSaveFile>

#include <cstdio>
#include <memory>

namespace ctl {

namespace {

// Progress for the operator: standard output carries the part.
void progress(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
    std::fflush(stderr);
}

QString counted(std::size_t n, const char* one, const char* many) {
    return QStringLiteral("%1 %2").arg(n).arg(QLatin1String(n == 1 ? one : many));
}

// "4 pairs, 2 buttons, 2 touch pads": only what was measured.
QString contents(const tarnwell::part_description& part) {
    const tarnwell::check_set c = tarnwell::checksOf(part);
    QStringList items;
    if (c.static_pins)
        items << counted(part.pairs.size(), "pair", "pairs");
    if (c.buttons)
        items << counted(part.buttons.size(), "button", "buttons");
    if (c.touch)
        items << counted(part.pads.size(), "touch pad", "touch pads");
    return items.join(QStringLiteral(", "));
}

QString versionText(const tarnwell::firmware& fw) {
    return tarnwell::firmwareName(fw);
}

QJsonObject pinType(std::uint8_t code) {
    return {{QStringLiteral("code"), code}, {QStringLiteral("name"), tarnwell::pinTypeName(code)}};
}

QJsonObject pairJson(const tarnwell::pin_pair_record& p) {
    return {{QStringLiteral("pin_a"), p.pin_a},
            {QStringLiteral("type_a"), pinType(p.type_a)},
            {QStringLiteral("pin_b"), p.pin_b},
            {QStringLiteral("type_b"), pinType(p.type_b)},
            {QStringLiteral("vdrop_ab"), tarnwell::dropVolts(p.vdrop_ab)},
            {QStringLiteral("vdrop_ba"), tarnwell::dropVolts(p.vdrop_ba)}};
}

// The part's items as JSON; a measure that was not run is null.
QJsonObject partJson(const tarnwell::part_description& part, const std::vector<station::drop_range>& ranges) {
    const tarnwell::check_set c = tarnwell::checksOf(part);
    QJsonArray pairs, buttons, pads;
    for (std::size_t i = 0; i < part.pairs.size(); ++i) {
        QJsonObject pair = pairJson(part.pairs[i]);
        if (i < ranges.size()) {
            pair.insert(QStringLiteral("spread_ab"), ranges[i].spread_ab() / 50.0);
            pair.insert(QStringLiteral("spread_ba"), ranges[i].spread_ba() / 50.0);
        }
        pairs.append(pair);
    }
    for (const tarnwell::button_spec& b : part.buttons)
        buttons.append(QJsonObject{{QStringLiteral("pin"), b.pin},
                                   {QStringLiteral("common"), b.common},
                                   {QStringLiteral("pressed"), b.pressed}});
    for (const tarnwell::touch_pad& t : part.pads)
        pads.append(QJsonObject{{QStringLiteral("pin"), t.pin}, {QStringLiteral("touched"), t.touched}});
    return {{QStringLiteral("firmware"), versionText(part.firmware)},
            {QStringLiteral("pairs"), c.static_pins ? QJsonValue(pairs) : QJsonValue()},
            {QStringLiteral("buttons"), c.buttons ? QJsonValue(buttons) : QJsonValue()},
            {QStringLiteral("pads"), c.touch ? QJsonValue(pads) : QJsonValue()}};
}

}  // namespace

proc::run_end runLearn(const invocation& inv, output& out, proc::stop_signals& stops) {
    // Whatever stands in the way of the file is found before a sample is asked for; the file only
    // replaces what is there once every sample agreed.
    std::unique_ptr<QSaveFile> file;
    if (!inv.outputFile.isEmpty()) {
        const QFileInfo info(inv.outputFile);
        if ((info.exists() || info.isSymLink()) && !inv.force) {
            diagnose(QStringLiteral("%1 exists already; --force replaces it").arg(inv.outputFile));
            return {proc::exit_usage, 0};
        }
        file = std::make_unique<QSaveFile>(inv.outputFile);
        if (!file->open(QIODevice::WriteOnly)) {
            diagnose(QStringLiteral("cannot write %1: %2").arg(inv.outputFile, file->errorString()));
            return {proc::exit_usage, 0};
        }
    }

    station::station_settings settings = station::settingsFor(inv.setup, std::nullopt);
    settings.plan = station::learnPlan(inv.learnMeasures);
    settings.count = inv.samples;

    station::board_client client;
    const traffic_printer printer(client, trafficFormat(false, inv.raw, traffic_printer::format::quiet), out);
    station::station_engine engine(client, settings);
    station::part_learner learner;
    tarnwell::firmware firmware;
    command_loop loop;
    int troubleCode = proc::exit_done;
    bool disagreed = false;

    QObject::connect(&engine, &station::station_engine::boardIdentified, loop.context(),
                     [&](const tarnwell::firmware& fw) { firmware = fw; });
    QObject::connect(&engine, &station::station_engine::partJudged, loop.context(), [&](const station::part_result& part) {
        const station::sample_reading sample = station::readSample(firmware, part.measured);
        progress(QStringLiteral("sample %1 of %2: %3").arg(part.number).arg(inv.samples).arg(contents(sample.part)));
        if (inv.json) {
            QJsonObject record{{QStringLiteral("record"), QStringLiteral("sample")},
                               {QStringLiteral("sample"), static_cast<double>(part.number)}};
            const QJsonObject items = partJson(sample.part, {});
            for (auto it = items.begin(); it != items.end(); ++it)
                record.insert(it.key(), it.value());
            out.record(record);
        }
        if (!learner.add(sample)) {
            diagnose(learner.problem());
            disagreed = true;
            // No buzzer: the operator must not hear OK for a sample that spoils the learning.
            engine.abort();
        }
    });
    QObject::connect(&engine, &station::station_engine::trouble, loop.context(),
                     [&](station::trouble_kind kind, const QString& message) { troubleCode = exitForTrouble(kind, message); });
    QObject::connect(&engine, &station::station_engine::finished, loop.context(), [&] { loop.quit(); });
    QObject::connect(&stops, &proc::stop_signals::stopRequested, loop.context(), [&] {
        if (stops.count() == 1)
            engine.stop();
        else
            engine.abort();
    });
    out.onClosed([&] { engine.abort(); });
    engine.start();
    loop.exec();
    out.onClosed(nullptr);

    if (out.closed())
        return {proc::exit_output_closed, 0};
    if (troubleCode != proc::exit_done)
        return {troubleCode, 0};
    if (disagreed)
        return {proc::exit_check_failed, 0};
    // Interrupted before the last sample was measured: nothing is learned.
    if (learner.samples() < inv.samples) {
        if (stops.count() > 0)
            return {proc::exit_done, stops.lastSignal()};
        // Never a success with nothing written, however the run came to an early end.
        diagnose(QStringLiteral("the run ended after %1 of %2 samples").arg(learner.samples()).arg(inv.samples));
        return {proc::exit_check_failed, 0};
    }

    // Half the station's default tolerance: a drop that wandered more than that on good parts leaves too
    // little margin for the parts to come.
    const QStringList warnings = learner.spreadWarnings(setup::defaultTolerance / 2);
    for (const QString& warning : warnings)
        diagnose(QStringLiteral("warning: ") + warning);
    const QString text = learner.fileText(QDateTime::currentDateTimeUtc(), inv.setup.sensitivity);
    const tarnwell::part_description part = learner.part();
    progress(QStringLiteral("learned from %1: %2")
                 .arg(counted(static_cast<std::size_t>(learner.samples()), "sample", "samples"), contents(part)));
    if (file) {
        const QByteArray bytes = text.toUtf8();
        if (file->write(bytes) != bytes.size() || !file->commit()) {
            diagnose(QStringLiteral("cannot write %1: %2").arg(inv.outputFile, file->errorString()));
            return {proc::exit_usage, 0};
        }
    }
    if (inv.json) {
        QJsonObject record{{QStringLiteral("record"), QStringLiteral("learned")},
                           {QStringLiteral("samples"), learner.samples()},
                           {QStringLiteral("file"), file ? QJsonValue(inv.outputFile) : QJsonValue()},
                           {QStringLiteral("warnings"), QJsonArray::fromStringList(warnings)},
                           {QStringLiteral("text"), text}};
        const QJsonObject items = partJson(part, learner.ranges());
        for (auto it = items.begin(); it != items.end(); ++it)
            record.insert(it.key(), it.value());
        out.record(record);
    } else if (!file) {
        out.line(text.chopped(1));
    }
    if (out.closed())
        return {proc::exit_output_closed, 0};
    // The samples were all measured, so the file stands; the signal still ends the program as one.
    return {proc::exit_done, stops.count() > 0 ? stops.lastSignal() : 0};
}

}  // namespace ctl
