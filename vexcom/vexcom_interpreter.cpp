#include "vexcom/vexcom_interpreter.h"

#include "vexcom/vexcom_crc.h"

#include <algorithm>
#include <cassert>

namespace vex_com {

interpreter::interpreter(const config& cfg)
    : header(cfg.header),
      length_size(cfg.length_size),
      transform(cfg.transform),
      transform_enabled(static_cast<bool>(cfg.transform)) {
    assert(!header.empty());
    assert(length_size == 1 || length_size == 2);
}

void interpreter::add_handler(std::uint8_t endpoint, handler h) {
    const bool taken = std::any_of(handlers.begin(), handlers.end(),
                                   [endpoint](const auto& entry) { return entry.first == endpoint; });
    if (taken) {
        assert(false);
        return;
    }
    handlers.emplace_back(endpoint, std::move(h));
}

void interpreter::interpret(const std::uint8_t* data, std::size_t size) {
    const std::uint8_t* const end = data + size;
    try {
        // Payload bytes need no decision each, and they are most of the traffic.
        while (data != end) {
            if (current == state::payload)
                data = take_payload(data, end);
            else
                feed(*data++);
        }
    } catch (...) {
        current = state::header_search;
        throw;
    }
}

void interpreter::reset() {
    current = state::header_search;
}

void interpreter::feed(std::uint8_t byte) {
    switch (current) {
    case state::header_search:
        header_window.push_back(byte);
        if (header_window.size() == header.size()) {
            if (header_window == header) {
                header_window.clear();
                length_bytes.clear();
                encoded_bytes.clear();
                current = state::length;
            } else {
                header_window.erase(header_window.begin());
            }
        }
        break;

    case state::length:
        length_bytes.push_back(byte);
        if (length_bytes.size() == length_size) {
            expected_length = length_size == 1
                                  ? length_bytes[0]
                                  : static_cast<std::uint16_t>(length_bytes[0] * 256 + length_bytes[1]);
            if (expected_length == 0) {
                current = state::header_search;
            } else if (transform_enabled) {
                current = state::encoded_data;
            } else {
                payload.clear();
                current = state::endpoint;
            }
        }
        break;

    case state::endpoint:
        endpoint = byte;
        current = expected_length <= 2 + crc_size ? state::acknowledge : state::payload;
        break;

    case state::payload:
        payload.push_back(byte);
        if (payload.size() + 2 + crc_size == expected_length)
            current = state::acknowledge;
        break;

    case state::acknowledge:
        ack = byte;
        crc_bytes.clear();
        current = state::crc;
        break;

    case state::crc:
        crc_bytes.push_back(byte);
        if (crc_bytes.size() == crc_size) {
            current = state::header_search;
            dispatch();
        }
        break;

    case state::encoded_data:
        encoded_bytes.push_back(byte);
        if (encoded_bytes.size() == expected_length) {
            payload.clear();
            const std::vector<std::uint8_t> decoded = transform(encoded_bytes);
            // The decoded part must hold endpoint, acknowledge and CRC on its own: topping it up with raw
            // bytes would mix in the next frame. Longer than the length field could carry is no frame either.
            if (decoded.size() < 2 + crc_size || decoded.size() > 0xFFFF) {
                current = state::header_search;
                break;
            }
            expected_length = static_cast<std::uint16_t>(decoded.size());
            current = state::endpoint;
            for (std::uint8_t decoded_byte : decoded)
                feed(decoded_byte);
        }
        break;
    }
}

const std::uint8_t* interpreter::take_payload(const std::uint8_t* from, const std::uint8_t* end) {
    const std::size_t wanted = expected_length - 2 - crc_size - payload.size();
    const std::size_t n = std::min(wanted, static_cast<std::size_t>(end - from));
    payload.insert(payload.end(), from, from + n);
    if (n == wanted)
        current = state::acknowledge;
    return from + n;
}

void interpreter::dispatch() {
    std::uint16_t crc = crc16(&endpoint, 1);
    crc = crc16(payload.data(), payload.size(), crc);
    crc = crc16(&ack, 1, crc);
    const std::uint16_t received = static_cast<std::uint16_t>(crc_bytes[0] << 8 | crc_bytes[1]);
    if (crc != received)
        return;

    const auto found = std::find_if(handlers.begin(), handlers.end(),
                                    [this](const auto& entry) { return entry.first == endpoint; });
    if (found == handlers.end())
        throw except(1, endpoint);
    found->second(ack, payload);
}

}  // namespace vex_com
