// rx48p-ctl station with several fixtures, each against a simulator of its own: every fixture's parts
// as its board played them, trouble on one board stopping that fixture alone, signals and serials.

#include "ctl_run.h"

#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>
#include <utility>
#include <vector>

namespace {

const QString good = partFile(QStringLiteral("good"));

// A fixture's board and the parts it plays.
struct Board {
    Board(QString name, QStringList parts, QStringList simArgs)
        : name(std::move(name)), parts(std::move(parts)), simArgs(std::move(simArgs)) {}
    QString name;
    QStringList parts;
    QStringList simArgs;
    std::unique_ptr<BoardSim> sim = std::make_unique<BoardSim>();
    QString port;
};

bool startAll(std::vector<Board>& boards) {
    for (Board& b : boards) {
        b.port = b.sim->start(simParts(b.parts) + b.simArgs);
        if (b.port.isEmpty())
            return false;
    }
    return true;
}

QStringList fixtureOptions(const std::vector<Board>& boards) {
    QStringList args;
    for (const Board& b : boards)
        args << QStringLiteral("--fixture") << b.name + QLatin1Char('=') + b.port;
    return args;
}

// How each known part fails against the good one, as its line ends.
QString failureOf(const QString& part) {
    if (part == QLatin1String("good"))
        return QString();
    if (part == QLatin1String("drop-out"))
        return QStringLiteral("pair 1-2: Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V");
    if (part == QLatin1String("missing-pair"))
        return QStringLiteral("pair 5-6: missing (open)");
    if (part == QLatin1String("extra-pair"))
        return QStringLiteral("pair 9-10: not expected (short)");
    if (part == QLatin1String("button-wrong"))
        return QStringLiteral("button 13 (common 14): Button ON, expected Button OFF");
    return QStringLiteral("?");
}

}  // namespace

class FixturesTest : public QObject {
    Q_OBJECT
private slots:
    void partsStayOnTheirFixture_data();
    void partsStayOnTheirFixture();
    void aBoardGoneStopsItsFixtureAlone();
    void aPartOneFixtureCannotRecordStopsItAlone();
    void aSignalFinishesEveryPartInHand();
    void serialsGoToTheFixtureThatAsksFirst();
};

void FixturesTest::partsStayOnTheirFixture_data() {
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QList<QStringList>>("parts");
    QTest::newRow("two") << QStringList{"left", "right"}
                         << QList<QStringList>{{"good", "drop-out"}, {"missing-pair", "good"}};
    QTest::newRow("four") << QStringList{"a", "b", "c", "d"}
                          << QList<QStringList>{{"good", "drop-out"}, {"missing-pair", "good"},
                                                {"extra-pair", "button-wrong"}, {"good", "good"}};
}

// Each fixture's lines are its own board's parts, in its order, judged as that board played them.
void FixturesTest::partsStayOnTheirFixture() {
    QFETCH(QStringList, names);
    QFETCH(QList<QStringList>, parts);
    std::vector<Board> boards;
    for (int i = 0; i < names.size(); ++i)
        boards.push_back(Board(names[i], parts[i], {"--calib-delay", "0"}));
    QVERIFY(startAll(boards));
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.sqlite"));
    const QString junit = dir.filePath(QStringLiteral("j.xml"));
    const Finished run =
        Ctl(QStringList{"--results", results, "station", good, "--count", "2", "--junit", junit} + fixtureOptions(boards))
            .finish();
    QVERIFY2(run.exited(), qPrintable(run.err));
    QCOMPARE(run.err, QString());
    const QStringList out = lines(run.out);
    long failedAll = 0;
    for (const Board& b : boards) {
        const QString label = b.name + QStringLiteral(": ");
        QCOMPARE(matching(out, label + "board: RX48P, firmware V").size(), 1);
        const QStringList own = matching(out, label + "part ");
        QCOMPARE(own.size(), 2);
        long failed = 0;
        for (int n = 0; n < 2; ++n) {
            const QString failure = failureOf(b.parts[n]);
            failed += failure.isEmpty() ? 0 : 1;
            const QString head = label + QStringLiteral("part %1  %2  test ").arg(n + 1).arg(failure.isEmpty() ? "PASS" : "FAIL");
            QVERIFY2(own[n].startsWith(head), qPrintable(own[n] + " / " + head));
            QVERIFY2(failure.isEmpty() ? !own[n].contains(QLatin1String("pair")) : own[n].contains(failure),
                     qPrintable(own[n]));
        }
        failedAll += failed;
        QCOMPARE(matching(out, QStringLiteral("summary %1: 2 parts, %2 passed, %3 failed").arg(b.name).arg(2 - failed).arg(failed))
                     .size(),
                 1);
        QTRY_COMPARE(b.sim->buzzers().size(), 2);
    }
    const int parts2 = 2 * static_cast<int>(boards.size());
    QVERIFY2(out.last().startsWith(QStringLiteral("summary: %1 parts, %2 passed, %3 failed")
                                       .arg(parts2)
                                       .arg(parts2 - failedAll)
                                       .arg(failedAll)),
             qPrintable(out.last()));
    QCOMPARE(run.code, failedAll > 0 ? 1 : 0);
    // A run on record for each fixture, each with its own parts.
    QStringList perFixture;
    for (const Board& b : boards)
        perFixture << b.name + QStringLiteral("|2");
    perFixture.sort();
    QCOMPARE(sqlRows(results, "SELECT r.fixture, count(*) FROM runs r JOIN parts p ON p.run_id = r.id GROUP BY r.id "
                              "ORDER BY r.fixture"),
             perFixture);
    // Every JUnit suite names its fixture.
    QFile file(junit);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QString xml = QString::fromUtf8(file.readAll());
    for (const Board& b : boards)
        QCOMPARE(xml.count(QStringLiteral("<testsuite name=\"%1: part ").arg(b.name)), 2);
}

