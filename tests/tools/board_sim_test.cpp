// The board simulator: refused input, the exchange table, each fault's bytes, and three sessions over
// pseudo-terminals, one of them a run of parts. The end-to-end suite runs the terminal against it for
// every command and fault.

#include "board.h"
#include "frame_encoder.h"
#include "options.h"
#include "serial_line.h"
#include "simulator.h"
#include "transmitter.h"

#include "device/endpoints.h"
#include "device/part_file.h"
#include "pty_pair.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <thread>
#include <utility>

using namespace board_sim;
using namespace tarnwell;
using bytes = std::vector<std::uint8_t>;
using std::chrono::milliseconds;

namespace {

bytes operator+(bytes a, const bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

std::string hex(std::uint8_t b) {
    char text[4];
    std::snprintf(text, sizeof text, "%x", b);
    return text;
}

// The program's standard error and exit code for `args` (shell words).
std::string run(const std::string& args) {
    FILE* out = ::popen((RX48P_BOARD_SIM " " + args + " 2>&1 >/dev/null; echo \"exit $?\"").c_str(), "r");
    std::string text;
    for (int c; (c = std::fgetc(out)) != EOF;)
        text += static_cast<char>(c);
    ::pclose(out);
    return text;
}

TEST(Program, RefusesBadInputWithAMessageAndNonZeroExit) {
    const std::string bad = testing::TempDir() + "bad.device";
    std::ofstream(bad) << "# comment\n\ntouch 3 of\n";
    const std::pair<std::string, std::string> cases[] = {
        {"--chunk 0", "--chunk must be a number from 1 to 65535, not '0'"},
        {"--noise", "--noise needs a value"},
        {"--stray=5", "--stray must be a number from 15 to 254, not '5'"},
        {"--no-reply PING", "--no-reply: 'PING' is not a command of the board (ID, CFG, DETECT_INSERT, MES_STATIC, "
                            "MES_BUTTON_MECH, MES_BUTTON_CAP, DETECT_REMOVE, BUZ_ER, BUZ_OK, IDLE)"},
        {"--no-event BUZ_OK", "--no-event: BUZ_OK has no event"},
        {"--pty --port /tmp/x", "--pty and --port exclude each other"},
        {"--touch 3", "--touch: expected 'touch PIN on|off'"},
        {"--firmware 1.2.300", "a version number must be a number from 0 to 255, not '300'"},
        {"--verbose", "unknown option '--verbose'"},
        {"--device a --touch '3 on' --device b", "--touch edits a single device, not a run of 2 --device files"},
        {"--device a --device b --device c --firmware 1.2.3", "--firmware edits a single device, not a run of 3 --device files"},
        {"--device " + bad, bad + ":3: expected 'on' or 'off', not 'of'"}};
    for (const auto& [args, message] : cases)
        EXPECT_EQ(run(args), "rx48p-board-sim: " + message + "\nTry 'rx48p-board-sim --help'.\nexit 2\n");
    EXPECT_EQ(run("--device /nonexistent/dut"), "rx48p-board-sim: cannot read the device file '/nonexistent/dut'\nexit 1\n");
    EXPECT_EQ(run("--port /nonexistent/tty"),
              "rx48p-board-sim: cannot open '/nonexistent/tty': No such file or directory\nexit 1\n");
    EXPECT_EQ(run("--port /dev/null"), "rx48p-board-sim: '/dev/null' is not a serial line\nexit 1\n");
    std::remove(bad.c_str());
}

TEST(Board, InstalledExampleIsTheBuiltInDeviceOnAnotherFirmware) {
    device_model example = readPartFile(RX48P_EXAMPLE_DEVICE);
    example.firmware = builtin_device().firmware;
    EXPECT_EQ(partText(example), partText(builtin_device()));
}

// Each reply as " ENDPOINT@DELAY", with "e" for an event that IDLE cancels while it is pending.
TEST(Board, AnswersThenEventsAfterTheirDelays) {
    const std::pair<std::uint8_t, std::string> exchanges[] = {
        {ID, " 0@5"}, {CFG, " 1@5 c@75e"}, {DETECT_INSERT, " 2@5 3@35e"}, {DETECT_REMOVE, " a@5 b@35e"},
        {MES_STATIC, " 4@5 5@35e"}, {MES_BUTTON_MECH, " 6@5 7@35e"}, {MES_BUTTON_CAP, " 8@5 9@35e"},
        {BUZ_ER, " d@5"}, {BUZ_OK, " e@5"}, {IDLE, " ff@5"}, {ON_STATIC_MES, ""}, {0x42, ""}};
    const part_sequence builtin({{"", builtin_device()}});
    const board b(builtin, {milliseconds(5), milliseconds(30), milliseconds(70)}, {}, {});
    for (const auto& [command, expected] : exchanges) {
        const answer a = b.on_command(command, {});
        std::string got;
        for (const reply& r : a.replies)
            got += " " + hex(r.endpoint) + "@" + std::to_string(r.delay.count()) + (r.event ? "e" : "");
        EXPECT_EQ(got, expected) << int(command);
        EXPECT_EQ(a.cancels_events, command == IDLE);
    }
    const board quiet(builtin, {}, {MES_STATIC}, {DETECT_INSERT});  // --no-reply, --no-event
    EXPECT_TRUE(quiet.on_command(MES_STATIC, {}).replies.empty());
    EXPECT_EQ(quiet.on_command(DETECT_INSERT, {}).replies.size(), 1u);
}

TEST(Faults, EachOptionChangesTheReplyBytes) {
    fault_options f;
    f.bad_crc_percent = 50;
    frame_encoder spoiler(f);
    const bytes good = frame_bytes(BUZ_OK, 1, {});
    for (int i = 1; i <= 4; ++i) {  // every second frame, and only in its CRC
        const bytes b = spoiler.encode(BUZ_OK, {}).back().bytes;
        EXPECT_EQ(bytes(b.begin(), b.end() - 2), bytes(good.begin(), good.end() - 2));
        EXPECT_EQ(b == good, i % 2 == 1) << "frame " << i;
    }

    f = {};
    f.noise = 4000;  // enough that a header byte among them would all but surely show
    f.stray = 0x42;
    const std::vector<outgoing> out = frame_encoder(f).encode(IDLE, {});
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].bytes.size(), 4000u);
    EXPECT_EQ(std::count(out[0].bytes.begin(), out[0].bytes.end(), 0x55), 0);
    EXPECT_EQ(out[1].bytes + out[2].bytes, frame_bytes(0x42, 1, {}) + frame_bytes(IDLE, 1, {}));

