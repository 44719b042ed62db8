// Learning a part from good samples, without a board: reading a sample, the agreement between samples,
// medians, spreads and the part file that comes out.

#include "station/part_learner.h"

#include "device/part_file.h"
#include "device/payloads.h"

#include <QtTest>

#include <functional>
#include <sstream>
#include <vector>

using drop_list = std::vector<std::int8_t>;
using edit = std::function<void(station::measured_part&, tarnwell::firmware&)>;
Q_DECLARE_METATYPE(drop_list)
Q_DECLARE_METATYPE(edit)

namespace {

using namespace tarnwell;

const firmware v142{1, 4, 2};

// A good part as the board reports it: an LED, a bicolour LED, a wire link; a pressed button on 12 and
// a released one on 13, both with common 14 (the second reported common first); pads on 16 (touched)
// and 17, every other capacitive pin not connected.
station::measured_part goodPart() {
    station::measured_part m;
    m.pairs = std::vector<pin_pair_record>{{1, LED_ANODE, 2, LED_CATHODE, 90, -1},
                                           {3, LED_ANODE, 4, LED_CATHODE, 105, -1},
                                           {5, LED_BIDIRECTIONAL, 6, LED_BIDIRECTIONAL, 98, 99},
                                           {7, SHORTCUT, 8, SHORTCUT, 0, 0}};
    m.buttons = std::vector<pin_pair_record>{{12, BUTTON_ON, 14, COMMON, 0, 0}, {14, COMMON, 13, BUTTON_OFF, 0, 0}};
    std::vector<cap_pin_record> pads;
    for (std::int8_t pin = 0; pin < capPinCount; ++pin)
        pads.push_back({pin, pin == 16 ? TOUCH_ON : pin == 17 ? TOUCH_OFF : NOT_CONNECTED});
    m.pads = pads;
    return m;
}

station::sample_reading sample(const station::measured_part& m, const firmware& fw = v142) {
    return station::readSample(fw, m);
}

pin_pair_record& pairOn(station::measured_part& m, std::int8_t pin) {
    for (pin_pair_record& p : *m.pairs)
        if (p.pin_a == pin || p.pin_b == pin)
            return p;
    throw std::logic_error("no such pair");
}

part_description parsed(const QString& text) {
    std::istringstream in(text.toStdString());
    return parsePart(in, "learned");
}

QStringList pairTexts(const std::vector<pin_pair_record>& pairs) {
    QStringList out;
    for (const pin_pair_record& p : pairs)
        out << QStringLiteral("%1 %2 %3 %4 %5 %6").arg(p.pin_a).arg(p.type_a).arg(p.pin_b).arg(p.type_b).arg(p.vdrop_ab).arg(p.vdrop_ba);
    return out;
}

}  // namespace

class PartLearnerTest : public QObject {
    Q_OBJECT

private slots:
    void medians_data() {
        QTest::addColumn<drop_list>("drops");
        QTest::addColumn<int>("median");
        QTest::newRow("one") << drop_list{90} << 90;
        QTest::newRow("odd count, unsorted") << drop_list{94, 90, 92} << 92;
        QTest::newRow("odd count, an outlier") << drop_list{90, 127, 90, 91, 89} << 90;
        QTest::newRow("even count: the lower middle one") << drop_list{96, 90, 94, 92} << 92;
        QTest::newRow("two") << drop_list{100, 90} << 90;
        QTest::newRow("negative drops") << drop_list{-1, -3} << -3;
    }
    void medians() {
        QFETCH(drop_list, drops);
        QFETCH(int, median);
        QCOMPARE(int(station::medianDrop(drops)), median);
    }

