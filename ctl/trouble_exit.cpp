#include "ctl/trouble_exit.h"

#include "process/exit_codes.h"
#include "ctl/output.h"

namespace ctl {

int exitForTrouble(station::trouble_kind kind, const QString& message, const QString& label) {
    const auto diagnose = [&label](const QString& text) { ctl::diagnose(label + text); };
    switch (kind) {
    case station::trouble_kind::timed_out:
        diagnose(QStringLiteral("the board did not answer: %1").arg(message));
        return proc::exit_timeout;
    case station::trouble_kind::no_such_port:
        diagnose(message + QStringLiteral(" (rx48p-ctl ports lists them)"));
        return proc::exit_port;
    case station::trouble_kind::not_recorded:
        diagnose(QStringLiteral("the part cannot be recorded, the station stops: %1").arg(message));
        return proc::exit_results;
    case station::trouble_kind::wrong_firmware:
        diagnose(QStringLiteral("this part file is not for this board: %1").arg(message));
        return proc::exit_wrong_firmware;
    case station::trouble_kind::open_failed:
    case station::trouble_kind::line_lost:
        diagnose(message);
        return proc::exit_port;
    }
    return proc::exit_port;
}

}  // namespace ctl
