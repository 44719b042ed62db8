// Trouble in the operator window, each as a banner that says what to do: the board gone (the station
// stops and offers Reconnect, which starts a new run), a part that cannot be recorded (the station
// stops), the results server out of reach (the station goes on, and the banner goes once the backlog
// is on the server).

#include "operator_support.h"
#include "pg_cluster.h"

#include "results/journal.h"
#include "results/releases.h"
#include "setup/run_info.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QtTest>

using namespace optest;

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
    // Released programs only: a program the journal's list does not hold is refused with a banner before
    // any part; once it holds it, it runs, and its run says so.
    void onlyReleasedProgramsRun();
};

void OperatorTroubleTest::boardGoneThenReconnect() {
    fixture st;
    const QString link = st.dir.filePath(QStringLiteral("board"));
    auto sim = std::make_unique<BoardSim>();
    // The board answers but never sees a part: the station waits for one when the board goes.
    QVERIFY(!st.showOn(*sim, simParts({"good"}) + QStringList{"--link", link, "--no-event", "DETECT_INSERT"}, 1,
                       [&](setup::station_setup& s) { s.port = link; }).isEmpty());
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
    QVERIFY(!st.showOn(sim, simParts({"good"}, 300)).isEmpty());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.session->tile() == op::tile_state::waiting; }, 10000));

    // Another program holds the database for longer than a record waits.
    {
        const SqlConnection holder(st.resultsFile());
        QCOMPARE(holder.rows(QStringLiteral("BEGIN EXCLUSIVE")), QStringList());
        QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
        QCOMPARE(holder.rows(QStringLiteral("ROLLBACK")), QStringList());
    }

    QVERIFY(st.window->stationBanner().isVisible());
    QVERIFY2(st.window->stationBanner().text().startsWith(
                 QLatin1String("Part 1 could not be recorded, so the station stopped: ")),
             qPrintable(st.window->stationBanner().text()));
    QVERIFY(!st.window->stationBanner().reconnectButton().isVisible());
    QVERIFY(st.window->startButton().isEnabled());
    // The operator heard the error buzzer, and nothing is on record.
    QCOMPARE(sim.buzzers(), QStringList{"BUZ_ER"});
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"0"});
}

void OperatorTroubleTest::serverOutOfReachThenBack() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createResultsDatabase(QStringLiteral("line")), qPrintable(pg.error()));
    QVERIFY(pg.stop());

    fixture st;
    BoardSim sim;
    const QString server = pg.url(QStringLiteral("line")).display();
    QVERIFY(!st.showOn(sim, simParts({"good", "missing-pair"}), 4, [&](setup::station_setup& s) { s.server = server; }).isEmpty());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.window->serverBanner().isVisible(); }, 10000));
    QVERIFY2(st.window->serverBanner().text().startsWith(QLatin1String("The results server is out of reach (")),
             qPrintable(st.window->serverBanner().text()));
    QVERIFY(!st.window->stationBanner().isVisible());

    // The station goes on and records every part here.
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
    QCOMPARE(counters(*st.window).first(), QStringLiteral("4"));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts WHERE forwarded = 0")), QStringList{"4"});
    QVERIFY(st.window->serverBanner().isVisible());

    QVERIFY(pg.start());
    QVERIFY(QTest::qWaitFor([&] { return !st.window->serverBanner().isVisible(); }, 30000));
    QCOMPARE(sqlRows(pg.connect(QStringLiteral("line"))->db(), QStringLiteral("SELECT count(*) FROM parts")),
             QStringList{"4"});
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts WHERE forwarded = 0")), QStringList{"0"});
}

void OperatorTroubleTest::closedWhileTheServerIsLocked() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createResultsDatabase(QStringLiteral("line")), qPrintable(pg.error()));
    const pg_cluster::table_lock lock(pg, QStringLiteral("line"), QStringLiteral("parts"));
    QVERIFY(lock.held());

    auto st = std::make_unique<fixture>();
    BoardSim sim;
    const QString server = pg.url(QStringLiteral("line")).display();
    QVERIFY(!st->showOn(sim, simParts({"good"}), 3, [&](setup::station_setup& s) { s.server = server; }).isEmpty());
    st->window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return !st->session->running() && counters(*st->window).first() == "3"; },
                            20000));
    QCOMPARE(sqlRows(st->resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"3"});

    // The forward is waiting on the lock: closing cancels it rather than waiting.
    QElapsedTimer closing;
    closing.start();
    st->window->close();
    st.reset();
    QVERIFY2(closing.elapsed() < 3000, qPrintable(QString::number(closing.elapsed())));
}

