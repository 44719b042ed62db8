// rx48p-board-sim as a program: its exit codes, and sessions over a pseudo-terminal it creates or one
// it is given.

#include "sim_process.h"

#include "pty_pair.h"

#include "device/endpoints.h"
#include "vexcom/vexcom_interpreter.h"

#include <gtest/gtest.h>

#include <termios.h>

#include <thread>

using namespace tarnwell;
using bytes = std::vector<std::uint8_t>;
using namespace std::chrono_literals;

namespace {

vex_com::config lineConfig() {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return cfg;
}

bytes frame(std::uint8_t endpoint, const bytes& payload = {}) {
    return vex_com::packetizer(lineConfig()).packetize(endpoint, 1, payload.data(), payload.size());
}

struct received {
    std::uint8_t endpoint;
    bytes payload;
};

// The terminal's side of the line, as RX48P-Term opens it.
class Terminal {
public:
    explicit Terminal(const std::string& path) : fd(::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {
        termios t{};
        ::tcgetattr(fd, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(fd, TCSANOW, &t);
        for (int ep = 0; ep <= 0xFF; ++ep)
            parser.add_handler(static_cast<std::uint8_t>(ep), [this, ep](vex_com::acknowledge, bytes payload) {
                frames.push_back({static_cast<std::uint8_t>(ep), std::move(payload)});
            });
    }
    ~Terminal() { ::close(fd); }
    bool isOpen() const { return fd >= 0; }

    void send(const bytes& b) { ASSERT_EQ(::write(fd, b.data(), b.size()), static_cast<ssize_t>(b.size())); }

    // Reads until `count` frames have arrived in all, or `timeout` passes; returns them all.
    const std::vector<received>& waitFrames(std::size_t count, std::chrono::milliseconds timeout = 2s) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (frames.size() < count && std::chrono::steady_clock::now() < deadline) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) <= 0)
                continue;
            std::uint8_t buf[512];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n > 0) {
                reads.emplace_back(buf, buf + n);
                parser.interpret(buf, static_cast<std::size_t>(n));
            }
        }
        return frames;
    }

    std::vector<bytes> reads;
    std::vector<received> frames;

private:
    int fd;
    vex_com::interpreter parser{lineConfig()};
};

std::string startAndGetPath(SimProcess& sim) {
    const auto first = sim.line();
    if (!first || first->rfind("listening on ", 0) != 0)
        return {};
    return first->substr(13);
}

TEST(BoardSimProgram, RefusesBadInputWithAMessageAndNonZeroExit) {
    struct {
        std::vector<std::string> args;
        int code;
        std::string message;
    } cases[] = {
        {{"--noise", "-1"}, 2, "rx48p-board-sim: --noise must be a number from 1 to 65535, not '-1'\n"
                               "Try 'rx48p-board-sim --help'.\n"},
        {{"--port", "/nonexistent/tty"}, 1, "rx48p-board-sim: cannot open '/nonexistent/tty': No such file or directory\n"},
        {{"--port", "/dev/null"}, 1, "rx48p-board-sim: '/dev/null' is not a serial line\n"},
    };
    for (const auto& c : cases) {
        SimProcess sim(c.args);
        EXPECT_EQ(sim.wait(), c.code) << c.args[0];
        EXPECT_EQ(sim.errors(), c.message);
    }
}

TEST(BoardSimProgram, HelpExplainsEveryOption) {
    SimProcess sim({"--help"});
    std::string help;
    while (auto l = sim.line(500ms))
        help += *l + "\n";
    EXPECT_EQ(sim.wait(), 0);
    for (const char* option : {"--pty", "--port", "--baud", "--device", "--pair", "--button", "--touch", "--firmware",
                               "--print-device", "--reply-delay", "--event-delay", "--calib-delay", "--chunk ",
                               "--chunk-pause", "--noise", "--bad-crc", "--stray", "--truncate", "--no-reply",
                               "--no-event", "--seed", "--stream ", "--stream-count", "--raw", "--timestamps",
                               "-h, --help"})
        EXPECT_NE(help.find("  " + std::string(option)), std::string::npos) << option;
}

TEST(BoardSimProgram, AnswersOverItsPseudoTerminalAndLogsEveryFrame) {
    SimProcess sim({"--event-delay", "30", "--touch", "3 on"});
    const std::string path = startAndGetPath(sim);
    ASSERT_FALSE(path.empty());
    Terminal term(path);
    ASSERT_TRUE(term.isOpen());
    EXPECT_EQ(sim.line(), "terminal opened the line");

    term.send(frame(MES_BUTTON_CAP, {0, 3}));
    const auto& frames = term.waitFrames(2);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].endpoint, MES_BUTTON_CAP);
    EXPECT_EQ(frames[1].endpoint, ON_BUTTON_CAP);
    EXPECT_EQ(frames[1].payload, (bytes{2, 0, 0x00, 3, 0x21}));
    EXPECT_EQ(sim.line(), "recv 55:00:06:08:00:03:01:44:71  MES_BUTTON_CAP pins 0, 3");
    EXPECT_EQ(sim.line(), "send 55:00:04:08:01:84:87  ack MES_BUTTON_CAP");
    EXPECT_EQ(sim.line(), "send 55:00:09:09:02:00:00:03:21:01:2d:e4  ON_BUTTON_CAP 2 pins");

    sim.signal(SIGTERM);
    EXPECT_EQ(sim.wait(), 0);
}

