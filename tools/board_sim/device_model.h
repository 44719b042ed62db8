#pragma once

// The device under test that the simulated board measures, and the reply payloads it gives.

#include "device/part_description.h"

#include <cstdint>
#include <vector>

namespace board_sim {

// The part in the fixture, as the device layer describes it.
using device_model = tarnwell::part_description;

// Three LEDs (one of them bidirectional), an RGB LED on a common pin, a wire link, two buttons and
// three touch pads.
device_model builtin_device();

std::vector<std::uint8_t> id_reply_payload(const device_model& device);
// `drop_shift` steps of 0.02 V are added to every drop, which stays within what its byte carries.
std::vector<std::uint8_t> static_measure_payload(const device_model& device, int drop_shift = 0);
std::vector<std::uint8_t> button_measure_payload(const device_model& device);
// One record per requested pin, in request order; a pin without a touch pad reads "not connected".
std::vector<std::uint8_t> capacitive_measure_payload(const device_model& device,
                                                     const std::vector<std::uint8_t>& pins);

}  // namespace board_sim