void OperatorTroubleTest::serverWithoutTablesIsNamed() {
    pg_cluster pg;
    QVERIFY2(pg.ok() && pg.start(), qPrintable(pg.error()));
    QVERIFY2(pg.createDatabase(QStringLiteral("bare")), qPrintable(pg.error()));
    fixture st;
    BoardSim sim;
    const QString server = pg.url(QStringLiteral("bare")).display();
    QVERIFY(!st.showOn(sim, simParts({"good"}), 1, [&](setup::station_setup& s) { s.server = server; }).isEmpty());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.window->serverBanner().isVisible(); }, 10000));
    const QString text = st.window->serverBanner().text();
    QVERIFY2(text.startsWith(QLatin1String("The results server cannot take the parts (")) &&
                 text.contains(QLatin1String("has no results tables")) && !text.contains(QLatin1String("out of reach")),
             qPrintable(text));
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 20000));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"1"});
}


void OperatorTroubleTest::onlyReleasedProgramsRun() {
    fixture st;
    const QString good = partFile(QStringLiteral("good"));
    const QString sha = setup::fileSha256(good);
    const auto keepList = [&](const QString& released, const QString& revoked) {
        results::journal journal(st.resultsFile());
        results::release_copy copy;
        copy.releases.push_back({released, QStringLiteral("other.device"), QStringLiteral("eng"),
                                 QStringLiteral("2026-12-01T08:00:00.000Z"), QVariant(), QVariant(), QVariant()});
        if (!revoked.isEmpty())
            copy.releases.push_back({revoked, QStringLiteral("good.device"), QStringLiteral("eng"),
                                     QStringLiteral("2026-12-01T08:00:00.000Z"), QVariant(), QStringLiteral("qa"),
                                     QStringLiteral("2026-12-02T08:00:00.000Z")});
        results::keepReleases(journal.database(), copy);
    };
    keepList(QString(64, QLatin1Char('a')), sha);

    BoardSim sim;
    QVERIFY(!st.showOn(sim, simParts({"good"}), 1, [](setup::station_setup& s) { s.releasedOnly = true; }).isEmpty());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st.window->stationBanner().isVisible(); }, 10000));
    const QString text = st.window->stationBanner().text();
    QVERIFY2(text.startsWith(QStringLiteral("Not released: %1 is not released: the release of its content (SHA-256 %2…) was "
                                            "revoked by qa at 2026-12-02T08:00:00Z")
                                 .arg(QFileInfo(good).absoluteFilePath(), sha.left(12))),
             qPrintable(text));
    QVERIFY(!st.session->running());
    QVERIFY(!st.window->stationBanner().reconnectButton().isVisible());
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM runs")), QStringList{"0"});

    keepList(sha, QString());
    // A password set meanwhile goes on the audit trail at the next start, as its state alone.
    QVERIFY(st.window->supervisorLock().set(QStringLiteral("s3cret-pw"), QStringLiteral("s3cret-pw")).problem.isEmpty());
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 15000));
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("PASS"));
    QVERIFY(!st.window->stationBanner().isVisible());
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT released FROM runs")), QStringList{"1"});
    // Both starts put the setup on the audit trail once: the second found nothing changed.
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT new_value FROM audit WHERE what = 'released only'")),
             QStringList{"yes"});
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM audit WHERE event = 'start, any program'")),
             QStringList{"0"});
    const QStringList lock = sqlRows(st.resultsFile(), QStringLiteral("SELECT coalesce(old_value, '-') || ' -> ' || new_value"
                                                                      " FROM audit WHERE what = 'supervisor password'"
                                                                      " ORDER BY at_utc"));
    QCOMPARE(lock.size(), 2);
    QCOMPARE(lock.at(0), QStringLiteral("- -> none"));
    QVERIFY2(lock.at(1).startsWith(QLatin1String("none -> set 20")), qPrintable(lock.at(1)));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM audit WHERE new_value LIKE '%s3cret%'")),
             QStringList{"0"});
}

QTEST_MAIN(OperatorTroubleTest)
#include "tst_operator_trouble.moc"
