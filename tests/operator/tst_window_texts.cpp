// What the window says of a judged part, made from the comparison's figures: in English word for word
// what the record and rx48p-ctl say, for every kind of fault.

#include "operator/window_texts.h"

#include "station/part_comparison.h"

#include "device/payloads.h"

#include <QtTest>

using namespace tarnwell;

class WindowTextsTest : public QObject {
    Q_OBJECT
private slots:
    void everyFaultSaysWhatTheRecordSays();
    void reasonsOfAPart();
};

void WindowTextsTest::everyFaultSaysWhatTheRecordSays() {
    part_description part;
    part.pairs = {{1, LED_ANODE, 2, LED_CATHODE, 90, -1}, {3, SHORTCUT, 4, SHORTCUT, 0, 0}, {5, LED_ANODE, 6, LED_CATHODE, 90, -1}};
    part.buttons = {{12, 14, true}, {13, 14, false}};
    part.pads = {{16, true}, {17, false}};
    station::measured_part found;
    // 1-2 with both pins' types and both drops wrong; 3-4 a type code the board never names; 5-6 open;
    // 7-8 a short; button 12 released, 13 gone, 9 unexpected; pad 16 not touched, 17 gone.
    found.pairs = std::vector<pin_pair_record>{{2, COMMON, 1, 99, 30, 100}, {3, SHORTCUT, 4, LED_BIDIRECTIONAL, 0, 0},
                                               {7, LED_ANODE, 8, LED_CATHODE, 80, 0}};
    found.buttons = std::vector<pin_pair_record>{{12, BUTTON_OFF, 14, COMMON, 0, 0}, {9, BUTTON_ON, 14, COMMON, 0, 0}};
    found.pads = std::vector<cap_pin_record>{{16, TOUCH_OFF}};
    const std::vector<station::comparison> compared = station::comparePart(part, found, 0.1);
    QStringList window, record;
    for (const station::comparison& c : compared) {
        if (c.passed)
            continue;
        QVERIFY2(!c.faults.empty(), qPrintable(station::failureText(c)));
        window << op::window_texts::failure(c);
        record << station::failureText(c);
    }
    QCOMPARE(window, record);
    // Each kind of fault is among them, so a sentence of each is compared above.
    QCOMPARE(record.size(), 9);
    QVERIFY(record.first().contains(QLatin1String("pin 1 is type 99, expected Led anode; pin 2 is Common, expected Led "
                                                  "cathode; Vdrop(1->2) = 2.000V, expected 1.800V within 0.100V")));
    QVERIFY2(record.contains(QLatin1String("pair 3-4: pin 4 is Led bidirectionnel, expected Shortcut")), qPrintable(record.join('\n')));
    // The figures behind the first pair's faults, for any language's words.
    const station::comparison& led = compared.front();
    QCOMPARE(int(led.faults.size()), 4);
    QCOMPARE(int(led.faults[0].kind), int(station::fault::what::pin_type));
    QCOMPARE(led.faults[0].measuredType, 99);
    QCOMPARE(led.faults[0].expectedType, int(LED_ANODE));
    QCOMPARE(int(led.faults[3].kind), int(station::fault::what::drop));
    QCOMPARE(led.faults[3].pin, 2);
    QCOMPARE(led.faults[3].toPin, 1);
    QCOMPARE(led.faults[3].measuredVolts, 0.6);
    QCOMPARE(led.faults[3].expectedVolts, -0.02);
}

void WindowTextsTest::reasonsOfAPart() {
    station::part_result part;
    part.passed = false;
    for (int pin = 1; pin <= 9; pin += 2) {
        station::comparison c(QStringLiteral("pair"), QString(), false, QString(), QString(), QStringLiteral("missing (open)"));
        c.pin = pin;
        c.otherPin = pin + 1;
        c.faults.push_back({station::fault::what::pair_missing});
        part.comparisons.push_back(c);
    }
    QCOMPARE(op::window_texts::reasons(part), (QStringList{"pair 1-2: missing (open)", "pair 3-4: missing (open)",
                                                           "pair 5-6: missing (open)", "and 2 more"}));
    part.recordProblem = QStringLiteral("disk full");
    QCOMPARE(op::window_texts::reasons(part).first(), QStringLiteral("measured FAIL, not on record"));
    part.passed = true;
    QCOMPARE(op::window_texts::reasons(part), QStringList{"measured PASS, not on record"});
}

QTEST_GUILESS_MAIN(WindowTextsTest)
#include "tst_window_texts.moc"
