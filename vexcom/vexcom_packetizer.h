#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <vector>

namespace vex_com {

// The one-byte code every frame carries after its payload. The host always sends 1.
using acknowledge = std::uint8_t;

// Shared by a builder and the parser that reads its frames: a parser's transform must undo its peer's.
struct config {
    std::vector<std::uint8_t> header;
    std::size_t length_size = 2;  // width of the length field in bytes: 1 or 2
    std::function<std::vector<std::uint8_t>(std::vector<std::uint8_t>)> transform;
};

// Turns an endpoint, an acknowledge and a payload into the bytes of one frame:
// header | length (big-endian) | endpoint | payload | acknowledge | CRC-16 (big-endian).
class packetizer {
public:
    explicit packetizer(const config& cfg);

    // Throws std::length_error("too long message data") when the data part does not fit the length field.
    std::vector<std::uint8_t> packetize(std::uint8_t endpoint, acknowledge ack, const std::uint8_t* data,
                                        std::size_t size) const;

private:
    std::vector<std::uint8_t> header;
    std::size_t length_size;
    std::function<std::vector<std::uint8_t>(std::vector<std::uint8_t>)> transform;
    bool transform_enabled;
};

}  // namespace vex_com
