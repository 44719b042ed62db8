// Sustained traffic: the board streams 100 events a second for a minute; every one must be reported,
// with a GUI thread that stays mostly idle and a latency that does not creep up.

#include "board_sim.h"
#include "bench_window.h"
#include "console_watch.h"
#include "event_wait.h"
#include "figures.h"
#include "proc_stats.h"
#include "stats.h"

#include "device/endpoints.h"
#include "link/hex_text.h"
#include "vexcom/vexcom_packetizer.h"

#include <QEventLoop>
#include <QTimer>

#include <chrono>
#include <stdexcept>
#include <thread>

namespace bench {

namespace {

struct Window {
    std::vector<double> ms;  // latencies of the frames sent in this part of the run
    double reportsPerSecond = 0;
};

// Latencies of the frames sent in [from, to), and how fast their reports came.
Window slice(const std::vector<double>& sent, const std::vector<double>& shown, double from, double to) {
    Window w;
    double first = 0, last = 0;
    for (std::size_t i = 0; i < sent.size(); ++i) {
        if (sent[i] < from || sent[i] >= to)
            continue;
        if (w.ms.empty())
            first = shown[i];
        last = shown[i];
        w.ms.push_back((shown[i] - sent[i]) * 1000.0);
    }
    if (w.ms.size() > 1)
        w.reportsPerSecond = static_cast<double>(w.ms.size() - 1) / (last - first);
    return w;
}

// How long a bare 10 ms sleep lasts here: the floor of the dispatcher's tick.
double bareTenMsSleep() {
    const int sleeps = 100;
    const double t0 = nowSeconds();
    for (int i = 0; i < sleeps; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return (nowSeconds() - t0) * 1000.0 / sleeps;
}

// The console's text for the bytes of one ON_INSERT frame.
QString oneEventHex() {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    const std::vector<std::uint8_t> frame = vex_com::packetizer(cfg).packetize(tarnwell::ON_INSERT, 1, nullptr, 0);
    return hexText(frame.data(), frame.size());
}

}  // namespace

Row sustainedTraffic(const Settings& s, int rate, int seconds) {
    if (s.quick)
        seconds = 12;
    const int frames = rate * seconds;
    BoardSim sim(s.simProgram, {"--stream", std::to_string(rate), "--stream-count", std::to_string(frames)});
    BenchWindow w;

    QEventLoop loop;
    ConsoleWatch watch(w.console(), QStringLiteral("\tInsertion detected (ON_INSERT)"), [&] {
        if (static_cast<int>(watch.times().size()) >= frames)
            loop.quit();
    });
    // The raw line of a chunk that holds exactly one event frame.
    ConsoleWatch singleFrameChunks(w.console(), QStringLiteral("<= ") + oneEventHex());
    const pid_t gui = currentThreadId();
    const double cpu0 = threadCpuSeconds(gui), proc0 = processCpuSeconds(), t0 = nowSeconds();
    if (!w.connectTo(sim.path()))
        throw std::runtime_error("sustained traffic: the window did not connect");
    QTimer::singleShot((seconds + 60) * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    const double cpu1 = threadCpuSeconds(gui), proc1 = processCpuSeconds(), t1 = nowSeconds();
    runUntil([&] { return sim.sendTimes("ON_INSERT").size() >= watch.times().size(); }, 2000);

    const std::vector<double> sent = sim.sendTimes("ON_INSERT");
    const std::vector<double>& shown = watch.times();
    if (sent.size() != static_cast<std::size_t>(frames) || shown.size() != sent.size())
        throw std::runtime_error(format("sustained traffic: %zu events sent, %zu reported, %d wanted", sent.size(),
                                        shown.size(), frames));
    const double start = sent.front(), end = sent.back();
    const Window first = slice(sent, shown, start, start + 10);
    const Window last = slice(sent, shown, end - 10, end + 1);
    const double guiPercent = 100.0 * (cpu1 - cpu0) / (t1 - t0);
    const double firstP50 = percentile(first.ms, 50), lastP50 = percentile(last.ms, 50);
    const double firstP99 = percentile(first.ms, 99), lastP99 = percentile(last.ms, 99);

    Row row;
    row.figure = rate == 100 ? "sustained traffic" : format("sustained traffic, %d a second", rate);
    row.how = format("the board streams %d ON_INSERT events a second for %d s, each reported", rate, seconds);
    row.measured = format("GUI thread %.1f %% of a core; latency p50/p99 first 10 s %.1f/%.1f ms, last 10 s "
                          "%.1f/%.1f ms; %zu of %d reported",
                          guiPercent, firstP50, firstP99, lastP50, lastP99, shown.size(), frames);
    row.goal = "GUI thread <= 10 %; last 10 s no worse than first 10 s (p50 and p99 within 2 ms)";
    const bool steady = lastP50 <= firstP50 + 2 && lastP99 <= firstP99 + 2;
    row.verdict = guiPercent <= 10 && steady ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(format("%s: whole process %.1f %% of a core over %.1f s; reports came at "
                               "%.2f a second in the first 10 s and %.2f in the last 10 s; the board sent at "
                               "%.2f a second",
                               row.figure.c_str(), 100.0 * (proc1 - proc0) / (t1 - t0), t1 - t0, first.reportsPerSecond,
                               last.reportsPerSecond, static_cast<double>(sent.size() - 1) / (end - start)));
    row.notes.push_back(format("%s: %zu of the %zu frames reached the console as a chunk of their own", row.figure.c_str(),
                               singleFrameChunks.times().size(), shown.size()));
    if (last.reportsPerSecond > 0 && last.reportsPerSecond < 0.995 * rate)
        row.notes.push_back(format("%s: the reports fell behind by %.1f a second: one chunk is handed over per "
                                   "dispatcher tick, and a tick lasted %.2f ms on average (a bare 10 ms sleep alone "
                                   "lasts %.2f ms here), so the backlog and the latency grew for the whole run",
                                   row.figure.c_str(), rate - last.reportsPerSecond, 1000.0 / last.reportsPerSecond,
                                   bareTenMsSleep()));
    return row;
}

}  // namespace bench
