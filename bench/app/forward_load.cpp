// A line's server under its stations: twenty stations, each recording one part a second in its own
// journal and forwarding it from its own thread, as rx48p-ctl station and rx48p-station do, to one
// local PostgreSQL server. Does the forward keep up?

#include "figures.h"

#include "pg_cluster.h"

#include "results/forward_worker.h"
#include "results/journal.h"

#include "station/part_result.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>
#include <QVariant>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <memory>
#include <stdexcept>
#include <vector>

namespace bench {

namespace {

// A part as the station records it: ten pairs compared, two of them failed on odd parts, ten records.
station::part_result linePart(long n) {
    station::part_result p;
    p.started = QDateTime::currentDateTimeUtc();
    p.ended = p.started.addMSecs(150);
    p.testSeconds = 0.15;
    p.cycleSeconds = 0.9;
    const QString words = QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V");
    std::vector<tarnwell::pin_pair_record> records;
    for (int pair = 0; pair < 10; ++pair) {
        const QString pins = QStringLiteral("%1-%2").arg(2 * pair + 1).arg(2 * pair + 2);
        const bool failed = (n % 2) && pair < 2;
        station::comparison c{QStringLiteral("pair"), pins, !failed, words, failed ? QString() : words,
                              failed ? QStringLiteral("missing (open)") : QString()};
        if (failed)
            c.mode = QStringLiteral("pair %1: missing (open)").arg(pins);
        p.comparisons.push_back(c);
        tarnwell::pin_pair_record r{};
        r.pin_a = static_cast<decltype(r.pin_a)>(2 * pair + 1);
        r.type_a = tarnwell::LED_ANODE;
        r.pin_b = static_cast<decltype(r.pin_b)>(2 * pair + 2);
        r.type_b = tarnwell::LED_CATHODE;
        r.vdrop_ab = 90;
        r.vdrop_ba = -1;
        records.push_back(r);
    }
    p.measured.pairs = records;
    p.passed = !(n % 2);
    return p;
}

long serverParts(pg_cluster& cluster) {
    long count = -1;
    cluster.execute(QStringLiteral("line"), [&count](QSqlDatabase& db) {
        QSqlQuery query(db);
        if (query.exec(QStringLiteral("SELECT count(*) FROM parts")) && query.next())
            count = query.value(0).toLongLong();
    });
    return count;
}

}  // namespace

Row forwardLoad(const Settings& s) {
    const int stations = 20;
    const int seconds = s.quick ? 5 : 30;
    QTemporaryDir dir;
    pg_cluster cluster;
    if (!dir.isValid() || !cluster.ok() || !cluster.createResultsDatabase(QStringLiteral("line")))
        throw std::runtime_error("forward: no PostgreSQL server: " + cluster.error().toStdString());
    results::server_url url;
    url.host = cluster.socketDir();
    url.port = cluster.port();
    url.user = cluster.stationUser();
    url.database = QStringLiteral("line");

    struct station_state {
        std::unique_ptr<results::journal> journal;
        std::unique_ptr<results::forward_worker> forward;
        QString run;
    };
    std::vector<station_state> line(stations);
    for (int i = 0; i < stations; ++i) {
        const QString file = dir.filePath(QStringLiteral("station-%1.sqlite").arg(i));
        line[i].journal = std::make_unique<results::journal>(file);
        setup::run_info run;
        run.station = QStringLiteral("ST-%1").arg(i);
        run.programPath = QStringLiteral("/parts/line.part");
        run.programSha256 = QStringLiteral("0");
        run.firmware = QStringLiteral("1.4.2");
        line[i].run = line[i].journal->beginRun(run);
        line[i].forward = std::make_unique<results::forward_worker>(file, url, std::chrono::seconds(1));
    }

    // Each station's part a second, spread over the second; the server's count sampled meanwhile.
    QElapsedTimer clock;
    clock.start();
    long recorded = 0;
    long worstBehind = 0;
    const qint64 end = seconds * 1000LL;
    qint64 nextSample = 500;
    while (clock.elapsed() < end) {
        const qint64 now = clock.elapsed();
        const long dueNow = std::min<long>(stations * seconds, static_cast<long>(stations * now / 1000) + 1);
        while (recorded < dueNow) {
            station_state& st = line[recorded % stations];
            st.journal->record(st.run, QStringLiteral("L%1").arg(recorded, 7, 10, QLatin1Char('0')), linePart(recorded));
            st.forward->forwardNow();
            ++recorded;
        }
        if (now >= nextSample) {
            worstBehind = std::max(worstBehind, recorded - serverParts(cluster));
            nextSample += 500;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    QElapsedTimer drain;
    drain.start();
    while (serverParts(cluster) < recorded && drain.elapsed() < 60000) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(5);
    }
    const double drainMs = static_cast<double>(drain.nsecsElapsed()) / 1e6;
    const long onServer = serverParts(cluster);
    line.clear();  // the forwards' threads are joined here

    Row row;
    row.figure = format("forwarding, %d stations at one part a second each", stations);
    row.how = format("%d journals recorded a part a second each for %d s (10 pairs, 10 records a part), each forwarded "
                     "by its own background forward to one local PostgreSQL server (Unix socket, fsync off); the "
                     "server's count sampled every 0.5 s",
                     stations, seconds);
    row.measured = format("%ld parts; at most %ld behind (%.1f s of the line's output); all on the server %.0f ms after "
                          "the last",
                          recorded, worstBehind, static_cast<double>(worstBehind) / stations, drainMs);
    row.goal = "keeps up: at most 2 s behind, all sent within 2 s of the last part";
    const bool kept = onServer == recorded && worstBehind <= 2 * stations && drainMs <= 2000;
    row.verdict = s.quick ? Row::Verdict::reported : kept ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
