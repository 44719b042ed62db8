#pragma once

// The exit codes of our command-line programs (rx48p-ctl, rx48p-board-sim): one meaning each, whichever
// program ends with it; --help and the README list them too. Ctrl-C and SIGTERM have no code of their
// own: after a clean stop the program ends by the signal itself, which a shell shows as 130 and 143.
namespace proc {

enum exit_code : int {
    exit_done = 0,
    exit_check_failed = 1,     // check or station: a part did not match its description
    exit_usage = 2,            // unknown command, value out of range, missing port, unreadable part file
    exit_timeout = 3,          // the board did not answer in time
    exit_port = 4,             // the port cannot be opened, or went away
    exit_results = 5,          // results cannot be recorded or read
    exit_wrong_firmware = 6,   // check or station: the board runs another firmware than the part file names
    exit_not_found = 7,        // results part: nothing is on record for the serial
    exit_refused = 8,          // results push: the server refused some parts; the others went
    exit_not_released = 9,     // station --released-only: the part program's content is not released
    exit_output_closed = 141,  // standard output closed early (128 + SIGPIPE, as shells report it)
};

// How a command ended: an exit code, or a signal to end by once everything is cleaned up.
struct run_end {
    int code = exit_done;
    int signal = 0;  // SIGINT or SIGTERM; 0: exit with `code`
};

}  // namespace proc
