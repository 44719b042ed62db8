// rx48p-ctl as scripts run it, against the simulator: one ping as a whole process, and the test
// station's cycle over a run of parts with the simulator's delays at zero.

#include "board_sim.h"
#include "figures.h"
#include "proc_stats.h"
#include "stats.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <stdexcept>

namespace bench {

namespace {

QString run(const Settings& s, const QStringList& args, QByteArray& out) {
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram), args);
    if (!ctl.waitForFinished(600000) || ctl.exitStatus() != QProcess::NormalExit)
        throw std::runtime_error("rx48p-ctl did not finish");
    out = ctl.readAllStandardOutput();
    return QString::fromUtf8(ctl.readAllStandardError());
}

}  // namespace

Row ctlPing(const Settings& s) {
    BoardSim sim(s.simProgram, {});
    const QString port = QString::fromStdString(sim.path());
    const int runs = s.quick ? 5 : 20;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        QByteArray out;
        const QString err = run(s, {"--port", port, "ping"}, out);
        ms.push_back(static_cast<double>(clock.nsecsElapsed()) / 1e6);
        if (!out.contains("FW version"))
            throw std::runtime_error("rx48p-ctl ping failed: " + err.toStdString());
    }
    Row row;
    row.figure = "ctl ping";
    row.how = format("`rx48p-ctl --port PTY ping` as a whole process, start to exit, %d runs", runs);
    row.measured = format("median %.0f ms, max %.0f ms", median(ms), percentile(ms, 100));
    row.goal = "reported";
    return row;
}

Row stationCycle(const Settings& s) {
    std::vector<std::string> args{"--event-delay", "0", "--calib-delay", "0"};
    for (const char* part : {"good", "missing-pair", "swapped-type", "drop-out", "extra-pair"})
        args.insert(args.end(), {"--device", s.partsDir + "/" + part + ".device"});
    BoardSim sim(s.simProgram, args);
    const int parts = s.quick ? 10 : 100;
    QByteArray out;
    const QString err = run(s,
                            {"--json", "--port", QString::fromStdString(sim.path()), "station",
                             QString::fromStdString(s.partsDir + "/good.device"), "--count", QString::number(parts)},
                            out);
    std::vector<double> cycles;
    QJsonObject summary;
    for (const QByteArray& line : out.split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value("record") == QLatin1String("part"))
            cycles.push_back(record.value("cycle_s").toDouble() * 1000.0);
        else if (record.value("record") == QLatin1String("summary"))
            summary = record;
    }
    if (static_cast<int>(cycles.size()) != parts)
        throw std::runtime_error("the station did not check every part: " + err.toStdString());
    const double med = median(cycles);
    Row row;
    row.figure = "station cycle";
    row.how = format("`rx48p-ctl station` over %d parts (1 good, 4 faulty in turn), simulator delays at zero; "
                     "insert, static, button and capacitive measures, buzzer, remove", parts);
    row.measured = format("median %.0f ms, p90 %.0f ms, max %.0f ms", med, percentile(cycles, 90),
                          percentile(cycles, 100));
    row.goal = "median <= 500 ms";
    row.verdict = med <= 500 ? Row::Verdict::met : Row::Verdict::missed;
    row.notes.push_back(format("station cycle: yield %.1f %% as expected (%d of %d parts good)",
                               summary.value("yield_percent").toDouble(), parts / 5, parts));
    return row;
}

// A long run must not grow with the parts it has tested: nothing is kept per part but its cycle time
// (eight bytes), unless a JUnit report is asked for. Without recording, so that SQLite's page cache,
// which fills up to its own bound as the file grows, does not hide what the program keeps.
Row stationMemory(const Settings& s) {
    BoardSim sim(s.simProgram, {"--event-delay", "0", "--calib-delay", "0"});
    const int early = s.quick ? 10 : 100, late = s.quick ? 100 : 1000;
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram),
              {"--json", "--port", QString::fromStdString(sim.path()), "station",
               QString::fromStdString(s.partsDir + "/good.device"), "--count", QString::number(late + 1),
               "--no-record"});
    if (!ctl.waitForStarted())
        throw std::runtime_error("rx48p-ctl did not start");
    const std::string pid = std::to_string(ctl.processId());
    int parts = 0;
    double atEarly = 0, atLate = 0;
    QByteArray pending;
    while (parts < late) {
        if (!ctl.waitForReadyRead(60000))
            throw std::runtime_error("rx48p-ctl station stopped after " + std::to_string(parts) + " parts");
        pending += ctl.readAllStandardOutput();
        for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
            if (!pending.left(nl).contains("\"record\":\"part\""))
                continue;
            ++parts;
            if (parts == early)
                atEarly = residentMiB(pid);
            else if (parts == late)
                atLate = residentMiB(pid);
        }
    }
    ctl.waitForFinished(60000);
    Row row;
    row.figure = "station memory";
    row.how = format("resident size of `rx48p-ctl station` (no --junit, --no-record) after part %d and after part %d",
                     early, late);
    row.measured = format("%.2f MiB, then %.2f MiB: %+.0f KiB", atEarly, atLate, (atLate - atEarly) * 1024.0);
    row.goal = "within 1 MiB";
    row.verdict = atLate - atEarly <= 1.0 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
