#pragma once

#include "device/endpoints.h"

#include <cstdint>
#include <optional>

namespace tarnwell {

// "MES_STATIC", "ON_INSERT", ...; nullptr for a value that names no endpoint.
const char* endpointName(std::uint8_t value);

// The event the board sends after acknowledging `command`: the measure's result, the detection, or for
// the configuration the end of calibration. None for commands that end with their answer.
std::optional<endpoints> eventAfter(endpoints command);

}  // namespace tarnwell
