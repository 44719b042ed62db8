// The frame builder and parser: known frames, limits, transform order, arbitrary splits and errors.

#include "vexcom/vexcom_crc.h"
#include "vexcom/vexcom_interpreter.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <tuple>

namespace {

using bytes = std::vector<std::uint8_t>;
using frame = std::tuple<std::uint8_t, vex_com::acknowledge, bytes>;  // endpoint, acknowledge, payload
using frames = std::vector<frame>;

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Touches every byte and adds one, so a transform at the wrong moment shows in the CRC and the length.
bytes encode(bytes in) {
    for (auto& b : in) b ^= 0xA5;
    return bytes{0x7E} + in;
}
bytes decode(bytes in) {
    if (!in.empty()) in.erase(in.begin());
    for (auto& b : in) b ^= 0xA5;
    return in;
}

vex_com::config cfg(bytes header, std::size_t width = 2, decltype(vex_com::config::transform) t = {}) {
    return {std::move(header), width, std::move(t)};
}
const vex_com::config board = cfg({0x55});
const frame idle{0xFF, 1, {}};
const bytes idle_wire{0x55, 0x00, 0x04, 0xFF, 0x01, 0x0E, 0xD1};

bytes wire(const vex_com::config& c, const frame& f) {
    const auto& [endpoint, ack, payload] = f;
    return vex_com::packetizer(c).packetize(endpoint, ack, payload.data(), payload.size());
}

// What `f` threw as E, if it did.
template <typename E, typename F> std::optional<E> thrown(F f) {
    try { f(); } catch (const E& e) { return e; }
    return std::nullopt;
}

// A parser that records what it dispatches.
struct probe {
    explicit probe(const vex_com::config& c, bytes endpoints = {0x00, 0x05, 0x09, 0xFF}) : parser(c) {
        for (std::uint8_t ep : endpoints)
            parser.add_handler(ep, [this, ep](vex_com::acknowledge a, bytes p) { seen.push_back({ep, a, std::move(p)}); });
    }
    probe& operator<<(const bytes& chunk) {
        parser.interpret(chunk.data(), chunk.size());
        return *this;
    }
    vex_com::interpreter parser;
    frames seen;
};

TEST(Frames, CrcCheckValueAndKnownFramesBothWays) {
    const std::string check = "123456789";
    EXPECT_EQ(vex_com::crc16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x29B1);
    const std::pair<frame, bytes> known[] = {
        {idle, idle_wire},
        {{0x02, 1, {}}, {0x55, 0x00, 0x04, 0x02, 0x01, 0x6B, 0x4C}},
        {{0x04, 1, {}}, {0x55, 0x00, 0x04, 0x04, 0x01, 0xC1, 0xEA}},
        {{0x01, 1, {0x0A, 0x14}}, {0x55, 0x00, 0x06, 0x01, 0x0A, 0x14, 0x01, 0xEA, 0x23}},
        {{0x01, 1, {0x40, 0x64}}, {0x55, 0x00, 0x06, 0x01, 0x40, 0x64, 0x01, 0x38, 0x16}}};
    for (const auto& [f, w] : known) {
        EXPECT_EQ(wire(board, f), w);
        EXPECT_EQ((probe(board, {std::get<0>(f)}) << w).seen, frames{f});
    }
}

TEST(Frames, LargestDataPartFitsOneMoreThrowsForBothWidths) {
    for (std::size_t width : {1, 2}) {
        const auto c = cfg({0x55}, width);
        const std::size_t max = width == 1 ? 0xFF : 0xFFFF;
        frame f{0x09, 2, bytes(max - 4, 0x55)};
        const bytes w = wire(c, f);
        EXPECT_EQ(w.size(), 1 + width + max);
        EXPECT_EQ((probe(c) << w).seen, frames{f});
        std::get<2>(f).push_back(0);
        EXPECT_STREQ(thrown<std::length_error>([&] { wire(c, f); }).value().what(), "too long message data");
    }
}

// Only CRC-then-encode on one side and decode-then-check on the other agree with this frame made by hand.
TEST(Frames, CrcCoversPlainBytesLengthCountsEncodedOnes) {
    const frame f{0x05, 1, {0x01, 0x55, 0x02}};
    bytes plain{0x05, 0x01, 0x55, 0x02, 0x01};
    const std::uint16_t crc = vex_com::crc16(plain.data(), plain.size());
    const bytes encoded = encode(plain + bytes{std::uint8_t(crc >> 8), std::uint8_t(crc)});
    const bytes hand_made = bytes{0x55, 0x00, std::uint8_t(encoded.size())} + encoded;
    EXPECT_EQ(wire(cfg({0x55}, 2, encode), f), hand_made);
    EXPECT_EQ((probe(cfg({0x55}, 2, decode)) << hand_made).seen, frames{f});
}

TEST(VexcomDeathTest, ProgrammingErrorsAssert) {
    EXPECT_DEATH(wire(cfg({0x55}, 3), {0x01, 1, {}}), "vexcom_packetizer.*Assertion `false' failed");
    EXPECT_DEATH(vex_com::interpreter{cfg({0x55}, 3)}, "vexcom_interpreter");
    EXPECT_DEATH(probe(board, {0x01, 0x01}), "vexcom_interpreter.*Assertion `false' failed");
}

// Odd-length noise with a lone first header byte (a window that restarts instead of sliding misses the
// header), header bytes inside payloads, and a frame with a bad CRC before its good twin.
TEST(Parser, EverySplitDispatchesEachGoodFrameOnceInOrder) {
    const std::pair<vex_com::config, vex_com::config> setups[] = {
        {board, board}, {cfg({0xAA, 0xBB}, 1, encode), cfg({0xAA, 0xBB}, 1, decode)}};
    const frames sent{{0x05, 1, {0x03, 0x55, 0xAA, 0xBB}}, idle, {0x00, 0, {'R', 'X', '4', '8', 'P', 1, 2, 3}}};
    for (const auto& [builder, parser] : setups) {
        bytes damaged = wire(builder, idle);
        damaged.back() ^= 0x01;
        const bytes stream = bytes{0x13, 0xAA, 0x00} + wire(builder, sent[0]) + damaged + wire(builder, idle) +
                             wire(builder, sent[2]);
        probe p(parser);
        for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
            p << bytes(stream.begin(), stream.begin() + cut) << bytes(stream.begin() + cut, stream.end());
            ASSERT_EQ(p.seen, sent) << "split at " << cut;
            p.seen.clear();
        }
        for (std::uint8_t b : stream) p << bytes{b};
        EXPECT_EQ(p.seen, sent);
    }
}

