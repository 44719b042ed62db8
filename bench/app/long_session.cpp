// Long session: 200,000 console lines from repeated static measures, fed straight into the window's
// slots as the link would deliver them, each followed by the events (paints) it causes.

#include "bench_window.h"
#include "console_watch.h"
#include "figures.h"
#include "proc_stats.h"

#include "device_model.h"  // the simulator's built-in device, for a realistic measure payload
#include "device/endpoints.h"
#include "vexcom/vexcom_packetizer.h"

#include <QCoreApplication>
#include <QTextDocument>

#include <functional>

namespace bench {

namespace {

std::vector<std::uint8_t> frame(std::uint8_t endpoint, const std::vector<std::uint8_t>& payload) {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return vex_com::packetizer(cfg).packetize(endpoint, 1, payload.data(), payload.size());
}

struct Cost {
    int linesBefore;
    int linesAdded;
    double seconds;
};

// Cost per line of the appends made while the console held [from, to) lines.
double microsPerLine(const std::vector<Cost>& costs, int from, int to) {
    double seconds = 0;
    long lines = 0;
    for (const Cost& c : costs) {
        if (c.linesBefore < from || c.linesBefore >= to)
            continue;
        seconds += c.seconds;
        lines += c.linesAdded;
    }
    return lines > 0 ? seconds * 1e6 / static_cast<double>(lines) : 0;
}

}  // namespace

Row longSession(const Settings& s) {
    const int target = s.quick ? 20000 : 200000;
    BenchWindow w;
    MainWindow& main = w.window();
    main.onRX48PConneted();  // the connected look: the console enabled, as in a real session
    QTextDocument& doc = *w.console().document();

    const QString sentText = QStringLiteral("55:00:04:04:01:c1:ea");
    const std::vector<std::uint8_t> ack = frame(tarnwell::MES_STATIC, {});
    const std::vector<std::uint8_t> measure =
        frame(tarnwell::ON_STATIC_MES, board_sim::static_measure_payload(board_sim::builtin_device()));
    const std::function<void()> steps[] = {
        [&] { main.onDataSent(sentText); },
        [&] { main.onDataReceived(ack); },
        [&] { main.onDataReceived(measure); },
    };

    const double rss0 = residentMiB();
    std::vector<Cost> costs;
    costs.reserve(static_cast<std::size_t>(target / 5));
    const double t0 = nowSeconds();
    while (doc.blockCount() < target) {
        for (const auto& step : steps) {
            const int before = doc.blockCount();
            const double start = nowSeconds();
            step();
            QCoreApplication::processEvents();
            costs.push_back({before, doc.blockCount() - before, nowSeconds() - start});
        }
    }
    const double elapsed = nowSeconds() - t0;
    const double rss1 = residentMiB();
    const int lines = doc.blockCount();

    const double first = microsPerLine(costs, 0, target / 10);
    const double last = microsPerLine(costs, target - target / 10, lines);
    Row row;
    row.figure = "long session";
    int perExchange = 0;
    for (std::size_t i = 3; i < 6 && i < costs.size(); ++i)
        perExchange += costs[i].linesAdded;
    row.how = format("%d console lines appended: a static measure exchange (%d lines from 3 slot calls) repeated, "
                     "each call followed by the events it causes, its repaint among them",
                     lines, perExchange);
    row.measured = format("first 10 %%: %.1f us a line, last 10 %%: %.1f us a line (%.2fx); resident memory %.0f "
                          "MiB -> %.0f MiB",
                          first, last, last / first, rss0, rss1);
    row.goal = "last 10 % at most 2x the first 10 %; memory reported";
    row.verdict = last <= 2 * first ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(format("long session: %zu appends in %.1f s; %.2f KiB of resident memory a line",
                               costs.size(), elapsed, (rss1 - rss0) * 1024.0 / lines));
    return row;
}

}  // namespace bench
