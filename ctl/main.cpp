// rx48p-ctl: drives the RX48P board from scripts, on RX48P-Term's own link, parser and report texts.

#include "ctl/check_command.h"
#include "ctl/exchange_command.h"
#include "process/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/learn_command.h"
#include "ctl/output.h"
#include "ctl/port_listing.h"
#include "ctl/results_command.h"
#include "ctl/station_command.h"
#include "process/stop_signals.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <rx48p_version.h>

#include <cstdio>

namespace {

using namespace ctl;

proc::run_end run(const invocation& inv, output& out, proc::stop_signals& stops) {
    switch (inv.what) {
    case invocation::action::help:
        out.line(helpText().trimmed());
        return {proc::exit_done, 0};
    case invocation::action::version:
        out.line(QStringLiteral("rx48p-ctl ") + QCoreApplication::applicationVersion());
        return {proc::exit_done, 0};
    case invocation::action::list_ports:
        listPorts(out, inv.json);
        return {out.closed() ? proc::exit_output_closed : proc::exit_done, 0};
    case invocation::action::exchange:
        return runExchange(inv, out, stops);
    case invocation::action::check:
        return runCheck(inv, out, stops);
    case invocation::action::station:
        return runStation(inv, out, stops);
    case invocation::action::results:
        return runResults(inv, out);
    case invocation::action::learn:
        return runLearn(inv, out, stops);
    }
    return {proc::exit_usage, 0};
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rx48p-ctl"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RX48P_VERSION));
    // The link's diagnostics are for the terminal's developers; the companion hears of trouble from the
    // link's signals and says it in its own words. QT_LOGGING_RULES can still turn them on.
    QLoggingCategory::setFilterRules(QStringLiteral("default.debug=false"));

    invocation inv;
    try {
        inv = parseInvocation(QCoreApplication::arguments());
    } catch (const usage_error& e) {
        diagnose(QString::fromStdString(e.what()));
        std::fputs("Try 'rx48p-ctl --help'.\n", stderr);
        return proc::exit_usage;
    }

    proc::stop_signals stops;
    output out;
    // Every object of the run, the link's threads among them, is gone once run() returns.
    const proc::run_end end = run(inv, out, stops);
    if (end.signal)
        proc::stop_signals::endBy(end.signal);
    return end.code;
}
