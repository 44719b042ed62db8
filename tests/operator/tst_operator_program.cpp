// rx48p-station as a process, as a desktop shortcut starts it: --start and --count, the window staying
// open after the count, SIGTERM stopping the link cleanly with exit 0, and --help without a display.

#include "operator_support.h"
#include "program_run.h"

#include <QtTest>

#include <csignal>

using namespace optest;

namespace {

// rx48p-station started at once, its remembered setup in the test's folder, never the user's; on
// another platform than offscreen, without a display.
struct Program : test_support::ProgramRun {
    Program(const QTemporaryDir& dir, const QStringList& args, const QString& platform = QStringLiteral("offscreen"))
        : ProgramRun(QStringLiteral(RX48P_STATION), args) {
        env(QStringLiteral("QT_QPA_PLATFORM"), platform);
        env(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        if (platform != QLatin1String("offscreen"))
            env(QStringLiteral("DISPLAY"), QString());
        start();
    }
};

}  // namespace

class OperatorProgramTest : public QObject {
    Q_OBJECT
private slots:
    void countedRunThenSigterm();
    void sigtermInTheMiddleOfARun();
    void helpAndBadOptionsNeedNoDisplay();
};

void OperatorProgramTest::countedRunThenSigterm() {
    QTemporaryDir dir;
    BoardSim sim;
    const QString port = sim.start(simParts({"good", "missing-pair"}));
    QVERIFY(!port.isEmpty());
    const QString results = dir.filePath(QStringLiteral("results.sqlite"));
    Program station(dir, {"--results", results, "--port", port, "--station", "line-7", "--start", "--count", "3",
                          partFile(QStringLiteral("good"))});
    const auto runEnded = [&] {
        return sqlRows(results, QStringLiteral("SELECT count(*) FROM runs WHERE ended_utc IS NOT NULL")) == QStringList{"1"};
    };
    QVERIFY(QTest::qWaitFor(runEnded, 20000));
    QCOMPARE(sqlRows(results, QStringLiteral("SELECT verdict FROM parts ORDER BY started_utc")),
             (QStringList{"PASS", "FAIL", "PASS"}));
    QCOMPARE(sqlRows(results, QStringLiteral("SELECT station FROM runs")), QStringList{"line-7"});
    // The window stays open after the count.
    QTest::qWait(500);
    QVERIFY(station.running());

    station.signal(SIGTERM);
    QCOMPARE(station.finish().code, 0);
    QVERIFY(QTest::qWaitFor([&] { return sim.log().contains(QStringLiteral("terminal closed the line")); }, 5000));
    // Options are for one start; only the Setup dialog changes what is remembered.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config/Vexalon/RX48P-Station.conf"))));
}

void OperatorProgramTest::sigtermInTheMiddleOfARun() {
    QTemporaryDir dir;
    BoardSim sim;
    const QString port = sim.start(simParts({"good"}, 150));
    QVERIFY(!port.isEmpty());
    const QString results = dir.filePath(QStringLiteral("results.sqlite"));
    Program station(dir, {"--results", results, "--port", port, "--start", partFile(QStringLiteral("good"))});
    QVERIFY(QTest::qWaitFor([&] { return sqlRows(results, QStringLiteral("SELECT count(*) FROM parts")) == QStringList{"1"}; },
                            20000));
    // The second part is being measured when the signal comes: it is finished, then the board goes idle.
    QVERIFY(sim.waitForReceived(QStringLiteral("MES_STATIC"), 2, 10000));
    station.signal(SIGTERM);
    QCOMPARE(station.finish().code, 0);
    QVERIFY(QTest::qWaitFor([&] { return sim.log().contains(QStringLiteral("terminal closed the line")); }, 5000));
    QCOMPARE(sim.commandsReceived().last(), QStringLiteral("IDLE"));
    QCOMPARE(sqlRows(results, QStringLiteral("SELECT count(*) FROM runs WHERE ended_utc IS NOT NULL")), QStringList{"1"});
    QCOMPARE(sqlRows(results, QStringLiteral("SELECT verdict FROM parts")), (QStringList{"PASS", "PASS"}));
    QCOMPARE(sim.buzzers(), (QStringList{"BUZ_OK", "BUZ_OK"}));
}

void OperatorProgramTest::helpAndBadOptionsNeedNoDisplay() {
    QTemporaryDir dir;
    const test_support::Finished help = Program(dir, {"--help"}, QStringLiteral("xcb")).finish();
    QCOMPARE(help.code, 0);
    const QString text = help.out;
    for (const char* option : {"--port", "--results", "--server", "--station", "--serial", "--sensitivity", "--buzzer",
                               "--tolerance", "--timeout", "--start", "--count"})
        QVERIFY2(text.contains(QLatin1String(option)), option);

    const test_support::Finished bad = Program(dir, {"--count", "none"}, QStringLiteral("xcb")).finish();
    QCOMPARE(bad.code, 2);
    QVERIFY(bad.err.startsWith(QLatin1String("rx48p-station: --count: 'none' is not a whole number")));
}

QTEST_MAIN(OperatorProgramTest)
#include "tst_operator_program.moc"
