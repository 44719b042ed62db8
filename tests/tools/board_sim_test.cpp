// The board simulator: refused input, the exchange table, each fault's bytes, three sessions over
// pseudo-terminals, one of them a run of parts, and the program itself paced, linked and detached. The
// end-to-end suite runs the terminal against it for every command and fault.

#include "board.h"
#include "frame_encoder.h"
#include "options.h"
#include "serial_line.h"
#include "sim_error.h"
#include "simulator.h"
#include "transmitter.h"

#include "device/endpoints.h"
#include "device/part_file.h"
#include "process/exit_codes.h"
#include "pty_pair.h"
#include "sim_child.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
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
    EXPECT_EQ(run("--device /nonexistent/dut"),
              "rx48p-board-sim: cannot read the device file '/nonexistent/dut'\nTry 'rx48p-board-sim --help'.\nexit 2\n");
    EXPECT_EQ(run("--port /nonexistent/tty"),
              "rx48p-board-sim: cannot open '/nonexistent/tty': No such file or directory\nexit 4\n");
    EXPECT_EQ(run("--port /dev/null"), "rx48p-board-sim: '/dev/null' is not a serial line\nexit 4\n");
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

// --pace 9600: a byte every 10 / 9600 s, about 1.042 ms, on the clock the transmitter is given.
TEST(Pace, BytesFallDueOneByteTimeApartAndLateOnesGoOutBackToBack) {
    transmitter tx = transmitter::paced(9600);
    std::vector<bytes> writes;
    bool full = false;
    const auto write = [&](const std::uint8_t* d, std::size_t n) -> std::size_t {
        if (full)
            return 0;
        writes.emplace_back(d, d + n);
        return n;
    };
    const auto t0 = transmitter::clock::now();
    const auto at = [&](int us) { return t0 + std::chrono::microseconds(us); };
    tx.queue({1, 2, 3, 4, 5});
    // us, writes so far: on time, early, on time again, then 4 ms late: the two bytes due by then go
    // together, the fifth waits for its own time.
    const std::pair<int, std::size_t> steps[] = {{0, 1}, {1000, 1}, {1050, 2}, {2000, 2}, {4000, 4}, {4160, 4}, {4170, 5}};
    for (const auto& [us, count] : steps) {
        tx.pump(at(us), write);
        EXPECT_EQ(writes.size(), count) << us << " us";
    }
    EXPECT_EQ(writes, (std::vector<bytes>{{1}, {2}, {3}, {4}, {5}}));
    EXPECT_TRUE(tx.idle());

    // After a quiet spell the next byte goes at once and the one after a byte time later, not in a burst.
    tx.queue({6, 7});
    tx.pump(at(50000), write);
    tx.pump(at(51000), write);
    EXPECT_EQ(writes.size(), 6u);
    tx.pump(at(51050), write);
    EXPECT_EQ(writes.size(), 7u);

    // A full line holds the schedule up; once it has room, the bytes go out at the rate again.
    tx.queue({8, 9});
    full = true;
    tx.pump(at(60000), write);
    full = false;
    tx.pump(at(70000), write);
    tx.pump(at(71000), write);
    EXPECT_EQ(writes.size(), 8u);
    tx.pump(at(71050), write);
    EXPECT_EQ(writes.size(), 9u);
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

// The ping and the built-in board's reply to it (firmware 1.4.2), as they go on the line.
const bytes ping_frame{0x55, 0x00, 0x09, 0x00, 0x52, 0x58, 0x34, 0x38, 0x50, 0x01, 0x89, 0x87};
const bytes ping_reply{0x55, 0x00, 0x0c, 0x00, 0x52, 0x58, 0x34, 0x38, 0x50, 0x01, 0x04, 0x02, 0x01, 0x8d, 0x47};
const char ping_reply_log[] = "send 55:00:0c:00:52:58:34:38:50:01:04:02:01:8d:47  ID reply";

// The terminal's end of the simulator's line, opened by path as the terminal opens a port.
class TerminalEnd {
public:
    using clock = std::chrono::steady_clock;
    struct piece {
        clock::time_point at;
        bytes data;
    };

    explicit TerminalEnd(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios t{};
        if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }
    ~TerminalEnd() {
        if (fd >= 0)
            ::close(fd);
    }
    TerminalEnd(const TerminalEnd&) = delete;
    TerminalEnd& operator=(const TerminalEnd&) = delete;

    bool isOpen() const { return fd >= 0; }
    bool write(const bytes& b) { return ::write(fd, b.data(), b.size()) == ssize_t(b.size()); }

    // What each read brought and when, until `count` bytes have come or `timeout` has passed.
    std::vector<piece> readPieces(std::size_t count, milliseconds timeout) {
        const auto deadline = clock::now() + timeout;
        std::vector<piece> pieces;
        for (std::size_t got = 0; got < count;) {
            const auto left = std::chrono::duration_cast<milliseconds>(deadline - clock::now()).count();
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, int(left)) <= 0)
                break;
            std::uint8_t buffer[256];
            const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, count - got));
            if (n > 0) {
                pieces.push_back({clock::now(), bytes(buffer, buffer + n)});
                got += std::size_t(n);
            }
        }
        return pieces;
    }
    bytes read(std::size_t count, milliseconds timeout) {
        bytes all;
        for (const piece& p : readPieces(count, timeout))
            all = all + p.data;
        return all;
    }

