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

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace bench {

namespace {

// Starts the probe with its remembered setup in `configHome`; the seconds to its painted window.
double launchToPainted(const std::string& probe, const std::string& configHome, const std::string& program,
                       const std::vector<std::string>& extra = {}) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> words{probe, program};
    words.insert(words.end(), extra.begin(), extra.end());
    std::vector<char*> argv;
    for (std::string& word : words)
        argv.push_back(word.data());
    argv.push_back(nullptr);
    const double launched = nowSeconds();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::setenv("XDG_CONFIG_HOME", configHome.c_str(), 1);
        ::execv(argv[0], argv.data());
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

// With `fixtures` boards named on the command line (none: the remembered single port).
Row startToPainted(const Settings& s, int fixtures) {
    QTemporaryDir config;
    const int runs = s.quick ? 3 : 21;
    std::vector<std::string> extra;
    for (int i = 0; i < fixtures; ++i)
        extra.insert(extra.end(), {"--fixture", format("f%d=/dev/pts/rx48p-bench-%d", i + 1, i + 1)});
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(launchToPainted(RX48P_STATION_START_PROBE, config.path().toStdString(),
                                     s.partsDir + "/good.device", extra) * 1000.0);
    Row row;
    row.figure = fixtures > 0 ? format("operator start, %d fixtures", fixtures) : std::string("operator start");
    row.how = format("rx48p-station's start (remembered setup, command line%s, session, window) -> window painted "
                     "(offscreen); %d launches",
                     fixtures > 0 ? format(" with %d --fixture", fixtures).c_str() : "", runs);
    const double med = median(ms);
    row.measured = format("median %.0f ms (min %.0f, max %.0f)", med, percentile(ms, 0), percentile(ms, 100));
    row.goal = "median <= 300 ms";
    row.verdict = med <= 300 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// The station on `fixtures` simulators at once (1: the single port), each at the default delays.
Row guiThreadDuringRun(const Settings& s, int fixtures) {
    std::vector<std::string> args;
    for (const char* part : {"good", "missing-pair", "good", "swapped-type"})
        args.insert(args.end(), {"--device", s.partsDir + "/" + part + ".device"});
    // The simulator's default delays: 200 ms an event, 500 ms calibration.
    std::vector<std::unique_ptr<BoardSim>> sims;
    for (int i = 0; i < fixtures; ++i)
        sims.push_back(std::make_unique<BoardSim>(s.simProgram, args));
    QTemporaryDir dir;
    QSettings remembered(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    op::station_session session;
    setup::station_setup setup;
    if (fixtures == 1) {
        setup.port = QString::fromStdString(sims.front()->path());
    } else {
        for (int i = 0; i < fixtures; ++i)
            setup.fixtures.append({QStringLiteral("f%1").arg(i + 1), QString::fromStdString(sims[static_cast<std::size_t>(i)]->path())});
    }
    setup.program = QString::fromStdString(s.partsDir + "/good.device");
    setup.results = dir.filePath(QStringLiteral("results.sqlite"));
    session.setSetup(setup);
    op::station_window window(session, remembered);
    window.resize(1280, 800);
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
    if (parts < 2L * fixtures)
        throw std::runtime_error("operator: the station tested fewer than two parts a fixture");

    Row row;
    row.figure = fixtures > 1 ? format("operator GUI thread, %d fixtures", fixtures) : std::string("operator GUI thread");
    row.how = format("rx48p-station's window (offscreen, 1280 x 800) running the station on %d simulator%s at the "
                     "default delays (200 ms an event), every part recorded; %.0f s",
                     fixtures, fixtures == 1 ? "" : "s at once", wall);
    const double share = 100.0 * cpu / wall;
    row.measured = format("GUI thread %.2f %% of a core (%ld parts)", share, parts);
    row.goal = "<= 5 % of a core";
    row.verdict = share <= 5.0 ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(format("%s: whole process %.2f %% of a core (the link's threads included); median cycle "
                               "%.3f s",
                               row.figure.c_str(), 100.0 * process / wall, session.tally().medianCycle().value_or(0.0)));
    return row;
}

}  // namespace

std::vector<Row> operatorStation(const Settings& s) {
    return {startToPainted(s, 0), startToPainted(s, 4), guiThreadDuringRun(s, 1), guiThreadDuringRun(s, 4)};
}

}  // namespace bench
