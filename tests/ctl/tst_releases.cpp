// Who may change what on a line: released programs and the audit trail, with rx48p-ctl as a process
// against the simulator, a real SQLite journal and a PostgreSQL server the suite starts itself.

#include "ctl_run.h"
#include "pg_cluster.h"

#include <QCryptographicHash>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

namespace {

const QString good = partFile(QStringLiteral("good"));

QString sha256Of(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
}

}  // namespace

class ReleasesTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // Released runs; the same file with one byte more, and the release revoked, are refused before any part.
    void onlyReleasedProgramsRun();
    // Out of reach of the server: the list read last; a station that never read one refuses.
    void offlineUsesTheListReadLast();
    // A setup change, a release, a revoke and a start letting any program run: in the journal and on the server.
    void auditTrailLocallyAndOnTheServer();
    void releaseMistakes();
    // The list locked on the server: the station gives up on it within its lock time-out and judges by the
    // list it read last; SIGTERM in that wait ends it at once, before any part.
    void lockedListHoldsNothingUp();

private:
    QString ownerUrl(const QString& db) const {
        return QStringLiteral("postgresql://%1@:%2/%3?host=%4").arg(pg->user()).arg(pg->port()).arg(db, pg->socketDir());
    }
    QString stationUrl(const QString& db) const {
        return QStringLiteral("postgresql://%1@:%2/%3?host=%4").arg(pg->stationUser()).arg(pg->port()).arg(db, pg->socketDir());
    }
    QString newDatabase() {
        const QString name = QStringLiteral("line%1").arg(++databases);
        return pg->createResultsDatabase(name) ? name : QString();
    }
    // One part of good.device on a fresh simulator.
    Finished station(const QString& journal, const QString& server, const QString& program, QStringList extra = {}) {
        BoardSim sim;
        const QString port = sim.start(simParts({"good"}));
        if (port.isEmpty())
            return {};
        QStringList args{"--results", journal, "--station", "line-3", "--port", port};
        if (!server.isEmpty())
            args << "--server" << server;
        return ctl(args + QStringList{"station", program, "--count", "1"} + extra);
    }

    std::unique_ptr<pg_cluster> pg;
    QTemporaryDir dir;
    int databases = 0;
};

void ReleasesTest::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(RX48P_CTL)));
    pg = std::make_unique<pg_cluster>();
    QVERIFY2(pg->ok() && pg->start(), qPrintable(pg->error()));
}

void ReleasesTest::onlyReleasedProgramsRun() {
    const QString db = newDatabase();
    QVERIFY(!db.isEmpty());
    const QString program = dir.filePath(QStringLiteral("lamp.device"));
    QVERIFY(QFile::copy(good, program));
    const QString sha = sha256Of(program);

    const Finished released = ctl({"--server", ownerUrl(db), "results", "release", program, "--note", "first article ok"});
    QCOMPARE(released.code, 0);
    QVERIFY2(released.out.startsWith(QStringLiteral("released lamp.device (SHA-256 %1) as rx48p at ").arg(sha)),
             qPrintable(released.out));
    // Again: nothing changes, and it says so.
    const Finished again = ctl({"--server", ownerUrl(db), "results", "release", program});
    QCOMPARE(again.code, 0);
    QVERIFY2(again.out.contains(QLatin1String("is released already: by rx48p")), qPrintable(again.out));
    const Finished listed = ctl({"--server", stationUrl(db), "results", "releases"});
    QCOMPARE(listed.code, 0);
    const QRegularExpression listedRow(
        QStringLiteral("lamp\\.device +%1 +released +rx48p +\\S+ +first article ok").arg(sha.left(12)));
    QVERIFY2(listed.out.contains(listedRow), qPrintable(listed.out));

    const QString journal = dir.filePath(QStringLiteral("released.sqlite"));
    const Finished ran = station(journal, stationUrl(db), program, {"--released-only"});
    QCOMPARE(ran.code, 0);
    QVERIFY2(ran.out.contains(QLatin1String("PASS")), qPrintable(ran.out + ran.err));
    QCOMPARE(sqlRows(journal, "SELECT released, program_sha256 FROM runs"), QStringList{QStringLiteral("1|") + sha});

    // One byte more is another program.
    const QString edited = dir.filePath(QStringLiteral("lamp-edited.device"));
    QVERIFY(QFile::copy(program, edited));
    {
        QFile f(edited);
        QVERIFY(f.open(QIODevice::Append));
        f.write("\n");
    }
    const Finished refused = station(journal, stationUrl(db), edited, {"--released-only"});
    QCOMPARE(refused.code, 9);
    QVERIFY2(refused.err.contains(QStringLiteral("lamp-edited.device is not released: its content (SHA-256 %1…) is on no release")
                                      .arg(sha256Of(edited).left(12))),
             qPrintable(refused.err));
    QVERIFY(!refused.out.contains(QLatin1String("part 1")));
    QCOMPARE(sqlRows(journal, "SELECT count(*) FROM runs"), QStringList{"1"});

    // Revoked by its file: refused, and the same again by its hash's beginning is no release to revoke.
    const Finished revoked = ctl({"--server", ownerUrl(db), "results", "revoke", program});
    QCOMPARE(revoked.code, 0);
    QVERIFY2(revoked.out.startsWith(QStringLiteral("revoked the release of lamp.device (SHA-256 %1) as rx48p").arg(sha)),
             qPrintable(revoked.out));
    const Finished twice = ctl({"--server", ownerUrl(db), "results", "revoke", sha.left(10)});
    QCOMPARE(twice.code, 7);
    QVERIFY2(twice.err.contains(QLatin1String("no release holds for that content")), qPrintable(twice.err));
    const Finished afterRevoke = station(journal, stationUrl(db), program, {"--released-only"});
    QCOMPARE(afterRevoke.code, 9);
    QVERIFY2(afterRevoke.err.contains(QLatin1String("was revoked by rx48p")), qPrintable(afterRevoke.err));
    // Without --released-only it runs, and its run says it was not released.
    const Finished anyProgram = station(journal, stationUrl(db), program);
    QCOMPARE(anyProgram.code, 0);
    QCOMPARE(sqlRows(journal, "SELECT released FROM runs ORDER BY started_utc"), (QStringList{"1", "0"}));
    // Released again after the revoke: it runs once more.
    QCOMPARE(ctl({"--server", ownerUrl(db), "results", "release", program}).code, 0);
    QCOMPARE(station(journal, stationUrl(db), program, {"--released-only"}).code, 0);
}

