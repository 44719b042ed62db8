// Command latency: from a click on a command button to the frame's last byte read at the board's end.
// The bench plays a silent board on a pseudo-terminal pair of its own.

#include "bench_window.h"
#include "console_watch.h"
#include "event_wait.h"
#include "figures.h"
#include "pty_pair.h"
#include "stats.h"

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

// Reads the master side and notes when each whole frame of `frameSize` bytes has arrived.
class FrameClock {
public:
    FrameClock(int fd, std::size_t frameSize) : fd(fd), frameSize(frameSize), thread([this] { run(); }) {}
    ~FrameClock() {
        stopping = true;
        thread.join();
    }
    FrameClock(const FrameClock&) = delete;
    FrameClock& operator=(const FrameClock&) = delete;

    std::size_t frames() const { return count.load(); }
    std::vector<double> times() const {
        std::lock_guard<std::mutex> lock(mutex);
        return stamps;
    }

private:
    void run() {
        std::size_t bytes = 0;
        while (!stopping) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 5) <= 0 || !(p.revents & POLLIN))
                continue;
            std::uint8_t buf[256];
            const ssize_t n = ::read(fd, buf, sizeof buf);
            if (n <= 0)
                continue;
            const double now = nowSeconds();
            bytes += static_cast<std::size_t>(n);
            std::lock_guard<std::mutex> lock(mutex);
            while (bytes >= frameSize * (stamps.size() + 1))
                stamps.push_back(now);
            count = stamps.size();
        }
    }

    int fd;
    std::size_t frameSize;
    std::atomic<bool> stopping{false};
    std::atomic<std::size_t> count{0};
    mutable std::mutex mutex;
    std::vector<double> stamps;
    std::thread thread;
};

}  // namespace

Row commandLatency(const Settings& s) {
    const int clicks = s.quick ? 20 : 300;
    PtyPair pair;
    BenchWindow w;
    if (!w.connectTo(pair.slavePath()))
        throw std::runtime_error("command latency: the window did not connect");
    QPushButton& measure = w.button(QStringLiteral("Do static measure (MES_STATIC)"));
    FrameClock board(pair.masterFd(), 7);  // 55 00 04 04 01 c1 ea

    // Clicks fall at random points of the worker's 50 ms cycle, one frame on its way at a time.
    std::mt19937 random(48);
    std::uniform_int_distribution<int> gap(0, 60);
    std::vector<double> clicked;
    for (int i = 0; i < clicks; ++i) {
        runFor(gap(random));
        clicked.push_back(nowSeconds());
        measure.click();
        if (!runUntil([&] { return board.frames() > static_cast<std::size_t>(i); }, 2000, 1))
            throw std::runtime_error(format("command latency: frame %d never arrived", i + 1));
    }
    const std::vector<double> arrived = board.times();
    std::vector<double> ms;
    for (std::size_t i = 0; i < clicked.size(); ++i)
        ms.push_back((arrived[i] - clicked[i]) * 1000.0);

    Row row;
    row.figure = "command latency";
    row.how = format("click \"Do static measure (MES_STATIC)\" -> last byte of its frame read at the board's "
                     "end; silent board; %d clicks", clicks);
    const double p99 = percentile(ms, 99);
    row.measured = format("p50 %.1f ms, p99 %.1f ms (max %.1f)", percentile(ms, 50), p99, percentile(ms, 100));
    row.goal = "p99 <= 60 ms";
    row.verdict = p99 <= 60 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
