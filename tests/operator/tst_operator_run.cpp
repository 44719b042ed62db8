// The operator window over runs of known parts on the simulator: the tile after each part (word, colour,
// reasons), the table and the counters, serials typed as a scanner types them, Stop in the middle of a
// part, and the records in the database equal to what the window showed.

#include "operator_support.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QFile>
#include <QRegularExpression>
#include <QtTest>

#include <algorithm>

using namespace optest;

namespace {

using end_reason = station::station_engine::end_reason;

// The good part with three of its pairs gone and a button that reads the wrong way: four faults.
QString writeManyFaults(const QTemporaryDir& dir) {
    const QString path = dir.filePath(QStringLiteral("many-faults.device"));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        return QString();
    f.write("firmware 1.4.2\n"
            "pair 7 shortcut 8 shortcut 0.00 0.00\n"
            "button 12 14 on\n"
            "button 13 14 on\n"
            "touch 16 on\n"
            "touch 17 off\n");
    return path;
}

void press(QWidget& window, Qt::Key key) {
    QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : &window;
    QTest::keyClick(target, key);
}

QString sha8(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    return QString::fromLatin1(QCryptographicHash::hash(f.readAll(), QCryptographicHash::Sha256).toHex().left(8));
}


QString seconds3(double s) { return QString::number(s, 'f', 3) + QStringLiteral(" s"); }

}  // namespace

class OperatorRunTest : public QObject {
    Q_OBJECT
private slots:
    // Five parts, one verdict each: PASS, FAIL (one reason), FAIL (four: three shown and "and 1 more"),
    // FAIL (another reason), PASS.
    void runOverKnownParts();
    void serialsAsAScannerTypesThem();
    void stopInTheMiddleOfAPart();
};

void OperatorRunTest::runOverKnownParts() {
    fixture st;
    const QString manyFaults = writeManyFaults(st.dir);
    QVERIFY(!manyFaults.isEmpty());
    BoardSim sim;
    const QString port = st.showOn(sim, simParts({"good", "missing-pair", manyFaults, "swapped-type", "good"}), 5);
    QVERIFY(!port.isEmpty());
    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("STOPPED"));

    std::vector<tile_look> looks, testing;
    std::vector<QString> prompts;
    connect(st.session.get(), &op::station_session::changed, this, [&] {
        if (st.session->tile() == op::tile_state::testing && testing.size() < looks.size() + 1)
            testing.push_back(lookAt(st.window->tile()));
    });
    connect(st.session.get(), &op::station_session::partCompleted, this, [&] {
        looks.push_back(lookAt(st.window->tile()));
        prompts.push_back(st.window->promptText());
    });
    press(*st.window, Qt::Key_Return);
    QVERIFY(st.session->running());
    const auto reason = waitForEnd(*st.session, 30000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::completed);

    QCOMPARE(looks.size(), std::size_t(5));
    // Each part turns the tile blue when it is inserted, the last verdict and its reasons gone.
    QCOMPARE(testing.size(), std::size_t(5));
    for (const tile_look& t : testing) {
        QCOMPARE(t.word, QStringLiteral("TESTING"));
        QCOMPARE(t.colour, blue);
        QCOMPARE(t.reasons, QStringList());
    }
    const QStringList words{"PASS", "FAIL", "FAIL", "FAIL", "PASS"};
    const std::vector<QColor> colours{green, red, red, red, green};
    const std::vector<QStringList> reasons{
        {},
        {"pair 5-6: missing (open)"},
        {"pair 1-2: missing (open)", "pair 3-4: missing (open)", "pair 5-6: missing (open)", "and 1 more"},
        {"pair 3-4: pin 3 is Led cathode, expected Led anode; pin 4 is Led anode, expected Led cathode"},
        {}};
    for (std::size_t i = 0; i < looks.size(); ++i) {
        QCOMPARE(looks[i].word, words[static_cast<int>(i)]);
        QCOMPARE(looks[i].colour, colours[i]);
        QCOMPARE(looks[i].reasons, reasons[i]);
        QVERIFY2(looks[i].wordPoints >= 48, qPrintable(QString::number(looks[i].wordPoints)));
        QCOMPARE(prompts[i], QStringLiteral("Remove the part"));
    }
    // The last verdict stays when the run is over.
    const tile_look after = lookAt(st.window->tile());
    QCOMPARE(after.word, QStringLiteral("PASS"));
    QCOMPARE(after.colour, green);
    QVERIFY2(st.window->promptText().startsWith(QLatin1String("Done: 5 parts tested")), qPrintable(st.window->promptText()));
    QVERIFY(st.window->startButton().isEnabled());
    QVERIFY(!st.window->stopButton().isEnabled());

    // The table, newest first, against the record of the same parts.
    const QStringList rows = tableRows(*st.window);
    QCOMPARE(rows.size(), 5);
    const QStringList recorded =
        sqlRows(st.resultsFile(), QStringLiteral("SELECT coalesce(serial, ''), attempt, verdict, test_s, cycle_s FROM parts "
                                                "ORDER BY started_utc DESC"));
    QCOMPARE(recorded.size(), 5);
    std::vector<double> tests, cycles;
    const QRegularExpression clock(QStringLiteral("^\\d\\d:\\d\\d:\\d\\d$"));
    for (int i = 0; i < 5; ++i) {
        const QStringList cells = rows[i].split(QLatin1Char('|'));
        const QStringList rec = recorded[i].split(QLatin1Char('|'));
        const int part = 5 - i;
        QVERIFY2(clock.match(cells[0]).hasMatch(), qPrintable(cells[0]));
        QCOMPARE(cells[1], QStringLiteral("part %1").arg(part));
        QCOMPARE(rec[0], QString());  // no serial on record
        QCOMPARE(rec[1], QStringLiteral("1"));
        QCOMPARE(cells[2], words[part - 1]);
        QCOMPARE(rec[2], words[part - 1]);
        // Both times as on record: the cycle was added once the part was removed.
        QCOMPARE(cells[3], seconds3(rec[3].toDouble()));
        QCOMPARE(cells[4], seconds3(rec[4].toDouble()));
        QVERIFY(rec[4].toDouble() > rec[3].toDouble());
        tests.push_back(rec[3].toDouble());
        cycles.push_back(rec[4].toDouble());
        QCOMPARE(cells[5], reasons[static_cast<std::size_t>(part - 1)].join(QStringLiteral("; ")));
    }
    std::sort(tests.begin(), tests.end());
    std::sort(cycles.begin(), cycles.end());
    QCOMPARE(counters(*st.window), (QStringList{"5", "2", "3", "0", "40.0 %", seconds3(tests[2]), seconds3(cycles[2])}));

    // The top line names what ran where, as the record does.
    const QString program = partFile(QStringLiteral("good"));
    // The run's end is written in the records' own thread, just after the run ends.
    const QStringList run{QStringLiteral("test-line|%1|1.4.2|1").arg(sha8(program))};
    const QString runRow = QStringLiteral("SELECT station, substr(program_sha256, 1, 8), firmware, ended_utc IS NOT NULL FROM runs");
    QVERIFY(QTest::qWaitFor([&] { return sqlRows(st.resultsFile(), runRow) == run; }, 5000));
    QCOMPARE(st.window->headerText(), QStringLiteral("good.device  %1|%2  (firmware 1.4.2)|test-line|%3")
                                          .arg(sha8(program), port, st.resultsFile()));
}

