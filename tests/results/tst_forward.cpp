// The forward from a station's journal to a real PostgreSQL server: every part exactly once, whatever
// cuts the forward, from several stations at once; an unreachable server reported and the journal left
// as it was.

#include "pg_cluster.h"
#include "judged_parts.h"
#include "sql_rows.h"

#include "results/connection.h"
#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/schema.h"
#include "results/server_connection.h"
#include "results/server_schema.h"
#include "setup/server_url.h"

#include <QDir>
#include <QFile>

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

// The counts of a database's four tables, and how many part ids appear more than once.
const QString counts = QStringLiteral(
    "SELECT (SELECT count(*) FROM runs), (SELECT count(*) FROM parts), (SELECT count(*) FROM comparisons),"
    " (SELECT count(*) FROM measurements), (SELECT count(*) FROM (SELECT id FROM parts GROUP BY id HAVING count(*) > 1) d)");

// `n` parts on one run: part i has comparisons 1-2 (passed) and 5-6 (open on odd i), one static record.
// Returns the run.
QString recordParts(results::journal& journal, const QString& station, int n, const QString& serialPrefix) {
    const QString run = journal.beginRun(judged_parts::run(station, QStringLiteral("/parts/alpha.part")));
    for (int i = 0; i < n; ++i) {
        station::part_result p = judged_parts::part("2026-12-07T10:00:00.000Z", 2.0,
                                                  {judged_parts::passedPair("1-2"), i % 2 ? judged_parts::openPair("5-6")
                                                                                         : judged_parts::passedPair("5-6")});
        p.started = p.started.addSecs(60 * i);
        p.ended = p.started.addSecs(2);
        journal.record(run, serialPrefix + QString::number(i), p);
    }
    return run;
}

}  // namespace

class tst_forward : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY2(cluster.ok(), qPrintable(cluster.error())); }
    void init();
    void cleanup() { dir.reset(); }

    // With a station's rights only: every part once, whatever cuts the forward.
    void forwardsEveryPartOnce();
    void cutForwardRepeatedLeavesEachPartOnce();
    void lostMarksResentOnce();
    void twoStationsAtOnce();
    void unreachableServerLeavesJournal();
    // A row the server refuses is set aside; the parts after it go on.
    void refusedPartSetAside();
    // Each run goes with its fixture, NULL for a station's single unnamed one.
    void fixtureForwarded();
    // A journal sends each server it is pointed at what that server lacks.
    void oneJournalTwoServers();
    // The tables are their owner's: created or brought up by server-init, never by a forward.
    void serverTablesNotSetUp();
    void serverInitTwiceAtOnce();
    void stationRoleCannotCreate();
    // A journal and a server of the version before, migrated with nothing lost.
    void earlierVersionMigrated();

private:
    setup::server_url server() const;  // as the station role
    setup::server_url owner() const;
    test_support::SqlConnection onServer() const;
    pg_cluster cluster;
    std::optional<QTemporaryDir> dir;
    QString database;  // a new one on the server for each case
    int cases = 0;
};

void tst_forward::init() {
    dir.emplace();
    QVERIFY(dir->isValid());
    database = QStringLiteral("forward_%1").arg(++cases);
    QVERIFY2(cluster.createResultsDatabase(database), qPrintable(cluster.error()));
}

setup::server_url tst_forward::server() const { return cluster.stationUrl(database); }

setup::server_url tst_forward::owner() const { return cluster.url(database); }

test_support::SqlConnection tst_forward::onServer() const {
    return test_support::SqlConnection(cluster.socketDir(), cluster.port(), cluster.user(), database);
}

