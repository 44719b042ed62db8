// The forward from a station's journal to a real PostgreSQL server: every part exactly once, whatever
// cuts the forward, from several stations at once; an unreachable server reported and the journal left
// as it was. And the server URL as an operator writes it.

#include "pg_cluster.h"
#include "test_parts.h"

#include "results/connection.h"
#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/server_url.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QTest>

#include <memory>
#include <optional>
#include <thread>

namespace {

QString errorOf(const std::function<void()>& action) {
    try {
        action();
    } catch (const results::error& e) {
        return e.message();
    }
    return QStringLiteral("no error");
}

// Our own connection to a database, each value read back as text ("NULL" for a NULL).
class reader {
public:
    reader(const QString& driver, const std::function<void(QSqlDatabase&)>& setUp) : conn(driver, QStringLiteral("test")) {
        setUp(conn.db());
        conn.db().open();
    }
    QList<QStringList> rows(const QString& select) {
        QList<QStringList> all;
        QSqlQuery query(conn.db());
        if (!query.exec(select))
            return {{QStringLiteral("query failed")}};
        while (query.next()) {
            QStringList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << (query.isNull(i) ? QStringLiteral("NULL") : query.value(i).toString());
            all << row;
        }
        return all;
    }
    QString one(const QString& select) {
        const QList<QStringList> r = rows(select);
        return r.isEmpty() ? QStringLiteral("no row") : r.first().join(QLatin1Char('|'));
    }
    bool exec(const QString& statement) {
        QSqlQuery query(conn.db());
        return query.exec(statement);
    }

private:
    results::connection conn;
};

// The counts of a database's four tables, and how many part ids appear more than once.
const QString counts = QStringLiteral(
    "SELECT (SELECT count(*) FROM runs), (SELECT count(*) FROM parts), (SELECT count(*) FROM comparisons),"
    " (SELECT count(*) FROM measurements), (SELECT count(*) FROM (SELECT id FROM parts GROUP BY id HAVING count(*) > 1) d)");

// `n` parts on one run: part i has comparisons 1-2 (passed) and 5-6 (open on odd i), one static record.
void recordParts(results::journal& journal, const QString& station, int n, const QString& serialPrefix) {
    const QString run = journal.beginRun(test_parts::run(station, QStringLiteral("/parts/alpha.part")));
    for (int i = 0; i < n; ++i) {
        station::part_result p = test_parts::part("2026-12-07T10:00:00.000Z", 2.0,
                                                  {test_parts::passedPair("1-2"), i % 2 ? test_parts::openPair("5-6")
                                                                                         : test_parts::passedPair("5-6")});
        p.started = p.started.addSecs(60 * i);
        p.ended = p.started.addSecs(2);
        journal.record(run, serialPrefix + QString::number(i), p);
    }
}

}  // namespace

class tst_forward : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(cluster.ok(), qPrintable(cluster.error())); }
    void init();
    void cleanup() { dir.reset(); }

    void serverUrl_data();
    void serverUrl();
    void badServerUrl_data();
    void badServerUrl();

    void forwardsEveryPartOnce();
    void forwardsTheEndOfARunLater();
    void cutForwardRepeatedLeavesEachPartOnce();
    void lostMarksResentOnce();
    void twoStationsAtOnce();
    void unreachableServerLeavesJournal();
    void newerServerTablesRefused();

private:
    results::server_url server() const;
    reader onServer() const;
    pg_cluster cluster;
    std::optional<QTemporaryDir> dir;
    QString database;  // a new one on the server for each case
    int cases = 0;
};

void tst_forward::init() {
    dir.emplace();
    QVERIFY(dir->isValid());
    database = QStringLiteral("forward_%1").arg(++cases);
    QVERIFY2(cluster.createDatabase(database), qPrintable(cluster.error()));
}

results::server_url tst_forward::server() const {
    results::server_url url;
    url.host = cluster.socketDir();
    url.port = cluster.port();
    url.user = cluster.user();
    url.database = database;
    return url;
}

reader tst_forward::onServer() const {
    const results::server_url url = server();
    return reader(QStringLiteral("QPSQL"), [&url](QSqlDatabase& db) {
        db.setHostName(url.host);
        db.setPort(url.port);
        db.setUserName(url.user);
        db.setDatabaseName(url.database);
    });
}

