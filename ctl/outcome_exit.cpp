#include "ctl/outcome_exit.h"

#include "ctl/exit_codes.h"
#include "ctl/output.h"

#include <csignal>

namespace ctl {

int exitFor(const board_session::answer& answer, const stop_signals& stops) {
    switch (answer.result) {
    case board_session::outcome::done:
        return exit_done;
    case board_session::outcome::timed_out:
        diagnose(QStringLiteral("the board did not answer: %1").arg(answer.message));
        return exit_timeout;
    case board_session::outcome::port_lost:
        diagnose(answer.message);
        return exit_port;
    case board_session::outcome::interrupted:
        return stops.lastSignal() == SIGTERM ? 128 + SIGTERM : exit_interrupted;
    case board_session::outcome::output_closed:
        return exit_output_closed;
    }
    return exit_done;
}

}  // namespace ctl
