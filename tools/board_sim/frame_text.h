#pragma once

// How the simulator's log shows frames: the raw bytes as the terminal's console writes them, then what
// they mean to the board.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace board_sim {

// "55:0a:ff": two lower-case hex digits a byte, joined by ':'.
std::string hex_text(const std::vector<std::uint8_t>& bytes);

// "MES_STATIC", or "0x42" for a value that names no endpoint.
std::string endpoint_name(std::uint8_t endpoint);

// A received command: "CFG sensitivity 64, buzzer 100", "MES_BUTTON_CAP pins 0, 3", ...
std::string describe_command(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload);

// A reply of the board: "ack MES_STATIC", "ON_STATIC_MES 6 pairs", ...
std::string describe_reply(std::uint8_t endpoint, const std::vector<std::uint8_t>& payload);

}  // namespace board_sim