    // Buttons in either order, pads only where the pin reads Touch ON or OFF, the measures that ran.
    void aSampleReadAsAPart() {
        station::measured_part m = goodPart();
        m.pads->push_back({20, LED_ANODE});  // a code that is no touch state is no pad either
        const station::sample_reading r = sample(m);
        QCOMPARE(r.problem, QString());
        QCOMPARE(r.part.pairs.size(), std::size_t(4));
        QStringList items;
        for (const button_spec& b : r.part.buttons)
            items << QStringLiteral("button %1 %2 %3").arg(b.pin).arg(b.common).arg(b.pressed ? "on" : "off");
        for (const touch_pad& p : r.part.pads)
            items << QStringLiteral("touch %1 %2").arg(p.pin).arg(p.touched ? "on" : "off");
        QCOMPARE(items, (QStringList{"button 12 14 on", "button 13 14 off", "touch 16 on", "touch 17 off"}));
        QVERIFY(r.part.check && r.part.check->static_pins && r.part.check->buttons && r.part.check->touch);

        station::measured_part onlyButtons;
        onlyButtons.buttons = m.buttons;
        const station::sample_reading b = sample(onlyButtons);
        QVERIFY(b.part.check && !b.part.check->static_pins && b.part.check->buttons && !b.part.check->touch);
    }

    void learnPlan() {
        const std::vector<station::measure_step> all = station::learnPlan({true, true, true});
        QCOMPARE(all.size(), std::size_t(3));
        QCOMPARE(all[0].command, MES_STATIC);
        QCOMPARE(all[1].command, MES_BUTTON_MECH);
        QCOMPARE(all[2].command, MES_BUTTON_CAP);
        std::vector<std::uint8_t> pins;
        for (std::uint8_t pin = 0; pin <= 24; ++pin)
            pins.push_back(pin);
        QCOMPARE(all[2].payload, pins);
        const std::vector<station::measure_step> touch = station::learnPlan({false, false, true});
        QCOMPARE(touch.size(), std::size_t(1));
        QCOMPARE(touch[0].command, MES_BUTTON_CAP);
    }

    // Three samples, the second reporting the LED the other way round: the same pair, its drops
    // facing the first sample's; each drop the median; the spread per drop.
    void mediansAndSpreads() {
        station::part_learner learner;
        station::measured_part a = goodPart(), b = goodPart(), c = goodPart();
        pairOn(a, 1).vdrop_ab = 88;
        pairOn(b, 1) = {2, LED_CATHODE, 1, LED_ANODE, -2, 93};
        pairOn(c, 1).vdrop_ab = 91;
        pairOn(c, 5).vdrop_ba = 100;
        QVERIFY(learner.add(sample(a)));
        QVERIFY(learner.add(sample(b)));
        QVERIFY(learner.add(sample(c)));
        QCOMPARE(learner.samples(), 3);
        const part_description part = learner.part();
        QCOMPARE(pairTexts(part.pairs), (QStringList{"1 1 2 2 91 -1", "3 1 4 2 105 -1", "5 3 6 3 98 99", "7 4 8 4 0 0"}));
        const std::vector<station::drop_range> r = learner.ranges();
        QCOMPARE(r.size(), std::size_t(4));
        QCOMPARE(int(r[0].min_ab), 88);
        QCOMPARE(int(r[0].max_ab), 93);
        QCOMPARE(r[0].spread_ab(), 5);
        QCOMPARE(r[0].spread_ba(), 1);
        QCOMPARE(r[2].spread_ba(), 1);
        QCOMPARE(r[3].spread_ab(), 0);
    }

    // A drop may spread up to the limit; one step more is named.
    void spreadWarnings_data() {
        QTest::addColumn<int>("second");  // the second sample's forward drop on 1-2; the first's is 90
        QTest::addColumn<double>("limit");
        QTest::addColumn<QStringList>("warnings");
        QTest::newRow("no spread") << 90 << 0.05 << QStringList{};
        QTest::newRow("0.04 V within 0.05 V") << 92 << 0.05 << QStringList{};
        QTest::newRow("0.04 V at a limit of exactly 0.04 V") << 88 << 0.04 << QStringList{};
        QTest::newRow("0.06 V beyond 0.05 V")
            << 93 << 0.05 << QStringList{"pair 1-2: Vdrop(1->2) spread 0.06 V over 2 samples (1.80 V to 1.86 V), more than 0.05 V"};
        QTest::newRow("downwards")
            << 80 << 0.05 << QStringList{"pair 1-2: Vdrop(1->2) spread 0.20 V over 2 samples (1.60 V to 1.80 V), more than 0.05 V"};
    }
    void spreadWarnings() {
        QFETCH(int, second);
        QFETCH(double, limit);
        QFETCH(QStringList, warnings);
        station::part_learner learner;
        station::measured_part b = goodPart();
        pairOn(b, 1).vdrop_ab = static_cast<std::int8_t>(second);
        QVERIFY(learner.add(sample(goodPart())));
        QVERIFY(learner.add(sample(b)));
        QCOMPARE(learner.spreadWarnings(limit), warnings);
    }

