#include "frames.h"

#include "vexcom/vexcom_crc.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

namespace {

const vex_com::config board = cfg({0x55});

TEST(Crc, CheckValue) {
    const std::string check = "123456789";
    EXPECT_EQ(vex_com::crc16(reinterpret_cast<const std::uint8_t*>(check.data()), check.size()), 0x29B1);
}

struct known {
    const char* name;
    frame f;
    bytes wire;
};
class KnownFrames : public ::testing::TestWithParam<known> {};

TEST_P(KnownFrames, BuildAndParseBack) {
    EXPECT_EQ(wire(board, GetParam().f), GetParam().wire);
    probe p(board, {GetParam().f.endpoint});
    p << GetParam().wire;
    EXPECT_EQ(p.seen, std::vector<frame>{GetParam().f});
}

INSTANTIATE_TEST_SUITE_P(Board, KnownFrames,
    ::testing::Values(known{"Idle", {0xFF, 1, {}}, {0x55, 0x00, 0x04, 0xFF, 0x01, 0x0E, 0xD1}},
                      known{"DetectInsert", {0x02, 1, {}}, {0x55, 0x00, 0x04, 0x02, 0x01, 0x6B, 0x4C}},
                      known{"MesStatic", {0x04, 1, {}}, {0x55, 0x00, 0x04, 0x04, 0x01, 0xC1, 0xEA}},
                      known{"Config0A14", {0x01, 1, {0x0A, 0x14}}, {0x55, 0x00, 0x06, 0x01, 0x0A, 0x14, 0x01, 0xEA, 0x23}},
                      known{"Config4064", {0x01, 1, {0x40, 0x64}}, {0x55, 0x00, 0x06, 0x01, 0x40, 0x64, 0x01, 0x38, 0x16}}),
    [](const auto& info) { return std::string(info.param.name); });

class Limits : public ::testing::TestWithParam<std::size_t> {};

TEST_P(Limits, LargestDataPartFitsOneMoreThrows) {
    const auto c = cfg({0x55}, GetParam());
    const std::size_t max = GetParam() == 1 ? 0xFF : 0xFFFF;
    frame f{0x09, 2, bytes(max - 4, 0x55)};
    const bytes w = wire(c, f);
    EXPECT_EQ(w.size(), 1 + GetParam() + max);
    probe p(c);
    p << w;
    EXPECT_EQ(p.seen, std::vector<frame>{f});

    f.payload.push_back(0);
    try {
        wire(c, f);
        ADD_FAILURE() << "no length_error";
    } catch (const std::length_error& e) {
        EXPECT_STREQ(e.what(), "too long message data");
    }
}

INSTANTIATE_TEST_SUITE_P(BothWidths, Limits, ::testing::Values(1, 2),
                         [](const auto& info) { return "Width" + std::to_string(info.param); });

// Only CRC-then-encode on one side and decode-then-check on the other agree with this frame made by hand.
TEST(Transform, CrcCoversPlainBytesLengthCountsEncodedOnes) {
    const frame f{0x05, 1, {0x01, 0x55, 0x02}};
    bytes plain{0x05, 0x01, 0x55, 0x02, 0x01};
    const std::uint16_t crc = vex_com::crc16(plain.data(), plain.size());
    const bytes encoded = encode(plain + bytes{std::uint8_t(crc >> 8), std::uint8_t(crc)});
    const bytes hand_made = bytes{0x55, 0x00, std::uint8_t(encoded.size())} + encoded;

    EXPECT_EQ(wire(cfg({0x55}, 2, encode), f), hand_made);
    probe p(cfg({0x55}, 2, decode));
    p << hand_made;
    EXPECT_EQ(p.seen, std::vector<frame>{f});
}

TEST(VexcomDeathTest, ProgrammingErrorsAssert) {
#ifdef NDEBUG
    GTEST_SKIP() << "assertions compiled out";
#endif
    EXPECT_DEATH(wire(cfg({0x55}, 3), {0x01, 1, {}}), "vexcom_packetizer.*Assertion `false' failed");
    EXPECT_DEATH(vex_com::interpreter{cfg({0x55}, 3)}, "vexcom_interpreter");
    EXPECT_DEATH(probe(board, {0x01, 0x01}), "vexcom_interpreter.*Assertion `false' failed");
}

}  // namespace