// Lengths 1 to 3 still read endpoint, acknowledge and CRC; 0 abandons the frame after its length field.
TEST(Parser, ShortLengthsReadFourDataBytesUnlessZero) {
    for (std::uint8_t length = 0; length <= 4; ++length) {
        probe p(board);
        p << bytes{0x55, 0x00, length, 0xFF, 0x01, 0x0E, 0xD1} + idle_wire;
        EXPECT_EQ(p.seen.size(), length == 0 ? 1u : 2u) << "length " << int(length);
    }
}

TEST(Parser, ThrowSkipsRestOfChunkAndNextCallSearchesHeader) {
    probe p(board);
    p.parser.add_handler(0x01, [](vex_com::acknowledge, bytes) { throw std::runtime_error("handler"); });
    int calls = 0;  // a transform throws mid-frame, before the state machine has left the frame
    probe coded(cfg({0x55}, 2, [&](bytes in) { return calls++ ? decode(in) : throw std::runtime_error("decoder"); }));
    const auto unknown = thrown<vex_com::except>([&] { p << wire(board, {0x10, 1, {}}) + idle_wire; });
    EXPECT_EQ(unknown.value().code, 1);
    EXPECT_STREQ(unknown->what(), "VEXCOM Error");
    p << idle_wire;
    EXPECT_THROW(p << wire(board, {0x01, 1, {}}) + idle_wire, std::runtime_error);
    p << idle_wire;
    EXPECT_EQ(p.seen, (frames{idle, idle}));
    const bytes coded_idle = wire(cfg({0x55}, 2, encode), idle);
    EXPECT_THROW(coded << coded_idle, std::runtime_error);
    EXPECT_EQ((coded << coded_idle).seen, frames{idle});
}

// Topping a short decoded part up with raw bytes would eat the next frame's header.
TEST(Parser, DecodedPartTooShortForAFrameIsDropped) {
    const bytes stream = bytes{0x55, 0x00, 0x03, 0x7E, 0x5A, 0xA4} + wire(cfg({0x55}, 2, encode), idle);
    EXPECT_EQ((probe(cfg({0x55}, 2, decode)) << stream).seen, frames{idle});
}

TEST(Parser, ResetMidFrameSearchesHeaderWithNextByte) {
    probe p(board);
    p << bytes{0x55, 0x00, 0x06, 0x01, 0x0A};
    p.parser.reset();
    p << idle_wire;
    EXPECT_EQ(p.seen, frames{idle});
}

}  // namespace
