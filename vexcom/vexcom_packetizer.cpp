#include "vexcom/vexcom_packetizer.h"

#include "vexcom/vexcom_crc.h"

#include <cassert>
#include <stdexcept>

namespace vex_com {

packetizer::packetizer(const config& cfg)
    : header(cfg.header),
      length_size(cfg.length_size),
      transform(cfg.transform),
      transform_enabled(static_cast<bool>(cfg.transform)) {}

std::vector<std::uint8_t> packetizer::packetize(std::uint8_t endpoint, acknowledge ack, const std::uint8_t* data,
                                                std::size_t size) const {
    std::vector<std::uint8_t> frame(header);

    std::vector<std::uint8_t> body;
    body.reserve(size + 4);
    body.push_back(endpoint);
    if (size > 0)
        body.insert(body.end(), data, data + size);
    body.push_back(ack);
    const std::uint16_t crc = crc16(body.data(), body.size());
    body.push_back(static_cast<std::uint8_t>(crc >> 8));
    body.push_back(static_cast<std::uint8_t>(crc & 0xFF));

    // The CRC covers the plain bytes; the transform then encodes them together with the CRC.
    if (transform_enabled)
        body = transform(body);

    const std::size_t max_length = length_size == 1 ? 0xFF : 0xFFFF;
    if (body.size() > max_length)
        throw std::length_error("too long message data");

    const std::size_t length = body.size();
    switch (length_size) {
    case 1:
        frame.push_back(static_cast<std::uint8_t>(length));
        break;
    case 2:
        frame.push_back(static_cast<std::uint8_t>(length >> 8));
        frame.push_back(static_cast<std::uint8_t>(length & 0xFF));
        break;
    default:
        assert(false);
        throw std::logic_error("unsupported length field width");
    }
    frame.insert(frame.end(), body.begin(), body.end());
    return frame;
}

}  // namespace vex_com