void tst_forward::forwardsEveryPartOnce() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    const QString run = recordParts(journal, QStringLiteral("ST-A"), 7, QStringLiteral("A"));

    std::vector<long> afterEach;
    const results::forward_report first =
        results::forwarder(server(), {3, 10}).forward(journal, [&afterEach](long sofar) { afterEach.push_back(sofar); });
    QVERIFY2(first.complete(), qPrintable(first.error));
    QCOMPARE(first.forwarded, 7L);
    QCOMPARE(first.alreadyThere, 0L);
    QCOMPARE(afterEach, (std::vector<long>{3, 6, 7}));

    test_support::SqlConnection pg = onServer();
    QCOMPARE(pg.rows(counts).value(0), QStringLiteral("1|7|14|7|0"));
    QCOMPARE(pg.rows(QStringLiteral("SELECT serial, attempt, started_utc, ended_utc, verdict, cycle_s FROM parts"
                                    " WHERE serial IN ('A0', 'A3') ORDER BY serial")),
             (QStringList{"A0|1|2026-12-07T10:00:00.000Z|2026-12-07T10:00:02.000Z|PASS|2",
                          "A3|1|2026-12-07T10:03:00.000Z|2026-12-07T10:03:02.000Z|FAIL|2"}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT c.kind, c.pins, c.expected, c.measured, c.passed, c.reason FROM comparisons c"
                                    " JOIN parts p ON p.id = c.part_id WHERE p.serial = 'A3' ORDER BY c.seq")),
             (QStringList{"pair|1-2|Led anode to Led cathode, 1.800V / -0.020V|Led anode to Led cathode, 1.800V / -0.020V|1|",
                          "pair|5-6|Led anode to Led cathode, 1.800V / -0.020V||0|missing (open)"}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT m.measure, m.pin_a, m.type_a, m.type_a_name, m.pin_b, m.type_b, m.type_b_name,"
                                    " m.vdrop_ab_v, m.vdrop_ba_v FROM measurements m JOIN parts p ON p.id = m.part_id"
                                    " WHERE p.serial = 'A3'")),
             (QStringList{"static|1|1|Led anode|2|2|Led cathode|1.8|-0.02"}));
    QCOMPARE(pg.rows(QStringLiteral("SELECT station, program_path, firmware, sensitivity, buzzer, tolerance, started_utc,"
                                    " ended_utc, program_version FROM runs")),
             (QStringList{"ST-A|/parts/alpha.part|1.4.2|70|90|0.15|2026-12-07T08:00:00.000Z||0.9.1"}));

    test_support::SqlConnection local(dir->filePath(QStringLiteral("st.sqlite")));
    QCOMPARE(local.rows(QStringLiteral("SELECT count(*), sum(forwarded) FROM parts")).value(0), QStringLiteral("7|7"));

    // The end of the run, recorded later, goes on its own.
    journal.endRun(run, judged_parts::at("2026-12-07T18:00:00.000Z"));
    const results::forward_report again = results::forwarder(server()).forward(journal);
    QVERIFY2(again.complete(), qPrintable(again.error));
    QCOMPARE(again.forwarded, 0L);
    QCOMPARE(pg.rows(counts).value(0), QStringLiteral("1|7|14|7|0"));
    QCOMPARE(pg.rows(QStringLiteral("SELECT ended_utc FROM runs")).value(0), QStringLiteral("2026-12-07T18:00:00.000Z"));
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
    // Gone in the middle of a batch: out of reach, not a server that refuses.
    QVERIFY(cut.trouble == results::forward_trouble::out_of_reach);
    QCOMPARE(cut.forwarded, 2L);
    QVERIFY2(cut.error.startsWith(QStringLiteral("cannot forward the parts to ")), qPrintable(cut.error));
    QVERIFY2(cut.error.size() > QStringLiteral("cannot forward the parts to ").size() + server().display().size() + 2,
             qPrintable(cut.error));

    const results::forward_report rest = results::forwarder(server(), {2, 10}).forward(journal);
    QVERIFY2(rest.complete(), qPrintable(rest.error));
    QCOMPARE(rest.forwarded, 5L);
    QCOMPARE(rest.alreadyThere, 0L);
    QCOMPARE(onServer().rows(counts).value(0), QStringLiteral("1|7|14|7|0"));
    QCOMPARE(onServer().rows(QStringLiteral("SELECT serial FROM parts ORDER BY serial")),
             (QStringList{"C0", "C1", "C2", "C3", "C4", "C5", "C6"}));
}

