#include "ctl/station_command.h"

#include "ctl/board_session.h"
#include "ctl/check_command.h"
#include "ctl/exit_codes.h"
#include "ctl/junit_report.h"
#include "ctl/link_trouble.h"
#include "ctl/outcome_exit.h"
#include "ctl/part_check.h"
#include "ctl/part_measure.h"

#include "device/payloads.h"

#include <QElapsedTimer>
#include <QJsonObject>

#include <algorithm>

namespace ctl {

namespace {

using outcome = board_session::outcome;

constexpr int reasonsShown = 3;

struct tally {
    long parts = 0;
    long passed = 0;
    std::vector<double> cycles;  // seconds

    double median() const {
        if (cycles.empty())
            return 0;
        std::vector<double> sorted = cycles;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t mid = sorted.size() / 2;
        return sorted.size() % 2 ? sorted[mid] : (sorted[mid - 1] + sorted[mid]) / 2;
    }
};

QString seconds(double s) {
    return QString::number(s, 'f', 3) + QStringLiteral(" s");
}

QString firstReasons(const std::vector<comparison>& comparisons) {
    QStringList reasons;
    int failed = 0;
    for (const comparison& c : comparisons)
        if (!c.passed && failed++ < reasonsShown)
            reasons << failureText(c);
    if (failed > reasonsShown)
        reasons << QStringLiteral("and %1 more").arg(failed - reasonsShown);
    return reasons.join(QStringLiteral("; "));
}

void reportPart(output& out, bool json, long number, const std::vector<comparison>& comparisons, double cycle) {
    const bool passed = failedCount(comparisons) == 0;
    const QString verdict = passed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
    if (json) {
        out.record({{QStringLiteral("record"), QStringLiteral("part")},
                    {QStringLiteral("part"), static_cast<double>(number)},
                    {QStringLiteral("verdict"), verdict},
                    {QStringLiteral("cycle_s"), cycle},
                    {QStringLiteral("failed"), failedCount(comparisons)},
                    {QStringLiteral("comparisons"), comparisonsJson(comparisons)}});
        return;
    }
    QString line = QStringLiteral("part %1  %2  %3").arg(number).arg(verdict, seconds(cycle));
    if (!passed)
        line += QStringLiteral("  ") + firstReasons(comparisons);
    out.line(line);
}

void reportSummary(output& out, bool json, const tally& t) {
    const long failed = t.parts - t.passed;
    const double yield = t.parts ? 100.0 * static_cast<double>(t.passed) / static_cast<double>(t.parts) : 0.0;
    if (json) {
        out.record({{QStringLiteral("record"), QStringLiteral("summary")},
                    {QStringLiteral("parts"), static_cast<double>(t.parts)},
                    {QStringLiteral("passed"), static_cast<double>(t.passed)},
                    {QStringLiteral("failed"), static_cast<double>(failed)},
                    {QStringLiteral("yield_percent"), yield},
                    {QStringLiteral("median_cycle_s"), t.median()}});
        return;
    }
    out.line(QStringLiteral("summary: %1 parts, %2 passed, %3 failed, yield %4 %, median cycle %5")
                 .arg(t.parts)
                 .arg(t.passed)
                 .arg(failed)
                 .arg(QString::number(yield, 'f', 1), seconds(t.median())));
}

}  // namespace

int runStation(const invocation& inv, output& out, const stop_signals& stops) {
    tarnwell::part_description part;
    junit_report junit;
    if (!prepareCheck(inv, part, junit))
        return exit_usage;

    const link_trouble trouble;
    // The part lines are the output; --raw shows the frames and reports as well.
    board_session session(inv.raw ? board_session::format::raw : board_session::format::quiet, out, trouble, stops);
    const int t = inv.timeoutMs;

    board_session::answer ended = session.open(inv.port, t);
    if (ended.result == outcome::done)
        ended = session.exchange(tarnwell::ID, tarnwell::pingPayload(), t, t);
    if (ended.result == outcome::done) {
        const tarnwell::firmware fw = tarnwell::decodeFirmware(ended.payload);
        const QString version = QStringLiteral("%1.%2.%3").arg(fw.major).arg(fw.minor).arg(fw.patch);
        if (inv.json)
            out.record({{QStringLiteral("record"), QStringLiteral("board")}, {QStringLiteral("firmware"), version}});
        else
            out.line(QStringLiteral("board: RX48P, firmware V") + version);
        tarnwell::board_config config;
        config.sensitivity = static_cast<std::uint8_t>(inv.sensitivity);
        config.buzzer = static_cast<std::uint8_t>(inv.buzzer);
        ended = session.exchange(tarnwell::CFG, tarnwell::configPayload(config), t, t);
        if (ended.result == outcome::done && !inv.json)
            out.line(QStringLiteral("configured: sensitivity %1, buzzer %2; calibration done")
                         .arg(inv.sensitivity)
                         .arg(inv.buzzer));
    }

    tally done;
    while (ended.result == outcome::done && (inv.count == 0 || done.parts < inv.count)) {
        QElapsedTimer cycle;
        cycle.start();
        // Waiting for a part: a stop request ends the run here.
        session.setStopLimit(1);
        ended = session.exchange(tarnwell::DETECT_INSERT, {}, t, board_session::noTimeout);
        if (ended.result != outcome::done)
            break;
        // A part in hand: a first request lets it finish, a second abandons it.
        session.setStopLimit(2);
        measured_part measured;
        ended = measurePart(session, part, t, measured);
        if (ended.result != outcome::done)
            break;
        const std::vector<comparison> comparisons = comparePart(part, measured, inv.tolerance);
        const bool passed = failedCount(comparisons) == 0;
        ended = session.exchange(passed ? tarnwell::BUZ_OK : tarnwell::BUZ_ER, {}, t, t);
        if (ended.result != outcome::done)
            break;
        ++done.parts;
        done.passed += passed ? 1 : 0;
        // The verdict stands; only the removal is left, which a stop request need not wait for.
        session.setStopLimit(1);
        const board_session::answer removed = session.exchange(tarnwell::DETECT_REMOVE, {}, t, board_session::noTimeout);
        const double s = cycle.elapsed() / 1000.0;
        done.cycles.push_back(s);
        reportPart(out, inv.json, done.parts, comparisons, s);
        junit.addSuite(QStringLiteral("part %1").arg(done.parts), s, comparisons);
        if (removed.result != outcome::done) {
            ended = removed;
            break;
        }
        if (stops.count() > 0)
            ended.result = outcome::interrupted;
    }

    // Back to idle whatever ended the run, unless the line itself is gone.
    if (ended.result != outcome::port_lost && ended.result != outcome::output_closed) {
        session.setStopLimit(0);
        session.exchange(tarnwell::IDLE, {}, t, t);
    }
    session.close();
    reportSummary(out, inv.json, done);
    if (junit.isOpen()) {
        QString error;
        if (!junit.write(error))
            diagnose(error);
    }
    // A stop request is how a run without --count ends: the parts' verdict is the result.
    if (ended.result != outcome::done && ended.result != outcome::interrupted)
        return exitFor(ended, stops);
    if (out.closed())
        return exit_output_closed;
    return done.passed < done.parts ? exit_check_failed : exit_done;
}

}  // namespace ctl
