#pragma once

#include "vexcom_packetizer.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <utility>
#include <vector>

namespace vex_com {

class except : public std::exception {
public:
    explicit except(int code, std::uint8_t endpoint = 0) noexcept : code(code), endpoint(endpoint) {}
    const char* what() const noexcept override { return "VEXCOM Error"; }

    int code;               // 1: a frame arrived for an endpoint without a handler
    std::uint8_t endpoint;  // the frame's endpoint, so the incident can be reported
};

using handler = std::function<void(acknowledge, std::vector<std::uint8_t>)>;

// Byte-at-a-time frame parser: keeps its state between chunks, checks each frame's CRC and calls the
// handler registered for the frame's endpoint. Frames with a bad CRC are dropped silently.
class interpreter {
public:
    explicit interpreter(const config& cfg);

    // Registering an endpoint twice is a programming error (assertion).
    void add_handler(std::uint8_t endpoint, handler h);

    // Handlers run synchronously from here. Throws vex_com::except(1) for an endpoint without a handler
    // and lets a handler's exception through; either way the parser is back at header search and the rest
    // of `data` is not parsed.
    void interpret(const std::uint8_t* data, std::size_t size);

    void reset();

private:
    enum class state { header_search, length, endpoint, payload, acknowledge, crc, encoded_data };

    void feed(std::uint8_t byte);
    // In the payload state: takes as many bytes as the frame still needs, returns where it stopped.
    const std::uint8_t* take_payload(const std::uint8_t* from, const std::uint8_t* end);
    void dispatch();

    std::vector<std::uint8_t> header;
    std::size_t length_size;
    std::function<std::vector<std::uint8_t>(std::vector<std::uint8_t>)> transform;
    bool transform_enabled;
    static constexpr std::size_t crc_size = 2;

    std::vector<std::pair<std::uint8_t, handler>> handlers;

    state current = state::header_search;
    std::vector<std::uint8_t> header_window;
    std::vector<std::uint8_t> length_bytes;
    std::uint16_t expected_length = 0;
    std::uint8_t endpoint = 0;
    std::vector<std::uint8_t> payload;
    acknowledge ack = 0;
    std::vector<std::uint8_t> crc_bytes;
    std::vector<std::uint8_t> encoded_bytes;
};

}  // namespace vex_com
