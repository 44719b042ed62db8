#pragma once

#include <string>

namespace board_sim {

// Whole numbers in decimal or, with 0x, hexadecimal. Throws std::invalid_argument naming `what` and the
// accepted range when `text` is not such a number or lies outside [min, max].
long parse_number(const std::string& text, long min, long max, const std::string& what);

// Volts with up to the precision of the board (0.02 V), returned in those units, e.g. "1.80" -> 90.
// An optional trailing "V" is accepted.
int parse_volts(const std::string& text);
std::string format_volts(int units);

}  // namespace board_sim