void tst_forward::lostMarksResentOnce() {
    const QString path = dir->filePath(QStringLiteral("st.sqlite"));
    results::journal journal(path);
    recordParts(journal, QStringLiteral("ST-A"), 5, QStringLiteral("L"));
    QVERIFY(results::forwarder(server(), {2, 10}).forward(journal).complete());

    // The server committed, then the station lost power before marking: the journal still says no.
    test_support::SqlConnection local(path);
    QCOMPARE(local.rows(QStringLiteral("UPDATE parts SET forwarded = 0 WHERE serial IN ('L1', 'L2', 'L4')")), QStringList());
    QCOMPARE(local.rows(QStringLiteral("UPDATE runs SET forwarded = 0")), QStringList());

    const results::forward_report again = results::forwarder(server(), {2, 10}).forward(journal);
    QVERIFY2(again.complete(), qPrintable(again.error));
    QCOMPARE(again.forwarded, 3L);
    QCOMPARE(again.alreadyThere, 3L);
    QCOMPARE(onServer().rows(counts).value(0), QStringLiteral("1|5|10|5|0"));
    QCOMPARE(local.rows(QStringLiteral("SELECT sum(forwarded) FROM parts")).value(0), QStringLiteral("5"));
}

void tst_forward::twoStationsAtOnce() {
    const setup::server_url url = server();
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
    test_support::SqlConnection pg = onServer();
    QCOMPARE(pg.rows(counts).value(0), QStringLiteral("2|60|120|60|0"));
    QCOMPARE(pg.rows(QStringLiteral("SELECT r.station, count(*) FROM parts p JOIN runs r ON r.id = p.run_id"
                                    " GROUP BY r.station ORDER BY r.station")),
             (QStringList{"ST-A|30", "ST-B|30"}));
}

void tst_forward::unreachableServerLeavesJournal() {
    const QString path = dir->filePath(QStringLiteral("st.sqlite"));
    results::journal journal(path);
    recordParts(journal, QStringLiteral("ST-A"), 3, QStringLiteral("U"));
    setup::server_url nowhere = server();
    nowhere.host = dir->path();  // a folder with no server's socket in it

    const results::forward_report report = results::forwarder(nowhere).forward(journal);
    QVERIFY(!report.reachable());
    QCOMPARE(report.forwarded, 0L);
    const QString start = QStringLiteral("cannot reach %1: ").arg(nowhere.display());
    QVERIFY2(report.error.startsWith(start), qPrintable(report.error));
    // The driver's own reason follows: libpq names the socket it tried.
    QVERIFY2(report.error.contains(QStringLiteral(".s.PGSQL.%1").arg(cluster.port())), qPrintable(report.error));

    test_support::SqlConnection local(path);
    QCOMPARE(local.rows(QStringLiteral("SELECT count(*), sum(forwarded) FROM parts")).value(0), QStringLiteral("3|0"));
    QCOMPARE(local.rows(QStringLiteral("SELECT sum(forwarded) FROM runs")).value(0), QStringLiteral("0"));
}

