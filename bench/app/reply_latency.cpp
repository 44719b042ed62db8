// Reply latency: from the simulator writing an acknowledgement to its report in the console.

#include "board_sim.h"
#include "bench_window.h"
#include "console_watch.h"
#include "event_wait.h"
#include "figures.h"
#include "stats.h"

#include <QEventLoop>
#include <QTimer>

#include <stdexcept>

namespace bench {

Row replyLatency(const Settings& s) {
    const int exchanges = s.quick ? 50 : 1000;
    BoardSim sim(s.simProgram, {});
    BenchWindow w;
    if (!w.connectTo(sim.path()))
        throw std::runtime_error("reply latency: the window did not connect");
    QPushButton& ok = w.button(QStringLiteral("Buzzer OK (BUZ_OK)"));

    // The next click waits for the report, so exactly one reply is on its way at a time.
    QEventLoop loop;
    int reported = 0;
    ConsoleWatch watch(w.console(), QStringLiteral("\tACK BUZ_OK"), [&] {
        if (++reported >= exchanges)
            loop.quit();
        else
            QTimer::singleShot(0, &ok, &QPushButton::click);
    });
    QTimer::singleShot(exchanges * 200, &loop, &QEventLoop::quit);
    ok.click();
    loop.exec();
    runUntil([&] { return static_cast<int>(sim.sendTimes("ack BUZ_OK").size()) >= reported; }, 2000);

    const std::vector<double> sent = sim.sendTimes("ack BUZ_OK");
    const std::vector<double>& shown = watch.times();
    if (static_cast<int>(shown.size()) < exchanges || sent.size() != shown.size())
        throw std::runtime_error(format("reply latency: %zu replies sent, %zu reported, %d wanted", sent.size(),
                                        shown.size(), exchanges));
    std::vector<double> ms;
    for (std::size_t i = 0; i < shown.size(); ++i)
        ms.push_back((shown[i] - sent[i]) * 1000.0);

    Row row;
    row.figure = "reply latency";
    row.how = format("simulator writes an ACK frame -> its report appended to the console; %d exchanges", exchanges);
    const double p50 = percentile(ms, 50), p99 = percentile(ms, 99);
    row.measured = format("p50 %.1f ms, p99 %.1f ms (max %.1f)", p50, p99, percentile(ms, 100));
    row.goal = "p50 <= 12 ms, p99 <= 20 ms";
    row.verdict = p50 <= 12 && p99 <= 20 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
