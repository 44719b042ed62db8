#include "board_stream.h"

#include "vexcom/vexcom_packetizer.h"

#include <algorithm>
#include <random>

namespace {

const std::uint8_t acked[] = {0x00, 0x01, 0x02, 0x04, 0x06, 0x08, 0x0A, 0x0D, 0x0E, 0xFF};
const std::uint8_t events[] = {0x03, 0x0B, 0x0C};

}  // namespace

board_stream make_board_stream(std::size_t at_least) {
    const vex_com::packetizer builder(vex_com::config{{0x55}, 2, {}});
    std::mt19937 rng(48);  // fixed, so every run measures the same bytes
    auto pick = [&rng](unsigned lo, unsigned hi) { return std::uniform_int_distribution<unsigned>(lo, hi)(rng); };

    board_stream s;
    std::vector<std::uint8_t> payload;
    while (s.bytes.size() < at_least) {
        payload.clear();
        std::uint8_t endpoint = 0;
        bool corrupt = false;
        const unsigned roll = pick(0, 99);
        if (roll < 40) {  // acknowledgement
            endpoint = acked[pick(1, sizeof acked - 1)];
        } else if (roll < 65) {  // static or mechanical button measure: count, then 6-byte pin pairs
            endpoint = pick(0, 1) ? 0x05 : 0x07;
            const unsigned pairs = pick(0, 12);
            payload.push_back(static_cast<std::uint8_t>(pairs));
            for (unsigned i = 0; i < pairs * 6; ++i) payload.push_back(static_cast<std::uint8_t>(pick(0, 255)));
        } else if (roll < 80) {  // capacitive measure: count, then 2-byte records
            endpoint = 0x09;
            const unsigned pins = pick(0, 25);
            payload.push_back(static_cast<std::uint8_t>(pins));
            for (unsigned i = 0; i < pins * 2; ++i) payload.push_back(static_cast<std::uint8_t>(pick(0, 255)));
        } else if (roll < 85) {  // ping echo: name and firmware version
            endpoint = 0x00;
            payload = {'R', 'X', '4', '8', 'P', 1, 4, static_cast<std::uint8_t>(pick(0, 9))};
        } else if (roll < 95) {
            endpoint = events[pick(0, sizeof events - 1)];
        } else if (roll < 98) {  // a damaged acknowledgement
            endpoint = acked[pick(0, sizeof acked - 1)];
            corrupt = true;
        } else {  // line noise, free of header bytes so it cannot swallow the frames after it
            for (unsigned n = pick(1, 8); n > 0; --n) {
                const auto b = static_cast<std::uint8_t>(pick(0, 254));
                s.bytes.push_back(b == 0x55 ? 0xFF : b);
            }
            continue;
        }
        std::vector<std::uint8_t> frame = builder.packetize(endpoint, 1, payload.data(), payload.size());
        if (corrupt)
            frame.back() ^= 0x10;
        else
            ++s.good_frames;
        s.bytes.insert(s.bytes.end(), frame.begin(), frame.end());
    }

    for (std::size_t left = s.bytes.size(); left > 0;) {
        const std::size_t n = std::min<std::size_t>(left, pick(1, 64));
        s.chunk_sizes.push_back(n);
        left -= n;
    }
    return s;
}