void tst_forward::refusedPartSetAside() {
    const QString path = dir->filePath(QStringLiteral("st.sqlite"));
    results::journal journal(path);
    recordParts(journal, QStringLiteral("ST-A"), 7, QStringLiteral("R"));
    // A value SQLite keeps in an integer column and PostgreSQL will not take, as a damaged file may hold.
    test_support::SqlConnection local(path);
    QCOMPARE(local.rows(QStringLiteral("UPDATE parts SET attempt = 'many' WHERE serial = 'R1'")), QStringList());

    const results::forward_report report = results::forwarder(server(), {3, 10}).forward(journal);
    QVERIFY2(report.complete(), qPrintable(report.error));
    QCOMPARE(report.forwarded, 6L);
    QCOMPARE(int(report.refused.size()), 1);
    QCOMPARE(report.refused.front().serial, QStringLiteral("R1"));
    QVERIFY2(report.refused.front().reason.contains(QStringLiteral("many")), qPrintable(report.refused.front().reason));
    QCOMPARE(onServer().rows(QStringLiteral("SELECT serial FROM parts ORDER BY serial")),
             (QStringList{"R0", "R2", "R3", "R4", "R5", "R6"}));
    QCOMPARE(onServer().rows(QStringLiteral("SELECT count(*) FROM comparisons")).value(0), QStringLiteral("12"));
    QCOMPARE(local.rows(QStringLiteral("SELECT forwarded, forward_problem IS NOT NULL FROM parts WHERE serial = 'R1'")).value(0),
             QStringLiteral("2|1"));
    QCOMPARE(results::unsentParts(journal.database(), path).sentence(),
             QStringLiteral("1 part is not on the results server yet (R1)"));

    // Set aside: a station's forwards after each part leave it; a push tries it again.
    results::forward_options afterEachPart{3, 10, false, nullptr};
    const results::forward_report later = results::forwarder(server(), afterEachPart).forward(journal);
    QVERIFY(later.refused.empty());
    QCOMPARE(local.rows(QStringLiteral("UPDATE parts SET attempt = 1 WHERE serial = 'R1'")), QStringList());
    const results::forward_report push = results::forwarder(server()).forward(journal);
    QVERIFY2(push.complete() && push.refused.empty(), qPrintable(push.error));
    QCOMPARE(push.forwarded, 1L);
    QCOMPARE(onServer().rows(counts).value(0), QStringLiteral("1|7|14|7|0"));
}

void tst_forward::oneJournalTwoServers() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    recordParts(journal, QStringLiteral("ST-A"), 4, QStringLiteral("T"));
    const setup::server_url first = server();
    QVERIFY(results::forwarder(first).forward(journal).complete());

    const QString second = database + QStringLiteral("_b");
    QVERIFY2(cluster.createResultsDatabase(second), qPrintable(cluster.error()));
    setup::server_url other = server();
    other.database = second;
    recordParts(journal, QStringLiteral("ST-A"), 2, QStringLiteral("V"));
    const results::forward_report toSecond = results::forwarder(other).forward(journal);
    QVERIFY2(toSecond.complete(), qPrintable(toSecond.error));
    QCOMPARE(toSecond.forwarded, 6L);
    QCOMPARE(toSecond.alreadyThere, 0L);

    // Back to the first: it lacks only the two parts recorded since.
    const results::forward_report back = results::forwarder(first).forward(journal);
    QVERIFY2(back.complete(), qPrintable(back.error));
    QCOMPARE(back.forwarded - back.alreadyThere, 2L);
    QCOMPARE(onServer().rows(counts).value(0), QStringLiteral("2|6|12|6|0"));
}

void tst_forward::serverTablesNotSetUp() {
    results::journal journal(dir->filePath(QStringLiteral("st.sqlite")));
    recordParts(journal, QStringLiteral("ST-A"), 1, QStringLiteral("N"));
    const QString bare = database + QStringLiteral("_bare");
    QVERIFY2(cluster.createDatabase(bare), qPrintable(cluster.error()));
    setup::server_url url = owner();  // even the owner: a forward creates nothing
    url.database = bare;
    const results::forward_report none = results::forwarder(url).forward(journal);
    QVERIFY(none.trouble == results::forward_trouble::server);
    QCOMPARE(none.error, url.display() + QStringLiteral(" has no results tables: its owner creates them with "
                                                       "'rx48p-ctl --server URL results server-init'"));
    QCOMPARE(onServer().rows(QStringLiteral("SELECT count(*) FROM parts")).value(0), QStringLiteral("0"));

    test_support::SqlConnection pg = onServer();
    QCOMPARE(pg.rows(QStringLiteral("UPDATE results_schema SET version = 4")), QStringList());
    const results::forward_report older = results::forwarder(server()).forward(journal);
    QVERIFY(older.trouble == results::forward_trouble::server);
    QVERIFY2(older.error.contains(QStringLiteral("are of schema 4, this program writes 6")), qPrintable(older.error));
    QCOMPARE(pg.rows(QStringLiteral("UPDATE results_schema SET version = 7")), QStringList());
    const results::forward_report newer = results::forwarder(server()).forward(journal);
    QCOMPARE(newer.error,
             server().display() + QStringLiteral(" was written by a newer version (schema 7, this program knows 6)"));
    QCOMPARE(newer.forwarded, 0L);
}

