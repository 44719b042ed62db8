// rx48p-station as a process, as a desktop shortcut starts it: --start and --count, the window staying
// open after the count, SIGTERM stopping the link cleanly with exit 0, and --help without a display.

#include "operator_support.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QtTest>

#include <csignal>

using namespace optest;

namespace {

class Program {
public:
    Program(const QTemporaryDir& dir, const QStringList& args, const QString& platform = QStringLiteral("offscreen")) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), platform);
        // Its remembered setup goes in the test's folder, never the user's.
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
        if (platform != QLatin1String("offscreen"))
            env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(RX48P_STATION), args);
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    void terminate() { ::kill(static_cast<pid_t>(process.processId()), SIGTERM); }
    bool finished(int ms) { return process.waitForFinished(ms); }
    QProcess process;
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
    BoardSimProcess sim(QStringLiteral(RX48P_BOARD_SIM));
    const QString port = sim.start(simParts({"good", "missing-pair"}));
    QVERIFY(!port.isEmpty());
    const QString results = dir.filePath(QStringLiteral("results.sqlite"));
    Program station(dir, {"--results", results, "--port", port, "--station", "line-7", "--start", "--count", "3",
                          partFile(QStringLiteral("good"))});
    const auto runEnded = [&] {
        return dbRows(results, QStringLiteral("SELECT count(*) FROM runs WHERE ended_utc IS NOT NULL")) == QStringList{"1"};
    };
    QVERIFY(QTest::qWaitFor(runEnded, 20000));
    QCOMPARE(dbRows(results, QStringLiteral("SELECT verdict FROM parts ORDER BY started_utc")),
             (QStringList{"PASS", "FAIL", "PASS"}));
    QCOMPARE(dbRows(results, QStringLiteral("SELECT station FROM runs")), QStringList{"line-7"});
    // The window stays open after the count.
    QVERIFY(!station.finished(500));
    QCOMPARE(station.process.state(), QProcess::Running);

    station.terminate();
    QVERIFY(station.finished(10000));
    QCOMPARE(station.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(station.process.exitCode(), 0);
    QVERIFY(QTest::qWaitFor([&] { return sim.log().contains(QStringLiteral("terminal closed the line")); }, 5000));
    // Options are for one start; only the Setup dialog changes what is remembered.
    QVERIFY(!QFile::exists(dir.filePath(QStringLiteral("config/Vexalon/RX48P-Station.conf"))));
}

void OperatorProgramTest::sigtermInTheMiddleOfARun() {
    QTemporaryDir dir;
    BoardSimProcess sim(QStringLiteral(RX48P_BOARD_SIM));
    const QString port = sim.start(simParts({"good"}, 150));
    QVERIFY(!port.isEmpty());
    const QString results = dir.filePath(QStringLiteral("results.sqlite"));
    Program station(dir, {"--results", results, "--port", port, "--start", partFile(QStringLiteral("good"))});
    QVERIFY(QTest::qWaitFor([&] { return dbRows(results, QStringLiteral("SELECT count(*) FROM parts")) == QStringList{"1"}; },
                            20000));
    // The second part is being measured when the signal comes: it is finished, then the board goes idle.
    QVERIFY(QTest::qWaitFor([&] { return commandsReceived(sim).count(QStringLiteral("MES_STATIC")) == 2; }, 10000));
    station.terminate();
    QVERIFY(station.finished(10000));
    QCOMPARE(station.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(station.process.exitCode(), 0);
    QVERIFY(QTest::qWaitFor([&] { return sim.log().contains(QStringLiteral("terminal closed the line")); }, 5000));
    QCOMPARE(commandsReceived(sim).last(), QStringLiteral("IDLE"));
    QCOMPARE(dbRows(results, QStringLiteral("SELECT count(*) FROM runs WHERE ended_utc IS NOT NULL")), QStringList{"1"});
    QCOMPARE(dbRows(results, QStringLiteral("SELECT verdict FROM parts")), (QStringList{"PASS", "PASS"}));
    QCOMPARE(commandsReceived(sim).count(QStringLiteral("BUZ_OK")), 2);
}

void OperatorProgramTest::helpAndBadOptionsNeedNoDisplay() {
    QTemporaryDir dir;
    Program help(dir, {"--help"}, QStringLiteral("xcb"));
    QVERIFY(help.finished(10000));
    QCOMPARE(help.process.exitCode(), 0);
    const QString text = QString::fromUtf8(help.process.readAllStandardOutput());
    for (const char* option : {"--port", "--results", "--server", "--station", "--serial", "--sensitivity", "--buzzer",
                               "--tolerance", "--timeout", "--start", "--count"})
        QVERIFY2(text.contains(QLatin1String(option)), option);

    Program bad(dir, {"--count", "none"}, QStringLiteral("xcb"));
    QVERIFY(bad.finished(10000));
    QCOMPARE(bad.process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(bad.process.exitCode(), 2);
    QVERIFY(QString::fromUtf8(bad.process.readAllStandardError())
                .startsWith(QLatin1String("rx48p-station: --count: 'none' is not a whole number")));
}

QTEST_MAIN(OperatorProgramTest)
#include "tst_operator_program.moc"
