#pragma once

// The board's main loop: reads commands from the line, answers them on time, and logs both ways.

#include "board.h"
#include "frame_encoder.h"
#include "options.h"
#include "serial_line.h"
#include "transmitter.h"

#include "vexcom/vexcom_interpreter.h"

#include <csignal>
#include <cstdint>
#include <vector>

namespace board_sim {

class simulator {
public:
    simulator(const options& opts, serial_line& line);

    // Serves the line until `stop` becomes non-zero (set by a signal handler).
    void run(const volatile std::sig_atomic_t& stop);

private:
    using clock = std::chrono::steady_clock;

    struct scheduled {
        clock::time_point due;
        unsigned long long order;  // keeps replies that fall due together in the order they were made
        reply frame;
    };

    void on_frame(std::uint8_t endpoint, vex_com::acknowledge ack, std::vector<std::uint8_t> payload);
    void read_line();
    void send_due(clock::time_point now);
    void send_stream(clock::time_point now);
    void terminal_opened();
    void terminal_closed();
    clock::duration poll_timeout(clock::time_point now) const;

    serial_line& line;
    bool log_raw;
    board dut_board;
    frame_encoder encoder;
    transmitter tx;
    vex_com::interpreter parser;
    std::vector<scheduled> schedule;
    unsigned long long made = 0;
    bool terminal_open;
    // The steady event stream of --stream: the next event's time and how many are still to go.
    clock::duration stream_period{};
    unsigned long stream_total = 0;
    clock::time_point stream_next{};
    unsigned long stream_left = 0;
};

}  // namespace board_sim