void tst_forward::fixtureForwarded() {
    results::journal journal(dir->filePath(QStringLiteral("fixtures.sqlite")));
    setup::run_info left = judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part"));
    left.fixture = QStringLiteral("left");
    const QString leftRun = journal.beginRun(left);
    journal.record(leftRun, QStringLiteral("L1"), judged_parts::part("2026-12-07T10:00:00.000Z", 2, {}));
    recordParts(journal, QStringLiteral("ST-B"), 1, QStringLiteral("U"));
    const results::forward_report report = results::forwarder(server()).forward(journal);
    QVERIFY2(report.complete(), qPrintable(report.error));
    QCOMPARE(report.forwarded, 2L);
    QCOMPARE(onServer().rows(QStringLiteral("SELECT r.station, coalesce(r.fixture, '(null)'), p.serial FROM runs r"
                                            " JOIN parts p ON p.run_id = r.id ORDER BY r.station")),
             (QStringList{"ST-A|left|L1", "ST-B|(null)|U0"}));
}

void tst_forward::serverInitTwiceAtOnce() {
    const QString fresh = database + QStringLiteral("_new");
    QVERIFY2(cluster.createDatabase(fresh), qPrintable(cluster.error()));
    setup::server_url url = owner();
    url.database = fresh;
    const auto init = [&url](results::server_schema::init_report* done, QString* trouble) {
        try {
            results::server_connection conn(url, 10, QStringLiteral("init"));
            if (!conn.isOpen())
                *trouble = conn.error();
            else
                *done = results::server_schema::init(conn.db(), url.display());
        } catch (const results::error& e) {
            *trouble = e.message();
        }
    };
    results::server_schema::init_report a, b;
    QString troubleA, troubleB;
    std::thread one(init, &a, &troubleA);
    std::thread two(init, &b, &troubleB);
    one.join();
    two.join();
    QVERIFY2(troubleA.isEmpty() && troubleB.isEmpty(), qPrintable(troubleA + troubleB));
    // One made them, the other found them made.
    QCOMPARE(std::min(a.from, b.from), 0);
    QCOMPARE(std::max(a.from, b.from), results::schema::version);
}

void tst_forward::stationRoleCannotCreate() {
    results::server_connection station(server(), 10, QStringLiteral("station"));
    QVERIFY2(station.isOpen(), qPrintable(station.error()));
    QSqlQuery query(station.db());
    QVERIFY(!query.exec(QStringLiteral("CREATE TABLE mine (x INTEGER)")));
    QVERIFY(!query.exec(QStringLiteral("DELETE FROM parts")));
    QVERIFY(!query.exec(QStringLiteral("UPDATE parts SET verdict = 'PASS'")));
    QVERIFY(query.exec(QStringLiteral("SELECT count(*) FROM comparisons")));
    const QString refused = errorOf([&] { results::server_schema::init(station.db(), server().display()); });
    QVERIFY2(refused.startsWith(QStringLiteral("cannot create the tables on")), qPrintable(refused));
    QVERIFY2(errorOf([] { results::server_schema::stationGrants(QStringLiteral("x\"; DROP TABLE parts; --")); })
                 .startsWith(QStringLiteral("a role must be a plain name")),
             "a role name is never spliced into SQL");
}

// The columns of every table and the names of the indexes, as the database itself describes them.
QString shapeOf(const test_support::SqlConnection& db, bool sqlite) {
    QStringList shape;
    for (const char* table : {"runs", "parts", "comparisons", "measurements", "database_info"}) {
        const QString select =
            sqlite ? QStringLiteral("SELECT name FROM pragma_table_info('%1') ORDER BY name").arg(QLatin1String(table))
                   : QStringLiteral("SELECT column_name FROM information_schema.columns WHERE table_name = '%1'"
                                    " ORDER BY column_name")
                         .arg(QLatin1String(table));
        shape << QLatin1String(table) + QLatin1Char(':') + db.rows(select).join(QLatin1Char(','));
    }
    const QString indexes = sqlite ? QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'index' AND name NOT LIKE"
                                                    " 'sqlite_%' ORDER BY name")
                                   : QStringLiteral("SELECT indexname FROM pg_indexes WHERE schemaname = 'public' AND"
                                                    " indexname NOT LIKE '%_pkey' ORDER BY indexname");
    shape << db.rows(indexes);
    return shape.join(QLatin1Char(' '));
}

