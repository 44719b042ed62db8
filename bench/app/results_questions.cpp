// The results questions over a year of parts (bench/results: 3 stations, 2 programs, retests, failures
// with their modes), asked of the journal and of a PostgreSQL server holding the same rows: the yield
// report, the summary, and an export that must stream.

#include "figures.h"
#include "proc_stats.h"
#include "stats.h"

#include "loaders.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>
#include <iostream>
#include <stdexcept>

namespace bench {

namespace {

struct timed_run {
    double seconds = 0;
    int exitCode = -1;
    QByteArray out;
    QString err;
};

timed_run runCtl(const Settings& s, const QStringList& args) {
    QProcess ctl;
    QElapsedTimer clock;
    clock.start();
    ctl.start(QString::fromStdString(s.ctlProgram), args);
    if (!ctl.waitForFinished(1800000) || ctl.exitStatus() != QProcess::NormalExit) {
        ctl.kill();
        ctl.waitForFinished(5000);
        throw std::runtime_error("rx48p-ctl " + args.join(QLatin1Char(' ')).toStdString() + " did not finish");
    }
    return {double(clock.nsecsElapsed()) / 1e9, ctl.exitCode(), ctl.readAllStandardOutput(),
            QString::fromUtf8(ctl.readAllStandardError())};
}

QString benchFile(const QString& name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

const char* const dataWords = "a year of parts (3 stations, 2 programs, 5 % failed with their modes, retests)";

// `runs` timed runs after one untimed (the data into the page cache, as a database in use), each ending
// well with `check` in its output.
std::vector<double> timedRuns(const Settings& s, const QStringList& args, int runs, const QString& check) {
    runCtl(s, args);
    std::vector<double> seconds;
    for (int i = 0; i < runs; ++i) {
        const timed_run r = runCtl(s, args);
        if (r.exitCode != 0 || !r.out.contains(check.toUtf8()))
            throw std::runtime_error("results: rx48p-ctl " + args.join(QLatin1Char(' ')).toStdString() + " failed: " +
                                     r.err.toStdString());
        seconds.push_back(r.seconds);
    }
    return seconds;
}

Row timedRow(const Settings& s, const std::string& figure, const std::string& how, const QStringList& args,
             const QString& check, double goal) {
    const int runs = s.quick ? 1 : 3;
    const std::vector<double> seconds = timedRuns(s, args, runs, check);
    Row row;
    row.figure = figure;
    row.how = how + format(", %d runs after one untimed", runs);
    row.measured = format("median %.2f s (max %.2f): %.2f of the goal", median(seconds), percentile(seconds, 100),
                          median(seconds) / goal);
    row.goal = format("<= %g s", goal);
    row.verdict = median(seconds) <= goal ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// The export read to its end with its output thrown away: resident memory once it has written its first
// MiB against the most it reached.
Row exportMemory(const Settings& s, const QString& journal, long parts) {
    QProcess ctl;
    ctl.start(QString::fromStdString(s.ctlProgram), {"--results", journal, "results", "export"});
    if (!ctl.waitForStarted(10000))
        throw std::runtime_error("results: cannot start rx48p-ctl");
    const std::string pid = std::to_string(ctl.processId());
    QElapsedTimer clock;
    clock.start();
    qint64 bytes = 0;
    double start = -1, peak = 0;
    while (ctl.state() != QProcess::NotRunning) {
        ctl.waitForReadyRead(20);
        bytes += ctl.readAllStandardOutput().size();
        double rss = 0;
        try {
            rss = residentMiB(pid);
        } catch (const std::exception&) {
            break;  // gone between the check and the read
        }
        if (start < 0 && bytes >= (1 << 20))
            start = rss;
        peak = std::max(peak, rss);
    }
    ctl.waitForFinished(-1);
    bytes += ctl.readAllStandardOutput().size();
    const double seconds = double(clock.nsecsElapsed()) / 1e9;
    if (ctl.exitCode() != 0 || start < 0)
        throw std::runtime_error("results: export failed: " + QString::fromUtf8(ctl.readAllStandardError()).toStdString());
    Row row;
    row.figure = format("results export memory, %ld parts", parts);
    row.how = format("`rx48p-ctl --results FILE results export` (CSV) read to its end by the bench, %s; resident size "
                     "once the first MiB is out against its peak", dataWords);
    row.measured = format("%.1f MiB -> peak %.1f MiB: %+.1f MiB (%.0f MB of CSV in %.1f s)", start, peak, peak - start,
                          double(bytes) / 1e6, seconds);
    row.goal = "within 20 MB of its start";
    row.verdict = (peak - start) * 1.048576 <= 20 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// `rx48p-ctl results export | head -n 1`: how long the export lives once its reader is gone, and how it ends.
Row exportIntoHead(const Settings& s, const QStringList& source, const std::string& where, long parts) {
    const QString script = QStringLiteral("\"$0\" \"$@\" results export | head -n 1 >/dev/null; echo \"${PIPESTATUS[0]}\"");
    std::vector<double> seconds;
    int status = -1;
    for (int i = 0; i < (s.quick ? 1 : 5); ++i) {
        QProcess shell;
        QElapsedTimer clock;
        clock.start();
        shell.start(QStringLiteral("bash"), QStringList{"-c", script, QString::fromStdString(s.ctlProgram)} + source);
        if (!shell.waitForFinished(600000))
            throw std::runtime_error("results: export into head did not end");
        seconds.push_back(double(clock.nsecsElapsed()) / 1e9);
        status = shell.readAllStandardOutput().trimmed().toInt();
    }
    Row row;
    row.figure = format("results export into head, %s, %ld parts", where.c_str(), parts);
    row.how = format("`rx48p-ctl ... results export \\| head -n 1` as a whole pipeline, start to end, %zu runs; the "
                     "program's exit status", seconds.size());
    row.measured = format("median %.0f ms (max %.0f), status %d", median(seconds) * 1000, percentile(seconds, 100) * 1000, status);
    row.goal = "ends at once (<= 1 s), status 141";
    row.verdict = median(seconds) <= 1 && status == 141 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace

std::vector<Row> resultsQuestions(const Settings& s) {
    const long parts = s.quick ? 20000 : 1000000;
    const QString journal = benchFile(QStringLiteral("year-%1.sqlite").arg(parts));
    QString error;
    if (!QFileInfo::exists(journal))
        std::cerr << "  making " << parts << " parts into " << journal.toStdString() << " (kept for later runs)" << std::endl;
    if (!bench_results::makeJournal(journal, parts, error))
        throw std::runtime_error("results: " + error.toStdString());
    std::cerr << "  starting the PostgreSQL server kept in " << benchFile(QStringLiteral("year-pg")).toStdString()
              << " (its rows are loaded the first time)" << std::endl;
    pg_cluster cluster(pg_cluster::kept_in{benchFile(QStringLiteral("year-pg"))});
    const QString database = QStringLiteral("year_%1").arg(parts);
    if (!cluster.ok() || !bench_results::loadOnServer(cluster, journal, database, error))
        throw std::runtime_error("results: " + (cluster.ok() ? error : cluster.error()).toStdString());
    const QStringList onJournal{"--results", journal}, onServer{"--server", cluster.url(database).display()};
    const QString page = benchFile(QStringLiteral("year-report.html"));
    std::vector<Row> rows;
    for (const auto& [source, where] : {std::make_pair(onJournal, std::string("SQLite")), std::make_pair(onServer, std::string("PostgreSQL"))}) {
        rows.push_back(timedRow(s, format("results report, %s, %ld parts", where.c_str(), parts),
                                format("`rx48p-ctl %s results report --html PAGE` as a whole process over %s",
                                       where == "SQLite" ? "--results FILE" : "--server URL", dataWords),
                                source + QStringList{"results", "report", "--html", page}, QString(), 5.0));
        rows.push_back(timedRow(s, format("results summary, %s, %ld parts", where.c_str(), parts),
                                format("`rx48p-ctl %s results summary` as a whole process over %s",
                                       where == "SQLite" ? "--results FILE" : "--server URL", dataWords),
                                source + QStringList{"results", "summary"}, QStringLiteral("median cycle"), 1.0));
    }
    rows.push_back(exportMemory(s, journal, parts));
    rows.push_back(exportIntoHead(s, onJournal, "SQLite", parts));
    rows.push_back(exportIntoHead(s, onServer, "PostgreSQL", parts));
    return rows;
}

}  // namespace bench
