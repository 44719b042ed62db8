#pragma once

// What the board answers to each command: the immediate reply, and for detections, measures and the
// configuration the event that follows.

#include "device_model.h"
#include "part_sequence.h"

#include <chrono>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace board_sim {

struct board_timing {
    std::chrono::milliseconds reply_delay{0};    // command to immediate answer
    std::chrono::milliseconds event_delay{200};  // answer to detection or measure event
    std::chrono::milliseconds calib_delay{500};  // CFG answer to ON_CALIB_DONE
};

struct reply {
    std::chrono::milliseconds delay;  // from the arrival of the command
    std::uint8_t endpoint;
    std::vector<std::uint8_t> payload;
    bool event;  // a later event, which IDLE cancels while it is pending
};

struct answer {
    std::vector<reply> replies;
    bool cancels_events = false;  // IDLE: the board stops what it was doing
    std::string note;             // for the log, when something is not answered as usual
};

class board {
public:
    // `silent`: commands never answered; `eventless`: commands acknowledged but without their event;
    // `drop_shift`: steps of 0.02 V added to every drop of the static measure.
    board(part_sequence parts, board_timing timing, std::set<std::uint8_t> silent,
          std::set<std::uint8_t> eventless, int drop_shift = 0);

    // Measures measure the current part, as it is when the command arrives.
    answer on_command(std::uint8_t endpoint, const std::vector<std::uint8_t>& payload) const;

    // An event has gone out on the line: ON_INSERT has the current part inserted, ON_REMOVE removed and
    // the next one current. Returns a line for the log, or nothing.
    std::string event_sent(std::uint8_t endpoint);

    // Commands that are followed by an event, the ones --no-event accepts.
    static bool has_event(std::uint8_t endpoint);

private:
    part_sequence parts;
    board_timing timing;
    std::set<std::uint8_t> silent;
    std::set<std::uint8_t> eventless;
    int drop_shift;
};

}  // namespace board_sim
