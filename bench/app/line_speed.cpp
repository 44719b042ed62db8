// The companion and the terminal against a board whose UART puts one byte on the line at a time, at
// 9600 baud, with the simulator's delays at zero: what is left of each figure is the line and the host.

#include "board_sim.h"
#include "bench_window.h"
#include "console_watch.h"
#include "event_wait.h"
#include "figures.h"
#include "proc_stats.h"
#include "stats.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QStringList>
#include <QThread>
#include <QTimer>

#include <stdexcept>

namespace bench {

namespace {

constexpr int baud = 9600;
constexpr double byteSeconds = 10.0 / baud;  // start, 8 data, stop

std::vector<std::string> pacedSim(const Settings& s, std::vector<std::string> more = {}) {
    std::vector<std::string> args{"--pace", std::to_string(baud), "--event-delay", "0", "--calib-delay", "0",
                                  "--device", s.partsDir + "/good.device"};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

int hexBytes(const QString& hex) {
    return hex.isEmpty() ? 0 : static_cast<int>(hex.count(QLatin1Char(':'))) + 1;
}

}  // namespace

// The station's cycle beside the time its bytes need on the line: "=> " and "<= " lines between the
// configuration and the last part are the frames of the cycles, both ways.
Row lineStationCycle(const Settings& s) {
    BoardSim sim(s.simProgram, pacedSim(s));
    const int parts = s.quick ? 10 : 50;
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram),
              {"--raw", "--port", QString::fromStdString(sim.path()), "station",
               QString::fromStdString(s.partsDir + "/good.device"), "--count", QString::number(parts)});
    if (!ctl.waitForFinished(600000) || ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0)
        throw std::runtime_error("line station: rx48p-ctl failed: " + ctl.readAllStandardError().toStdString());
    std::vector<double> cycles;
    int sent = 0, received = 0, pendingSent = 0, pendingReceived = 0;
    bool configured = false;
    for (const QString& line : QString::fromUtf8(ctl.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        if (line.startsWith(QLatin1String("configured: "))) {
            configured = true;
        } else if (configured && line.startsWith(QLatin1String("=> "))) {
            pendingSent += hexBytes(line.mid(3));
        } else if (configured && line.startsWith(QLatin1String("<= "))) {
            pendingReceived += hexBytes(line.mid(3));
        } else if (line.startsWith(QLatin1String("part "))) {
            cycles.push_back(line.section(QLatin1String("  "), 2, 2).section(QLatin1Char(' '), 0, 0).toDouble() * 1000.0);
            sent += pendingSent;  // the IDLE after the last part is not part of a cycle
            received += pendingReceived;
            pendingSent = pendingReceived = 0;
        }
    }
    if (static_cast<int>(cycles.size()) != parts)
        throw std::runtime_error("line station: not every part was reported");
    // The simulator paces the board's bytes; the host's reach a pseudo-terminal at once. The floor here is
    // the board's side; on a real line the host's bytes would add their own time.
    const double floorMs = 1000.0 * byteSeconds * received / parts;
    const double bothWaysMs = 1000.0 * byteSeconds * (sent + received) / parts;
    const double med = median(cycles);
    Row row;
    row.figure = "station cycle, paced line";
    row.how = format("`rx48p-ctl station good.device` over %d parts, simulator `--pace %d` and delays at zero; "
                     "floor: the %.0f bytes the board sends in a cycle at %d baud (with the host's %.0f bytes a "
                     "real line needs %.0f ms)", parts, baud, static_cast<double>(received) / parts, baud,
                     static_cast<double>(sent) / parts, bothWaysMs);
    row.measured = format("median %.0f ms (p90 %.0f) against a floor of %.0f ms: %.2f times", med,
                          percentile(cycles, 90), floorMs, med / floorMs);
    row.goal = "<= 1.5 times the floor";
    row.verdict = med <= 1.5 * floorMs ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

Row linePing(const Settings& s) {
    BoardSim sim(s.simProgram, pacedSim(s));
    const int runs = s.quick ? 5 : 20;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        QProcess ctl;
        ctl.start(QString::fromStdString(s.ctlProgram), {"--port", QString::fromStdString(sim.path()), "ping"});
        if (!ctl.waitForFinished(30000) || ctl.exitCode() != 0)
            throw std::runtime_error("line ping: rx48p-ctl failed");
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
    }
    Row row;
    row.figure = "ctl ping, paced line";
    row.how = format("`rx48p-ctl --port PTY ping` as a whole process, start to exit, %d runs; simulator "
                     "`--pace %d` (its 15-byte reply needs %.0f ms on the line; with the 12 bytes of the ping, "
                     "a real line needs %.0f ms)", runs, baud, 15 * byteSeconds * 1000.0, 27 * byteSeconds * 1000.0);
    const double med = median(ms);
    row.measured = format("median %.0f ms, max %.0f ms", med, percentile(ms, 100));
    row.goal = "median <= 60 ms";
    row.verdict = med <= 60 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// A station waiting for the next part spends its time in the link's short waits for input.
Row lineWaitingCpu(const Settings& s) {
    BoardSim sim(s.simProgram, pacedSim(s, {"--no-event", "DETECT_INSERT"}));
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram), {"--port", QString::fromStdString(sim.path()), "station",
                                                     QString::fromStdString(s.partsDir + "/good.device")});
    if (!ctl.waitForStarted())
        throw std::runtime_error("waiting CPU: rx48p-ctl did not start");
    if (!runUntil([&] { return !sim.sendTimes("ack DETECT_INSERT").empty(); }, 10000))
        throw std::runtime_error("waiting CPU: the station never waited for a part");
    const std::string stat = "/proc/" + std::to_string(ctl.processId()) + "/stat";
    const double seconds = s.quick ? 2 : 10;
    const double before = cpuSecondsOf(stat);
    QThread::msleep(static_cast<unsigned long>(seconds * 1000));
    const double used = cpuSecondsOf(stat) - before;
    ctl.terminate();
    ctl.waitForFinished(5000);
    const double percent = 100.0 * used / seconds;
    Row row;
    row.figure = "ctl waiting for a part";
    row.how = format("CPU of `rx48p-ctl station` (prompt link timing) over %.0f s while the board reports no "
                     "insertion", seconds);
    row.measured = format("%.2f %% of one core", percent);
    row.goal = "<= 2 %";
    row.verdict = percent <= 2 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// What the terminal pays for its fixed timing when the board's reply comes byte by byte: each byte is a
// chunk, and its dispatcher hands over one chunk per 10 ms tick.
Row lineTerminalStatic(const Settings& s) {
    BoardSim sim(s.simProgram, pacedSim(s));
    BenchWindow w;
    if (!w.connectTo(sim.path()))
        throw std::runtime_error("paced terminal: the window did not connect");
    QPushButton& measure = w.button(QStringLiteral("Do static measure (MES_STATIC)"));
    const int exchanges = s.quick ? 3 : 10;
    QEventLoop loop;
    int reported = 0;
    // The report's last line: the wire link of good.device, its last pair.
    ConsoleWatch watch(w.console(), QStringLiteral("\t\tVdrop(8->7) = 0.000V"), [&] {
        if (++reported >= exchanges)
            loop.quit();
        else
            QTimer::singleShot(0, &measure, &QPushButton::click);
    });
    QTimer::singleShot(exchanges * 5000, &loop, &QEventLoop::quit);
    measure.click();
    loop.exec();
    const std::vector<double> sent = sim.sendTimes("ON_STATIC_MES");
    const std::vector<double>& shown = watch.times();
    if (static_cast<int>(shown.size()) < exchanges || sent.size() < shown.size())
        throw std::runtime_error(format("paced terminal: %zu measures reported, %zu sent, %d wanted", shown.size(),
                                        sent.size(), exchanges));
    std::vector<double> ms;
    for (std::size_t i = 0; i < shown.size(); ++i)
        ms.push_back((shown[i] - sent[i]) * 1000.0);
    Row row;
    row.figure = "terminal static measure, paced line";
    row.how = format("simulator starts writing ON_STATIC_MES of good.device (32 bytes, %.0f ms at %d baud) -> the "
                     "report's last line in the console; %d measures", 32 * byteSeconds * 1000.0, baud, exchanges);
    row.measured = format("p50 %.0f ms, max %.0f ms", percentile(ms, 50), percentile(ms, 100));
    row.goal = "reported: the terminal keeps its fixed timing";
    return row;
}

}  // namespace bench