// One board goes away after its first part was judged: its fixture keeps that part and stops; the others
// test their count and the exit status is the lost board's.
void FixturesTest::aBoardGoneStopsItsFixtureAlone() {
    std::vector<Board> boards;
    boards.push_back(Board("a", {"good"}, {"--calib-delay", "0", "--event-delay", "100"}));
    boards.push_back(Board("b", {"good"}, {"--calib-delay", "0", "--event-delay", "600"}));
    boards.push_back(Board("c", {"drop-out"}, {"--calib-delay", "0", "--event-delay", "100"}));
    QVERIFY(startAll(boards));
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.sqlite"));
    Ctl ctl(QStringList{"--results", results, "station", good, "--count", "4"} + fixtureOptions(boards));
    // Judged, its buzzer sounded, and the board waits to see it removed.
    QVERIFY(boards[1].sim->waitForReceived(QStringLiteral("BUZ_OK")));
    QVERIFY(boards[1].sim->waitForReceived(QStringLiteral("DETECT_REMOVE")));
    boards[1].sim->stop();
    const Finished run = ctl.finish();
    QVERIFY(run.exited());
    QCOMPARE(run.code, 4);
    QVERIFY2(run.err.startsWith(QLatin1String("rx48p-ctl: b: ")), qPrintable(run.err));
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "a: part ").size(), 4);
    QCOMPARE(matching(out, "c: part ").size(), 4);
    QCOMPARE(matching(out, "b: part ").size(), 1);
    QVERIFY2(matching(out, "b: part 1  PASS  test ").size() == 1, qPrintable(run.out));
    QVERIFY2(matching(out, "b: part 1  PASS  test ").first().endsWith(QLatin1String("cycle -")), qPrintable(run.out));
    QCOMPARE(matching(out, "summary c: 4 parts, 0 passed, 4 failed").size(), 1);
    QCOMPARE(sqlRows(results, "SELECT count(*) FROM parts"), QStringList{"9"});
}