    f = {};
    f.truncate = 2;  // only payloads that carry data
    frame_encoder cutter(f);
    EXPECT_EQ(cutter.encode(ON_STATIC_MES, {1, 3, 1, 4, 2, 90, 0xFF}).back().bytes, frame_bytes(ON_STATIC_MES, 1, {1, 3, 1, 4, 2}));
    EXPECT_EQ(cutter.encode(ON_BUTTON_CAP, {0}).back().bytes, frame_bytes(ON_BUTTON_CAP, 1, {}));
    EXPECT_EQ(cutter.encode(ON_INSERT, {7}).back().bytes, frame_bytes(ON_INSERT, 1, {7}));
}

// --chunk 3 --chunk-pause 20, on a line that takes only two bytes the first time.
TEST(Faults, ChunksWaitTheirPauseAndEveryByteGoesOutInOrder) {
    transmitter tx(3, milliseconds(20));
    tx.queue({1, 2, 3, 4, 5, 6, 7});
    std::vector<bytes> writes;
    std::size_t room = 2;
    const auto write = [&](const std::uint8_t* d, std::size_t n) {
        writes.emplace_back(d, d + std::min(n, room));
        return std::min(n, std::exchange(room, 100));
    };
    const auto t0 = transmitter::clock::now();
    const std::pair<int, std::size_t> steps[] = {{0, 1}, {0, 2}, {19, 2}, {20, 3}, {40, 4}};  // ms, writes so far
    for (const auto& [ms, count] : steps) {
        tx.pump(t0 + milliseconds(ms), write);
        EXPECT_EQ(writes.size(), count) << ms << " ms";
    }
    EXPECT_EQ(writes, (std::vector<bytes>{{1, 2}, {3}, {4, 5, 6}, {7}}));
    EXPECT_TRUE(tx.idle());
}

// The test plays the terminal on the master side of a line given with --port.
TEST(Session, IdleCancelsThePendingEventAndANoReplyCommandStaysUnanswered) {
    PtyPair terminal;
    const std::string port = terminal.slavePath();
    const char* argv[] = {"sim", "--port", port.c_str(), "--event-delay", "100", "--no-reply", "BUZ_ER"};
    const options o = parse_options(7, argv);
    serial_line line = serial_line::device(o.port, o.baud);
    volatile std::sig_atomic_t stop = 0;
    std::thread board([&] { simulator(o, line).run(stop); });
    ASSERT_TRUE(terminal.write(frame_bytes(BUZ_ER, 1, {}) + frame_bytes(MES_STATIC, 1, {}) + frame_bytes(IDLE, 1, {})));
    const bytes got = terminal.readFor(milliseconds(400));
    stop = 1;
    board.join();
    EXPECT_EQ(got, frame_bytes(MES_STATIC, 1, {}) + frame_bytes(IDLE, 1, {}));
}