void tst_forward::serverUrl_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("host");
    QTest::addColumn<int>("port");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("sslmode");
    QTest::newRow("host and database") << "postgresql://db.plant.example/results" << "" << "db.plant.example" << 5432
                                       << "results" << "";
    QTest::newRow("everything") << "postgresql://station7@10.1.2.3:6543/line_b?sslmode=verify-full" << "station7"
                                << "10.1.2.3" << 6543 << "line_b" << "verify-full";
    QTest::newRow("short scheme") << "postgres://qa@pg/results?sslmode=require" << "qa" << "pg" << 5432 << "results"
                                  << "require";
    QTest::newRow("socket folder") << "postgresql://qa@/results?host=/run/postgresql" << "qa" << "/run/postgresql" << 5432
                                   << "results" << "";
    QTest::newRow("IPv6") << "postgresql://[::1]:5433/r" << "" << "::1" << 5433 << "r" << "";
}

void tst_forward::serverUrl() {
    QFETCH(QString, text);
    const results::server_url url = results::server_url::parse(text);
    QTEST(url.user, "user");
    QTEST(url.host, "host");
    QTEST(url.port, "port");
    QTEST(url.database, "database");
    QTEST(url.sslmode, "sslmode");
}

void tst_forward::badServerUrl_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    const QString noPassword =
        QStringLiteral("bad server URL: put the password in PGPASSWORD or ~/.pgpass, not in the URL");
    QTest::newRow("password") << "postgresql://qa:s3cret@pg/results" << noPassword;
    QTest::newRow("empty password") << "postgresql://qa:@pg/results" << noPassword;
    QTest::newRow("password in a bad URL") << "postgresql://qa:s3cret@pg:99999/results" << noPassword;
    QTest::newRow("other scheme") << "mysql://pg/results"
                                  << "bad server URL 'mysql://pg/results': it must start with postgresql://";
    QTest::newRow("no database") << "postgresql://pg"
                                 << "bad server URL 'postgresql://pg': it must name one database: postgresql://HOST/DBNAME";
    QTest::newRow("two path parts") << "postgresql://pg/a/b"
                                    << "bad server URL 'postgresql://pg/a/b': it must name one database: "
                                       "postgresql://HOST/DBNAME";
    QTest::newRow("no host") << "postgresql:///results" << "bad server URL 'postgresql:///results': it names no host";
    QTest::newRow("bad sslmode") << "postgresql://pg/r?sslmode=maybe"
                                 << "bad server URL 'postgresql://pg/r?sslmode=maybe': sslmode must be one of disable, "
                                    "allow, prefer, require, verify-ca, verify-full";
    QTest::newRow("unknown option") << "postgresql://pg/r?application_name=x"
                                    << "bad server URL 'postgresql://pg/r?application_name=x': unknown option "
                                       "'application_name' (only sslmode and host are taken)";
    QTest::newRow("port out of range") << "postgresql://pg:70000/r"
                                       << "bad server URL 'postgresql://pg:70000/r': Invalid port or port number out of "
                                          "range";
    QTest::newRow("relative socket") << "postgresql:///r?host=run/pg"
                                     << "bad server URL 'postgresql:///r?host=run/pg': host= takes a socket folder, "
                                        "starting with /";
}

void tst_forward::badServerUrl() {
    QFETCH(QString, text);
    QFETCH(QString, message);
    QCOMPARE(errorOf([&] { results::server_url::parse(text); }), message);
}

