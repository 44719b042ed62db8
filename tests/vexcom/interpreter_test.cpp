#include "frames.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

const vex_com::config board = cfg({0x55});
const frame idle{0xFF, 1, {}};
const bytes idle_wire{0x55, 0x00, 0x04, 0xFF, 0x01, 0x0E, 0xD1};

struct setup {
    const char* name;
    vex_com::config builder, parser;
};
class Stream : public ::testing::TestWithParam<setup> {};

// Odd-length noise with a lone first header byte (a window that restarts instead of sliding misses the
// header), header bytes inside payloads, and a frame with a bad CRC before its good twin.
TEST_P(Stream, EverySplitDispatchesEachGoodFrameOnceInOrder) {
    const std::vector<frame> frames{{0x05, 1, {0x03, 0x55, 0xAA, 0xBB}}, idle, {0x00, 0, {'R', 'X', '4', '8', 'P', 1, 2, 3}}};
    bytes damaged = wire(GetParam().builder, frames[1]);
    damaged.back() ^= 0x01;
    const bytes stream = bytes{0x13, 0xAA, 0x00} + wire(GetParam().builder, frames[0]) + damaged +
                         wire(GetParam().builder, frames[1]) + wire(GetParam().builder, frames[2]);

    probe p(GetParam().parser);
    for (std::size_t cut = 0; cut <= stream.size(); ++cut) {
        p << bytes(stream.begin(), stream.begin() + cut) << bytes(stream.begin() + cut, stream.end());
        ASSERT_EQ(p.seen, frames) << "split at " << cut;
        p.seen.clear();
    }
    for (std::uint8_t b : stream) p << bytes{b};
    EXPECT_EQ(p.seen, frames);
}

INSTANTIATE_TEST_SUITE_P(Configs, Stream,
    ::testing::Values(setup{"Board", board, board},
                      setup{"TwoByteHeaderEncoded", cfg({0xAA, 0xBB}, 1, encode), cfg({0xAA, 0xBB}, 1, decode)}),
    [](const auto& info) { return std::string(info.param.name); });

// Lengths 1 to 3 still read endpoint, acknowledge and CRC; 0 abandons the frame after its length field.
class ShortLength : public ::testing::TestWithParam<std::uint8_t> {};

TEST_P(ShortLength, ReadsFourDataBytesUnlessZero) {
    probe p(board);
    p << bytes{0x55, 0x00, GetParam(), 0xFF, 0x01, 0x0E, 0xD1} + idle_wire;
    EXPECT_EQ(p.seen.size(), GetParam() == 0 ? 1u : 2u);
}

INSTANTIATE_TEST_SUITE_P(ZeroToFour, ShortLength, ::testing::Values(0, 1, 2, 3, 4),
                         [](const auto& info) { return "Length" + std::to_string(info.param); });

TEST(Interpreter, ThrowSkipsRestOfChunkAndNextCallSearchesHeader) {
    bool decoder_fails = true;
    auto decoder = [&](bytes in) { return decoder_fails ? throw std::runtime_error("decoder") : decode(in); };
    probe plain(board), encoded(cfg({0x55}, 2, decoder));
    plain.parser.add_handler(0x01, [](vex_com::acknowledge, bytes) { throw std::runtime_error("handler"); });

    try {
        plain << wire(board, {0x10, 1, {}}) + idle_wire;
        ADD_FAILURE() << "no exception for an endpoint without a handler";
    } catch (const vex_com::except& e) {
        EXPECT_EQ(e.code, 1);
        EXPECT_STREQ(e.what(), "VEXCOM Error");
    }
    EXPECT_THROW(plain << wire(board, {0x01, 1, {}}) + idle_wire, std::runtime_error);
    EXPECT_TRUE(plain.seen.empty());
    plain << idle_wire;
    EXPECT_EQ(plain.seen, std::vector<frame>{idle});

    const bytes encoded_idle = wire(cfg({0x55}, 2, encode), idle);
    EXPECT_THROW(encoded << encoded_idle, std::runtime_error);
    decoder_fails = false;
    encoded << encoded_idle;
    EXPECT_EQ(encoded.seen, std::vector<frame>{idle});
}

// Topping a short decoded part up with raw bytes would eat the next frame's header.
TEST(Interpreter, DecodedPartTooShortForAFrameIsDropped) {
    probe p(cfg({0x55}, 2, decode));
    p << bytes{0x55, 0x00, 0x03, 0x7E, 0x5A, 0xA4} + wire(cfg({0x55}, 2, encode), idle);
    EXPECT_EQ(p.seen, std::vector<frame>{idle});
}

TEST(Interpreter, ResetMidFrameSearchesHeaderWithNextByte) {
    probe p(board);
    p << bytes{0x55, 0x00, 0x06, 0x01, 0x0A};
    p.parser.reset();
    p << idle_wire;
    EXPECT_EQ(p.seen, std::vector<frame>{idle});
}

}  // namespace