TEST(BoardSimProgram, IdleCancelsThePendingEvents) {
    SimProcess sim({"--event-delay", "150"});
    Terminal term(startAndGetPath(sim));
    term.send(frame(MES_STATIC));
    term.send(frame(IDLE));
    const auto& frames = term.waitFrames(3, 400ms);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].endpoint, MES_STATIC);
    EXPECT_EQ(frames[1].endpoint, IDLE);
    EXPECT_TRUE(sim.lineStartingWith("IDLE cancels 1 pending event"));
}

TEST(BoardSimProgram, ChunksArriveWithTheirPauses) {
    SimProcess sim({"--chunk", "4", "--chunk-pause", "40"});
    Terminal term(startAndGetPath(sim));
    const auto start = std::chrono::steady_clock::now();
    term.send(frame(ID, {'R', 'X', '4', '8', 'P'}));
    ASSERT_EQ(term.waitFrames(1).size(), 1u);
    // 15 bytes in chunks of 4: three pauses between four chunks.
    EXPECT_GE(std::chrono::steady_clock::now() - start, 120ms);
    EXPECT_GE(term.reads.size(), 4u);
    for (const bytes& r : term.reads)
        EXPECT_LE(r.size(), 4u);
    EXPECT_EQ(term.frames[0].payload, (bytes{'R', 'X', '4', '8', 'P', 1, 4, 2}));
}

TEST(BoardSimProgram, RepliesPendingWhenTheTerminalClosesAreNotDeliveredLater) {
    SimProcess sim({"--event-delay", "100"});
    const std::string path = startAndGetPath(sim);
    {
        Terminal term(path);
        term.send(frame(MES_STATIC));
        ASSERT_EQ(term.waitFrames(1).size(), 1u);  // the acknowledgement; the measure is still pending
    }
    EXPECT_TRUE(sim.lineStartingWith("terminal closed the line; dropped 1 pending replies"));
    std::this_thread::sleep_for(150ms);
    Terminal again(path);
    again.send(frame(BUZ_OK));
    const auto& frames = again.waitFrames(2, 300ms);
    ASSERT_EQ(frames.size(), 1u);
    EXPECT_EQ(frames[0].endpoint, BUZ_OK);
}

TEST(BoardSimProgram, ServesADeviceItIsGiven) {
    PtyPair pair;  // the test plays the terminal on the master side
    SimProcess sim({"--port", pair.slavePath(), "--no-reply", "BUZ_ER"});
    EXPECT_EQ(sim.line(), "listening on " + pair.slavePath());
    ASSERT_TRUE(pair.write(frame(BUZ_ER)));
    ASSERT_TRUE(pair.write(frame(BUZ_OK)));
    EXPECT_EQ(pair.read(7), frame(BUZ_OK));
    EXPECT_EQ(sim.line(), "recv 55:00:04:0d:01:7b:72  BUZ_ER -- no answer (--no-reply)");
}

TEST(BoardSimProgram, StreamsEventsAtItsRateAndStampsItsLog) {
    SimProcess sim({"--stream", "100", "--stream-count", "20", "--timestamps"});
    const auto stampOf = [](const std::string& line) { return std::stod(line.substr(0, line.find(' '))); };
    const auto listening = sim.line();
    ASSERT_TRUE(listening);
    const std::string path = listening->substr(listening->find("listening on ") + 13);
    Terminal term(path);
    const auto& frames = term.waitFrames(21, 1500ms);
    ASSERT_EQ(frames.size(), 20u);  // and no more
    for (const received& f : frames)
        EXPECT_EQ(f.endpoint, ON_INSERT);

    std::vector<double> sent;
    while (auto l = sim.line(200ms)) {
        if (l->find(" send 55:00:04:03:01:") != std::string::npos)
            sent.push_back(stampOf(*l));
    }
    ASSERT_EQ(sent.size(), 20u);
    const double now = std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    EXPECT_LT(now - sent.back(), 5.0);  // the same clock as ours
    // 19 periods of 10 ms. Lateness does not add up from one event to the next, but on a busy machine
    // the last wake-up alone can be several milliseconds late.
    EXPECT_NEAR(sent.back() - sent.front(), 0.190, 0.025);
}

}  // namespace
