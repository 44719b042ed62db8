#pragma once

// Numbers as people write them in part files and on command lines. The same in every locale: a part
// file written on one machine reads the same on any other.

#include <string>

namespace tarnwell {

// Whole numbers in decimal or, with 0x, hexadecimal. Throws std::invalid_argument naming `what` and the
// accepted range when `text` is not such a number or lies outside [min, max].
long parseNumber(const std::string& text, long min, long max, const std::string& what);

// Volts as the board's steps of 0.02 V, e.g. "1.80" -> 90; a value between two steps is refused. An
// optional trailing "V" is accepted; the result lies in -128..127 (-2.56 V to 2.54 V).
int parseVolts(const std::string& text);
// Steps of 0.02 V as volts with two decimals: 90 -> "1.80", -1 -> "-0.02".
std::string formatVolts(int steps);

// `text` for a message: in quotes, bytes that do not print as \xNN, and cut short when long.
std::string quotedText(const std::string& text);

}  // namespace tarnwell