void ReleasesTest::offlineUsesTheListReadLast() {
    const QString db = newDatabase();
    QVERIFY(!db.isEmpty());
    QCOMPARE(ctl({"--server", ownerUrl(db), "results", "release", good}).code, 0);
    const QString journal = dir.filePath(QStringLiteral("offline.sqlite"));
    QCOMPARE(station(journal, stationUrl(db), good, {"--released-only"}).code, 0);

    // No server listens there: the station judges by what its journal read last.
    const QString nowhere = QStringLiteral("postgresql://station@:%1/%2?host=%3").arg(pg->port()).arg(db, dir.filePath("no-server"));
    const Finished offline = station(journal, nowhere, good, {"--released-only"});
    QCOMPARE(offline.code, 0);
    QVERIFY2(offline.err.contains(QLatin1String("the results server is out of reach: ")) &&
                 offline.err.contains(QLatin1String("is released by the list read from it at ")),
             qPrintable(offline.err));
    QCOMPARE(sqlRows(journal, "SELECT released FROM runs ORDER BY started_utc"), (QStringList{"1", "1"}));

    // A journal that never read the list: nothing can be judged, nothing runs.
    const QString fresh = dir.filePath(QStringLiteral("never.sqlite"));
    const Finished never = station(fresh, nowhere, good, {"--released-only"});
    QCOMPARE(never.code, 9);
    QVERIFY2(never.err.contains(QLatin1String("this station has never read the released programs")), qPrintable(never.err));
    QCOMPARE(sqlRows(fresh, "SELECT count(*) FROM runs"), QStringList{"0"});
    // Without a server at all, likewise.
    QCOMPARE(station(fresh, QString(), good, {"--released-only"}).code, 9);
}

