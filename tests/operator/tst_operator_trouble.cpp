// Trouble in the operator window, each as a banner that says what to do: the board gone (the station
// stops and offers Reconnect, which starts a new run), a part that cannot be recorded (the station
// stops), the results server out of reach (the station goes on, and the banner goes once the backlog
// is on the server).

#include "operator_support.h"
#include "pg_cluster.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QtTest>

using namespace optest;

namespace {

QString serverUrl(const pg_cluster& pg, const QString& database) {
    return QStringLiteral("postgresql://%1@:%2/%3?host=%4").arg(pg.user()).arg(pg.port()).arg(database, pg.socketDir());
}

int serverParts(const pg_cluster& pg, const QString& database) {
    int n = -1;
    const QString name = QStringLiteral("server-check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(pg.socketDir());
        db.setPort(pg.port());
        db.setUserName(pg.user());
        db.setDatabaseName(database);
        QSqlQuery q(db);
        if (db.open() && q.exec(QStringLiteral("SELECT count(*) FROM parts")) && q.next())
            n = q.value(0).toInt();
    }
    QSqlDatabase::removeDatabase(name);
    return n;
}

}  // namespace

class OperatorTroubleTest : public QObject {
    Q_OBJECT
private slots:
    void boardGoneThenReconnect();
    void aPartThatCannotBeRecordedStopsTheStation();
    void serverOutOfReachThenBack();
    // A server whose parts table stays locked: the station records on, and the window closes at once.
    void closedWhileTheServerIsLocked();
    // A server that answers without tables is not "out of reach": the banner says what is wrong.
    void serverWithoutTablesIsNamed();
};

void OperatorTroubleTest::boardGoneThenReconnect() {
    fixture st;
    const QString link = st.dir.filePath(QStringLiteral("board"));
    auto sim = std::make_unique<BoardSim>();
    // The board answers but never sees a part: the station waits for one when the board goes.
    QVERIFY(!sim->start(simParts({"good"}) + QStringList{"--link", link, "--no-event", "DETECT_INSERT"}).isEmpty());
    setup::station_setup setup = st.setupFor(link);
    setup.count = 1;
    st.session->setSetup(setup);
    QVERIFY(st.show());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.session->tile() == op::tile_state::waiting; }, 10000));
    QVERIFY(!st.window->stationBanner().isVisible());

    sim->stop();
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 10000));
    QVERIFY(st.window->stationBanner().isVisible());
    QVERIFY2(st.window->stationBanner().text().startsWith(QLatin1String("The board is gone (")),
             qPrintable(st.window->stationBanner().text()));
    QVERIFY(st.window->stationBanner().text().endsWith(QLatin1String("then press Reconnect.")));
    QVERIFY(st.window->stationBanner().reconnectButton().isVisible());
    QVERIFY(st.window->startButton().isEnabled());
    QVERIFY(!st.window->stopButton().isEnabled());
    const tile_look stopped = lookAt(st.window->tile());
    QCOMPARE(stopped.word, QStringLiteral("STOPPED"));
    QCOMPARE(stopped.colour, grey);
    QCOMPARE(st.window->promptText(), QStringLiteral("Stopped by trouble. Press Enter to start."));

    // The board back on the same line; Reconnect from the keyboard starts a new run that tests a part.
    sim = std::make_unique<BoardSim>();
    QVERIFY(!sim->start(simParts({"good"}) + QStringList{"--link", link}).isEmpty());
    QTest::keyClick(st.window.get(), Qt::Key_R, Qt::AltModifier);
    QVERIFY(QTest::qWaitFor([&] { return st.session->running(); }, 2000));  // a mnemonic's click is animated
    QVERIFY(!st.window->stationBanner().isVisible());
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 10000));
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("PASS"));
    QVERIFY(!st.window->stationBanner().isVisible());
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT verdict FROM parts")), QStringList{"PASS"});
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM runs")), QStringList{"1"});
}

