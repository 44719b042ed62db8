// rx48p-station: from launching the program to its painted window, and what its GUI thread costs while
// the station runs part after part on the simulator at the board's own pace.

#include "board_sim.h"
#include "console_watch.h"
#include "figures.h"
#include "proc_stats.h"
#include "stats.h"

#include "operator/station_session.h"
#include "operator/station_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QEventLoop>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>

namespace bench {

namespace {

// Starts the probe with its remembered setup in `configHome`; the seconds to its painted window.
double launchToPainted(const std::string& probe, const std::string& configHome, const std::string& program) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::string path = probe, prog = program;
    char* argv[] = {path.data(), prog.data(), nullptr};
    const double launched = nowSeconds();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[128];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            break;
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (pid < 0 || text.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("operator start: " + probe + " did not report its window");
    return std::stod(text) - launched;
}

Row startToPainted(const Settings& s) {
    QTemporaryDir config;
    const int runs = s.quick ? 3 : 21;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(launchToPainted(RX48P_STATION_START_PROBE, config.path().toStdString(),
                                     s.partsDir + "/good.device") * 1000.0);
    Row row;
    row.figure = "operator start";
    row.how = format("rx48p-station's start (remembered setup, command line, session, window) -> window painted "
                     "(offscreen); %d launches", runs);
    const double med = median(ms);
    row.measured = format("median %.0f ms (min %.0f, max %.0f)", med, percentile(ms, 0), percentile(ms, 100));
    row.goal = "median <= 300 ms";
    row.verdict = med <= 300 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

Row guiThreadDuringRun(const Settings& s) {
    std::vector<std::string> args;
    for (const char* part : {"good", "missing-pair", "good", "swapped-type"})
        args.insert(args.end(), {"--device", s.partsDir + "/" + part + ".device"});
    BoardSim sim(s.simProgram, args);  // the simulator's default delays: 200 ms an event, 500 ms calibration
    QTemporaryDir dir;
    QSettings remembered(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    op::station_session session;
    setup::station_setup setup;
    setup.port = QString::fromStdString(sim.path());
    setup.program = QString::fromStdString(s.partsDir + "/good.device");
    setup.results = dir.filePath(QStringLiteral("results.sqlite"));
    session.setSetup(setup);
    op::station_window window(session, remembered);
    window.show();
    QCoreApplication::processEvents();

    const double seconds = s.quick ? 8 : 30;
    const pid_t gui = currentThreadId();
    if (!session.start())
        throw std::runtime_error("operator: the station did not start: " +
                                 session.stationTrouble().text.toStdString());
    const double cpu0 = threadCpuSeconds(gui), process0 = processCpuSeconds();
    QElapsedTimer clock;
    clock.start();
    {
        // An event loop of its own, as the program's: it sleeps until the link or a timer wakes it.
        QEventLoop loop;
        QTimer::singleShot(static_cast<int>(seconds * 1000), &loop, &QEventLoop::quit);
        QObject::connect(&session, &op::station_session::runFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    const double wall = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    const double cpu = threadCpuSeconds(gui) - cpu0, process = processCpuSeconds() - process0;
    const long parts = session.tally().parts();
    session.stop();
    if (session.running()) {
        QEventLoop loop;
        QTimer::singleShot(5000, &loop, &QEventLoop::quit);
        QObject::connect(&session, &op::station_session::runFinished, &loop, &QEventLoop::quit);
        loop.exec();
    }
    if (parts < 2)
        throw std::runtime_error("operator: the station tested fewer than two parts");

    Row row;
    row.figure = "operator GUI thread";
    row.how = format("rx48p-station's window (offscreen) running the station on the simulator at its default "
                     "delays (200 ms an event), every part recorded; %.0f s", wall);
    const double share = 100.0 * cpu / wall;
    row.measured = format("GUI thread %.2f %% of a core (%ld parts)", share, parts);
    row.goal = "<= 5 % of a core";
    row.verdict = share <= 5.0 ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(format("operator GUI thread: whole process %.2f %% of a core (the link's threads "
                               "included); median cycle %.3f s",
                               100.0 * process / wall, session.tally().medianCycle().value_or(0.0)));
    return row;
}

}  // namespace

std::vector<Row> operatorStation(const Settings& s) {
    return {startToPainted(s), guiThreadDuringRun(s)};
}

}  // namespace bench