void OperatorRunTest::serialsAsAScannerTypesThem() {
    fixture st;
    BoardSim sim;
    QVERIFY(!st.showOn(sim, simParts({"good", "missing-pair", "good"}), 3, [](setup::station_setup& s) {
                   s.serials = setup::serial_mode::scan;
               }).isEmpty());
    press(*st.window, Qt::Key_Return);

    const auto scan = [&](const QString& serial, bool tabAway = true) {
        if (!QTest::qWaitFor([&] { return st.session->serialWanted(); }, 10000))
            return false;
        // The scanner types into whatever has the focus: it must be the serial field.
        if (QApplication::focusWidget() != &st.window->serialField())
            return false;
        QTest::keyClicks(QApplication::focusWidget(), serial);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        // The operator tabs away while the part is tested; the next question takes the focus back.
        if (tabAway)
            st.window->stopButton().setFocus();
        return true;
    };
    QVERIFY(QTest::qWaitFor([&] { return st.session->serialWanted(); }, 10000));
    const tile_look waiting = lookAt(st.window->tile());
    QCOMPARE(waiting.word, QStringLiteral("WAITING FOR PART"));
    QCOMPARE(waiting.colour, grey);
    QCOMPARE(st.window->promptText(), QStringLiteral("Scan the serial of the next part"));

    // A line that is no serial is refused and the station goes on waiting for one.
    QVERIFY(scan(QString(65, QLatin1Char('X')), false));
    QTest::qWait(100);
    QVERIFY(st.session->serialWanted());
    QCOMPARE(QApplication::focusWidget(), &st.window->serialField());
    QVERIFY(tableRows(*st.window).isEmpty());

    QVERIFY(scan(QStringLiteral("SN-1001")));
    QVERIFY(scan(QStringLiteral("SN-1002")));
    QVERIFY(scan(QStringLiteral("SN-1002")));  // the failed part again, retested
    const auto reason = waitForEnd(*st.session, 20000);
    QVERIFY(reason.has_value());

    QStringList shown;
    for (const QString& row : tableRows(*st.window)) {
        const QStringList cells = row.split(QLatin1Char('|'));
        shown << cells[1] + QLatin1Char('|') + cells[2];
    }
    QCOMPARE(shown, (QStringList{"SN-1002|PASS", "SN-1002|FAIL", "SN-1001|PASS"}));
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT serial, attempt, verdict FROM parts ORDER BY started_utc")),
             (QStringList{"SN-1001|1|PASS", "SN-1002|1|FAIL", "SN-1002|2|PASS"}));
    // SN-1001 passed at its first attempt, SN-1002 did not; the retest is no first attempt.
    QCOMPARE(counters(*st.window).mid(0, 5), (QStringList{"3", "2", "1", "0", "50.0 %"}));
}

void OperatorRunTest::stopInTheMiddleOfAPart() {
    fixture st;
    BoardSim sim;
    QVERIFY(!st.showOn(sim, simParts({"good"}, 300)).isEmpty());
    press(*st.window, Qt::Key_Return);
    QVERIFY(QTest::qWaitFor([&] { return st.session->tile() == op::tile_state::testing; }, 10000));
    QVERIFY(st.window->stopButton().isEnabled());
    QVERIFY(tableRows(*st.window).isEmpty());

    press(*st.window, Qt::Key_Escape);
    QCOMPARE(st.window->promptText(), QStringLiteral("Stopping after this part"));
    QVERIFY(!st.window->stopButton().isEnabled());
    QVERIFY(st.session->running());  // the part in hand is measured to its end
    const auto reason = waitForEnd(*st.session, 10000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::stopped);

    QCOMPARE(lookAt(st.window->tile()).word, QStringLiteral("PASS"));
    QCOMPARE(tableRows(*st.window).size(), 1);
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT verdict FROM parts")), QStringList{"PASS"});
    QVERIFY(st.window->startButton().isEnabled());
}

QTEST_MAIN(OperatorRunTest)
#include "tst_operator_run.moc"