// The simulator's own pseudo-terminal, opened and closed by the test as the terminal would.
TEST(Session, RepliesPendingWhenTheTerminalClosesAreDropped) {
    const char* argv[] = {"sim", "--event-delay", "100"};
    const options o = parse_options(3, argv);
    serial_line line = serial_line::pseudo_terminal();
    volatile std::sig_atomic_t stop = 0;
    std::thread board([&] { simulator(o, line).run(stop); });
    const auto session = [&](const bytes& command) {
        const int fd = ::open(line.path().c_str(), O_RDWR | O_NOCTTY);
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        bytes got(64);
        EXPECT_EQ(::write(fd, command.data(), command.size()), ssize_t(command.size()));
        std::this_thread::sleep_for(milliseconds(60));  // the acknowledgement, not the event
        got.resize(std::size_t(std::max<ssize_t>(0, ::read(fd, got.data(), got.size()))));
        ::close(fd);
        return got;
    };
    EXPECT_EQ(session(frame_bytes(MES_STATIC, 1, {})), frame_bytes(MES_STATIC, 1, {}));
    std::this_thread::sleep_for(milliseconds(150));
    EXPECT_EQ(session(frame_bytes(BUZ_OK, 1, {})), frame_bytes(BUZ_OK, 1, {}));
    stop = 1;
    board.join();
}

// Three part files, four parts: each cycle of insertion, the three measures and removal measures the
// next file, and after the last the first again. Part K has an LED from pin K to 20, a pressed button
// on pin 30 + K and a touched pad on pin K.
TEST(Session, ARunOfPartsMeasuresEachFileInTurnAndLogsItsParts) {
    std::vector<std::string> files;
    for (int k = 1; k <= 3; ++k) {
        files.push_back(testing::TempDir() + "part" + std::to_string(k) + ".device");
        std::ofstream(files.back()) << "pair " << k << " anode 20 cathode 1.80 -0.02\nbutton " << 30 + k
                                    << " 40 on\ntouch " << k << " on\n";
    }
    PtyPair terminal;
    const std::string port = terminal.slavePath();
    const char* argv[] = {"sim", "--port", port.c_str(), "--event-delay", "0", "--device", files[0].c_str(),
                          "--device", files[1].c_str(), "--device", files[2].c_str()};
    const options o = parse_options(11, argv);
    serial_line line = serial_line::device(o.port, o.baud);
    testing::internal::CaptureStdout();
    volatile std::sig_atomic_t stop = 0;
    std::thread board([&] { simulator(o, line).run(stop); });
    const bytes pins{1, 2, 3};
    for (std::uint8_t k : {1, 2, 3, 1}) {
        const auto touch = [k](std::uint8_t pin) { return std::uint8_t(pin == k ? TOUCH_ON : NOT_CONNECTED); };
        const bytes expected = frame_bytes(DETECT_INSERT, 1, {}) + frame_bytes(ON_INSERT, 1, {}) +
            frame_bytes(MES_STATIC, 1, {}) + frame_bytes(ON_STATIC_MES, 1, {1, k, LED_ANODE, 20, LED_CATHODE, 90, 0xFF}) +
            frame_bytes(MES_BUTTON_MECH, 1, {}) +
            frame_bytes(ON_BUTTON_MECH, 1, {1, std::uint8_t(30 + k), BUTTON_ON, 40, COMMON, 0, 0}) +
            frame_bytes(MES_BUTTON_CAP, 1, {}) + frame_bytes(ON_BUTTON_CAP, 1, {3, 1, touch(1), 2, touch(2), 3, touch(3)}) +
            frame_bytes(DETECT_REMOVE, 1, {}) + frame_bytes(ON_REMOVE, 1, {});
        ASSERT_TRUE(terminal.write(frame_bytes(DETECT_INSERT, 1, {}) + frame_bytes(MES_STATIC, 1, {}) +
                                   frame_bytes(MES_BUTTON_MECH, 1, {}) + frame_bytes(MES_BUTTON_CAP, 1, pins) +
                                   frame_bytes(DETECT_REMOVE, 1, {})));
        EXPECT_EQ(terminal.read(expected.size()), expected) << "file " << int(k);
    }
    stop = 1;
    board.join();
    std::istringstream log(testing::internal::GetCapturedStdout());
    std::string parts;
    for (std::string entry; std::getline(log, entry);)
        if (entry.rfind("part ", 0) == 0)
            parts += entry + "\n";
    const auto part = [&](int n, const char* what, int k) {
        return "part " + std::to_string(n) + " " + what + ": " + files[std::size_t(k - 1)] + " (file " +
               std::to_string(k) + " of 3)\n";
    };
    EXPECT_EQ(parts, part(1, "inserted", 1) + part(1, "removed", 1) + part(2, "inserted", 2) + part(2, "removed", 2) +
                     part(3, "inserted", 3) + part(3, "removed", 3) + part(4, "inserted", 1) + part(4, "removed", 1));
    for (const std::string& file : files)
        std::remove(file.c_str());
}

}  // namespace
