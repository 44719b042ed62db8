// rx48p-board-sim: plays the RX48P board on a serial line for RX48P-Term.

#include "line_log.h"
#include "options.h"
#include "serial_line.h"
#include "sim_error.h"
#include "simulator.h"

#include "device/part_file.h"

#include <csignal>
#include <cstdio>

namespace {

volatile std::sig_atomic_t stop_requested = 0;

extern "C" void request_stop(int) {
    stop_requested = 1;
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

int main(int argc, char** argv) {
    using namespace board_sim;
    try {
        const options opts = parse_options(argc, argv);
        if (opts.help) {
            std::fputs(help_text(), stdout);
            return exit_ok;
        }
        if (opts.print_device) {
            std::fputs(tarnwell::partText(opts.parts.front().device).c_str(), stdout);
            return exit_ok;
        }
        install_signal_handlers();
        if (opts.timestamps)
            log_with_timestamps();
        serial_line line = opts.port.empty() ? serial_line::pseudo_terminal() : serial_line::device(opts.port, opts.baud);
        log_line("listening on " + line.path());
        simulator(opts, line).run(stop_requested);
        return exit_ok;
    } catch (const sim_error& e) {
        std::fprintf(stderr, "rx48p-board-sim: %s\n", e.what());
        if (e.exit_code == exit_bad_input)
            std::fputs("Try 'rx48p-board-sim --help'.\n", stderr);
        return e.exit_code;
    }
}
