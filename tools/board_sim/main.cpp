// rx48p-board-sim: plays the RX48P board on a serial line for RX48P-Term.

#include "background.h"
#include "line_link.h"
#include "line_log.h"
#include "link_lock.h"
#include "options.h"
#include "safe_text.h"
#include "serial_line.h"
#include "sim_error.h"
#include "simulator.h"

#include "device/part_file.h"

#include <rx48p_version.h>

#include <csignal>
#include <cstdio>
#include <optional>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

extern "C" void request_stop(int signal) {
    stop_requested = signal;
}

// As rx48p-ctl does: once everything is cleaned up, the end by the signal that asked for it, so a shell
// sees an interrupted program (130, 143).
[[noreturn]] void end_by(int signal) {
    std::fflush(nullptr);
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);
}

void install_signal_handlers() {
    struct sigaction stop {};
    stop.sa_handler = request_stop;
    sigemptyset(&stop.sa_mask);
    // No SA_RESTART: a signal must cut the loop's poll short.
    for (int sig : {SIGINT, SIGTERM, SIGHUP})
        sigaction(sig, &stop, nullptr);
    // A reader of the log that goes away must not end the board.
    std::signal(SIGPIPE, SIG_IGN);
}

}  // namespace

int run(int argc, char** argv) {
    using namespace board_sim;
    try {
        const options opts = parse_options(argc, argv);
        if (opts.version && !opts.help) {
            std::fputs("rx48p-board-sim " RX48P_VERSION "\n", stdout);
            return proc::exit_done;
        }
        if (opts.help) {
            std::fputs(help_text(), stdout);
            return proc::exit_done;
        }
        if (opts.print_device) {
            std::fputs(tarnwell::partText(opts.parts.front().device).c_str(), stdout);
            return proc::exit_done;
        }
        install_signal_handlers();
        // Before anything is opened or emptied: a refused simulator leaves the running one's log alone.
        std::optional<link_lock> lock;
        if (!opts.link.empty())
            lock.emplace(opts.link);
        if (opts.timestamps)
            log_with_timestamps();
        std::optional<id_output> id_out;
        if (opts.detach)
            id_out.emplace();
        if (!opts.log.empty() || opts.detach)
            log_to_file(opts.log.empty() ? "/dev/null" : opts.log);
        serial_line line = opts.port.empty() ? serial_line::pseudo_terminal() : serial_line::device(opts.port, opts.baud);
        std::optional<line_link> link;
        if (!opts.link.empty())
            link.emplace(opts.link, line.path());
        log_line("listening on " + line.path());
        // Everything a script's next command needs is there before the caller returns: the line is
        // open, the link made, and the first line of the log written.
        if (id_out) {
            if (const pid_t pid = go_background(); pid > 0) {
                if (link) {
                    lock->name_holder(pid);
                    lock->release();
                    link->release();
                }
                if (!id_out->print(pid)) {
                    ::kill(pid, SIGTERM);  // with its id lost, nobody could stop it
                    throw sim_error(proc::exit_output_closed, "cannot print the process id");
                }
                return proc::exit_done;
            }
            id_out->close();
        }
        simulator(opts, line).run(stop_requested);
        return proc::exit_done;
    } catch (const sim_error& e) {
        std::fprintf(stderr, "rx48p-board-sim: %s\n", terminal_safe(e.what()).c_str());
        if (e.exit_code == proc::exit_usage)
            std::fputs("Try 'rx48p-board-sim --help'.\n", stderr);
        return e.exit_code;
    }
}

int main(int argc, char** argv) {
    const int code = run(argc, argv);  // the line, its link and lock are gone once it returns
    if (stop_requested)
        end_by(stop_requested);
    return code;
}
