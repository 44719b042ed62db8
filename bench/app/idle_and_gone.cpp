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

// Percent of a core the whole process used while the event loop ran for `ms`.
double processPercentOver(int ms) {
    const double cpu0 = processCpuSeconds(), t0 = nowSeconds();
    runFor(ms);
    return 100.0 * (processCpuSeconds() - cpu0) / (nowSeconds() - t0);
}

}  // namespace

std::vector<Row> idleAndBoardGone(const Settings& s) {
    const int ms = s.quick ? 3000 : 10000;
    BoardSim sim(s.simProgram, {});
    BenchWindow w;
    if (!w.connectTo(sim.path()))
        throw std::runtime_error("idle: the window did not connect");
    runFor(500);  // connection set up
    const double idle = processPercentOver(ms);

    sim.stop();
    const double gone = processPercentOver(ms);

    Row idleRow;
    idleRow.figure = "idle";
    idleRow.how = format("connected to a silent simulator for %d s", ms / 1000);
    idleRow.measured = format("process %.2f %% of a core", idle);
    idleRow.goal = "process <= 1 % of a core";
    idleRow.verdict = idle <= 1 ? Row::Verdict::met : Row::Verdict::missed;

    Row goneRow;
    goneRow.figure = "board gone";
    goneRow.how = format("the simulator ends, closing its pseudo-terminal, while connected; %d s", ms / 1000);
    goneRow.measured = format("process %.2f %% of a core", gone);
    goneRow.goal = "process <= 1 % of a core";
    goneRow.verdict = gone <= 1 ? Row::Verdict::met : Row::Verdict::missed;
    return {idleRow, goneRow};
}

}  // namespace bench
