// rx48p-ctl: drives the RX48P board from scripts, on RX48P-Term's own link, parser and report texts.

#include "ctl/board_session.h"
#include "ctl/check_command.h"
#include "ctl/exit_codes.h"
#include "ctl/invocation.h"
#include "ctl/link_trouble.h"
#include "ctl/outcome_exit.h"
#include "ctl/output.h"
#include "ctl/port_listing.h"
#include "ctl/station_command.h"
#include "ctl/stop_signals.h"

#include <QCoreApplication>

#include <cstdio>

namespace {

using namespace ctl;

int runExchange(const invocation& inv, output& out, const stop_signals& stops) {
    const link_trouble trouble;
    const auto how = inv.json ? board_session::format::json
                              : inv.raw ? board_session::format::raw : board_session::format::reports;
    board_session session(how, out, trouble, stops);
    board_session::answer answer = session.open(inv.port, inv.timeoutMs);
    if (answer.result == board_session::outcome::done)
        answer = session.exchange(inv.command, inv.payload, inv.timeoutMs, inv.timeoutMs);
    session.close();
    return exitFor(answer, stops);
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("rx48p-ctl"));
    qRegisterMetaType<std::vector<uint8_t>>("std::vector<uint8_t>");

    invocation inv;
    try {
        inv = parseInvocation(QCoreApplication::arguments());
    } catch (const usage_error& e) {
        diagnose(QString::fromStdString(e.what()));
        std::fputs("Try 'rx48p-ctl --help'.\n", stderr);
        return exit_usage;
    }

    const stop_signals stops;
    output out;
    switch (inv.what) {
    case invocation::action::help:
        out.line(helpText().trimmed());
        return exit_done;
    case invocation::action::list_ports:
        listPorts(out, inv.json);
        return out.closed() ? exit_output_closed : exit_done;
    case invocation::action::exchange:
        return runExchange(inv, out, stops);
    case invocation::action::check:
        return runCheck(inv, out, stops);
    case invocation::action::station:
        return runStation(inv, out, stops);
    }
    return exit_usage;
}