void tst_forward::forwardsEveryPartOnce() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    recordParts(journal, QStringLiteral("ST-A"), 7, QStringLiteral("A"));

    std::vector<long> afterEach;
    const results::forward_report first =
        results::forwarder(server(), {3, 10}).forward(journal, [&afterEach](long sofar) { afterEach.push_back(sofar); });
    QVERIFY2(first.complete(), qPrintable(first.error));
    QCOMPARE(first.forwarded, 7L);
    QCOMPARE(first.alreadyThere, 0L);
    QCOMPARE(afterEach, (std::vector<long>{3, 6, 7}));

    reader pg = onServer();
    QCOMPARE(pg.one(counts), QStringLiteral("1|7|14|7|0"));
    QCOMPARE(pg.rows(QStringLiteral("SELECT serial, attempt, started_utc, ended_utc, verdict, cycle_s FROM parts"
                                    " WHERE serial IN ('A0', 'A3') ORDER BY serial")),
             (QList<QStringList>{{"A0", "1", "2026-12-07T10:00:00.000Z", "2026-12-07T10:00:02.000Z", "PASS", "2"},
                                 {"A3", "1", "2026-12-07T10:03:00.000Z", "2026-12-07T10:03:02.000Z", "FAIL", "2"}}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT c.kind, c.pins, c.expected, c.measured, c.passed, c.reason FROM comparisons c"
                                    " JOIN parts p ON p.id = c.part_id WHERE p.serial = 'A3' ORDER BY c.seq")),
             (QList<QStringList>{{"pair", "1-2", "Led anode to Led cathode, 1.800V / -0.020V",
                                  "Led anode to Led cathode, 1.800V / -0.020V", "1", ""},
                                 {"pair", "5-6", "Led anode to Led cathode, 1.800V / -0.020V", "", "0", "missing (open)"}}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT m.measure, m.pin_a, m.type_a, m.type_a_name, m.pin_b, m.type_b, m.type_b_name,"
                                    " m.vdrop_ab_v, m.vdrop_ba_v FROM measurements m JOIN parts p ON p.id = m.part_id"
                                    " WHERE p.serial = 'A3'")),
             (QList<QStringList>{{"static", "1", "1", "Led anode", "2", "2", "Led cathode", "1.8", "-0.02"}}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT station, program_path, firmware, sensitivity, buzzer, tolerance, started_utc,"
                                    " ended_utc, program_version FROM runs")),
             (QList<QStringList>{{"ST-A", "/parts/alpha.part", "1.4.2", "70", "90", "0.15", "2026-12-07T08:00:00.000Z",
                                  "NULL", "0.9.1"}}));

    reader local(QStringLiteral("QSQLITE"),
                 [this](QSqlDatabase& db) { db.setDatabaseName(dir->filePath(QStringLiteral("st.sqlite"))); });
    QCOMPARE(local.one(QStringLiteral("SELECT count(*), sum(forwarded) FROM parts")), QStringLiteral("7|7"));

    const results::forward_report again = results::forwarder(server()).forward(journal);
    QVERIFY2(again.complete(), qPrintable(again.error));
    QCOMPARE(again.forwarded, 0L);
    QCOMPARE(pg.one(counts), QStringLiteral("1|7|14|7|0"));
}

void tst_forward::forwardsTheEndOfARunLater() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    const QString run = journal.beginRun(test_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part")));
    journal.record(run, QStringLiteral("E1"), test_parts::part("2026-12-07T10:00:00.000Z", 2.0, {}));
    QVERIFY(results::forwarder(server()).forward(journal).complete());
    reader pg = onServer();
    QCOMPARE(pg.one(QStringLiteral("SELECT ended_utc FROM runs")), QStringLiteral("NULL"));

    journal.endRun(run, test_parts::at("2026-12-07T18:00:00.000Z"));
    const results::forward_report report = results::forwarder(server()).forward(journal);
    QVERIFY2(report.complete(), qPrintable(report.error));
    QCOMPARE(report.forwarded, 0L);
    QCOMPARE(pg.rows(QStringLiteral("SELECT ended_utc FROM runs")), (QList<QStringList>{{"2026-12-07T18:00:00.000Z"}}));
}

void tst_forward::cutForwardRepeatedLeavesEachPartOnce() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    recordParts(journal, QStringLiteral("ST-A"), 7, QStringLiteral("C"));

    // The server goes down after the first batch: the second one is cut.
    const results::forward_report cut = results::forwarder(server(), {2, 10}).forward(journal, [this](long sofar) {
        if (sofar == 2)
            QVERIFY2(cluster.stop(), qPrintable(cluster.error()));
    });
    const bool restarted = cluster.start();
    QVERIFY2(restarted, qPrintable(cluster.error()));
    QVERIFY(cut.reachable);
    QCOMPARE(cut.forwarded, 2L);
    QVERIFY2(cut.error.startsWith(QStringLiteral("cannot forward the parts to ")), qPrintable(cut.error));
    QVERIFY2(cut.error.size() > QStringLiteral("cannot forward the parts to ").size() + server().display().size() + 2,
             qPrintable(cut.error));

    const results::forward_report rest = results::forwarder(server(), {2, 10}).forward(journal);
    QVERIFY2(rest.complete(), qPrintable(rest.error));
    QCOMPARE(rest.forwarded, 5L);
    QCOMPARE(rest.alreadyThere, 0L);
    QCOMPARE(onServer().one(counts), QStringLiteral("1|7|14|7|0"));
    QCOMPARE(onServer().rows(QStringLiteral("SELECT serial FROM parts ORDER BY serial")),
             (QList<QStringList>{{"C0"}, {"C1"}, {"C2"}, {"C3"}, {"C4"}, {"C5"}, {"C6"}}));
}

