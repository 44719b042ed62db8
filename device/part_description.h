#pragma once

// A part, the device under test: what the board should find on its pins, and what a check of it
// measures. The simulator plays it; a test station compares a measured part with it.

#include "device/payloads.h"
#include "device/records.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace tarnwell {

// A mechanical button between a pin and a common pin, pressed (reads ON) or released (OFF).
struct button_spec {
    std::int8_t pin = 0;
    std::int8_t common = 0;
    bool pressed = false;
};

struct touch_pad {
    std::int8_t pin = 0;
    bool touched = false;
};

// The measures a check of the part runs.
struct check_set {
    bool static_pins = false;  // MES_STATIC: the pin pairs
    bool buttons = false;      // MES_BUTTON_MECH
    bool touch = false;        // MES_BUTTON_CAP on the part's touch pads
};

struct part_description {
    tarnwell::firmware firmware{1, 4, 2};
    bool firmwareStated = false;  // the part names its firmware: a board with another does not test it
    std::vector<pin_pair_record> pairs;  // what the static measure finds, drops in steps of 0.02 V
    std::vector<button_spec> buttons;
    std::vector<touch_pad> pads;
    std::optional<check_set> check;  // as the part says; none: see checksOf()
};

// What a check of `part` measures: its own check if it has one, otherwise each measure for which it
// lists something (static for pairs, buttons for buttons, touch for pads).
check_set checksOf(const part_description& part);

}  // namespace tarnwell
