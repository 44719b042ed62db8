// The station's verdict on a part, without a board: the comparison of a measured part with the expected
// one and its texts, the run's tally, and the measures a part calls for.

#include "station/measure_plan.h"
#include "station/part_comparison.h"
#include "station/run_tally.h"

#include "device/payloads.h"

#include <QtTest>

#include <vector>

using pair_list = std::vector<tarnwell::pin_pair_record>;
using button_list = decltype(tarnwell::part_description::buttons);
using measured_pads = std::vector<tarnwell::cap_pin_record>;
using pad_list = std::vector<tarnwell::touch_pad>;
Q_DECLARE_METATYPE(pair_list)
Q_DECLARE_METATYPE(button_list)
Q_DECLARE_METATYPE(measured_pads)
Q_DECLARE_METATYPE(pad_list)

namespace {

using namespace tarnwell;

// One comparison on one line, every field in view, so a table row states the whole finding.
QString row(const station::comparison& c) {
    return QStringLiteral("%1 %2 %3 | %4 | %5 | %6")
        .arg(c.kind, c.item, c.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL"), c.expected, c.measured,
             c.reason);
}

QStringList rows(const std::vector<station::comparison>& comparisons) {
    QStringList out;
    for (const station::comparison& c : comparisons)
        out << row(c);
    return out;
}

station::comparison make(const char* kind, const char* item, bool passed, const char* expected, const char* measured,
                         const char* reason) {
    return {QString::fromUtf8(kind),     QString::fromUtf8(item),     passed,
            QString::fromUtf8(expected), QString::fromUtf8(measured), QString::fromUtf8(reason)};
}

QStringList pairTexts(const std::vector<pin_pair_record>& pairs) {
    QStringList out;
    for (const pin_pair_record& p : pairs)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(p.pin_a).arg(p.type_a).arg(p.pin_b).arg(p.type_b).arg(p.vdrop_ab).arg(p.vdrop_ba);
    return out;
}

// Each step of a part's measure plan as "command:payload", in hex.
QString plan(const part_description& part) {
    QStringList steps;
    for (const station::measure_step& step : station::measurePlan(part))
        steps << QStringLiteral("%1:").arg(int(step.command), 2, 16, QLatin1Char('0')) +
                     QString::fromLatin1(QByteArray(reinterpret_cast<const char*>(step.payload.data()), int(step.payload.size())).toHex());
    return steps.join(QLatin1Char(' '));
}

// The pair that most tests expect: an LED from pin 1 to pin 2, 1.800 V forward, -0.020 V back.
const pin_pair_record led12{1, LED_ANODE, 2, LED_CATHODE, 90, -1};
const char* const led12Text = "Led anode to Led cathode, 1.800V / -0.020V";

}  // namespace