void OperatorTroubleTest::aPartThatCannotBeRecordedStopsTheStation() {
    fixture st;
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}, 300));
    QVERIFY(!port.isEmpty());
    st.session->setSetup(st.setupFor(port));
    QVERIFY(st.show());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.session->tile() == op::tile_state::waiting; }, 10000));

    // Another program holds the database for longer than a record waits.
    const QString holder = QStringLiteral("holder");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), holder);
        db.setDatabaseName(st.resultsFile());
        QVERIFY(db.open());
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("BEGIN EXCLUSIVE")));
        QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
        QVERIFY(QSqlQuery(db).exec(QStringLiteral("ROLLBACK")));
    }
    QSqlDatabase::removeDatabase(holder);

    QVERIFY(st.window->stationBanner().isVisible());
    QVERIFY2(st.window->stationBanner().text().startsWith(
                 QLatin1String("Part 1 could not be recorded, so the station stopped: ")),
             qPrintable(st.window->stationBanner().text()));
    QVERIFY(!st.window->stationBanner().reconnectButton().isVisible());
    QVERIFY(st.window->startButton().isEnabled());
    // The operator heard the error buzzer, and nothing is on record.
    QVERIFY(sim.commandsReceived().contains(QStringLiteral("BUZ_ER")));
    QVERIFY(!sim.commandsReceived().contains(QStringLiteral("BUZ_OK")));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"0"});
}

void OperatorTroubleTest::serverOutOfReachThenBack() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createResultsDatabase(QStringLiteral("line")), qPrintable(pg.error()));
    QVERIFY(pg.stop());

    fixture st;
    BoardSim sim;
    const QString port = sim.start(simParts({"good", "missing-pair"}));
    QVERIFY(!port.isEmpty());
    setup::station_setup setup = st.setupFor(port);
    setup.server = serverUrl(pg, QStringLiteral("line"));
    setup.count = 4;
    st.session->setSetup(setup);
    QVERIFY(st.show());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.window->serverBanner().isVisible(); }, 10000));
    QVERIFY2(st.window->serverBanner().text().startsWith(QLatin1String("The results server is out of reach (")),
             qPrintable(st.window->serverBanner().text()));
    QVERIFY(!st.window->stationBanner().isVisible());

    // The station goes on and records every part here.
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
    QCOMPARE(counter(*st.window, op::counters_panel::parts), QStringLiteral("4"));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts WHERE forwarded = 0")), QStringList{"4"});
    QVERIFY(st.window->serverBanner().isVisible());

    QVERIFY(pg.start());
    QVERIFY(QTest::qWaitFor([&] { return !st.window->serverBanner().isVisible(); }, 30000));
    QCOMPARE(serverParts(pg, QStringLiteral("line")), 4);
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts WHERE forwarded = 0")), QStringList{"0"});
}

void OperatorTroubleTest::closedWhileTheServerIsLocked() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createResultsDatabase(QStringLiteral("line")), qPrintable(pg.error()));
    const QString name = QStringLiteral("locker");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(pg.socketDir());
        db.setPort(pg.port());
        db.setUserName(pg.user());
        db.setDatabaseName(QStringLiteral("line"));
        QVERIFY(db.open());
        QSqlQuery lock(db);
        QVERIFY(lock.exec(QStringLiteral("BEGIN")));
        QVERIFY(lock.exec(QStringLiteral("LOCK TABLE parts IN ACCESS EXCLUSIVE MODE")));
    }

    auto st = std::make_unique<fixture>();
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    setup::station_setup setup = st->setupFor(port);
    setup.server = serverUrl(pg, QStringLiteral("line"));
    setup.count = 3;
    st->session->setSetup(setup);
    QVERIFY(st->show());
    st->window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return !st->session->running() && counter(*st->window, op::counters_panel::parts) == "3"; },
                            20000));
    QCOMPARE(sqlRows(st->resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"3"});

    // The forward is waiting on the lock: closing cancels it rather than waiting.
    QElapsedTimer closing;
    closing.start();
    st->window->close();
    st.reset();
    QVERIFY2(closing.elapsed() < 3000, qPrintable(QString::number(closing.elapsed())));
    QSqlDatabase::database(name).rollback();
    QSqlDatabase::removeDatabase(name);
}

void OperatorTroubleTest::serverWithoutTablesIsNamed() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createDatabase(QStringLiteral("bare")), qPrintable(pg.error()));
    fixture st;
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}));
    QVERIFY(!port.isEmpty());
    setup::station_setup setup = st.setupFor(port);
    setup.server = serverUrl(pg, QStringLiteral("bare"));
    setup.count = 1;
    st.session->setSetup(setup);
    QVERIFY(st.show());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.window->serverBanner().isVisible(); }, 10000));
    const QString text = st.window->serverBanner().text();
    QVERIFY2(text.startsWith(QLatin1String("The results server cannot take the parts (")) &&
                 text.contains(QLatin1String("has no results tables")) && !text.contains(QLatin1String("out of reach")),
             qPrintable(text));
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"1"});
}

QTEST_MAIN(OperatorTroubleTest)
#include "tst_operator_trouble.moc"