    // The second sample differs from the first in one way; the learner names it and takes no more.
    void disagreements_data() {
        QTest::addColumn<edit>("change");
        QTest::addColumn<QString>("problem");
        using M = station::measured_part;
        QTest::newRow("pair missing") << edit([](M& m, firmware&) { m.pairs->erase(m.pairs->begin() + 2); })
                                      << "sample 2: pair 5-6 missing (open)";
        QTest::newRow("pair added") << edit([](M& m, firmware&) { m.pairs->push_back({9, SHORTCUT, 10, SHORTCUT, 0, 0}); })
                                    << "sample 2: pair 9-10 not in sample 1 (short)";
        QTest::newRow("types swapped") << edit([](M& m, firmware&) { pairOn(m, 3) = {3, LED_CATHODE, 4, LED_ANODE, 105, -1}; })
                                       << "sample 2: pair 3-4: pin 3 is Led cathode, Led anode in sample 1; "
                                          "pin 4 is Led anode, Led cathode in sample 1";
        QTest::newRow("one type, pair reversed") << edit([](M& m, firmware&) { pairOn(m, 7) = {8, COMMON, 7, SHORTCUT, 0, 0}; })
                                                 << "sample 2: pair 7-8: pin 8 is Common, Shortcut in sample 1";
        QTest::newRow("button state") << edit([](M& m, firmware&) { (*m.buttons)[1].type_b = BUTTON_ON; })
                                      << "sample 2: button 13 (common 14) is Button ON, Button OFF in sample 1";
        QTest::newRow("button missing") << edit([](M& m, firmware&) { m.buttons->pop_back(); })
                                        << "sample 2: button 13 (common 14) missing";
        QTest::newRow("button added") << edit([](M& m, firmware&) { m.buttons->push_back({15, BUTTON_OFF, 14, COMMON, 0, 0}); })
                                      << "sample 2: button 15 (common 14) not in sample 1";
        QTest::newRow("pad state") << edit([](M& m, firmware&) { (*m.pads)[17].type = TOUCH_ON; })
                                   << "sample 2: touch 17 is Touch ON, Touch OFF in sample 1";
        QTest::newRow("pad not connected") << edit([](M& m, firmware&) { (*m.pads)[17].type = NOT_CONNECTED; })
                                           << "sample 2: touch 17 missing (not connected)";
        QTest::newRow("pad added") << edit([](M& m, firmware&) { (*m.pads)[18].type = TOUCH_ON; })
                                   << "sample 2: touch 18 not in sample 1 (Touch ON)";
        QTest::newRow("firmware") << edit([](M&, firmware& fw) { fw = {1, 5, 0}; })
                                  << "sample 2: firmware 1.5.0, 1.4.2 in sample 1";
        QTest::newRow("other measures") << edit([](M& m, firmware&) { m.pads.reset(); })
                                        << "sample 2: measured static button, static button touch in sample 1";
        QTest::newRow("the first difference only") << edit([](M& m, firmware&) {
            (*m.pads)[16].type = TOUCH_OFF;
            m.pairs->pop_back();
        }) << "sample 2: pair 7-8 missing (open)";
        QTest::newRow("a pair reported twice") << edit([](M& m, firmware&) { m.pairs->push_back({2, LED_CATHODE, 1, LED_ANODE, -1, 90}); })
                                               << "sample 2: pair 2-1 reported twice";
        QTest::newRow("no button") << edit([](M& m, firmware&) { (*m.buttons)[0].type_b = LED_CATHODE; })
                                   << "sample 2: button measure: 12 (Button ON) to 14 (Led cathode) is no button facing a common pin";
        QTest::newRow("a pin the file cannot hold") << edit([](M& m, firmware&) { pairOn(m, 7).pin_b = -1; })
                                                    << "sample 2: pair 7--1: pin -1 is out of range (0 to 127)";
    }
    void disagreements() {
        QFETCH(edit, change);
        QFETCH(QString, problem);
        station::part_learner learner;
        QVERIFY(learner.add(sample(goodPart())));
        station::measured_part m = goodPart();
        firmware fw = v142;
        change(m, fw);
        QVERIFY(!learner.add(sample(m, fw)));
        QCOMPARE(learner.problem(), problem);
        QCOMPARE(learner.samples(), 1);
        QVERIFY(!learner.add(sample(goodPart())));  // refused for good
        QCOMPARE(learner.problem(), problem);
    }