void tst_forward::lostMarksResentOnce() {
    const QString path = dir->filePath(QStringLiteral("st.sqlite"));
    results::journal journal(path);
    recordParts(journal, QStringLiteral("ST-A"), 5, QStringLiteral("L"));
    QVERIFY(results::forwarder(server(), {2, 10}).forward(journal).complete());

    // The server committed, then the station lost power before marking: the journal still says no.
    reader local(QStringLiteral("QSQLITE"), [&path](QSqlDatabase& db) { db.setDatabaseName(path); });
    QVERIFY(local.exec(QStringLiteral("UPDATE parts SET forwarded = 0 WHERE serial IN ('L1', 'L2', 'L4')")));
    QVERIFY(local.exec(QStringLiteral("UPDATE runs SET forwarded = 0")));

    const results::forward_report again = results::forwarder(server(), {2, 10}).forward(journal);
    QVERIFY2(again.complete(), qPrintable(again.error));
    QCOMPARE(again.forwarded, 3L);
    QCOMPARE(again.alreadyThere, 3L);
    QCOMPARE(onServer().one(counts), QStringLiteral("1|5|10|5|0"));
    QCOMPARE(local.one(QStringLiteral("SELECT sum(forwarded) FROM parts")), QStringLiteral("5"));
}

void tst_forward::twoStationsAtOnce() {
    // Both stations find the server without tables and create them at the same time.
    const results::server_url url = server();
    const auto station = [&url](const QString& path, const QString& name, QString* trouble) {
        try {
            results::journal journal(path);
            recordParts(journal, name, 30, name + QLatin1Char('-'));
            const results::forward_report report = results::forwarder(url, {4, 10}).forward(journal);
            if (!report.complete() || report.forwarded != 30)
                *trouble = report.error + QStringLiteral(" forwarded ") + QString::number(report.forwarded);
        } catch (const results::error& e) {
            *trouble = e.message();
        }
    };
    QString troubleA, troubleB;
    std::thread a(station, dir->filePath(QStringLiteral("a.sqlite")), QStringLiteral("ST-A"), &troubleA);
    std::thread b(station, dir->filePath(QStringLiteral("b.sqlite")), QStringLiteral("ST-B"), &troubleB);
    a.join();
    b.join();
    QVERIFY2(troubleA.isEmpty(), qPrintable(troubleA));
    QVERIFY2(troubleB.isEmpty(), qPrintable(troubleB));
    reader pg = onServer();
    QCOMPARE(pg.one(counts), QStringLiteral("2|60|120|60|0"));
    QCOMPARE(pg.rows(QStringLiteral("SELECT r.station, count(*) FROM parts p JOIN runs r ON r.id = p.run_id"
                                    " GROUP BY r.station ORDER BY r.station")),
             (QList<QStringList>{{"ST-A", "30"}, {"ST-B", "30"}}));
}

void tst_forward::unreachableServerLeavesJournal() {
    const QString path = dir->filePath(QStringLiteral("st.sqlite"));
    results::journal journal(path);
    recordParts(journal, QStringLiteral("ST-A"), 3, QStringLiteral("U"));
    results::server_url nowhere = server();
    nowhere.host = dir->path();  // a folder with no server's socket in it

    const results::forward_report report = results::forwarder(nowhere).forward(journal);
    QVERIFY(!report.reachable);
    QCOMPARE(report.forwarded, 0L);
    const QString start = QStringLiteral("cannot reach %1: ").arg(nowhere.display());
    QVERIFY2(report.error.startsWith(start), qPrintable(report.error));
    // The driver's own reason follows: libpq names the socket it tried.
    QVERIFY2(report.error.contains(QStringLiteral(".s.PGSQL.%1").arg(cluster.port())), qPrintable(report.error));

    reader local(QStringLiteral("QSQLITE"), [&path](QSqlDatabase& db) { db.setDatabaseName(path); });
    QCOMPARE(local.one(QStringLiteral("SELECT count(*), sum(forwarded) FROM parts")), QStringLiteral("3|0"));
    QCOMPARE(local.one(QStringLiteral("SELECT sum(forwarded) FROM runs")), QStringLiteral("0"));
}

void tst_forward::newerServerTablesRefused() {
    reader pg = onServer();
    QVERIFY(pg.exec(QStringLiteral("CREATE TABLE results_schema (version INTEGER NOT NULL)")));
    QVERIFY(pg.exec(QStringLiteral("INSERT INTO results_schema VALUES (5)")));
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    recordParts(journal, QStringLiteral("ST-A"), 1, QStringLiteral("N"));
    const results::forward_report report = results::forwarder(server()).forward(journal);
    QVERIFY(report.reachable);
    QCOMPARE(report.forwarded, 0L);
    QCOMPARE(report.error, server().display() + QStringLiteral(" was written by a newer version (schema 5, this program knows 4)"));
}

QTEST_GUILESS_MAIN(tst_forward)
#include "tst_forward.moc"
