// Idle and board gone: the process's CPU while connected to a silent board, then after the board's
// end of the pseudo-terminal has closed with the connection still open.

#include "board_sim.h"
#include "bench_window.h"
#include "console_watch.h"
#include "event_wait.h"
#include "figures.h"
#include "proc_stats.h"

#include <stdexcept>

namespace bench {

namespace {

struct Usage {
    double percent;           // of a core, the whole process
    std::string byThread;     // e.g. "GUI 0.10 % (2 wake-ups/s), thread 1234 0.30 % (99 wake-ups/s), ..."
};

// What the process used while the event loop ran for `ms`.
Usage usageOver(int ms) {
    const auto threads0 = threadCpuTable();
    const double cpu0 = processCpuSeconds(), t0 = nowSeconds();
    runFor(ms);
    const double cpu1 = processCpuSeconds(), t1 = nowSeconds();
    Usage u{100.0 * (cpu1 - cpu0) / (t1 - t0), {}};
    const pid_t gui = currentThreadId();
    for (const auto& [tid, now] : threadCpuTable()) {
        const auto before = threads0.find(tid);
        const bool old = before != threads0.end();
        const double used = now.seconds - (old ? before->second.seconds : 0);
        const double wakeups = static_cast<double>(now.wakeups - (old ? before->second.wakeups : 0)) / (t1 - t0);
        if (used <= 0 && wakeups < 1)
            continue;
        const std::string name = tid == gui ? std::string("GUI") : format("thread %d", static_cast<int>(tid));
        u.byThread += (u.byThread.empty() ? "" : ", ") +
                      format("%s %.2f %% (%.0f wake-ups/s)", name.c_str(), 100.0 * used / (t1 - t0), wakeups);
    }
    return u;
}

// Both figures share one goal: the whole process under 1 % of a core.
Row cpuRow(const std::string& figure, const std::string& how, const Usage& usage) {
    Row row;
    row.figure = figure;
    row.how = how;
    row.measured = format("process %.2f %% of a core", usage.percent);
    row.goal = "process <= 1 % of a core";
    row.verdict = usage.percent <= 1 ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(figure + ", by thread: " + usage.byThread);
    return row;
}

}  // namespace

std::vector<Row> idleAndBoardGone(const Settings& s) {
    const int ms = s.quick ? 3000 : 10000;
    BoardSim sim(s.simProgram, {});
    BenchWindow w;
    if (!w.connectTo(sim.path()))
        throw std::runtime_error("idle: the window did not connect");
    runFor(500);  // connection set up
    const Usage idle = usageOver(ms);

    sim.stop();
    const Usage gone = usageOver(ms);

    return {cpuRow("idle", format("connected to a silent simulator for %d s", ms / 1000), idle),
            cpuRow("board gone",
                   format("the simulator ends, closing its pseudo-terminal, while connected; %d s", ms / 1000),
                   gone)};
}

}  // namespace bench
