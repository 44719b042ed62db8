#pragma once

#include "station/part_comparison.h"

#include "device/endpoints.h"
#include "device/part_description.h"

#include <QString>

#include <cstdint>
#include <vector>

namespace station {

// One measure: the command that starts it; its event carries the result.
struct measure_step {
    tarnwell::endpoints command;
    std::vector<std::uint8_t> payload;
};

// Why `part` cannot be checked (a touch pad beyond the capacitive pins, nothing to measure), or empty.
QString uncheckable(const tarnwell::part_description& part);

// The measures that a check of `part` calls for, in the order static, button, capacitive (on the part's
// touch pads).
std::vector<measure_step> measurePlan(const tarnwell::part_description& part);

// Keeps the result of one measure, the payload of its event. Throws tarnwell::short_payload.
void storeMeasure(measured_part& measured, tarnwell::endpoints command, const std::vector<std::uint8_t>& payload);

}  // namespace station