private:
    int fd;
};

// A directory of the test's own, removed with everything in it.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name)
        : path(testing::TempDir() + "board_sim_" + name + "." + std::to_string(::getpid())) {
        std::filesystem::remove_all(path);
        std::filesystem::create_directory(path);
    }
    ~ScratchDir() { std::filesystem::remove_all(path); }
    std::string operator/(const std::string& name) const { return path + "/" + name; }
    const std::string path;
};

std::string linkTarget(const std::string& path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

bool exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Orphans of the test's children become the test's own, so the detached board can be waited for.
class ReaperScope {
public:
    ReaperScope() { ::prctl(PR_SET_CHILD_SUBREAPER, 1); }
    ~ReaperScope() { ::prctl(PR_SET_CHILD_SUBREAPER, 0); }
};

// The detached board, killed if the test ends before it stopped it.
class BackgroundBoard {
public:
    explicit BackgroundBoard(pid_t pid) : pid(pid) {}
    ~BackgroundBoard() {
        if (!status) {
            ::kill(pid, SIGKILL);
            SimChild::waitFor(pid, milliseconds(5000), status);
        }
    }
    BackgroundBoard(const BackgroundBoard&) = delete;
    BackgroundBoard& operator=(const BackgroundBoard&) = delete;

    std::optional<int> stop() {
        ::kill(pid, SIGTERM);
        return SimChild::waitFor(pid, milliseconds(5000), status);
    }

    const pid_t pid;

private:
    std::optional<int> status;
};

TEST(Program, RefusesBadPaceLinkLogAndDetach) {
    const std::pair<std::string, std::string> cases[] = {
        {"--pace 299", "--pace must be a number from 300 to 4000000, not '299'"},
        {"--pace 4000001", "--pace must be a number from 300 to 4000000, not '4000001'"},
        {"--pace 9600 --chunk 3", "--pace and --chunk exclude each other"},
        {"--chunk 3 --pace=9600", "--pace and --chunk exclude each other"},
        {"--link", "--link needs a value"},
        {"--detach=yes", "--detach takes no value"},
        {"--drop-shift 2.56", "--drop-shift: a voltage drop must be in volts from -2.56 to 2.54, not '2.56'"},
        {"--drop-shift=-2.58", "--drop-shift: a voltage drop must be in volts from -2.56 to 2.54, not '-2.58'"},
        {"--drop-shift 0.03", "--drop-shift: a voltage drop is a whole number of the board's 0.02 V steps (0.02 or "
                              "0.04), not '0.03'"},
        {"--drop-shift", "--drop-shift needs a value"}};
    for (const auto& [args, message] : cases)
        EXPECT_EQ(run(args), "rx48p-board-sim: " + message + "\nTry 'rx48p-board-sim --help'.\nexit 2\n");

    // A board that took the name anyway would run on: it is given a few seconds, then stopped.
    const ScratchDir dir("refusals");
    const std::string file = dir / "board";
    std::ofstream(file) << "not a link\n";
    for (const std::string& taken : {file, dir.path}) {
        SimChild sim({"--link", taken});
        EXPECT_EQ(sim.readErrorToEnd(milliseconds(5000)),
                  "rx48p-board-sim: '" + taken + "' exists and is not a symbolic link; not replacing it\n");
        EXPECT_EQ(sim.wait(milliseconds(1000)), 4);
    }
    std::string kept;
    std::getline(std::ifstream(file), kept);
    EXPECT_EQ(kept, "not a link");
    EXPECT_EQ(run("--log /nonexistent/board.log"),
              "rx48p-board-sim: cannot open the log file '/nonexistent/board.log': No such file or directory\n"
              "Try 'rx48p-board-sim --help'.\nexit 2\n");

    // A board that cannot start is never detached: the caller says why, prints no id, and fails.
    SimChild failing({"--detach", "--port", "/nonexistent/tty"});
    EXPECT_EQ(failing.readToEnd(milliseconds(5000)), "");
    EXPECT_EQ(failing.readErrorToEnd(milliseconds(5000)),
              "rx48p-board-sim: cannot open '/nonexistent/tty': No such file or directory\n");
    EXPECT_EQ(failing.wait(), 4);
}

// A behaviour check, not a measurement: the reply spreads over about the time a 9600-baud UART takes
// for it, in many reads, where an unpaced board hands it over in one.
TEST(Pace, EveryByteOfAReplyGoesOutOnItsOwnAtTheLineRate) {
    SimChild sim({"--pace", "9600", "--event-delay", "0", "--calib-delay", "0"});
    const std::string listening = sim.readLine();
    ASSERT_EQ(listening.rfind("listening on /dev/pts/", 0), 0u) << listening;
    TerminalEnd terminal(listening.substr(13));
    ASSERT_TRUE(terminal.isOpen());
    // The board naps while the line is closed; the time to notice the opening is not the line's.
    ASSERT_EQ(sim.readLine(), "terminal opened the line");
    const auto asked = TerminalEnd::clock::now();
    ASSERT_TRUE(terminal.write(ping_frame));
    const auto pieces = terminal.readPieces(ping_reply.size(), milliseconds(2000));
    ASSERT_FALSE(pieces.empty());

    bytes got;
    for (const auto& p : pieces)
        got = got + p.data;
    EXPECT_EQ(got, ping_reply);
    const double byte_ms = 10 * 1000.0 / 9600;  // start, 8 data and stop bits
    const double expected_ms = double(ping_reply.size() - 1) * byte_ms;
    // From the ping, not from the first byte read: a test that reads late only lengthens this.
    const double span_ms = std::chrono::duration<double, std::milli>(pieces.back().at - asked).count();
    EXPECT_GE(span_ms, 0.8 * expected_ms);
    EXPECT_LE(span_ms, 10 * expected_ms + 100);
    EXPECT_GE(pieces.size(), ping_reply.size() / 2) << "the reply came in bursts";

    // The log is that of an unpaced board.
    std::string sent;
    for (int i = 0; i < 3 && sent.rfind("send ", 0) != 0; ++i)
        sent = sim.readLine();
    EXPECT_EQ(sent.substr(0, sizeof ping_reply_log - 1), ping_reply_log);
    sim.signal();
    EXPECT_EQ(sim.wait(), 128 + SIGTERM);
}

TEST(Link, NamesTheLineWhileItIsServedAndGoesWithTheBoard) {
    const ScratchDir dir("link");
    const std::string link = dir / "board";
    SimChild sim({"--link", link});
    const std::string listening = sim.readLine();
    ASSERT_EQ(listening.rfind("listening on /dev/pts/", 0), 0u) << listening;
    EXPECT_EQ(linkTarget(link), listening.substr(13));
    sim.signal(SIGINT);
    EXPECT_EQ(sim.wait(), 128 + SIGINT);
    EXPECT_FALSE(exists(link));
}

// Another board started with the same --link has taken the name over by the time this one stops.
TEST(Link, ALinkThatNoLongerPointsAtTheLineIsLeftAlone) {
    const ScratchDir dir("link_taken");
    const std::string link = dir / "board";
    SimChild sim({"--link", link});
    ASSERT_EQ(sim.readLine().rfind("listening on ", 0), 0u);
    ASSERT_TRUE(exists(link));
    ASSERT_EQ(::symlink("/dev/null", (dir / "other").c_str()), 0);
    ASSERT_EQ(::rename((dir / "other").c_str(), link.c_str()), 0);
    sim.signal(SIGHUP);
    EXPECT_EQ(sim.wait(), 128 + SIGHUP);
    EXPECT_EQ(linkTarget(link), "/dev/null");
}

// As a script uses it: pid=$(rx48p-board-sim --detach --link L --log F), the line used through L at
// once, then kill "$pid".
TEST(Detach, ReturnsTheIdOnceTheLineAndItsLinkAreReady) {
    const ReaperScope reaper;
    const ScratchDir dir("detach");
    const std::string link = dir / "board";
    const std::string log = dir / "board.log";
    ASSERT_EQ(::symlink("/nonexistent/old-board", link.c_str()), 0);  // left by a board that was killed
    SimChild caller({"--detach", "--link", link, "--log", log, "--event-delay", "0"});
    const std::string printed = caller.readLine();
    ASSERT_FALSE(printed.empty());
    ASSERT_EQ(printed.find_first_not_of("0123456789"), std::string::npos) << printed;
    BackgroundBoard board(std::stoi(printed));
    EXPECT_EQ(caller.readToEnd(milliseconds(5000)), "") << "standard output is still held open";
    EXPECT_EQ(caller.wait(), 0);
    EXPECT_NE(board.pid, caller.pid());
    EXPECT_EQ(::kill(board.pid, 0), 0);
    EXPECT_EQ(::getsid(board.pid), board.pid);

    // No waiting anywhere below: all of it is there when the caller has returned.
    const std::string target = linkTarget(link);
    EXPECT_EQ(target.rfind("/dev/pts/", 0), 0u) << target;
    std::string first;
    std::getline(std::ifstream(log), first);
    EXPECT_EQ(first, "listening on " + target);
    {
        TerminalEnd terminal(link);
        ASSERT_TRUE(terminal.isOpen());
        ASSERT_TRUE(terminal.write(ping_frame));
        EXPECT_EQ(terminal.read(ping_reply.size(), milliseconds(2000)), ping_reply);
    }

    EXPECT_EQ(board.stop(), 128 + SIGTERM);
    EXPECT_FALSE(exists(link));
}

// Options as rx48p-ctl takes them: a slip gets the one name it was near, a guess none.
TEST(Options, AMistypedOptionIsAnsweredWithTheNameItWasNear) {
    const std::pair<std::string, std::string> cases[] = {
        {"--devcie", "; did you mean --device?"},
        {"--devcie=a.device", "; did you mean --device?"},
        {"-device", "; did you mean --device?"},
        {"--no-e", "; did you mean --no-event?"},          // not --noise, two edits away
        {"--stream-c", "; did you mean --stream-count?"},  // not --stream
        {"--chunk-p", "; did you mean --chunk-pause?"},
        {"--pase", "; did you mean --pace?"},
        {"--verbose", ""},
        {"--s", ""},  // --seed, --stray, --stream: anybody's guess
    };
    for (const auto& [typed, suggestion] : cases) {
        const char* argv[] = {"sim", typed.c_str()};
        try {
            parse_options(2, argv);
            ADD_FAILURE() << typed << " was taken";
        } catch (const sim_error& e) {
            const std::string name = typed.substr(0, typed.find('='));
            EXPECT_EQ(e.what(), "unknown option '" + name + "'" + suggestion) << typed;
            EXPECT_EQ(e.exit_code, proc::exit_usage) << typed;
        }
    }
}

TEST(Program, ExitStatusAndMessagesAreTheCompanions) {
    EXPECT_EQ(run("--devcie a.device"), "rx48p-board-sim: unknown option '--devcie'; did you mean --device?\n"
                                         "Try 'rx48p-board-sim --help'.\nexit 2\n");
    // What the user typed reaches the terminal, its escape sequences do not.
    EXPECT_EQ(run("\"--dev$(printf '\\033')[2J$(printf '\\302\\233')1m\""),
              "rx48p-board-sim: unknown option '--dev\\x1b[2J\\xc2\\x9b1m'\nTry 'rx48p-board-sim --help'.\nexit 2\n");
    EXPECT_EQ(run("--device /"), "rx48p-board-sim: cannot read the device file '/'\nTry 'rx48p-board-sim --help'.\nexit 2\n");
    EXPECT_EQ(run("--link /nonexistent/board"), "rx48p-board-sim: cannot make the link '/nonexistent/board': its lock "
                                                "file '/nonexistent/board.lock' cannot be opened: No such file or "
                                                "directory\nexit 4\n");
}

// Two people following the README on one PC: the second board must not take the first one's name.
TEST(Link, TheLinkOfARunningSimulatorIsRefusedAndItsBoardKeepsAnswering) {
    const ScratchDir dir("link_live");
    const std::string link = dir / "board";
    const std::string log = dir / "board.log";
    SimChild first({"--link", link, "--event-delay", "0"});
    const std::string listening = first.readLine();
    ASSERT_EQ(listening.rfind("listening on /dev/pts/", 0), 0u) << listening;
    std::ofstream(log) << "the first board's log\n";

    SimChild second({"--link", link, "--log", log});
    EXPECT_EQ(second.readErrorToEnd(milliseconds(5000)),
              "rx48p-board-sim: '" + link + "' is the link of a simulator that is still running (process " +
                  std::to_string(first.pid()) + "); stop it or choose another --link\n");
    EXPECT_EQ(second.wait(), proc::exit_port);
    std::string kept;
    std::getline(std::ifstream(log), kept);
    EXPECT_EQ(kept, "the first board's log");

    EXPECT_EQ(linkTarget(link), listening.substr(13));
    {
        TerminalEnd terminal(link);
        ASSERT_TRUE(terminal.isOpen());
        ASSERT_TRUE(terminal.write(ping_frame));
        EXPECT_EQ(terminal.read(ping_reply.size(), milliseconds(2000)), ping_reply);
    }
    first.signal();
    EXPECT_EQ(first.wait(), 128 + SIGTERM);
    EXPECT_FALSE(exists(link));
    EXPECT_FALSE(exists(link + ".lock"));
}

// A board killed outright leaves its link and lock file behind; nobody holds the lock any more.
TEST(Link, TheLinkOfAKilledSimulatorIsTakenOver) {
    const ScratchDir dir("link_stale");
    const std::string link = dir / "board";
    {
        SimChild killed({"--link", link});
        ASSERT_EQ(killed.readLine().rfind("listening on ", 0), 0u);
        killed.signal(SIGKILL);
        EXPECT_EQ(killed.wait(), 128 + SIGKILL);
    }
    ASSERT_TRUE(exists(link));
    ASSERT_TRUE(exists(link + ".lock"));

    SimChild next({"--link", link, "--event-delay", "0"});
    const std::string listening = next.readLine();
    ASSERT_EQ(listening.rfind("listening on /dev/pts/", 0), 0u) << listening;
    EXPECT_EQ(linkTarget(link), listening.substr(13));
    {
        TerminalEnd terminal(link);
        ASSERT_TRUE(terminal.isOpen());
        ASSERT_TRUE(terminal.write(ping_frame));
        EXPECT_EQ(terminal.read(ping_reply.size(), milliseconds(2000)), ping_reply);
    }
    next.signal();
    EXPECT_EQ(next.wait(), 128 + SIGTERM);
    EXPECT_FALSE(exists(link));
    EXPECT_FALSE(exists(link + ".lock"));
}

// The caller of --detach exits at once; the lock must stay with the background board, named by its id.
TEST(Detach, TheBackgroundBoardHoldsItsLinkAgainstASecondOne) {
    const ReaperScope reaper;
    const ScratchDir dir("detach_lock");
    const std::string link = dir / "board";
    SimChild caller({"--detach", "--link", link});
    const std::string printed = caller.readLine();
    ASSERT_FALSE(printed.empty());
    ASSERT_EQ(printed.find_first_not_of("0123456789"), std::string::npos) << printed;
    BackgroundBoard board(std::stoi(printed));
    EXPECT_EQ(caller.wait(), 0);
    const std::string target = linkTarget(link);

    SimChild second({"--link", link});
    EXPECT_EQ(second.readErrorToEnd(milliseconds(5000)),
              "rx48p-board-sim: '" + link + "' is the link of a simulator that is still running (process " + printed +
                  "); stop it or choose another --link\n");
    EXPECT_EQ(second.wait(), proc::exit_port);
    EXPECT_EQ(linkTarget(link), target);

    EXPECT_EQ(board.stop(), 128 + SIGTERM);
    EXPECT_FALSE(exists(link));
    EXPECT_FALSE(exists(link + ".lock"));
}

// A station's four fixtures: four boards at once, each on its own pseudo-terminal and link, each
// reading its drops with its own shift. Every board is asked before any answers, so a board that
// answered on a sibling's line, or with a sibling's shift, would show.
TEST(Fixtures, FourBoardsAtOnceEachReportTheirOwnShiftedDrops) {
    const ScratchDir dir("fixtures");
    const std::string device = dir / "edge.device";
    std::ofstream(device) << "pair 1 anode 2 cathode 2.50 -2.56\npair 7 shortcut 8 shortcut 0.00 0.00\nbutton 12 14 on\n";
    struct fixture {
        std::string shift;
        bytes drops;  // both pairs' drops as the board's bytes, worked out by hand, clamped at the ends
    };
    const fixture fixtures[] = {{"0", {0x7D, 0x80, 0x00, 0x00}},
                                {"0.06", {0x7F, 0x83, 0x03, 0x03}},
                                {"-0.04", {0x7B, 0x80, 0xFE, 0xFE}},
                                {"+0.02V", {0x7E, 0x81, 0x01, 0x01}}};
    std::vector<std::unique_ptr<SimChild>> boards;
    std::vector<std::unique_ptr<TerminalEnd>> terminals;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string link = dir / ("fixture" + std::to_string(i));
        boards.push_back(std::make_unique<SimChild>(std::vector<std::string>{
            "--link", link, "--device", device, "--event-delay", "50", "--drop-shift", fixtures[i].shift}));
        ASSERT_EQ(boards.back()->readLine().rfind("listening on /dev/pts/", 0), 0u) << fixtures[i].shift;
        terminals.push_back(std::make_unique<TerminalEnd>(link));
        ASSERT_TRUE(terminals.back()->isOpen());
    }
    const bytes ask = frame_bytes(MES_STATIC, 1, {}) + frame_bytes(MES_BUTTON_MECH, 1, {});
    for (auto& terminal : terminals)
        ASSERT_TRUE(terminal->write(ask));
    for (std::size_t i = 0; i < 4; ++i) {
        const bytes& d = fixtures[i].drops;
        const bytes expected = frame_bytes(MES_STATIC, 1, {}) + frame_bytes(MES_BUTTON_MECH, 1, {}) +
            frame_bytes(ON_STATIC_MES, 1, {2, 1, LED_ANODE, 2, LED_CATHODE, d[0], d[1], 7, SHORTCUT, 8, SHORTCUT, d[2], d[3]}) +
            frame_bytes(ON_BUTTON_MECH, 1, {1, 12, BUTTON_ON, 14, COMMON, 0, 0});
        EXPECT_EQ(terminals[i]->read(expected.size(), milliseconds(3000)), expected) << "--drop-shift " << fixtures[i].shift;
    }
    for (auto& board : boards) {
        board->signal();
        EXPECT_EQ(board->wait(), 128 + SIGTERM);
    }
    for (std::size_t i = 0; i < 4; ++i)
        EXPECT_FALSE(exists(dir / ("fixture" + std::to_string(i))));
}

}  // namespace
