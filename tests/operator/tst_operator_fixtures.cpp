// The operator window driving several fixtures at once, each on a simulator of its own that plays its
// own parts: every fixture's tile, history rows and records are those of its board and no other's; a
// board lost stops its fixture alone; scanned serials go where the rule sends them; a fixture out of
// service from the keyboard; the tiles side by side and in a 2 x 2 grid, their words whole.

#include "operator_support.h"

#include <QApplication>
#include <QFontMetrics>
#include <QtTest>

using namespace optest;

namespace {

using end_reason = station::station_engine::end_reason;

// What the parts in tests/parts give against the good part, as "serial|verdict|reasons" rows.
QString row(int number, const QString& verdict, const QString& reasons = QString(), const QString& serial = QString()) {
    return (serial.isEmpty() ? QStringLiteral("part %1").arg(number) : serial) + QLatin1Char('|') + verdict +
           QLatin1Char('|') + reasons;
}
const QString missing = QStringLiteral("pair 5-6: missing (open)");
const QString swapped =
    QStringLiteral("pair 3-4: pin 3 is Led cathode, expected Led anode; pin 4 is Led anode, expected Led cathode");


void ctrl(QWidget& window, int fixture) {
    QTest::keyClick(&window, static_cast<Qt::Key>(Qt::Key_0 + fixture), Qt::ControlModifier);
}

}  // namespace

class OperatorFixturesTest : public QObject {
    Q_OBJECT
private slots:
    void twoFixturesEachTheirOwnParts();
    void fourFixturesEachTheirOwnParts();
    void boardLostOnOneFixture();
    void scannedSerialsGoWhereTheRuleSays();
    void outOfServiceFromTheKeyboard();
    void tilesLaidOutAt1280x800_data();
    void tilesLaidOutAt1280x800();
};

void OperatorFixturesTest::twoFixturesEachTheirOwnParts() {
    fixture st;
    std::vector<std::unique_ptr<BoardSim>> sims;
    QVERIFY(st.showOnBoards(sims, {simParts({"good", "missing-pair", "good"}), simParts({"swapped-type", "good", "good"})}, 3));
    QCOMPARE(st.window->tileCount(), 2);
    QVERIFY(!st.window->history().isColumnHidden(op::part_history::fixture));
    st.window->startRun();
    const auto reason = waitForEnd(*st.session, 30000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::completed);

    QCOMPARE(partsOn(*st.window, "A"), (QStringList{row(1, "PASS"), row(2, "FAIL", missing), row(3, "PASS")}));
    QCOMPARE(partsOn(*st.window, "B"), (QStringList{row(1, "FAIL", swapped), row(2, "PASS"), row(3, "PASS")}));
    QCOMPARE(recordedRuns(st.resultsFile()), (QStringList{"A: |PASS, |FAIL, |PASS", "B: |FAIL, |PASS, |PASS"}));
    QCOMPARE(lookAt(st.window->tile(0)).word, QStringLiteral("PASS"));
    QCOMPARE(lookAt(st.window->tile(1)).word, QStringLiteral("PASS"));
    QCOMPARE(st.window->tile(0).nameLabel().text(), QStringLiteral("1.  A"));
    QCOMPARE(st.window->tile(1).nameLabel().text(), QStringLiteral("2.  B"));
    // Counters overall, and per fixture on its tile.
    QCOMPARE(counters(*st.window).mid(0, 5), (QStringList{"6", "4", "2", "0", "66.7 %"}));
    QCOMPARE(st.window->tile(0).countsLabel().text(), QStringLiteral("passed 2   failed 1   yield 66.7 %"));
    QCOMPARE(st.window->tile(1).countsLabel().text(), QStringLiteral("passed 2   failed 1   yield 66.7 %"));
    QCOMPARE(st.window->promptText(), QStringLiteral("Done: 6 parts tested. Press Enter to start."));
    QVERIFY(st.window->keysHint().contains(QLatin1String("Ctrl+1..Ctrl+2")));
    // Each board saw its own buzzer per part, in its own order.
    QCOMPARE(sims[0]->buzzers(), (QStringList{"BUZ_OK", "BUZ_ER", "BUZ_OK"}));
    QCOMPARE(sims[1]->buzzers(), (QStringList{"BUZ_ER", "BUZ_OK", "BUZ_OK"}));
}

