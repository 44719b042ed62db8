#pragma once

#include <cstddef>
#include <cstdint>

namespace vex_com {

// CRC-16/CCITT-FALSE: polynomial 0x1021, initial value 0xFFFF, no reflection, no final XOR.
// Pass the previous result as `crc` to continue over more bytes.
std::uint16_t crc16(const std::uint8_t* data, std::size_t size, std::uint16_t crc = 0xFFFF) noexcept;

}  // namespace vex_com
