#pragma once

#include "board.h"
#include "frame_encoder.h"
#include "part_sequence.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace board_sim {

struct options {
    bool help = false;
    bool version = false;
    bool print_device = false;
    bool raw = false;          // log every chunk read from the line too
    std::string port;          // empty: create a pseudo-terminal
    unsigned baud = 9600;
    std::vector<run_part> parts;  // in the order of the run; the built-in device when none is given
    board_timing timing;
    int drop_shift = 0;                // steps of 0.02 V added to every drop the static measure reports
    std::size_t chunk = 0;
    std::chrono::milliseconds chunk_pause{20};
    unsigned pace = 0;                 // baud: every byte on its own at that line's rate; 0: as fast as it goes
    fault_options faults;
    std::set<std::uint8_t> no_reply;
    std::set<std::uint8_t> no_event;
    unsigned stream_rate = 0;          // ON_INSERT events a second while the line is open; 0: none
    unsigned long stream_count = 0;    // how many of them per opening; 0: no end
    bool timestamps = false;           // start every log line with the monotonic clock
    std::string link;                  // a symbolic link to the line while it is served; empty: none
    std::string log;                   // the log's file; empty: standard output (nowhere with --detach)
    bool detach = false;               // go on in the background once the line is ready
};

// Throws sim_error(proc::exit_usage) for a bad option or an unreadable or bad device file.
options parse_options(int argc, const char* const* argv);

const char* help_text();

}  // namespace board_sim
