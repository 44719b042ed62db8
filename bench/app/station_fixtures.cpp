// rx48p-ctl station driving several fixtures at once: four simulators paced as 9600-baud UARTs with an
// operator's pace between events, first one fixture then all four in the same run of the bench, and
// the four waiting for parts that never come.

#include "board_sim.h"
#include "event_wait.h"
#include "figures.h"
#include "proc_stats.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>
#include <QThread>

#include <map>
#include <memory>
#include <stdexcept>

namespace bench {

namespace {

constexpr int fixtureCount = 4;
const char* const fixtureNames[fixtureCount] = {"a", "b", "c", "d"};

// Four boards, each on its own pseudo-terminal, each a process of its own.
std::vector<std::unique_ptr<BoardSim>> fourBoards(const Settings& s, const std::vector<std::string>& more) {
    std::vector<std::string> args{"--pace", "9600", "--event-delay", "200", "--device", s.partsDir + "/good.device"};
    args.insert(args.end(), more.begin(), more.end());
    std::vector<std::unique_ptr<BoardSim>> boards;
    for (int i = 0; i < fixtureCount; ++i)
        boards.push_back(std::make_unique<BoardSim>(s.simProgram, args));
    return boards;
}

QStringList stationArgs(const Settings& s, const std::vector<std::unique_ptr<BoardSim>>& boards, int fixtures) {
    QStringList args{"--json", "station", QString::fromStdString(s.partsDir + "/good.device")};
    for (int i = 0; i < fixtures; ++i)
        args << "--fixture" << QString::fromLatin1(fixtureNames[i]) + '=' + QString::fromStdString(boards[i]->path());
    return args;
}

struct StationRun {
    double seconds = 0;                 // the whole process, start to exit
    std::map<QString, int> partsByFixture;
    int parts = 0;
};

// `count` parts on each of the first `fixtures` boards.
StationRun runStation(const Settings& s, const std::vector<std::unique_ptr<BoardSim>>& boards, int fixtures, int count) {
    QProcess ctl;
    QElapsedTimer clock;
    clock.start();
    ctl.start(QString::fromStdString(s.ctlProgram), stationArgs(s, boards, fixtures) << "--count" << QString::number(count));
    if (!ctl.waitForFinished(600000) || ctl.exitStatus() != QProcess::NormalExit || ctl.exitCode() != 0)
        throw std::runtime_error(format("fixtures: rx48p-ctl station with %d fixtures failed: ", fixtures) +
                                 ctl.readAllStandardError().toStdString());
    StationRun run;
    run.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    for (const QByteArray& line : ctl.readAllStandardOutput().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value("record") != QLatin1String("part"))
            continue;
        ++run.parts;
        ++run.partsByFixture[record.value("fixture").toString()];
    }
    if (run.parts != fixtures * count || static_cast<int>(run.partsByFixture.size()) != fixtures)
        throw std::runtime_error(format("fixtures: %d parts on %zu fixtures reported, %d on %d wanted", run.parts,
                                        run.partsByFixture.size(), fixtures * count, fixtures));
    return run;
}

}  // namespace

Row stationFixturesRate(const Settings& s) {
    const auto boards = fourBoards(s, {});
    const int count = s.quick ? 3 : 20;
    const StationRun one = runStation(s, boards, 1, count);
    const StationRun four = runStation(s, boards, fixtureCount, count);
    const double oneRate = one.parts / one.seconds, fourRate = four.parts / four.seconds;
    const double ratio = fourRate / oneRate;
    Row row;
    row.figure = "rx48p-ctl station, 4 fixtures vs 1: parts per second";
    row.how = format("`rx48p-ctl station good.device --fixture a=PTY ... --count %d`, with 1 fixture then with 4, "
                     "each a simulator `--pace 9600 --event-delay 200`; parts over the whole process, start to exit",
                     count);
    row.measured = format("1 fixture %.3f parts/s (%d in %.1f s), 4 fixtures %.3f parts/s (%d in %.1f s): %.2f times",
                          oneRate, one.parts, one.seconds, fourRate, four.parts, four.seconds, ratio);
    row.goal = "4 fixtures >= 3.6 times 1";
    row.verdict = ratio >= 3.6 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

Row stationFixturesWaitingCpu(const Settings& s) {
    const auto boards = fourBoards(s, {"--no-event", "DETECT_INSERT"});
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram), stationArgs(s, boards, fixtureCount));
    if (!ctl.waitForStarted())
        throw std::runtime_error("fixtures waiting: rx48p-ctl did not start");
    const auto allWaiting = [&] {
        for (const auto& board : boards)
            if (board->sendTimes("ack DETECT_INSERT").empty())
                return false;
        return true;
    };
    if (!runUntil(allWaiting, 15000))
        throw std::runtime_error("fixtures waiting: not every fixture waited for a part: " +
                                 ctl.readAllStandardError().toStdString());
    const std::string stat = "/proc/" + std::to_string(ctl.processId()) + "/stat";
    const double seconds = s.quick ? 2 : 10;
    QElapsedTimer clock;
    const double before = cpuSecondsOf(stat);
    clock.start();
    QThread::msleep(static_cast<unsigned long>(seconds * 1000));
    const double used = cpuSecondsOf(stat) - before;
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    ctl.terminate();
    if (!ctl.waitForFinished(10000))
        ctl.kill();
    const double percent = 100.0 * used / wall;
    Row row;
    row.figure = "rx48p-ctl station, 4 fixtures waiting for parts: CPU";
    row.how = format("utime + stime of `rx48p-ctl station good.device` with 4 fixtures over %.0f s of wall time, "
                     "every simulator `--pace 9600 --no-event DETECT_INSERT` (no part ever inserted)", wall);
    row.measured = format("%.2f %% of one core", percent);
    row.goal = "<= 4 % in all";
    row.verdict = percent <= 4 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