    // A sample that cannot stand for a part is refused as the first one too.
    void aFirstSampleWithAProblem() {
        station::part_learner learner;
        station::measured_part m = goodPart();
        m.pads->push_back({16, TOUCH_OFF});
        QVERIFY(!learner.add(sample(m)));
        QCOMPARE(learner.problem(), QStringLiteral("sample 1: touch 16 reported twice"));
    }

    // The file reads back to the learned part; the comments say when, from how many samples, and the
    // spread of each pair's drops.
    void fileText() {
        station::part_learner learner;
        station::measured_part b = goodPart();
        pairOn(b, 3).vdrop_ab = 108;
        QVERIFY(learner.add(sample(goodPart())));
        QVERIFY(learner.add(sample(b)));
        const QString text = learner.fileText(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC), 80);
        const QStringList lines = text.split(QLatin1Char('\n'));
        QCOMPARE(lines.first(), QStringLiteral("# Learned by rx48p-ctl learn on 2024-05-06 07:08:09 UTC from 2 samples (sensitivity 80)."));
        QVERIFY(text.contains(QLatin1String("\ncheck static button touch\n")));
        QVERIFY(text.contains(QLatin1String("\npair 3 anode 4 cathode 2.10 -0.02  # spread 0.06 / 0.00\n")));
        QVERIFY(text.contains(QLatin1String("\npair 5 bidir 6 bidir 1.96 1.98  # spread 0.00 / 0.00\n")));
        QVERIFY(text.contains(QLatin1String("\nbutton 13 14 off\n")));
        QVERIFY(text.endsWith(QLatin1String("\ntouch 17 off\n")));

        const part_description back = parsed(text);
        QCOMPARE(int(back.firmware.minor), 4);
        QCOMPARE(pairTexts(back.pairs), (QStringList{"1 1 2 2 90 -1", "3 1 4 2 105 -1", "5 3 6 3 98 99", "7 4 8 4 0 0"}));
        QCOMPARE(back.buttons.size(), std::size_t(2));
        QCOMPARE(back.pads.size(), std::size_t(2));
        QVERIFY(back.check && back.check->static_pins && back.check->buttons && back.check->touch);

        // Learned without the static measure: no pairs, no word about drops.
        station::part_learner padsOnly;
        station::measured_part p;
        p.pads = goodPart().pads;
        QVERIFY(padsOnly.add(sample(p)));
        const QString padText = padsOnly.fileText(QDateTime(QDate(2024, 5, 6), QTime(7, 8, 9), Qt::UTC), 64);
        QVERIFY(padText.contains(QLatin1String("from 1 sample (sensitivity 64).\nfirmware 1.4.2\ncheck touch\ntouch 16 on\n")));
        QVERIFY(!padText.contains(QLatin1String("pair")));
    }
};

QTEST_GUILESS_MAIN(PartLearnerTest)
#include "tst_part_learner.moc"