void OperatorFixturesTest::fourFixturesEachTheirOwnParts() {
    fixture st;
    std::vector<std::unique_ptr<BoardSim>> sims;
    QVERIFY(st.showOnBoards(sims,
                            {simParts({"good", "missing-pair"}), simParts({"swapped-type", "good"}),
                             simParts({"missing-pair", "swapped-type"}), simParts({"good", "good"})},
                            2));
    QCOMPARE(st.window->tileCount(), 4);
    st.window->startRun();
    const auto reason = waitForEnd(*st.session, 40000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::completed);

    QCOMPARE(partsOn(*st.window, "A"), (QStringList{row(1, "PASS"), row(2, "FAIL", missing)}));
    QCOMPARE(partsOn(*st.window, "B"), (QStringList{row(1, "FAIL", swapped), row(2, "PASS")}));
    QCOMPARE(partsOn(*st.window, "C"), (QStringList{row(1, "FAIL", missing), row(2, "FAIL", swapped)}));
    QCOMPARE(partsOn(*st.window, "D"), (QStringList{row(1, "PASS"), row(2, "PASS")}));
    QCOMPARE(recordedRuns(st.resultsFile()),
             (QStringList{"A: |PASS, |FAIL", "B: |FAIL, |PASS", "C: |FAIL, |FAIL", "D: |PASS, |PASS"}));
    const QStringList words{"FAIL", "PASS", "FAIL", "PASS"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(lookAt(st.window->tile(i)).word, words[i]);
    QCOMPARE(st.window->tile(2).countsLabel().text(), QStringLiteral("passed 0   failed 2   yield 0.0 %"));
    QCOMPARE(st.window->tile(3).countsLabel().text(), QStringLiteral("passed 2   failed 0   yield 100.0 %"));
    QCOMPARE(counters(*st.window).mid(0, 5), (QStringList{"8", "4", "4", "0", "50.0 %"}));
}

void OperatorFixturesTest::boardLostOnOneFixture() {
    fixture st;
    std::vector<std::unique_ptr<BoardSim>> sims;
    // B's part waits long for its removal, so its board goes with the judged part in the fixture.
    QVERIFY(st.showOnBoards(sims, {simParts({"good", "missing-pair", "good"}, 400), simParts({"swapped-type"}, 600)}, 3));
    st.window->startRun();
    // Judged, on record, the error buzzer heard: the part waits to be taken out.
    QVERIFY(QTest::qWaitFor([&] { return sims[1]->buzzers() == QStringList{"BUZ_ER"}; }, 15000));
    QCOMPARE(st.session->fixture(1).tile(), op::tile_state::failed);
    QVERIFY(st.session->fixture(0).running());
    sims[1]->stop();

    QVERIFY(QTest::qWaitFor([&] { return !st.session->fixture(1).running(); }, 10000));
    QVERIFY(st.session->running());
    const QLabel& trouble = st.window->tile(1).troubleLabel();
    QVERIFY(trouble.isVisible());
    QVERIFY2(trouble.text().startsWith(QLatin1String("The board is gone (")), qPrintable(trouble.text()));
    QVERIFY(trouble.text().endsWith(QLatin1String("then press Ctrl+2 twice.")));
    QVERIFY(!st.window->tile(0).troubleLabel().isVisible());
    // The station's own banner stays for what concerns every fixture.
    QVERIFY(!st.window->stationBanner().isVisible());

    const auto reason = waitForEnd(*st.session, 30000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::trouble);
    QCOMPARE(partsOn(*st.window, "A"), (QStringList{row(1, "PASS"), row(2, "FAIL", missing), row(3, "PASS")}));
    // B's judged part stays, on screen and on record, though it never left the fixture.
    QCOMPARE(partsOn(*st.window, "B"), (QStringList{row(1, "FAIL", swapped)}));
    QCOMPARE(recordedRuns(st.resultsFile()), (QStringList{"A: |PASS, |FAIL, |PASS", "B: |FAIL"}));
    QCOMPARE(st.window->promptText(), QStringLiteral("Stopped by trouble. Press Enter to start."));
    QVERIFY(st.window->tile(1).troubleLabel().isVisible());
}

void OperatorFixturesTest::scannedSerialsGoWhereTheRuleSays() {
    fixture st;
    std::vector<std::unique_ptr<BoardSim>> sims;
    // Parts come and go 0.4 s after the board is asked: time to read a tile before its part goes in.
    QVERIFY(st.showOnBoards(sims, {simParts({"good", "missing-pair"}, 400), simParts({"swapped-type", "good"}, 520)}, 2,
                            [](setup::station_setup& s) { s.serials = setup::serial_mode::scan; }));
    // Which fixture asks for a serial, in the order they ask.
    QList<int> asked;
    for (int i = 0; i < 2; ++i)
        connect(&st.session->fixture(i), &op::fixture_session::serialNeeded, this, [&](int f) { asked << f; });
    const auto scan = [&](const QString& serial) {
        QTest::keyClicks(&st.window->serialField(), serial);
        QTest::keyClick(&st.window->serialField(), Qt::Key_Return);
    };
    const auto name = [&](int f) { return st.session->fixture(f).where().name; };
    st.window->startRun();
    QVERIFY(QTest::qWaitFor([&] { return asked.size() == 2; }, 10000));
    QCOMPARE(QApplication::focusWidget(), &st.window->serialField());

    // The first to ask has waited longest: the first serial is its, and the prompt says so.
    const int first = asked[0], second = asked[1];
    QCOMPARE(st.window->promptText(), QStringLiteral("Scan the serial for fixture %1").arg(name(first)));
    QCOMPARE(st.window->tile(first).nextLabel().text(), QStringLiteral("Scan its serial: the next scan goes here"));
    scan(QStringLiteral("SN-1"));
    QCOMPARE(st.session->fixture(first).givenSerial(), QStringLiteral("SN-1"));
    // Its tile shows the serial before the part is in.
    QCOMPARE(st.session->fixture(first).tile(), op::tile_state::waiting);
    QCOMPARE(st.window->tile(first).detailLabel().text(), QStringLiteral("next: SN-1"));
    QCOMPARE(st.window->promptText(), QStringLiteral("Scan the serial for fixture %1").arg(name(second)));
    scan(QStringLiteral("SN-2"));
    QCOMPARE(st.session->fixture(second).givenSerial(), QStringLiteral("SN-2"));
    QCOMPARE(st.window->tile(second).detailLabel().text(), QStringLiteral("next: SN-2"));

    // None waits now: the next serial is held for the first that asks.
    scan(QStringLiteral("SN-3"));
    QCOMPARE(st.session->heldSerial(), QStringLiteral("SN-3"));
    QVERIFY2(st.window->promptText().endsWith(QLatin1String("(next serial: SN-3)")), qPrintable(st.window->promptText()));
    const auto states = [&] {
        QString text;
        for (int i = 0; i < 2; ++i)
            text += lookAt(st.window->tile(i)).word + " / " + st.session->fixture(i).givenSerial() + "; ";
        return text;
    };
    // The other fixture may ask in the same breath: the first of them gets the held serial.
    const bool thirdAsked = QTest::qWaitFor([&] { return asked.size() >= 3; }, 15000);
    QVERIFY2(thirdAsked, qPrintable(states()));
    const int third = asked[2];
    QCOMPARE(st.session->fixture(third).givenSerial(), QStringLiteral("SN-3"));
    QCOMPARE(st.session->heldSerial(), QString());
    QVERIFY(QTest::qWaitFor([&] { return asked.size() == 4; }, 15000));
    QCOMPARE(st.session->fixture(asked[3]).givenSerial(), QString());
    const int fourth = asked[3];
    QCOMPARE(st.window->promptText(), QStringLiteral("Scan the serial for fixture %1").arg(name(fourth)));
    scan(QStringLiteral("SN-4"));
    QVERIFY(waitForEnd(*st.session, 20000).has_value());

    // Each fixture's parts carry the serials the rule gave it, in its board's order of parts.
    const QStringList partsA{"PASS|", "FAIL|" + missing};
    const QStringList partsB{"FAIL|" + swapped, "PASS|"};
    QMap<int, QStringList> serials;
    serials[first] << "SN-1";
    serials[second] << "SN-2";
    serials[third] << "SN-3";
    serials[fourth] << "SN-4";
    QCOMPARE(serials[0].size(), 2);
    QCOMPARE(partsOn(*st.window, "A"), (QStringList{serials[0][0] + '|' + partsA[0], serials[0][1] + '|' + partsA[1]}));
    QCOMPARE(partsOn(*st.window, "B"), (QStringList{serials[1][0] + '|' + partsB[0], serials[1][1] + '|' + partsB[1]}));
    QCOMPARE(recordedRuns(st.resultsFile()), (QStringList{"A: " + serials[0][0] + "|PASS, " + serials[0][1] + "|FAIL",
                                                          "B: " + serials[1][0] + "|FAIL, " + serials[1][1] + "|PASS"}));
}

void OperatorFixturesTest::outOfServiceFromTheKeyboard() {
    fixture st;
    std::vector<std::unique_ptr<BoardSim>> sims;
    QVERIFY(st.showOnBoards(sims, {simParts({"good"}, 200), simParts({"missing-pair"}, 200)}, 0));
    QTest::keyClick(st.window.get(), Qt::Key_Return);
    const op::fixture_session& a = st.session->fixture(0);
    const op::fixture_session& b = st.session->fixture(1);
    QVERIFY(QTest::qWaitFor([&] { return a.tally().parts() >= 1 && b.tally().parts() >= 1; }, 15000));

    // Ctrl+2: B finishes the part in hand, then rests; A goes on.
    ctrl(*st.window, 2);
    QVERIFY(!b.inService());
    QVERIFY(QTest::qWaitFor([&] { return !b.running(); }, 10000));
    const long bParts = b.tally().parts();
    const long aParts = a.tally().parts();
    const tile_look out = lookAt(st.window->tile(1));
    QCOMPARE(out.word, QStringLiteral("OUT OF SERVICE"));
    QCOMPARE(out.colour, op::verdict_tile::colourOf(op::tile_state::out_of_service));
    QCOMPARE(st.window->tile(1).nextLabel().text(), QStringLiteral("Ctrl+2 puts it back in service"));
    QVERIFY(QTest::qWaitFor([&] { return a.tally().parts() >= aParts + 2; }, 15000));
    QCOMPARE(b.tally().parts(), bParts);
    QVERIFY(st.session->running());
    QVERIFY(st.window->stopButton().isEnabled());

    // Ctrl+2 again: B is back and tests on, in a new run.
    ctrl(*st.window, 2);
    QVERIFY(b.inService());
    QVERIFY(QTest::qWaitFor([&] { return b.tally().parts() >= bParts + 1; }, 15000));

    // Escape stops them all.
    QTest::keyClick(st.window.get(), Qt::Key_Escape);
    const auto reason = waitForEnd(*st.session, 15000);
    QVERIFY(reason.has_value());
    QCOMPARE(*reason, end_reason::stopped);
    QVERIFY(!a.running() && !b.running());
    // B out of service and back is two runs on record.
    QCOMPARE(sqlRows(st.resultsFile(), QStringLiteral("SELECT fixture, count(*) FROM runs GROUP BY fixture ORDER BY fixture")),
             (QStringList{"A|1", "B|2"}));
    QCOMPARE(partsOn(*st.window, "B").size(), static_cast<int>(b.tally().parts()));
    for (const QString& part : partsOn(*st.window, "B"))
        QVERIFY2(part.endsWith(QLatin1String("|FAIL|") + missing), qPrintable(part));
}

void OperatorFixturesTest::tilesLaidOutAt1280x800_data() {
    QTest::addColumn<int>("fixtures");
    QTest::addColumn<int>("rows");
    QTest::newRow("two side by side") << 2 << 1;
    QTest::newRow("three in a 2 x 2 grid") << 3 << 2;
    QTest::newRow("four in a 2 x 2 grid") << 4 << 2;
}

void OperatorFixturesTest::tilesLaidOutAt1280x800() {
    QFETCH(int, fixtures);
    QFETCH(int, rows);
    fixture st;
    setup::station_setup s = st.setupFor(QString());
    for (int i = 0; i < fixtures; ++i)
        s.fixtures.append({QStringLiteral("LINE-%1").arg(i + 1), QStringLiteral("/dev/pts/nowhere-%1").arg(i)});
    st.session->setSetup(s);
    QVERIFY(st.show());
    st.window->resize(1280, 800);
    QVERIFY(QTest::qWaitFor([&] { return st.window->size() == QSize(1280, 800); }, 2000));
    QCOMPARE(st.window->tileCount(), fixtures);

    QList<int> tops, lefts;
    for (int i = 0; i < fixtures; ++i) {
        const QRect r = st.window->tile(i).geometry();
        if (!tops.contains(r.top()))
            tops << r.top();
        if (!lefts.contains(r.left()))
            lefts << r.left();
        // Two columns share the width.
        QVERIFY2(r.width() > 560 && r.width() < 640, qPrintable(QString::number(r.width())));
    }
    QCOMPARE(tops.size(), rows);
    QCOMPARE(lefts.size(), 2);

    // The most a tile shows: each word with a failed part's reasons and the next step, or with trouble.
    auto& tile = const_cast<op::verdict_tile&>(st.window->tile(fixtures - 1));
    const QStringList reasons{"pair 1-2: missing (open)", "pair 3-4: missing (open)", "and 2 more"};
    const QString trouble = QStringLiteral("The board is gone (the line was lost). Check its cable and power, then "
                                           "press Ctrl+4 twice.");
    for (const bool troubled : {false, true}) {
        for (const QString word : {"WAITING FOR PART", "OUT OF SERVICE", "NOT RECORDED", "STARTING", "FAIL", "PASS"}) {
            tile.display(op::tile_state::failed, word, QStringLiteral("part 12  SN-000012-LONG-SERIAL"), reasons);
            tile.displayFixture(QStringLiteral("4.  LINE-4"),
                                troubled ? QString() : QStringLiteral("Connecting to the board on /dev/serial/by-id/usb-FTDI"),
                                troubled ? trouble : QString(), QStringLiteral("passed 120   failed 3   yield 97.6 %"));
            QApplication::processEvents();
            const QLabel& label = tile.wordLabel();
            const QFontMetrics metrics(label.font());
            const QString what = QStringLiteral("%1%2: %3 pt in %4x%5")
                                     .arg(word, troubled ? QStringLiteral(" with trouble") : QString())
                                     .arg(label.font().pointSize())
                                     .arg(label.contentsRect().width())
                                     .arg(label.height());
            QVERIFY2(metrics.boundingRect(word).width() <= label.contentsRect().width(), qPrintable(what));
            QVERIFY2(metrics.height() <= label.height(), qPrintable(what));
            QVERIFY2(tile.contentsRect().contains(label.geometry()), qPrintable(what));
            QVERIFY2(label.font().pointSize() >= op::verdict_tile::leastCompactWordPoints, qPrintable(what));
            // Every line the tile shows is inside it too.
            for (const QLabel* line : {&tile.nameLabel(), &tile.countsLabel(), &tile.detailLabel(), &tile.reasonsLabel(),
                                       &tile.nextLabel(), &tile.troubleLabel()}) {
                if (!line->isHidden())
                    QVERIFY2(tile.contentsRect().contains(line->geometry()) && line->height() >= line->heightForWidth(line->width()),
                             qPrintable(what + QStringLiteral(", line: ") + line->text()));
            }
        }
    }
    // Trouble takes the place of the reasons.
    QVERIFY(tile.reasonsLabel().isHidden());
    // The verdicts themselves stay large, readable from a step away.
    tile.displayFixture(QStringLiteral("4.  LINE-4"), QStringLiteral("Remove the part"), QString(),
                        QStringLiteral("passed 120   failed 3   yield 97.6 %"));
    tile.display(op::tile_state::passed, QStringLiteral("PASS"), QStringLiteral("part 12  SN-12"), {});
    QApplication::processEvents();
    QVERIFY2(tile.wordLabel().font().pointSize() >= 36, qPrintable(QString::number(tile.wordLabel().font().pointSize())));
}

QTEST_MAIN(OperatorFixturesTest)
#include "tst_operator_fixtures.moc"
