#pragma once

#include "vexcom/vexcom_interpreter.h"

#include <tuple>

using bytes = std::vector<std::uint8_t>;

struct frame {
    std::uint8_t endpoint;
    vex_com::acknowledge ack;
    bytes payload;
    bool operator==(const frame& o) const { return std::tie(endpoint, ack, payload) == std::tie(o.endpoint, o.ack, o.payload); }
};

inline bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Touches every byte and adds one, so a transform at the wrong moment shows in the CRC and the length.
inline bytes encode(bytes in) {
    for (auto& b : in) b ^= 0xA5;
    return bytes{0x7E} + in;
}
inline bytes decode(bytes in) {
    if (!in.empty()) in.erase(in.begin());
    for (auto& b : in) b ^= 0xA5;
    return in;
}

inline vex_com::config cfg(bytes header, std::size_t width = 2, decltype(vex_com::config::transform) t = {}) {
    return {std::move(header), width, std::move(t)};
}

inline bytes wire(const vex_com::config& c, const frame& f) {
    return vex_com::packetizer(c).packetize(f.endpoint, f.ack, f.payload.data(), f.payload.size());
}

// A parser that records what it dispatches.
struct probe {
    explicit probe(const vex_com::config& c, bytes endpoints = {0x00, 0x05, 0x09, 0xFF}) : parser(c) {
        for (std::uint8_t ep : endpoints)
            parser.add_handler(ep, [this, ep](vex_com::acknowledge a, bytes p) { seen.push_back({ep, a, std::move(p)}); });
    }
    probe(const probe&) = delete;
    probe& operator<<(const bytes& chunk) {
        parser.interpret(chunk.data(), chunk.size());
        return *this;
    }
    vex_com::interpreter parser;
    std::vector<frame> seen;
};
