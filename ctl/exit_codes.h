#pragma once

// rx48p-ctl's exit codes; --help and the README list them too.
namespace ctl {

enum exit_code : int {
    exit_done = 0,
    exit_check_failed = 1,   // check or station: a part did not match its description
    exit_usage = 2,          // unknown command, value out of range, missing port, unreadable part file
    exit_timeout = 3,        // the board did not answer in time
    exit_port = 4,           // the port cannot be opened, or went away
    exit_interrupted = 130,  // Ctrl-C or SIGTERM (128 + SIGINT, as shells report it)
    exit_output_closed = 141,  // standard output closed early (128 + SIGPIPE, as shells report it)
};

}  // namespace ctl
