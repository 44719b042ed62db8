#pragma once

// Turns the board's replies into bytes for the line, with the faults that were asked for.

#include "vexcom/vexcom_packetizer.h"

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace board_sim {

struct fault_options {
    std::size_t noise = 0;               // bytes before every reply frame
    unsigned bad_crc_percent = 0;        // share of reply frames with a wrong CRC
    std::optional<std::uint8_t> stray;   // before every reply, a frame on this endpoint
    std::size_t truncate = 0;            // bytes cut off the end of the ID reply and measure payloads
    std::uint32_t seed = 1;              // of the noise bytes
};

// Bytes for the line and what the log says about them.
struct outgoing {
    std::vector<std::uint8_t> bytes;
    std::string text;
};

// A frame as the line carries it, without faults.
std::vector<std::uint8_t> frame_bytes(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload);

class frame_encoder {
public:
    explicit frame_encoder(const fault_options& faults);

    // Noise, stray frame and the reply frame itself, in the order they go on the line.
    std::vector<outgoing> encode(std::uint8_t endpoint, std::vector<std::uint8_t> payload);

private:
    bool next_crc_is_bad();

    fault_options faults;
    vex_com::packetizer packetizer;
    std::mt19937 random;
    unsigned long long replies = 0;
};

}  // namespace board_sim