class PartComparisonTest : public QObject {
    Q_OBJECT

private slots:
    // ---- pin pairs ----
    void pairs_data() {
        QTest::addColumn<pair_list>("expected");
        QTest::addColumn<pair_list>("measured");
        QTest::addColumn<double>("tolerance");
        QTest::addColumn<QStringList>("result");

        const QString pass12 = QStringLiteral("pair 1-2 PASS | Led anode to Led cathode, 1.800V / -0.020V | "
                                              "Led anode to Led cathode, 1.800V / -0.020V | ");

        QTest::newRow("same pair passes") << pair_list{led12} << pair_list{led12} << 0.1 << QStringList{pass12};
        QTest::newRow("measured the other way round passes, facing the expected order")
            << pair_list{led12} << pair_list{{2, LED_CATHODE, 1, LED_ANODE, -1, 90}} << 0.1 << QStringList{pass12};
        QTest::newRow("nothing expected, nothing measured") << pair_list{} << pair_list{} << 0.1 << QStringList{};
        QTest::newRow("missing (open)")
            << pair_list{{5, LED_ANODE, 6, LED_CATHODE, 90, -1}} << pair_list{} << 0.1
            << QStringList{"pair 5-6 FAIL | Led anode to Led cathode, 1.800V / -0.020V |  | missing (open)"};
        QTest::newRow("other pins measured: open and short")
            << pair_list{led12} << pair_list{{1, LED_ANODE, 3, LED_CATHODE, 90, -1}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V |  | missing (open)",
                           "pair 1-3 FAIL |  | Led anode to Led cathode, 1.800V / -0.020V | not expected (short)"};
        QTest::newRow("not expected (short)")
            << pair_list{} << pair_list{{3, SHORTCUT, 4, SHORTCUT, 0, 0}} << 0.1
            << QStringList{"pair 3-4 FAIL |  | Shortcut to Shortcut, 0.000V / 0.000V | not expected (short)"};
        QTest::newRow("one pair measured twice: the second is a short")
            << pair_list{led12} << pair_list{led12, {2, LED_CATHODE, 1, LED_ANODE, -1, 90}} << 0.1
            << QStringList{pass12,
                           "pair 2-1 FAIL |  | Led cathode to Led anode, -0.020V / 1.800V | not expected (short)"};
        QTest::newRow("wrong type on the first pin")
            << pair_list{led12} << pair_list{{1, LED_CATHODE, 2, LED_CATHODE, 90, -1}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "Led cathode to Led cathode, 1.800V / -0.020V | pin 1 is Led cathode, expected Led anode"};
        QTest::newRow("wrong type on the second pin")
            << pair_list{led12} << pair_list{{1, LED_ANODE, 2, COMMON, 90, -1}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "Led anode to Common, 1.800V / -0.020V | pin 2 is Common, expected Led cathode"};
        QTest::newRow("wrong type on the second pin, measured the other way round")
            << pair_list{led12} << pair_list{{2, LED_BIDIRECTIONAL, 1, LED_ANODE, -1, 90}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "Led anode to Led bidirectionnel, 1.800V / -0.020V | "
                           "pin 2 is Led bidirectionnel, expected Led cathode"};
        QTest::newRow("an unknown type code is named by its number")
            << pair_list{led12} << pair_list{{1, 7, 2, LED_CATHODE, 90, -1}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "type 7 to Led cathode, 1.800V / -0.020V | pin 1 is type 7, expected Led anode"};
        QTest::newRow("both types and both drops wrong, every reason in order")
            << pair_list{led12} << pair_list{{1, SHORTCUT, 2, SHORTCUT, 0, 20}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "Shortcut to Shortcut, 0.000V / 0.400V | "
                           "pin 1 is Shortcut, expected Led anode; pin 2 is Shortcut, expected Led cathode; "
                           "Vdrop(1->2) = 0.000V, expected 1.800V within 0.100V; "
                           "Vdrop(2->1) = 0.400V, expected -0.020V within 0.100V"};

        // Pair 1-2 as led12 expects it, measured in that order with these drops (in steps of 0.02 V).
        const auto drops = [](const char* name, int ab, int ba, double tolerance, const char* measured, const char* reason) {
            const QString verdict = QString::fromLatin1(*reason ? "FAIL" : "PASS");
            QTest::newRow(name) << pair_list{led12} << pair_list{{1, LED_ANODE, 2, LED_CATHODE, std::int8_t(ab), std::int8_t(ba)}}
                                << tolerance
                                << QStringList{QStringLiteral("pair 1-2 %1 | %2 | Led anode to Led cathode, %3 | %4")
                                                   .arg(verdict, QLatin1String(led12Text), QLatin1String(measured), QLatin1String(reason))};
        };
        // 0.100 V is five steps of 0.02 V: five off passes, six off fails, on either side.
        drops("forward drop 2.000V is out", 100, -1, 0.1, "2.000V / -0.020V", "Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V");
        drops("forward drop exactly the tolerance above", 95, -1, 0.1, "1.900V / -0.020V", "");
        drops("forward drop one step beyond above", 96, -1, 0.1, "1.920V / -0.020V", "Vdrop(1->2) = 1.920V, expected 1.800V within 0.100V");
        drops("forward drop exactly the tolerance below", 85, -1, 0.1, "1.700V / -0.020V", "");
        drops("forward drop one step beyond below", 84, -1, 0.1, "1.680V / -0.020V", "Vdrop(1->2) = 1.680V, expected 1.800V within 0.100V");
        drops("backward drop exactly the tolerance above", 90, 4, 0.1, "1.800V / 0.080V", "");
        drops("backward drop one step beyond above", 90, 5, 0.1, "1.800V / 0.100V", "Vdrop(2->1) = 0.100V, expected -0.020V within 0.100V");
        drops("backward drop exactly the tolerance below", 90, -6, 0.1, "1.800V / -0.120V", "");
        drops("backward drop one step beyond below", 90, -7, 0.1, "1.800V / -0.140V",
              "Vdrop(2->1) = -0.140V, expected -0.020V within 0.100V");
        // 1.86 - 1.80 is a hair above 0.06 in binary: three steps must still pass a 0.06 V tolerance.
        drops("three steps off within 0.060V", 93, -1, 0.06, "1.860V / -0.020V", "");
        drops("four steps off beyond 0.060V", 94, -1, 0.06, "1.880V / -0.020V", "Vdrop(1->2) = 1.880V, expected 1.800V within 0.060V");
        drops("tolerance 0: equal drops pass", 90, -1, 0.0, "1.800V / -0.020V", "");
        drops("tolerance 0: one step off fails", 91, -1, 0.0, "1.820V / -0.020V", "Vdrop(1->2) = 1.820V, expected 1.800V within 0.000V");
        QTest::newRow("swapped record out of tolerance: drops named in the expected order")
            << pair_list{led12} << pair_list{{2, LED_CATHODE, 1, LED_ANODE, -1, 100}} << 0.1
            << QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V | "
                           "Led anode to Led cathode, 2.000V / -0.020V | "
                           "Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V"};
        QTest::newRow("several pairs: expected order first, then the shorts")
            << pair_list{{7, LED_ANODE, 8, LED_CATHODE, 100, 0}, led12, {5, LED_ANODE, 6, LED_CATHODE, 90, -1}}
            << pair_list{{9, SHORTCUT, 10, SHORTCUT, 1, 1}, led12, {8, LED_CATHODE, 7, LED_ANODE, 0, 100}} << 0.1
            << QStringList{"pair 7-8 PASS | Led anode to Led cathode, 2.000V / 0.000V | "
                           "Led anode to Led cathode, 2.000V / 0.000V | ",
                           pass12,
                           "pair 5-6 FAIL | Led anode to Led cathode, 1.800V / -0.020V |  | missing (open)",
                           "pair 9-10 FAIL |  | Shortcut to Shortcut, 0.020V / 0.020V | not expected (short)"};
    }
    void pairs() {
        QFETCH(pair_list, expected);
        QFETCH(pair_list, measured);
        QFETCH(double, tolerance);
        QFETCH(QStringList, result);
        part_description part;
        part.pairs = expected;
        station::measured_part found;
        found.pairs = measured;
        QCOMPARE(rows(station::comparePart(part, found, tolerance)), result);
    }

    // ---- mechanical buttons ----
    void buttons_data() {
        QTest::addColumn<button_list>("expected");
        QTest::addColumn<pair_list>("measured");
        QTest::addColumn<QStringList>("result");

        QTest::newRow("pressed reads ON")
            << button_list{{12, 14, true}} << pair_list{{12, BUTTON_ON, 14, COMMON, 0, 0}}
            << QStringList{"button 12 (common 14) PASS | Button ON | Button ON | "};
        QTest::newRow("released reads OFF")
            << button_list{{12, 14, false}} << pair_list{{12, BUTTON_OFF, 14, COMMON, 0, 0}}
            << QStringList{"button 12 (common 14) PASS | Button OFF | Button OFF | "};
        QTest::newRow("pressed reads OFF")
            << button_list{{12, 14, true}} << pair_list{{12, BUTTON_OFF, 14, COMMON, 0, 0}}
            << QStringList{"button 12 (common 14) FAIL | Button ON | Button OFF | Button OFF, expected Button ON"};
        QTest::newRow("released reads ON")
            << button_list{{12, 14, false}} << pair_list{{12, BUTTON_ON, 14, COMMON, 0, 0}}
            << QStringList{"button 12 (common 14) FAIL | Button OFF | Button ON | Button ON, expected Button OFF"};
        QTest::newRow("common first in the record")
            << button_list{{12, 14, true}} << pair_list{{14, COMMON, 12, BUTTON_ON, 0, 0}}
            << QStringList{"button 12 (common 14) PASS | Button ON | Button ON | "};
        QTest::newRow("missing")
            << button_list{{12, 14, true}} << pair_list{}
            << QStringList{"button 12 (common 14) FAIL | Button ON |  | missing"};
        QTest::newRow("other common: missing, and not expected")
            << button_list{{12, 14, true}} << pair_list{{12, BUTTON_ON, 15, COMMON, 0, 0}}
            << QStringList{"button 12 (common 14) FAIL | Button ON |  | missing",
                           "button 12 (common 15) FAIL |  | Button ON | not expected"};
        QTest::newRow("not expected, button pin first")
            << button_list{} << pair_list{{7, BUTTON_OFF, 8, COMMON, 0, 0}}
            << QStringList{"button 7 (common 8) FAIL |  | Button OFF | not expected"};
        QTest::newRow("not expected, common pin first")
            << button_list{} << pair_list{{8, COMMON, 7, BUTTON_ON, 0, 0}}
            << QStringList{"button 7 (common 8) FAIL |  | Button ON | not expected"};
        QTest::newRow("two buttons on one common, in the expected order")
            << button_list{{3, 20, false}, {2, 20, true}}
            << pair_list{{20, COMMON, 2, BUTTON_ON, 0, 0}, {3, BUTTON_OFF, 20, COMMON, 0, 0}}
            << QStringList{"button 3 (common 20) PASS | Button OFF | Button OFF | ",
                           "button 2 (common 20) PASS | Button ON | Button ON | "};
    }
    void buttons() {
        QFETCH(button_list, expected);
        QFETCH(pair_list, measured);
        QFETCH(QStringList, result);
        part_description part;
        part.buttons = expected;
        station::measured_part found;
        found.buttons = measured;
        QCOMPARE(rows(station::comparePart(part, found, 0.1)), result);
    }

    // ---- touch pads ----
    void pads_data() {
        QTest::addColumn<pad_list>("expected");
        QTest::addColumn<measured_pads>("measured");
        QTest::addColumn<QStringList>("result");

        QTest::newRow("touched reads ON") << pad_list{{16, true}} << measured_pads{{16, TOUCH_ON}}
                                          << QStringList{"touch 16 PASS | Touch ON | Touch ON | "};
        QTest::newRow("untouched reads OFF") << pad_list{{0, false}} << measured_pads{{0, TOUCH_OFF}}
                                             << QStringList{"touch 0 PASS | Touch OFF | Touch OFF | "};
        QTest::newRow("untouched reads ON")
            << pad_list{{3, false}} << measured_pads{{3, TOUCH_ON}}
            << QStringList{"touch 3 FAIL | Touch OFF | Touch ON | Touch ON, expected Touch OFF"};
        QTest::newRow("touched reads OFF")
            << pad_list{{24, true}} << measured_pads{{24, TOUCH_OFF}}
            << QStringList{"touch 24 FAIL | Touch ON | Touch OFF | Touch OFF, expected Touch ON"};
        QTest::newRow("missing from the measure")
            << pad_list{{16, true}} << measured_pads{{15, TOUCH_ON}}
            << QStringList{"touch 16 FAIL | Touch ON |  | missing from the measure"};
        QTest::newRow("each pad found among several")
            << pad_list{{5, true}, {1, false}} << measured_pads{{1, TOUCH_OFF}, {5, TOUCH_ON}}
            << QStringList{"touch 5 PASS | Touch ON | Touch ON | ", "touch 1 PASS | Touch OFF | Touch OFF | "};
    }
    void pads() {
        QFETCH(pad_list, expected);
        QFETCH(measured_pads, measured);
        QFETCH(QStringList, result);
        part_description part;
        part.pads = expected;
        station::measured_part found;
        found.pads = measured;
        QCOMPARE(rows(station::comparePart(part, found, 0.1)), result);
    }

    // ---- only the measures that were run ----
    void measuresNotRunAreNotCompared() {
        part_description part;
        part.pairs = {led12};
        part.buttons = {{12, 14, true}};
        part.pads = {{16, true}};

        QCOMPARE(rows(station::comparePart(part, station::measured_part{}, 0.1)), QStringList{});

        station::measured_part pairsOnly;
        pairsOnly.pairs = pair_list{};
        QCOMPARE(rows(station::comparePart(part, pairsOnly, 0.1)),
                 QStringList{"pair 1-2 FAIL | Led anode to Led cathode, 1.800V / -0.020V |  | missing (open)"});

        station::measured_part buttonsOnly;
        buttonsOnly.buttons = pair_list{{12, BUTTON_ON, 14, COMMON, 0, 0}};
        QCOMPARE(rows(station::comparePart(part, buttonsOnly, 0.1)),
                 QStringList{"button 12 (common 14) PASS | Button ON | Button ON | "});

        station::measured_part padsOnly;
        padsOnly.pads = measured_pads{};
        QCOMPARE(rows(station::comparePart(part, padsOnly, 0.1)),
                 QStringList{"touch 16 FAIL | Touch ON |  | missing from the measure"});

        station::measured_part all;
        all.pairs = pair_list{led12};
        all.buttons = pair_list{{12, BUTTON_ON, 14, COMMON, 0, 0}};
        all.pads = measured_pads{{16, TOUCH_ON}};
        QCOMPARE(rows(station::comparePart(part, all, 0.1)),
                 (QStringList{"pair 1-2 PASS | Led anode to Led cathode, 1.800V / -0.020V | "
                              "Led anode to Led cathode, 1.800V / -0.020V | ",
                              "button 12 (common 14) PASS | Button ON | Button ON | ",
                              "touch 16 PASS | Touch ON | Touch ON | "}));
    }

    // ---- the texts ----
    void texts_data() {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("item");
        QTest::addColumn<bool>("passed");
        QTest::addColumn<QString>("measured");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("failure");

        QTest::newRow("passed pair") << "pair" << "1-2" << true << led12Text << ""
                                     << "PASS  pair 1-2: Led anode to Led cathode, 1.800V / -0.020V"
                                     << QString();
        QTest::newRow("open pair") << "pair" << "5-6" << false << "" << "missing (open)"
                                   << "FAIL  pair 5-6: missing (open)" << "pair 5-6: missing (open)";
        QTest::newRow("drop") << "pair" << "1-2" << false << "Led anode to Led cathode, 2.000V / -0.020V"
                              << "Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V"
                              << "FAIL  pair 1-2: Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V"
                              << "pair 1-2: Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V";
        QTest::newRow("passed button") << "button" << "12 (common 14)" << true << "Button ON" << ""
                                       << "PASS  button 12 (common 14): Button ON" << QString();
        QTest::newRow("wrong touch") << "touch" << "16" << false << "Touch OFF" << "Touch OFF, expected Touch ON"
                                     << "FAIL  touch 16: Touch OFF, expected Touch ON"
                                     << "touch 16: Touch OFF, expected Touch ON";
    }
    void texts() {
        QFETCH(QString, kind);
        QFETCH(QString, item);
        QFETCH(bool, passed);
        QFETCH(QString, measured);
        QFETCH(QString, reason);
        QFETCH(QString, line);
        QFETCH(QString, failure);
        station::comparison c;
        c.kind = kind;
        c.item = item;
        c.passed = passed;
        c.expected = QStringLiteral("what was expected");
        c.measured = measured;
        c.reason = reason;
        QCOMPARE(station::comparisonLine(c), line);
        if (!passed)
            QCOMPARE(station::failureText(c), failure);
    }

    // The texts of comparisons as comparePart makes them, not only of hand-made ones.
    void textsOfAComparedPart() {
        part_description part;
        part.pairs = {led12, {5, LED_ANODE, 6, LED_CATHODE, 90, -1}, {3, LED_ANODE, 4, LED_CATHODE, 90, -1}};
        station::measured_part found;
        found.pairs = pair_list{{2, LED_CATHODE, 1, LED_ANODE, -1, 90}, {3, LED_ANODE, 4, LED_CATHODE, 100, -1}};
        const std::vector<station::comparison> result = station::comparePart(part, found, 0.1);
        QCOMPARE(int(result.size()), 3);
        QCOMPARE(station::comparisonLine(result[0]), "PASS  pair 1-2: Led anode to Led cathode, 1.800V / -0.020V");
        QCOMPARE(station::comparisonLine(result[1]), "FAIL  pair 5-6: missing (open)");
        QCOMPARE(station::comparisonLine(result[2]),
                 "FAIL  pair 3-4: Vdrop(3->4) = 2.000V, expected 1.800V within 0.100V");
        QCOMPARE(station::failureText(result[2]), "pair 3-4: Vdrop(3->4) = 2.000V, expected 1.800V within 0.100V");
    }

    // ---- the reasons at a glance ----
    void firstReasonsAndFailedCount_data() {
        QTest::addColumn<int>("shown");
        QTest::addColumn<QStringList>("reasons");

        QTest::newRow("three of five") << 3
                                       << QStringList{"pair 1-2: a", "pair 3-4: b", "button 7 (common 8): c",
                                                      "and 2 more"};
        QTest::newRow("four of five") << 4
                                      << QStringList{"pair 1-2: a", "pair 3-4: b", "button 7 (common 8): c",
                                                     "touch 9: d", "and 1 more"};
        QTest::newRow("all five") << 5
                                  << QStringList{"pair 1-2: a", "pair 3-4: b", "button 7 (common 8): c", "touch 9: d",
                                                 "touch 10: e"};
        QTest::newRow("room for more") << 8
                                       << QStringList{"pair 1-2: a", "pair 3-4: b", "button 7 (common 8): c",
                                                      "touch 9: d", "touch 10: e"};
        QTest::newRow("none shown") << 0 << QStringList{"and 5 more"};
    }
    void firstReasonsAndFailedCount() {
        QFETCH(int, shown);
        QFETCH(QStringList, reasons);
        // Passes among the failures, so that only failures are counted and shown.
        const std::vector<station::comparison> all{
            make("pair", "9-9", true, "", "ok", ""),          make("pair", "1-2", false, "", "", "a"),
            make("pair", "3-4", false, "", "", "b"),          make("button", "5 (common 6)", true, "", "ok", ""),
            make("button", "7 (common 8)", false, "", "", "c"), make("touch", "9", false, "", "", "d"),
            make("touch", "10", false, "", "", "e"),          make("touch", "11", true, "", "ok", "")};
        QCOMPARE(station::firstReasons(all, shown), reasons);
        QCOMPARE(station::failedCount(all), 5);
    }

    void nothingFailed() {
        const std::vector<station::comparison> passes{make("pair", "1-2", true, "", "ok", ""),
                                                      make("touch", "3", true, "", "ok", "")};
        QCOMPARE(station::firstReasons(passes, 3), QStringList{});
        QCOMPARE(station::failedCount(passes), 0);
        QCOMPARE(station::firstReasons({}, 3), QStringList{});
        QCOMPARE(station::failedCount({}), 0);
    }

    // ---- the run's tally ----
    void tallyEmpty() {
        const station::run_tally tally;
        QCOMPARE(tally.parts(), 0L);
        QCOMPARE(tally.passed(), 0L);
        QCOMPARE(tally.failed(), 0L);
        QVERIFY(!tally.yieldPercent());
        QVERIFY(!tally.medianTest());
        QVERIFY(!tally.medianCycle());
    }

    // Verdicts: P passed, F failed, N passed but not on record. Each part is tested for its time and
    // removed after twice that, but for the parts marked in `kept`, never removed.
    void tally_data() {
        QTest::addColumn<QString>("verdicts");
        QTest::addColumn<QList<double>>("times");
        QTest::addColumn<QString>("kept");
        QTest::addColumn<long>("passed");
        QTest::addColumn<long>("failed");
        QTest::addColumn<double>("yield");
        QTest::addColumn<double>("median");
        QTest::addColumn<double>("medianCycle");

        QTest::newRow("one part") << "P" << QList<double>{4.5} << "" << 1L << 0L << 100.0 << 4.5 << 9.0;
        QTest::newRow("one failed part") << "F" << QList<double>{4.5} << "" << 0L << 1L << 0.0 << 4.5 << 9.0;
        QTest::newRow("odd, unsorted") << "PFP" << QList<double>{3.0, 1.0, 2.0} << "" << 2L << 1L << 66.666666666666667
                                       << 2.0 << 4.0;
        QTest::newRow("even: mean of the middle two") << "FPFF" << QList<double>{4.0, 1.0, 3.5, 2.0} << "" << 1L << 3L
                                                      << 25.0 << 2.75 << 5.5;
        QTest::newRow("even with repeats") << "PPPFPF" << QList<double>{2.0, 9.0, 2.0, 1.0, 2.0, 7.0} << "" << 4L << 2L
                                           << 66.666666666666667 << 2.0 << 4.0;
        QTest::newRow("odd, an outlier does not move it") << "PPPPP" << QList<double>{1.2, 1.1, 100.0, 1.3, 1.0} << ""
                                                          << 5L << 0L << 100.0 << 1.2 << 2.4;
        QTest::newRow("not on record: neither passed nor failed") << "PN" << QList<double>{1.0, 3.0} << "" << 1L << 0L
                                                                  << 50.0 << 2.0 << 4.0;
        QTest::newRow("a part never removed has no cycle") << "PPF" << QList<double>{1.0, 2.0, 3.0} << "  x" << 2L << 1L
                                                           << 66.666666666666667 << 2.0 << 3.0;
    }
    void tally() {
        QFETCH(QString, verdicts);
        QFETCH(QList<double>, times);
        QFETCH(QString, kept);
        QFETCH(long, passed);
        QFETCH(long, failed);
        QFETCH(double, yield);
        QFETCH(double, median);
        QFETCH(double, medianCycle);
        station::run_tally tally;
        for (int i = 0; i < verdicts.size(); ++i) {
            station::part_result part;
            part.passed = verdicts.at(i) != QLatin1Char('F');
            if (verdicts.at(i) == QLatin1Char('N'))
                part.recordProblem = QStringLiteral("database is locked");
            part.testSeconds = times.at(i);
            if (kept.size() <= i || kept.at(i) != QLatin1Char('x'))
                part.cycleSeconds = 2 * times.at(i);
            tally.add(part);
        }
        QCOMPARE(tally.parts(), long(verdicts.size()));
        QCOMPARE(tally.passed(), passed);
        QCOMPARE(tally.failed(), failed);
        QCOMPARE(tally.notRecorded(), long(verdicts.size()) - passed - failed);
        QCOMPARE(tally.yieldPercent().value_or(-1), yield);
        QCOMPARE(tally.medianTest().value_or(-1), median);
        QCOMPARE(tally.medianCycle().value_or(-1), medianCycle);
    }

    // ---- what a part calls for ----
    void measurePlan() {
        const QString nothing = QStringLiteral("the part lists nothing to check (no pair, button or touch pad, no check line)");
        part_description part;
        QCOMPARE(station::uncheckable(part), nothing);
        QCOMPARE(plan(part), QString());
        part.pairs = {led12};
        QCOMPARE(station::uncheckable(part), QString());
        QCOMPARE(plan(part), QStringLiteral("04:"));
        part.buttons = {{12, 14, true}};
        part.pads = {{16, true}, {3, false}, {16, true}};
        QCOMPARE(station::uncheckable(part), QString());
        QCOMPARE(plan(part), QStringLiteral("04: 06: 08:0310"));
        // The part's own check line wins over what it lists.
        part.check = check_set{false, false, true};
        QCOMPARE(plan(part), QStringLiteral("08:0310"));
        part.check = check_set{false, false, false};
        QCOMPARE(station::uncheckable(part), nothing);
        QCOMPARE(plan(part), QString());
        // A static measure of a part with no pairs still finds shorts.
        part_description bare;
        bare.check = check_set{true, false, false};
        QCOMPARE(station::uncheckable(bare), QString());
        QCOMPARE(plan(bare), QStringLiteral("04:"));
    }

    void uncheckablePads_data() {
        QTest::addColumn<int>("pin");
        QTest::addColumn<QString>("why");
        QTest::newRow("0") << 0 << QString();
        QTest::newRow("24") << 24 << QString();
        QTest::newRow("25") << 25 << "touch pad 25 is beyond the capacitive pins (0 to 24)";
        QTest::newRow("-1") << -1 << "touch pad -1 is beyond the capacitive pins (0 to 24)";
        QTest::newRow("127") << 127 << "touch pad 127 is beyond the capacitive pins (0 to 24)";
    }
    void uncheckablePads() {
        QFETCH(int, pin);
        QFETCH(QString, why);
        part_description part;
        part.pads = {{5, true}, {static_cast<std::int8_t>(pin), false}};
        QCOMPARE(station::uncheckable(part), why);
    }

    // A pad out of range is no matter when the check does not touch the pads.
    void padsBeyondIgnoredWhenNotChecked() {
        part_description part;
        part.pairs = {led12};
        part.pads = {{30, true}};
        part.check = check_set{true, false, false};
        QCOMPARE(station::uncheckable(part), QString());
    }

    // ---- keeping a measure's result ----
    void storeMeasure() {
        station::measured_part m;
        station::storeMeasure(m, MES_STATIC, {2, 3, 1, 4, 2, 0x5a, 0xff, 0xff, 4, 0x0a, 4, 0x00, 0x80});
        QVERIFY(m.pairs && !m.buttons && !m.pads);
        QCOMPARE(pairTexts(*m.pairs), (QStringList{"3 1 4 2 90 -1", "-1 4 10 4 0 -128"}));
        station::storeMeasure(m, MES_BUTTON_MECH, {1, 14, 0x05, 12, 0x11, 0, 0});
        QVERIFY(m.buttons);
        QCOMPARE(pairTexts(*m.buttons), QStringList{"14 5 12 17 0 0"});
        QCOMPARE(int(m.pairs->size()), 2);  // the static result stays
        station::storeMeasure(m, MES_BUTTON_CAP, {2, 3, 0x21, 16, 0x20});
        QVERIFY(m.pads);
        QCOMPARE(int(m.pads->size()), 2);
        QCOMPARE(QStringLiteral("%1 %2 %3 %4").arg(m.pads->at(0).pin).arg(m.pads->at(0).type).arg(m.pads->at(1).pin).arg(m.pads->at(1).type),
                 QStringLiteral("3 33 16 32"));
        // A later static result replaces the earlier one; an empty one is a measure that found nothing.
        station::storeMeasure(m, MES_STATIC, {0});
        QVERIFY(m.pairs && m.pairs->empty());
    }

    void storeMeasureIgnoresOtherCommands() {
        station::measured_part m;
        station::storeMeasure(m, ID, {1, 3, 1, 4, 2, 0x5a, 0xff});
        station::storeMeasure(m, ON_STATIC_MES, {1, 3, 1, 4, 2, 0x5a, 0xff});
        station::storeMeasure(m, DETECT_INSERT, {});
        QVERIFY(!m.pairs.has_value());
        QVERIFY(!m.buttons.has_value());
        QVERIFY(!m.pads.has_value());
    }

    void storeMeasureShortPayload_data() {
        QTest::addColumn<int>("command");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("static empty") << 0x04 << QByteArray();
        QTest::newRow("static record cut") << 0x04 << QByteArray::fromHex("01 03 01 04 02 5a");
        QTest::newRow("button second record missing") << 0x06 << QByteArray::fromHex("02 0c 11 0e 05 00 00");
        QTest::newRow("capacitive record cut") << 0x08 << QByteArray::fromHex("02 03 21 10");
    }
    void storeMeasureShortPayload() {
        QFETCH(int, command);
        QFETCH(QByteArray, payload);
        station::measured_part m;
        const std::vector<std::uint8_t> bytes(payload.begin(), payload.end());
        QVERIFY_EXCEPTION_THROWN(station::storeMeasure(m, endpoints(command), bytes), tarnwell::short_payload);
        QVERIFY(!m.pairs.has_value());
        QVERIFY(!m.buttons.has_value());
        QVERIFY(!m.pads.has_value());
    }

    // From the event's bytes to the verdict, as the engine chains them.
    void storedMeasureCompared() {
        part_description part;
        part.pairs = {{3, LED_ANODE, 4, LED_CATHODE, 90, -1}};
        station::measured_part m;
        station::storeMeasure(m, MES_STATIC, {1, 4, 2, 3, 1, 0xff, 0x5b});
        QCOMPARE(rows(station::comparePart(part, m, 0.1)),
                 QStringList{"pair 3-4 PASS | Led anode to Led cathode, 1.800V / -0.020V | "
                             "Led anode to Led cathode, 1.820V / -0.020V | "});
    }
};

QTEST_GUILESS_MAIN(PartComparisonTest)
#include "tst_part_comparison.moc"
