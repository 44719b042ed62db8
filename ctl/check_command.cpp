#include "ctl/check_command.h"

#include "ctl/board_session.h"
#include "ctl/exit_codes.h"
#include "ctl/link_trouble.h"
#include "ctl/outcome_exit.h"
#include "ctl/part_check.h"
#include "ctl/part_measure.h"

#include "device/part_file.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QJsonObject>

namespace ctl {

bool prepareCheck(const invocation& inv, tarnwell::part_description& part, junit_report& junit) {
    try {
        part = tarnwell::readPartFile(inv.expectedFile.toStdString());
    } catch (const tarnwell::part_file_error& e) {
        diagnose(QString::fromStdString(e.what()));
        return false;
    }
    const QString why = uncheckable(part);
    if (!why.isEmpty()) {
        diagnose(inv.expectedFile + QStringLiteral(": ") + why);
        return false;
    }
    QString error;
    if (!inv.junitFile.isEmpty() && !junit.open(inv.junitFile, error)) {
        diagnose(error);
        return false;
    }
    return true;
}

int runCheck(const invocation& inv, output& out, const stop_signals& stops) {
    tarnwell::part_description part;
    junit_report junit;
    if (!prepareCheck(inv, part, junit))
        return exit_usage;

    const link_trouble trouble;
    const auto how = inv.json ? board_session::format::json
                              : inv.raw ? board_session::format::raw : board_session::format::quiet;
    board_session session(how, out, trouble, stops);
    QElapsedTimer clock;
    clock.start();
    measured_part measured;
    board_session::answer answer = session.open(inv.port, inv.timeoutMs);
    if (answer.result == board_session::outcome::done)
        answer = measurePart(session, part, inv.timeoutMs, measured);
    session.close();
    if (answer.result != board_session::outcome::done)
        return exitFor(answer, stops);

    const std::vector<comparison> comparisons = comparePart(part, measured, inv.tolerance);
    const int failed = failedCount(comparisons);
    const int total = static_cast<int>(comparisons.size());
    if (inv.json) {
        out.record({{QStringLiteral("record"), QStringLiteral("check")},
                    {QStringLiteral("expected"), inv.expectedFile},
                    {QStringLiteral("tolerance"), inv.tolerance},
                    {QStringLiteral("verdict"), failed ? QStringLiteral("FAIL") : QStringLiteral("PASS")},
                    {QStringLiteral("failed"), failed},
                    {QStringLiteral("comparisons"), comparisonsJson(comparisons)}});
    } else {
        for (const comparison& c : comparisons)
            out.line(comparisonLine(c));
        out.line(failed ? QStringLiteral("FAIL: %1 of %2 comparisons failed").arg(failed).arg(total)
                        : QStringLiteral("PASS: %1 comparisons passed").arg(total));
    }
    if (junit.isOpen()) {
        junit.addSuite(QFileInfo(inv.expectedFile).completeBaseName(), clock.elapsed() / 1000.0, comparisons);
        QString error;
        if (!junit.write(error)) {
            diagnose(error);
            return exit_usage;
        }
    }
    if (out.closed())
        return exit_output_closed;
    return failed ? exit_check_failed : exit_done;
}

}  // namespace ctl