void tst_forward::earlierVersionMigrated() {
    // The server as version 3 left it, loaded from its dump, then brought up by its owner.
    const QString old = database + QStringLiteral("_v3");
    QVERIFY2(cluster.createDatabase(old), qPrintable(cluster.error()));
    QVERIFY2(cluster.psqlFile(old, QStringLiteral(RESULTS_TEST_DATA "/server-v3.sql")), qPrintable(cluster.error()));
    setup::server_url url = owner();
    url.database = old;
    {
        results::server_connection conn(url, 10, QStringLiteral("init"));
        QVERIFY2(conn.isOpen(), qPrintable(conn.error()));
        const results::server_schema::init_report done = results::server_schema::init(conn.db(), url.display());
        QCOMPARE(done.from, 3);
        QCOMPARE(done.to, results::schema::version);
        results::server_schema::grant(conn.db(), cluster.stationUser(), url.display());
    }

    // The station's journal of version 3, with a backlog the old server never got.
    const QString path = dir->filePath(QStringLiteral("v3.sqlite"));
    QVERIFY(QFile::copy(QStringLiteral(RESULTS_TEST_DATA "/journal-v3.sqlite"), path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    results::journal journal(path);
    test_support::SqlConnection local(path);
    QCOMPARE(local.rows(QStringLiteral("PRAGMA user_version")).value(0), QString::number(results::schema::version));
    QCOMPARE(
        local.rows(QStringLiteral("SELECT serial, attempt, verdict, cycle_s IS NOT NULL FROM parts ORDER BY started_utc")),
        (QStringList{"SN-0001|1|PASS|1", "SN-0002|1|FAIL|1", "SN-0003|1|PASS|1", "SN-0004|1|FAIL|1", "SN-0002|2|PASS|1",
                     "SN-0005|1|FAIL|1", "SN-0004|2|PASS|1", "SN-0006|1|FAIL|1", "AU-000001|1|PASS|1", "AU-000002|1|FAIL|1"}));
    QCOMPARE(local.rows(QStringLiteral("SELECT count(*) FROM comparisons WHERE passed = 0 AND mode IS NULL")).value(0),
             QStringLiteral("0"));
    // Numbering goes on after the parts of the old version.
    QCOMPARE(journal.nextAutoSerial(QStringLiteral("AU-")), QStringLiteral("AU-000003"));

    setup::server_url station = server();
    station.database = old;
    const results::forward_report report = results::forwarder(station).forward(journal);
    QVERIFY2(report.complete(), qPrintable(report.error));
    QCOMPARE(report.forwarded, 10L);
    QCOMPARE(report.alreadyThere, 5L);
    test_support::SqlConnection pg(url.host, url.port, url.user, url.database);
    QCOMPARE(pg.rows(counts).value(0), local.rows(counts).value(0));
    // Every run before this version was a station's single unnamed fixture, here and on the server.
    QCOMPARE(local.rows(QStringLiteral("SELECT count(*), count(fixture) FROM runs")), QStringList{"3|0"});
    QCOMPARE(pg.rows(QStringLiteral("SELECT count(*), count(fixture) FROM runs")), QStringList{"3|0"});

    // Migrated and new databases have the same tables, columns and indexes.
    const QString freshPath = dir->filePath(QStringLiteral("new.sqlite"));
    { results::journal fresh(freshPath); }
    test_support::SqlConnection freshLocal(freshPath);
    QCOMPARE(shapeOf(local, true), shapeOf(freshLocal, true));
    test_support::SqlConnection freshServer = onServer();
    QCOMPARE(shapeOf(pg, false), shapeOf(freshServer, false));
}

QTEST_GUILESS_MAIN(tst_forward)
#include "tst_forward.moc"
