// The simulated board without a line: device descriptions, the exchange table, the faults and the pacing.

#include "board.h"
#include "device_file.h"
#include "frame_encoder.h"
#include "options.h"
#include "sim_error.h"
#include "transmitter.h"

#include "device/endpoints.h"
#include "device/records.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

using namespace board_sim;
using namespace tarnwell;
using bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

namespace {

struct bad_line {
    const char* line;
    const char* message;
};

class DeviceLineRejected : public testing::TestWithParam<bad_line> {};

TEST_P(DeviceLineRejected, SaysWhatIsWrong) {
    device_model d;
    try {
        add_device_line(d, GetParam().line);
        FAIL() << "accepted: " << GetParam().line;
    } catch (const std::invalid_argument& e) {
        EXPECT_NE(std::string(e.what()).find(GetParam().message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Lines, DeviceLineRejected,
    testing::Values(bad_line{"pair 1 anod 2 cathode 1.8 0", "unknown pin type 'anod'"},
                    bad_line{"pair 1 anode 2 cathode 2.56 0", "from -2.56 to 2.54"},
                    bad_line{"pair 1 anode 2 cathode -2.58 0", "from -2.56 to 2.54"},
                    bad_line{"pair 1 anode 2 cathode 1.8", "expected 'pair PIN TYPE PIN TYPE VOLTS VOLTS'"},
                    bad_line{"pair 128 anode 2 cathode 1.8 0", "a pin must be a number from 0 to 127"},
                    bad_line{"pair 1 256 2 cathode 1.8 0", "from 0 to 255"},
                    bad_line{"button 1 2 pressed", "expected 'on' or 'off'"},
                    bad_line{"touch x on", "not 'x'"},
                    bad_line{"firmware 1.2.", "MAJOR.MINOR.PATCH"},
                    bad_line{"firmware 1.2.300", "from 0 to 255"},
                    bad_line{"led 1 2", "unknown item 'led'"}));

TEST(DeviceFile, WhatIsPrintedReadsBackTheSame) {
    device_model d = builtin_device();
    add_device_line(d, "pair 20 0x42 21 nc -2.56 2.54  # unknown type code kept as a number");
    const std::string path = testing::TempDir() + "device.txt";
    std::ofstream(path) << device_text(d);
    EXPECT_EQ(device_text(read_device_file(path)), device_text(d));
    EXPECT_EQ(static_measure_payload(read_device_file(path)), static_measure_payload(d));
    std::remove(path.c_str());
}

TEST(DeviceFile, ABadLineIsNamedByFileAndNumber) {
    const std::string path = testing::TempDir() + "bad.txt";
    std::ofstream(path) << "# comment\n\ntouch 3 of\n";
    try {
        read_device_file(path);
        FAIL();
    } catch (const sim_error& e) {
        EXPECT_EQ(e.exit_code, exit_bad_input);
        EXPECT_EQ(std::string(e.what()), path + ":3: expected 'on' or 'off', not 'of'");
    }
    std::remove(path.c_str());
}

TEST(DeviceFile, TheInstalledExampleIsTheBuiltInDeviceOnAnotherFirmware) {
    device_model example = read_device_file(RX48P_EXAMPLE_DEVICE);
    example.firmware = builtin_device().firmware;
    EXPECT_EQ(device_text(example), device_text(builtin_device()));
}

TEST(DevicePayloads, CapacitiveReplyAnswersExactlyTheRequestedPins) {
    device_model d;
    add_device_line(d, "touch 3 on");
    add_device_line(d, "touch 24 off");
    EXPECT_EQ(capacitive_measure_payload(d, {}), bytes{0});
    EXPECT_EQ(capacitive_measure_payload(d, {0, 3, 24}), (bytes{3, 0, NOT_CONNECTED, 3, TOUCH_ON, 24, TOUCH_OFF}));
}

TEST(DevicePayloads, MeasuresCarryTheirRecords) {
    device_model d;
    add_device_line(d, "pair 3 anode 4 cathode 1.80 -0.02");
    add_device_line(d, "button 12 14 on");
    add_device_line(d, "button 13 14 off");
    d.firmware = parse_firmware("2.0.17");
    EXPECT_EQ(static_measure_payload(d), (bytes{1, 3, LED_ANODE, 4, LED_CATHODE, 90, 0xFF}));
    EXPECT_EQ(button_measure_payload(d),
              (bytes{2, 12, BUTTON_ON, 14, COMMON, 0, 0, 13, BUTTON_OFF, 14, COMMON, 0, 0}));
    EXPECT_EQ(id_reply_payload(d), (bytes{'R', 'X', '4', '8', 'P', 2, 0, 17}));
}

struct exchange {
    std::uint8_t command;
    std::vector<std::uint8_t> replies;  // endpoints, in order
};

class Exchange : public testing::TestWithParam<exchange> {};

TEST_P(Exchange, AnswerThenEventAfterTheirDelays) {
    const board_timing t{milliseconds(5), milliseconds(30), milliseconds(70)};
    const answer a = board(builtin_device(), t, {}, {}).on_command(GetParam().command, {});
    std::vector<std::uint8_t> got;
    for (const reply& r : a.replies)
        got.push_back(r.endpoint);
    ASSERT_EQ(got, GetParam().replies);
    EXPECT_EQ(a.replies[0].delay, milliseconds(5));
    EXPECT_FALSE(a.replies[0].event);
    if (a.replies.size() > 1) {
        EXPECT_EQ(a.replies[1].delay, milliseconds(GetParam().command == CFG ? 75 : 35));
        EXPECT_TRUE(a.replies[1].event);
    }
    EXPECT_EQ(a.cancels_events, GetParam().command == IDLE);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, Exchange,
    testing::Values(exchange{ID, {ID}}, exchange{CFG, {CFG, ON_CALIB_DONE}},
                    exchange{DETECT_INSERT, {DETECT_INSERT, ON_INSERT}},
                    exchange{DETECT_REMOVE, {DETECT_REMOVE, ON_REMOVE}},
                    exchange{MES_STATIC, {MES_STATIC, ON_STATIC_MES}},
                    exchange{MES_BUTTON_MECH, {MES_BUTTON_MECH, ON_BUTTON_MECH}},
                    exchange{MES_BUTTON_CAP, {MES_BUTTON_CAP, ON_BUTTON_CAP}}, exchange{BUZ_ER, {BUZ_ER}},
                    exchange{BUZ_OK, {BUZ_OK}}, exchange{IDLE, {IDLE}}));

TEST(Board, SilencesWhatItIsToldTo) {
    const board b(builtin_device(), {}, {MES_STATIC}, {DETECT_INSERT});
    EXPECT_TRUE(b.on_command(MES_STATIC, {}).replies.empty());
    ASSERT_EQ(b.on_command(DETECT_INSERT, {}).replies.size(), 1u);
    EXPECT_TRUE(b.on_command(ON_STATIC_MES, {}).replies.empty());  // an event is no command
    EXPECT_TRUE(b.on_command(0x42, {}).replies.empty());
}

TEST(Faults, BadCrcSpoilsAnExactShareAndTheRestStaysIntact) {
    fault_options f;
    f.bad_crc_percent = 50;
    frame_encoder enc(f);
    for (int i = 1; i <= 6; ++i) {
        const outgoing frame = enc.encode(BUZ_OK, {}).back();
        const bool spoiled = frame.bytes != frame_bytes(BUZ_OK, 1, {});
        EXPECT_EQ(spoiled, i % 2 == 0) << "frame " << i;
        EXPECT_EQ(frame.text.find("[bad CRC]") != std::string::npos, spoiled);
        EXPECT_EQ(frame.bytes.size(), 7u);
    }
}

TEST(Faults, NoiseAndStrayFrameGoBeforeTheReply) {
    fault_options f;
    f.noise = 200;
    f.stray = 0x42;
    const std::vector<outgoing> out = frame_encoder(f).encode(IDLE, {});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].bytes.size(), 200u);
    EXPECT_EQ(std::count(out[0].bytes.begin(), out[0].bytes.end(), 0x55), 0);
    EXPECT_EQ(out[1].bytes, frame_bytes(0x42, 1, {}));
    EXPECT_EQ(out[2].bytes, frame_bytes(IDLE, 1, {}));
}

TEST(Faults, TruncationCutsOnlyPayloadsThatCarryData) {
    fault_options f;
    f.truncate = 2;
    frame_encoder enc(f);
    const bytes measure{1, 3, LED_ANODE, 4, LED_CATHODE, 90, 0xFF};
    EXPECT_EQ(enc.encode(ON_STATIC_MES, measure).back().bytes, frame_bytes(ON_STATIC_MES, 1, {1, 3, 1, 4, 2}));
    EXPECT_EQ(enc.encode(ON_BUTTON_CAP, {0}).back().bytes, frame_bytes(ON_BUTTON_CAP, 1, {}));
    EXPECT_EQ(enc.encode(ID, {'R', 'X', '4', '8', 'P', 1, 4, 2}).back().bytes,
              frame_bytes(ID, 1, {'R', 'X', '4', '8', 'P', 1}));
    EXPECT_EQ(enc.encode(ON_INSERT, {7}).back().bytes, frame_bytes(ON_INSERT, 1, {7}));
}

TEST(Transmitter, ChunksWaitTheirPauseAndWriteEverythingInOrder) {
    transmitter tx(3, milliseconds(20));
    tx.queue({1, 2, 3, 4, 5, 6, 7});
    std::vector<bytes> writes;
    std::size_t room = 2;  // the line takes only two bytes the first time
    const auto write = [&](const std::uint8_t* d, std::size_t n) {
        n = std::min(n, room);
        room = 100;
        writes.emplace_back(d, d + n);
        return n;
    };
    const auto t0 = transmitter::clock::now();
    tx.pump(t0, write);
    tx.pump(t0, write);  // the rest of the first chunk, at once
    tx.pump(t0 + milliseconds(19), write);
    EXPECT_EQ(writes, (std::vector<bytes>{{1, 2}, {3}}));
    tx.pump(t0 + milliseconds(20), write);
    tx.pump(t0 + milliseconds(40), write);
    EXPECT_EQ(writes, (std::vector<bytes>{{1, 2}, {3}, {4, 5, 6}, {7}}));
    EXPECT_TRUE(tx.idle());
}

struct bad_args {
    std::vector<const char*> args;
    int exit_code;
    const char* message;
};

class BadOptions : public testing::TestWithParam<bad_args> {};

TEST_P(BadOptions, AreRefusedWithAClearMessage) {
    std::vector<const char*> argv{"rx48p-board-sim"};
    argv.insert(argv.end(), GetParam().args.begin(), GetParam().args.end());
    try {
        parse_options(static_cast<int>(argv.size()), argv.data());
        FAIL();
    } catch (const sim_error& e) {
        EXPECT_EQ(e.exit_code, GetParam().exit_code);
        EXPECT_EQ(std::string(e.what()), GetParam().message);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Args, BadOptions,
    testing::Values(bad_args{{"--chunk", "0"}, 2, "--chunk must be a number from 1 to 65535, not '0'"},
                    bad_args{{"--chunk"}, 2, "--chunk needs a value"},
                    bad_args{{"--stray=5"}, 2, "--stray must be a number from 15 to 254, not '5'"},
                    bad_args{{"--no-reply", "PING"}, 2,
                             "--no-reply: 'PING' is not a command of the board (ID, CFG, DETECT_INSERT, "
                             "MES_STATIC, MES_BUTTON_MECH, MES_BUTTON_CAP, DETECT_REMOVE, BUZ_ER, BUZ_OK, IDLE)"},
                    bad_args{{"--no-event", "BUZ_OK"}, 2, "--no-event: BUZ_OK has no event"},
                    bad_args{{"--pty", "--port", "/tmp/x"}, 2, "--pty and --port exclude each other"},
                    bad_args{{"--touch", "3"}, 2, "--touch: expected 'touch PIN on|off'"},
                    bad_args{{"--device", "/nonexistent/dut"}, 1, "cannot read the device file '/nonexistent/dut'"},
                    bad_args{{"--verbose"}, 2, "unknown option '--verbose'"}));

TEST(Options, DeviceOptionsReplaceTheBuiltInDevice) {
    const char* argv[] = {"sim", "--touch", "5 on", "--firmware=3.2.1", "--no-reply", "MES_STATIC,0x0e"};
    const options o = parse_options(6, argv);
    EXPECT_EQ(device_text(o.device), "firmware 3.2.1\ntouch 5 on\n");
    EXPECT_EQ(o.no_reply, (std::set<std::uint8_t>{MES_STATIC, BUZ_OK}));
}

}  // namespace
