#pragma once

// The device under test that the simulated board measures, and the reply payloads it gives.

#include "device/records.h"

#include <cstdint>
#include <vector>

namespace board_sim {

struct firmware_version {
    std::uint8_t major = 1;
    std::uint8_t minor = 4;
    std::uint8_t patch = 2;
};

// Two pins the static measure finds connected: the board's own record, voltage drops in 0.02 V.
using pin_pair = tarnwell::pin_pair_record;

// A mechanical button between a pin and a common pin.
struct button {
    std::int8_t pin = 0;
    std::int8_t common = 0;
    bool pressed = false;
};

struct touch_pad {
    std::int8_t pin = 0;
    bool touched = false;
};

struct device_model {
    firmware_version firmware;
    std::vector<pin_pair> pairs;
    std::vector<button> buttons;
    std::vector<touch_pad> pads;
};

// Three LEDs (one of them bidirectional), an RGB LED on a common pin, a wire link, two buttons and
// three touch pads.
device_model builtin_device();

std::vector<std::uint8_t> id_reply_payload(const device_model& device);
std::vector<std::uint8_t> static_measure_payload(const device_model& device);
std::vector<std::uint8_t> button_measure_payload(const device_model& device);
// One record per requested pin, in request order; a pin without a touch pad reads "not connected".
std::vector<std::uint8_t> capacitive_measure_payload(const device_model& device,
                                                     const std::vector<std::uint8_t>& pins);

}  // namespace board_sim