// The journal refuses fixture b's second part: b ends with it NOT RECORDED and the error buzzer, a goes
// on to its count, and the exit status is the record's.
void FixturesTest::aPartOneFixtureCannotRecordStopsItAlone() {
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.sqlite"));
    // A journal made by a first run, then a trigger that fails b's parts after its first.
    {
        std::vector<Board> first;
        first.push_back(Board("a", {"good"}, {"--calib-delay", "0", "--event-delay", "0"}));
        QVERIFY(startAll(first));
        QCOMPARE(Ctl(QStringList{"--results", results, "station", good, "--count", "1"} + fixtureOptions(first)).finish().code, 0);
    }
    const SqlConnection db(results);
    QCOMPARE(db.rows("CREATE TRIGGER b_full BEFORE INSERT ON parts WHEN (SELECT fixture FROM runs WHERE id = NEW.run_id) = 'b'"
            " AND (SELECT count(*) FROM parts WHERE run_id = NEW.run_id) >= 1 BEGIN SELECT RAISE(ABORT, 'disk full'); END"), QStringList{});
    std::vector<Board> boards;
    boards.push_back(Board("a", {"good"}, {"--calib-delay", "0", "--event-delay", "50"}));
    boards.push_back(Board("b", {"good"}, {"--calib-delay", "0", "--event-delay", "50"}));
    QVERIFY(startAll(boards));
    const Finished run = Ctl(QStringList{"--results", results, "station", good, "--count", "4"} + fixtureOptions(boards)).finish();
    QCOMPARE(run.code, 5);
    QVERIFY2(run.err.contains(QLatin1String("b: the part cannot be recorded, the station stops: ")), qPrintable(run.err));
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "a: part ").size(), 4);
    QCOMPARE(matching(out, "b: part ").size(), 2);
    QCOMPARE(matching(out, "b: part 2  NOT RECORDED").size(), 1);
    QTRY_COMPARE(boards[1].sim->buzzers(), (QStringList{"BUZ_OK", "BUZ_ER"}));
    QTRY_COMPARE(boards[0].sim->buzzers().size(), 4);
    QCOMPARE(db.rows("SELECT r.fixture, count(*) FROM parts p JOIN runs r ON r.id = p.run_id GROUP BY r.fixture ORDER BY 1"),
             (QStringList{"a|5", "b|1"}));
}

// SIGTERM with a part in hand on every fixture: each is finished, judged, buzzed, its board set idle;
// then the program ends by the signal (its count was not reached).
void FixturesTest::aSignalFinishesEveryPartInHand() {
    std::vector<Board> boards;
    for (const char* name : {"a", "b", "c", "d"})
        boards.push_back(Board(QString::fromLatin1(name), {"good"}, {"--calib-delay", "0", "--event-delay", "300"}));
    QVERIFY(startAll(boards));
    Ctl ctl(QStringList{"station", good, "--count", "5", "--no-record"} + fixtureOptions(boards));
    for (Board& b : boards)
        QVERIFY(b.sim->waitForReceived(QStringLiteral("MES_STATIC")));
    ctl.signal(SIGTERM);
    const Finished run = ctl.finish();
    QCOMPARE(run.signal, int(SIGTERM));
    const QStringList out = lines(run.out);
    for (Board& b : boards) {
        QCOMPARE(matching(out, b.name + ": part 1  PASS").size(), 1);
        QCOMPARE(matching(out, b.name + ": part 2").size(), 0);
        QTRY_COMPARE(b.sim->buzzers(), QStringList{"BUZ_OK"});
        QTRY_COMPARE(b.sim->framesReceived().last(), QStringLiteral("55:00:04:ff:01:0e:d1"));  // IDLE
    }
    QVERIFY2(out.last().startsWith(QLatin1String("summary: 4 parts, 4 passed, 0 failed")), qPrintable(out.last()));
}

// One scanner for two fixtures: the serial goes to the fixture that asked first. Board b calibrates for
// long, so a asks for its two serials before b asks for any.
void FixturesTest::serialsGoToTheFixtureThatAsksFirst() {
    std::vector<Board> boards;
    boards.push_back(Board("a", {"good"}, {"--calib-delay", "0", "--event-delay", "20"}));
    boards.push_back(Board("b", {"good"}, {"--calib-delay", "2000", "--event-delay", "20"}));
    QVERIFY(startAll(boards));
    QTemporaryDir dir;
    const QString results = dir.filePath(QStringLiteral("r.sqlite"));
    const Finished run = Ctl(QStringList{"--results", results, "station", good, "--count", "2", "--serial", "scan"} +
                                 fixtureOptions(boards),
                             "SN-1\nSN-2\nSN-3\nSN-4\n")
                             .finish();
    QCOMPARE(run.code, 0);
    const QStringList out = lines(run.out);
    QCOMPARE(matching(out, "a: part "), (QStringList{matching(out, "a: part 1  SN-1  PASS").value(0),
                                                     matching(out, "a: part 2  SN-2  PASS").value(0)}));
    QCOMPARE(matching(out, "b: part 1  SN-3  PASS").size(), 1);
    QCOMPARE(matching(out, "b: part 2  SN-4  PASS").size(), 1);
    QCOMPARE(sqlRows(results, "SELECT serial FROM parts ORDER BY serial"), (QStringList{"SN-1", "SN-2", "SN-3", "SN-4"}));
}

QTEST_GUILESS_MAIN(FixturesTest)
#include "tst_fixtures.moc"
