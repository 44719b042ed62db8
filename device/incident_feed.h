#pragma once

#include "vexcom/vexcom_interpreter.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <vector>

namespace tarnwell {

// Feeds a received chunk to the parser. The parser abandons the rest of a chunk when it throws; feeding
// it one byte per call keeps that contract while every byte still gets parsed, so a good frame behind
// one that cannot be reported (unknown endpoint, payload too short) is still dispatched. Each such
// frame's incident line goes to `incident`.
void interpretReportingIncidents(vex_com::interpreter& parser, const std::vector<std::uint8_t>& chunk,
                                 const std::function<void(const QString&)>& incident);

}  // namespace tarnwell
