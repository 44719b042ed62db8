// The window while another program holds its database: the database opened and each part recorded in
// the records' own thread, so the window's event loop keeps turning; the buzzer only once the part is
// committed; and a window closed while the file stays locked is gone within the busy time-out.

#include "operator_support.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

using namespace optest;

namespace {

// Another program's connection to the station's database; take() holds its write lock, release() lets go.
struct lock_holder : SqlConnection {
    using SqlConnection::SqlConnection;
    bool take() const { return rows(QStringLiteral("BEGIN IMMEDIATE")).isEmpty(); }
    bool release() const { return rows(QStringLiteral("ROLLBACK")).isEmpty(); }
};

// The longest time between two turns of a 20 ms timer on the window's thread.
class tick_watch {
public:
    tick_watch() {
        timer.setInterval(20);
        QObject::connect(&timer, &QTimer::timeout, [this] {
            longest = std::max(longest, since.restart());
        });
        since.start();
        timer.start();
    }
    qint64 longestGapMs() const { return std::max(longest, since.elapsed()); }

private:
    QTimer timer;
    QElapsedTimer since;
    qint64 longest = 0;
};

}  // namespace

class OperatorRecordsTest : public QObject {
    Q_OBJECT
private slots:
    // The database held by another program as the station opens it, then as a part is recorded: the
    // window turns on, the part waits for its commit, its buzzer comes after the lock is gone.
    void aLockedDatabaseNeverStopsTheWindow();
    void closingWhileTheDatabaseStaysLocked();
};

void OperatorRecordsTest::aLockedDatabaseNeverStopsTheWindow() {
    fixture st;
    BoardSim sim;
    QVERIFY(!st.showOn(sim, simParts({"good"}, 300), 1).isEmpty());
    lock_holder holder(st.resultsFile());
    QVERIFY(holder.take());

    tick_watch ticks;
    QElapsedTimer call;
    call.start();
    st.window->startRun();
    QVERIFY2(call.elapsed() < 100, qPrintable(QString::number(call.elapsed())));
    QVERIFY(st.session->running());
    QTest::qWait(1000);
    // Still opening: nothing asked of the board before the database is there.
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("STARTING"));
    QVERIFY2(st.window->promptText().startsWith(QLatin1String("Opening the database ")), qPrintable(st.window->promptText()));
    QCOMPARE(sim.commandsReceived(), QStringList());
    QVERIFY(holder.release());
    QVERIFY(QTest::qWaitFor([&] { return st.session->tile() == op::tile_state::waiting; }, 10000));
    QVERIFY(!st.window->stationBanner().isVisible());

    // Locked again before the part comes: measured and judged, it waits for its commit, no buzzer yet.
    QVERIFY(holder.take());
    QVERIFY(sim.waitForReceived(QStringLiteral("MES_BUTTON_CAP"), 1, 10000));
    QTest::qWait(1500);
    QCOMPARE(sim.buzzers(), QStringList());
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("TESTING"));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT count(*) FROM parts")), QStringList{"0"});
    QVERIFY(holder.release());

    QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 10000));
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("PASS"));
    QVERIFY(!st.window->stationBanner().isVisible());
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT verdict, attempt FROM parts")), QStringList{"PASS|1"});
    // The run's end is written in the records' thread once the run is over.
    QTRY_COMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT ended_utc IS NOT NULL FROM runs")), QStringList{"1"});
    QCOMPARE(sim.buzzers(), QStringList{"BUZ_OK"});
    QVERIFY2(ticks.longestGapMs() < 100, qPrintable(QString::number(ticks.longestGapMs())));
}

void OperatorRecordsTest::closingWhileTheDatabaseStaysLocked() {
    QTemporaryDir kept;  // the database outlives the window
    const QString results = kept.filePath(QStringLiteral("results.sqlite"));
    auto st = std::make_unique<fixture>();
    BoardSim sim;
    QVERIFY(!st->showOn(sim, simParts({"good"}, 300), 0, [&](setup::station_setup& s) { s.results = results; }).isEmpty());
    st->window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return st->session->tile() == op::tile_state::waiting; }, 10000));

    // A first part on record, so that the run has an end to write too; then the file is held.
    QVERIFY(sim.waitForReceived(QStringLiteral("BUZ_OK"), 1, 10000));
    lock_holder holder(results);
    QVERIFY(holder.take());
    QVERIFY(sim.waitForReceived(QStringLiteral("MES_BUTTON_CAP"), 2, 10000));
    QTest::qWait(200);  // the second part judged; its commit waits for the lock

    QElapsedTimer closing;
    closing.start();
    st->window->close();
    QVERIFY(QTest::qWaitFor([&] { return !st->window->isVisible(); }, 20000));
    st.reset();  // the window, the session and the records' thread
    const qint64 took = closing.elapsed();
    // The busy time-out (5 s), and a little for the board's last answers.
    QVERIFY2(took < 6000, qPrintable(QString::number(took)));

    // Nothing could be committed while the file stayed locked, so no second PASS was sounded: the error
    // buzzer when the commit gave up before the window's own wait ended, none when the window abandoned
    // the part first (the two end at about the same time). The board was sent to idle either way.
    QVERIFY2(sim.buzzers() == QStringList{"BUZ_OK"} || sim.buzzers() == (QStringList{"BUZ_OK", "BUZ_ER"}),
             qPrintable(sim.buzzers().join(' ')));
    QCOMPARE(sim.commandsReceived().constLast(), QStringLiteral("IDLE"));
    QVERIFY(holder.release());
    QCOMPARE(sqlRows(results, QStringLiteral("SELECT count(*) FROM parts")), QStringList{"1"});
}

QTEST_MAIN(OperatorRecordsTest)
#include "tst_operator_records.moc"