void ReleasesTest::auditTrailLocallyAndOnTheServer() {
    const QString db = newDatabase();
    QVERIFY(!db.isEmpty());
    const QString journal = dir.filePath(QStringLiteral("audit.sqlite"));
    const QDateTime before = QDateTime::currentDateTimeUtc();
    QCOMPARE(station(journal, stationUrl(db), good).code, 0);
    QCOMPARE(station(journal, stationUrl(db), good, {"--tolerance", "0.15"}).code, 0);
    QCOMPARE(ctl({"--server", ownerUrl(db), "results", "release", good, "--note", "ECO 12"}).code, 0);
    QCOMPARE(ctl({"--server", ownerUrl(db), "results", "revoke", good}).code, 0);
    // This start reads the list (and the release and revoke with it) and forwards its own entries.
    QCOMPARE(station(journal, stationUrl(db), good, {"--tolerance", "0.15"}).code, 0);
    const QString sha = sha256Of(good);

    const QString changes = QStringLiteral("SELECT event, what, coalesce(old_value, '-'), coalesce(new_value, '-') FROM audit"
                                           " WHERE what = 'tolerance' OR event IN ('release', 'revoke') ORDER BY at_utc");
    const QStringList expected{"setup|tolerance|-|0.100 V", "setup|tolerance|0.100 V|0.150 V",
                               QStringLiteral("release|good.device|-|%1 (ECO 12)").arg(sha),
                               QStringLiteral("revoke|good.device|%1|-").arg(sha)};
    QCOMPARE(sqlRows(journal, changes), expected);
    SqlConnection server(pg->socketDir(), pg->port(), pg->user(), db);
    QCOMPARE(server.rows(changes), expected);
    // Each start that let any program run, with where its program stood by the list the station read
    // last (it waits for the server only when it runs released programs alone): unknown before it read
    // any, then not released.
    const QString starts = QStringLiteral("SELECT station, new_value FROM audit WHERE event = 'start, any program' ORDER BY at_utc");
    const QStringList startsExpected{QStringLiteral("line-3|unknown (SHA-256 %1)").arg(sha),
                                     QStringLiteral("line-3|not released (SHA-256 %1)").arg(sha),
                                     QStringLiteral("line-3|not released (SHA-256 %1)").arg(sha)};
    QCOMPARE(sqlRows(journal, starts), startsExpected);
    QCOMPARE(server.rows(starts), startsExpected);
    // The program's own settings recorded once, when first seen.
    QCOMPARE(sqlRows(journal, "SELECT count(*) FROM audit WHERE what = 'program sha256'"), QStringList{"1"});

    // As the questions print it, from the journal and the server alike; --until before it all: nothing.
    for (const QStringList& where : {QStringList{"--results", journal}, QStringList{"--server", stationUrl(db)}}) {
        const Finished listed = ctl(where + QStringList{"results", "audit", "--since", before.toString(Qt::ISODate)});
        QCOMPARE(listed.code, 0);
        QVERIFY2(listed.out.contains(QRegularExpression(QStringLiteral("line-3 +setup +tolerance +0\\.100 V -> 0\\.150 V"))),
                 qPrintable(listed.out));
        QVERIFY2(listed.out.contains(QRegularExpression(QStringLiteral("server \\(rx48p\\) +revoke +good\\.device +%1 -> \\(none\\)")
                                                            .arg(sha))),
                 qPrintable(listed.out));
        const Finished none = ctl(where + QStringList{"results", "audit", "--until", before.addSecs(-1).toString(Qt::ISODate)});
        QCOMPARE(none.code, 0);
        QCOMPARE(lines(none.out).size(), 1);  // the header alone
    }
}

void ReleasesTest::releaseMistakes() {
    const QString db = newDatabase();
    QVERIFY(!db.isEmpty());
    const Finished missing = ctl({"--server", ownerUrl(db), "results", "release", dir.filePath("nothing.device")});
    QCOMPARE(missing.code, 2);
    QVERIFY2(missing.err.contains(QLatin1String("cannot read the part file")), qPrintable(missing.err));
    const Finished notHex = ctl({"--server", ownerUrl(db), "results", "revoke", "lamp\x1b[2J"});
    QCOMPARE(notHex.code, 7);
    QVERIFY2(notHex.err.contains(QLatin1String("is not a program's SHA-256")) && !notHex.err.contains(QChar(0x1b)),
             qPrintable(notHex.err));
    // A station's role may read the list but not release.
    const Finished asStation = ctl({"--server", stationUrl(db), "results", "release", good});
    QCOMPARE(asStation.code, 5);
    QVERIFY2(asStation.err.contains(QLatin1String("cannot release good.device")), qPrintable(asStation.err));
}

void ReleasesTest::lockedListHoldsNothingUp() {
    const QString db = newDatabase();
    QVERIFY(!db.isEmpty());
    QCOMPARE(ctl({"--server", ownerUrl(db), "results", "release", good}).code, 0);
    const QString journal = dir.filePath(QStringLiteral("locked.sqlite"));
    QCOMPARE(station(journal, stationUrl(db), good, {"--released-only"}).code, 0);

    SqlConnection locker(pg->socketDir(), pg->port(), pg->user(), db);
    QCOMPARE(locker.rows("BEGIN"), QStringList());
    QCOMPARE(locker.rows("LOCK TABLE releases IN ACCESS EXCLUSIVE MODE"), QStringList());
    const Finished fellBack = station(journal, stationUrl(db), good, {"--released-only"});
    QCOMPARE(fellBack.code, 0);
    QVERIFY2(fellBack.err.contains(QLatin1String("the results server is out of reach: ")), qPrintable(fellBack.err));
    QCOMPARE(sqlRows(journal, "SELECT released FROM runs"), (QStringList{"1", "1"}));

    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    Ctl stopped({"--results", journal, "--server", stationUrl(db), "--port", port, "station", good, "--released-only"});
    // Well inside the lock time-out's wait, which nothing on standard output marks.
    QTest::qWait(1000);
    QElapsedTimer took;
    took.start();
    stopped.signal(SIGTERM);
    const Finished end = stopped.finish();
    QVERIFY2(took.elapsed() < 800, qPrintable(QString::number(took.elapsed())));
    QCOMPARE(end.signal, SIGTERM);
    QVERIFY2(!end.out.contains(QLatin1String("part 1")), qPrintable(end.out));
    QCOMPARE(sqlRows(journal, "SELECT count(*) FROM runs"), QStringList{"2"});
    QCOMPARE(locker.rows("ROLLBACK"), QStringList());
}

QTEST_GUILESS_MAIN(ReleasesTest)
#include "tst_releases.moc"
