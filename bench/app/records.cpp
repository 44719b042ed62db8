// What recording every part costs, against real files and a real local PostgreSQL server: the station's
// cycle with and without its journal, the questions over a million parts, a backlog pushed to the
// server, and the journal's bytes per part.

#include "board_sim.h"
#include "figures.h"
#include "stats.h"

#include "pg_cluster.h"

#include "results/journal.h"
#include "results/sql.h"
#include "results/utc_text.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <map>
#include <random>
#include <stdexcept>
#include <utility>

namespace bench {

namespace {

struct ctl_run {
    double seconds = 0;
    int exitCode = -1;
    QByteArray out;
    QString err;
};

ctl_run runCtl(const Settings& s, const QStringList& args, int timeoutMs = 600000) {
    QProcess ctl;
    QElapsedTimer clock;
    clock.start();
    ctl.start(QString::fromStdString(s.ctlProgram), args);
    if (!ctl.waitForFinished(timeoutMs) || ctl.exitStatus() != QProcess::NormalExit) {
        ctl.kill();
        ctl.waitForFinished(5000);
        throw std::runtime_error("rx48p-ctl " + args.join(QLatin1Char(' ')).toStdString() + " did not finish");
    }
    ctl_run r;
    r.seconds = static_cast<double>(clock.nsecsElapsed()) / 1e9;
    r.exitCode = ctl.exitCode();
    r.out = ctl.readAllStandardOutput();
    r.err = QString::fromUtf8(ctl.readAllStandardError());
    return r;
}

// Generated files are kept beside the bench, on the machine's disk, and reused by later runs.
QString benchFile(const QString& name) { return QDir(QCoreApplication::applicationDirPath()).filePath(name); }

void check(bool ok, const QSqlQuery& q, const char* what) {
    if (!ok)
        throw std::runtime_error(std::string("generating parts: ") + what + ": " + q.lastError().text().toStdString());
}

// A month of two stations: each runs one program a day (alpha or beta, in turn), a part every 5.2 s
// (1 million over 30 days), cycle about 2.5 s. One part in a hundred without serial; 6 % fail, a fifth of
// them twice over, and four in five failed parts come back as the next part of that station, up to a
// third attempt. Each part has 8 comparisons (6 pairs, a button, a touch pad) and 9 measurements. Rows
// are written with bound values, 10,000 parts a transaction: through journal::record, one transaction
// and one fsync a part, a million parts would take hours.
void generate(const QString& path, long parts) {
    const QString partial = path + QStringLiteral(".partial");
    for (const QString& f : {partial, partial + QStringLiteral("-wal"), partial + QStringLiteral("-shm")})
        QFile::remove(f);
    {
        results::journal journal(partial);  // the tables as the program makes them
        QSqlDatabase db = journal.database();
        QSqlQuery setup(db);
        setup.exec(QStringLiteral("PRAGMA cache_size = -262144"));  // 256 MiB: the id indexes take random inserts

        std::mt19937_64 random(48);
        std::uniform_real_distribution<double> unit(0.0, 1.0);
        std::normal_distribution<double> cycle(2.5, 0.2);
        const QDateTime start = QDateTime::fromString(QStringLiteral("2026-11-01T00:00:00.000Z"), Qt::ISODateWithMs);
        const double spacing = 30.0 * 86400.0 / (static_cast<double>(parts) / 2.0);

        std::map<std::pair<int, int>, QString> runs;  // (station, day) -> run id
        const auto runOf = [&](int station, int day) {
            auto found = runs.find({station, day});
            if (found != runs.end())
                return found->second;
            setup::run_info run;
            run.station = station == 0 ? QStringLiteral("ST-A") : QStringLiteral("ST-B");
            run.programPath = (day + station) % 2 ? QStringLiteral("/parts/alpha.part") : QStringLiteral("/parts/beta.part");
            run.programSha256 = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
            run.firmware = QStringLiteral("1.4.2");
            run.sensitivity = 70;
            run.buzzer = 90;
            run.tolerance = 0.15;
            run.started = start.addSecs(qint64(day) * 86400 + station);
            run.programVersion = QStringLiteral("0.9.1");
            const QString id = journal.beginRun(run);
            journal.endRun(id, start.addSecs(qint64(day) * 86400 + 86399));
            return runs[{station, day}] = id;
        };

        QSqlQuery part(db), comparison(db), measurement(db);
        check(part.prepare(QStringLiteral("INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict, cycle_s)"
                                          " VALUES (?, ?, ?, ?, ?, ?, ?, ?)")),
              part, "parts");
        check(comparison.prepare(QStringLiteral("INSERT INTO comparisons (id, part_id, seq, kind, pins, expected, measured, passed, reason)"
                                                " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)")),
              comparison, "comparisons");
        check(measurement.prepare(QStringLiteral("INSERT INTO measurements (id, part_id, seq, measure, pin_a, type_a, type_a_name,"
                                                 " pin_b, type_b, type_b_name, vdrop_ab_v, vdrop_ba_v)"
                                                 " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")),
              measurement, "measurements");

        struct failure {
            const char* kind;
            const char* pins;
            const char* reason;
            double weight;
        };
        const failure failures[] = {
            {"pair", "5-6", "missing (open)", 0.50},
            {"pair", "1-2", "drop 1.500V, expected 1.800V", 0.25},
            {"button", "12 (common 14)", "reads OFF, expected ON", 0.12},
            {"touch", "16", "reads OFF, expected ON", 0.08},
            {"pair", "9-10", "type Led cathode, expected Led anode", 0.05},
        };
        const auto pickFailure = [&]() -> const failure& {
            double x = unit(random);
            for (const failure& f : failures)
                if ((x -= f.weight) < 0)
                    return f;
            return failures[0];
        };
        const QString pairWords = QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V");
        const QString pinsOf[] = {QStringLiteral("1-2"), QStringLiteral("3-4"), QStringLiteral("5-6"), QStringLiteral("7-8"),
                                  QStringLiteral("9-10"), QStringLiteral("11-12"), QStringLiteral("12 (common 14)"),
                                  QStringLiteral("16")};

        long serials = 0;
        QString retest[2];
        std::map<QString, int> attempts;
        const QVariant noText = results::sql::nullText(), noInt = results::sql::nullInteger(), noReal = results::sql::nullReal();
        const QVariant empty = results::sql::text(QString());
        for (long i = 0; i < parts; ++i) {
            if (i % 10000 == 0 && !db.transaction())
                throw std::runtime_error("generating parts: cannot begin: " + db.lastError().text().toStdString());
            const int station = static_cast<int>(i % 2);
            const double at = static_cast<double>(i / 2) * spacing + unit(random);
            const int day = static_cast<int>(at / 86400.0);
            QString serial;
            if (!retest[station].isEmpty())
                serial = std::exchange(retest[station], QString());
            else if (unit(random) >= 0.01)
                serial = QStringLiteral("SN%1").arg(++serials, 7, 10, QLatin1Char('0'));
            const int attempt = serial.isEmpty() ? 1 : ++attempts[serial];
            std::vector<const failure*> failed;
            if (unit(random) < 0.06) {
                failed.push_back(&pickFailure());
                if (unit(random) < 0.2) {
                    const failure* second = &pickFailure();
                    if (second != failed.front())
                        failed.push_back(second);
                }
            }
            if (!failed.empty() && !serial.isEmpty() && attempt < 3 && unit(random) < 0.8)
                retest[station] = serial;
            const double seconds = std::max(0.5, std::round(cycle(random) * 1000.0) / 1000.0);
            const QDateTime started = start.addMSecs(static_cast<qint64>(at * 1000.0));
            const QString id = QUuid::createUuid().toString(QUuid::WithoutBraces);
            part.addBindValue(id);
            part.addBindValue(runOf(station, day));
            part.addBindValue(serial.isEmpty() ? noText : QVariant(serial));
            part.addBindValue(attempt);
            part.addBindValue(results::utcText(started));
            part.addBindValue(results::utcText(started.addMSecs(static_cast<qint64>(seconds * 1000.0))));
            part.addBindValue(failed.empty() ? QStringLiteral("PASS") : QStringLiteral("FAIL"));
            part.addBindValue(seconds);
            check(part.exec(), part, "a part");

            for (int seq = 0; seq < 8; ++seq) {
                const QString kind = seq < 6 ? QStringLiteral("pair") : seq == 6 ? QStringLiteral("button") : QStringLiteral("touch");
                const failure* why = nullptr;
                for (const failure* f : failed)
                    if (kind == QLatin1String(f->kind) && pinsOf[seq] == QLatin1String(f->pins))
                        why = f;
                const QString expected = seq < 6 ? pairWords : seq == 6 ? QStringLiteral("Button ON") : QStringLiteral("Touch ON");
                comparison.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
                comparison.addBindValue(id);
                comparison.addBindValue(seq);
                comparison.addBindValue(kind);
                comparison.addBindValue(pinsOf[seq]);
                comparison.addBindValue(expected);
                comparison.addBindValue(why ? empty : QVariant(expected));
                comparison.addBindValue(why ? 0 : 1);
                comparison.addBindValue(why ? QVariant(QString::fromLatin1(why->reason)) : empty);
                check(comparison.exec(), comparison, "a comparison");
            }
            for (int seq = 0; seq < 9; ++seq) {
                const bool pad = seq == 8, button = seq == 7;
                measurement.addBindValue(QUuid::createUuid().toString(QUuid::WithoutBraces));
                measurement.addBindValue(id);
                measurement.addBindValue(seq);
                measurement.addBindValue(pad ? QStringLiteral("touch") : button ? QStringLiteral("button") : QStringLiteral("static"));
                measurement.addBindValue(pad ? 16 : button ? 12 : 2 * seq + 1);
                measurement.addBindValue(pad ? 33 : button ? 17 : 1);
                measurement.addBindValue(pad ? QStringLiteral("Touch ON") : button ? QStringLiteral("Button ON") : QStringLiteral("Led anode"));
                measurement.addBindValue(pad ? noInt : QVariant(button ? 14 : 2 * seq + 2));
                measurement.addBindValue(pad ? noInt : QVariant(button ? 5 : 2));
                measurement.addBindValue(pad ? noText : QVariant(button ? QStringLiteral("Common") : QStringLiteral("Led cathode")));
                measurement.addBindValue(pad ? noReal : QVariant(button ? 0.0 : 1.8));
                measurement.addBindValue(pad ? noReal : QVariant(button ? 0.0 : -0.02));
                check(measurement.exec(), measurement, "a measurement");
            }
            if ((i + 1) % 10000 == 0 || i + 1 == parts) {
                if (!db.commit())
                    throw std::runtime_error("generating parts: cannot commit: " + db.lastError().text().toStdString());
                if ((i + 1) % 100000 == 0)
                    std::cerr << "  generated " << (i + 1) << " parts" << std::endl;
            }
        }
        QSqlQuery(db).exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    }
    QFile::remove(partial + QStringLiteral("-wal"));
    QFile::remove(partial + QStringLiteral("-shm"));
    QFile::remove(path);
    if (!QFile::rename(partial, path))
        throw std::runtime_error("cannot rename " + partial.toStdString());
}

// The generated journal of `parts` parts, made if missing.
QString generatedJournal(long parts) {
    const QString path = benchFile(QStringLiteral("records-%1.sqlite").arg(parts));
    if (!QFileInfo::exists(path)) {
        std::cerr << "  generating " << parts << " parts into " << path.toStdString() << " (kept for later runs)" << std::endl;
        generate(path, parts);
    }
    return path;
}

std::vector<double> partCycles(const QByteArray& out) {
    std::vector<double> ms;
    for (const QByteArray& line : out.split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value(QStringLiteral("record")) == QLatin1String("part"))
            ms.push_back(record.value(QStringLiteral("cycle_s")).toDouble() * 1000.0);
    }
    return ms;
}

Row recordingCost(const Settings& s) {
    BoardSim sim(s.simProgram, {"--event-delay", "0", "--calib-delay", "0", "--device", s.partsDir + "/good.device"});
    const QString port = QString::fromStdString(sim.path());
    const QString device = QString::fromStdString(s.partsDir + "/good.device");
    const int parts = s.quick ? 20 : 200;
    const QString file = benchFile(QStringLiteral("records-station.sqlite"));
    for (const QString& f : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")})
        QFile::remove(f);
    const QString count = QString::number(parts);
    const ctl_run bare = runCtl(s, {"--json", "--port", port, "station", device, "--count", count, "--no-record"});
    const ctl_run recorded = runCtl(s, {"--json", "--port", port, "--results", file, "station", device, "--count", count});
    const std::vector<double> without = partCycles(bare.out), with = partCycles(recorded.out);
    if (static_cast<int>(without.size()) != parts || static_cast<int>(with.size()) != parts)
        throw std::runtime_error("records: the station did not check every part: " + bare.err.toStdString() +
                                 recorded.err.toStdString());
    const double difference = median(with) - median(without);
    Row row;
    row.figure = "recording a part";
    row.how = format("`rx48p-ctl station good.device --count %d`, simulator delays at zero, once `--no-record`, once "
                     "`--results FILE` on this disk (WAL, synchronous=FULL): median cycle each", parts);
    row.measured = format("%.1f ms without, %.1f ms with: %+.1f ms", median(without), median(with), difference);
    row.goal = "<= 5 ms added";
    row.verdict = difference <= 5 ? Row::Verdict::met : Row::Verdict::missed;
    // The station's clock counts whole milliseconds: the whole runs tell the same at finer grain.
    row.notes.push_back(format("recording a part: whole run %.2f ms a part without, %.2f ms with (%d parts each, "
                               "start and board set-up included)",
                               bare.seconds * 1000.0 / parts, recorded.seconds * 1000.0 / parts, parts));
    return row;
}

Row question(const Settings& s, const QString& file, long parts, const char* name, const char* expect) {
    const QStringList args{"--results", file, "results", QString::fromLatin1(name)};
    runCtl(s, args);  // the file into the page cache, as a journal in use is
    const int runs = s.quick ? 3 : 5;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const ctl_run r = runCtl(s, args);
        if (r.exitCode != 0 || !r.out.contains(expect))
            throw std::runtime_error(std::string("records: results ") + name + " failed: " + r.err.toStdString());
        ms.push_back(r.seconds * 1000.0);
    }
    const double med = median(ms);
    Row row;
    row.figure = format("results %s, %ld parts", name, parts);
    row.how = format("`rx48p-ctl --results FILE results %s` as a whole process over a generated journal (2 stations, "
                     "2 programs, 30 days, 6 %% failed, retests; 8 comparisons and 9 measurements a part), %d runs",
                     name, runs);
    row.measured = format("median %.0f ms, max %.0f ms", med, percentile(ms, 100));
    row.goal = "<= 1 s";
    row.verdict = med <= 1000 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

// The yield report over the same journal: every chart's figures, the drops' histograms the largest part.
Row yieldReport(const Settings& s, const QString& file, long parts) {
    const QString page = benchFile(QStringLiteral("records-report.html"));
    const QStringList args{"--results", file, "results", "report", "--html", page};
    runCtl(s, args, 600000);  // the file into the page cache
    const ctl_run r = runCtl(s, args, 600000);
    if (r.exitCode != 0 || QFileInfo(page).size() == 0)
        throw std::runtime_error("records: results report failed: " + r.err.toStdString());
    Row row;
    row.figure = format("results report, %ld parts", parts);
    row.how = "`rx48p-ctl --results FILE results report --html PAGE` as a whole process over the generated journal";
    row.measured = format("%.1f s", r.seconds);
    row.goal = "<= 5 s";
    row.verdict = r.seconds <= 5 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

Row bytesPerPart(const QString& file, long parts) {
    const double bytes = static_cast<double>(QFileInfo(file).size());  // generated files have their WAL checkpointed
    Row row;
    row.figure = "journal size per part";
    row.how = format("size of the generated journal of %ld parts (no WAL left) / parts: tables and indexes", parts);
    row.measured = format("%.0f bytes a part (%.2f GB in all)", bytes / static_cast<double>(parts), bytes / 1e9);
    row.goal = "reported";
    return row;
}

}  // namespace

Row pushBacklog(const Settings& s) {
    const long parts = s.quick ? 2000 : 100000;
    const QString source = generatedJournal(parts);
    const QString file = benchFile(QStringLiteral("records-push.sqlite"));
    for (const QString& f : {file, file + QStringLiteral("-wal"), file + QStringLiteral("-shm")})
        QFile::remove(f);
    if (!QFile::copy(source, file))
        throw std::runtime_error("records: cannot copy " + source.toStdString());
    pg_cluster cluster;
    if (!cluster.ok() || !cluster.createResultsDatabase(QStringLiteral("records")))
        throw std::runtime_error("records: no PostgreSQL server: " + cluster.error().toStdString());
    const QString url = QStringLiteral("postgresql://%1@:%2/records?host=%3").arg(cluster.stationUser()).arg(cluster.port()).arg(cluster.socketDir());
    const ctl_run r = runCtl(s, {"--json", "--results", file, "--server", url, "results", "push"}, 3600000);
    const QJsonObject report = QJsonDocument::fromJson(r.out.trimmed().split('\n').last()).object();
    if (r.exitCode != 0 || report.value(QStringLiteral("parts")).toDouble() != static_cast<double>(parts))
        throw std::runtime_error("records: results push failed: " + r.err.toStdString() + r.out.toStdString());
    Row row;
    row.figure = format("results push, %ld parts", parts);
    row.how = format("`rx48p-ctl --results FILE --server URL results push` as a whole process: a journal of %ld parts "
                     "never forwarded, to a new local PostgreSQL server over its Unix socket (fsync off)",
                     parts);
    row.measured = format("%.1f s (%.0f parts/s)", r.seconds, static_cast<double>(parts) / r.seconds);
    row.goal = s.quick ? "reported" : "<= 20 s";
    row.verdict = s.quick ? Row::Verdict::reported : r.seconds <= 20 ? Row::Verdict::met : Row::Verdict::missed;
    QFile::remove(file);
    return row;
}

std::vector<Row> records(const Settings& s) {
    std::vector<Row> rows{recordingCost(s)};
    const long parts = s.quick ? 50000 : 1000000;
    const QString file = generatedJournal(parts);
    rows.push_back(question(s, file, parts, "summary", "median cycle"));
    rows.push_back(question(s, file, parts, "failures", "cumulative"));
    rows.push_back(yieldReport(s, file, parts));
    rows.push_back(pushBacklog(s));
    rows.push_back(bytesPerPart(file, parts));
    return rows;
}

}  // namespace bench
