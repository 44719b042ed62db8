#include "station/part_learner.h"

#include "device/number_text.h"
#include "device/part_file.h"
#include "device/reports.h"

#include <algorithm>
#include <tuple>

namespace station {

namespace {

using tarnwell::pin_pair_record;

QString typeName(std::uint8_t code) {
    const QString name = tarnwell::pinTypeName(code);
    return name.isEmpty() ? QStringLiteral("type %1").arg(code) : name;
}

QString pairName(const pin_pair_record& p) {
    return QStringLiteral("%1-%2").arg(p.pin_a).arg(p.pin_b);
}

QString buttonName(const tarnwell::button_spec& b) {
    return QStringLiteral("%1 (common %2)").arg(b.pin).arg(b.common);
}

QString buttonState(bool pressed) {
    return typeName(pressed ? tarnwell::BUTTON_ON : tarnwell::BUTTON_OFF);
}

QString touchState(bool touched) {
    return typeName(touched ? tarnwell::TOUCH_ON : tarnwell::TOUCH_OFF);
}

QString volts(int steps) {
    return QString::fromStdString(tarnwell::formatVolts(steps));
}

QString versionText(const tarnwell::firmware& fw) {
    return tarnwell::firmwareName(fw);
}

bool samePins(const pin_pair_record& p, std::int8_t a, std::int8_t b) {
    return (p.pin_a == a && p.pin_b == b) || (p.pin_a == b && p.pin_b == a);
}

// `p` turned to start with `firstPin`, its drops with it.
pin_pair_record facing(const pin_pair_record& p, std::int8_t firstPin) {
    if (p.pin_a == firstPin)
        return p;
    return {p.pin_b, p.type_b, p.pin_a, p.type_a, p.vdrop_ba, p.vdrop_ab};
}

bool isButton(std::uint8_t type) {
    return type == tarnwell::BUTTON_ON || type == tarnwell::BUTTON_OFF;
}

const pin_pair_record* findPair(const std::vector<pin_pair_record>& pairs, std::int8_t a, std::int8_t b) {
    for (const pin_pair_record& p : pairs)
        if (samePins(p, a, b))
            return &p;
    return nullptr;
}

const tarnwell::button_spec* findButton(const std::vector<tarnwell::button_spec>& buttons, const tarnwell::button_spec& b) {
    for (const tarnwell::button_spec& x : buttons)
        if (x.pin == b.pin && x.common == b.common)
            return &x;
    return nullptr;
}

const tarnwell::touch_pad* findPad(const std::vector<tarnwell::touch_pad>& pads, std::int8_t pin) {
    for (const tarnwell::touch_pad& t : pads)
        if (t.pin == pin)
            return &t;
    return nullptr;
}

QString measureNames(const tarnwell::check_set& c) {
    QStringList names;
    if (c.static_pins)
        names << QStringLiteral("static");
    if (c.buttons)
        names << QStringLiteral("button");
    if (c.touch)
        names << QStringLiteral("touch");
    return names.join(QLatin1Char(' '));
}

// A pin the part file cannot hold is a record the board got wrong, not a part to learn.
QString badPin(std::int8_t pin) {
    return pin < 0 ? QStringLiteral("pin %1 is out of range (0 to 127)").arg(pin) : QString();
}

QString readPairs(const std::vector<pin_pair_record>& measured, std::vector<pin_pair_record>& out) {
    for (const pin_pair_record& p : measured) {
        QString why = badPin(p.pin_a);
        if (why.isEmpty())
            why = badPin(p.pin_b);
        if (!why.isEmpty())
            return QStringLiteral("pair %1: %2").arg(pairName(p), why);
        if (findPair(out, p.pin_a, p.pin_b))
            return QStringLiteral("pair %1 reported twice").arg(pairName(p));
        out.push_back(p);
    }
    return QString();
}

QString readButtons(const std::vector<pin_pair_record>& measured, std::vector<tarnwell::button_spec>& out) {
    for (const pin_pair_record& m : measured) {
        const pin_pair_record b = isButton(m.type_a) ? m : facing(m, m.pin_b);
        if (!isButton(b.type_a) || b.type_b != tarnwell::COMMON)
            return QStringLiteral("button measure: %1 (%2) to %3 (%4) is no button facing a common pin")
                .arg(m.pin_a).arg(typeName(m.type_a)).arg(m.pin_b).arg(typeName(m.type_b));
        QString why = badPin(b.pin_a);
        if (why.isEmpty())
            why = badPin(b.pin_b);
        const tarnwell::button_spec button{b.pin_a, b.pin_b, b.type_a == tarnwell::BUTTON_ON};
        if (!why.isEmpty())
            return QStringLiteral("button %1: %2").arg(buttonName(button), why);
        for (const tarnwell::button_spec& seen : out)
            if ((seen.pin == button.pin && seen.common == button.common) || (seen.pin == button.common && seen.common == button.pin))
                return QStringLiteral("button %1 reported twice").arg(buttonName(button));
        out.push_back(button);
    }
    return QString();
}

QString readPads(const std::vector<tarnwell::cap_pin_record>& measured, std::vector<tarnwell::touch_pad>& out) {
    for (const tarnwell::cap_pin_record& m : measured) {
        if (m.type != tarnwell::TOUCH_ON && m.type != tarnwell::TOUCH_OFF)
            continue;
        if (m.pin < 0 || m.pin >= tarnwell::capPinCount)
            return QStringLiteral("touch %1 is beyond the capacitive pins (0 to %2)").arg(m.pin).arg(tarnwell::capPinCount - 1);
        if (findPad(out, m.pin))
            return QStringLiteral("touch %1 reported twice").arg(m.pin);
        out.push_back({m.pin, m.type == tarnwell::TOUCH_ON});
    }
    return QString();
}

}  // namespace

std::vector<measure_step> learnPlan(const tarnwell::check_set& measures) {
    std::vector<measure_step> plan;
    if (measures.static_pins)
        plan.push_back({tarnwell::MES_STATIC, {}});
    if (measures.buttons)
        plan.push_back({tarnwell::MES_BUTTON_MECH, {}});
    if (measures.touch) {
        std::vector<std::uint8_t> pins;
        for (int pin = 0; pin < tarnwell::capPinCount; ++pin)
            pins.push_back(static_cast<std::uint8_t>(pin));
        plan.push_back({tarnwell::MES_BUTTON_CAP, tarnwell::capacitivePayload(pins)});
    }
    return plan;
}

sample_reading readSample(const tarnwell::firmware& firmware, const measured_part& measured) {
    sample_reading r;
    r.part.firmware = firmware;
    r.part.check = tarnwell::check_set{measured.pairs.has_value(), measured.buttons.has_value(), measured.pads.has_value()};
    if (measured.pairs)
        r.problem = readPairs(*measured.pairs, r.part.pairs);
    if (r.problem.isEmpty() && measured.buttons)
        r.problem = readButtons(*measured.buttons, r.part.buttons);
    if (r.problem.isEmpty() && measured.pads)
        r.problem = readPads(*measured.pads, r.part.pads);
    return r;
}

std::int8_t medianDrop(std::vector<std::int8_t> steps) {
    std::sort(steps.begin(), steps.end());
    return steps[(steps.size() - 1) / 2];
}

QString part_learner::disagreement(const tarnwell::part_description& s) const {
    const auto fw = [](const tarnwell::firmware& f) { return std::make_tuple(f.major, f.minor, f.patch); };
    if (fw(s.firmware) != fw(first.firmware))
        return QStringLiteral("firmware %1, %2 in sample 1").arg(versionText(s.firmware), versionText(first.firmware));
    const QString measures = measureNames(*s.check), firstMeasures = measureNames(*first.check);
    if (measures != firstMeasures)
        return QStringLiteral("measured %1, %2 in sample 1").arg(measures, firstMeasures);

    for (const pin_pair_record& e : first.pairs) {
        const pin_pair_record* found = findPair(s.pairs, e.pin_a, e.pin_b);
        if (!found)
            return QStringLiteral("pair %1 missing (open)").arg(pairName(e));
        const pin_pair_record m = facing(*found, e.pin_a);
        QStringList wrong;
        if (m.type_a != e.type_a)
            wrong << QStringLiteral("pin %1 is %2, %3 in sample 1").arg(e.pin_a).arg(typeName(m.type_a), typeName(e.type_a));
        if (m.type_b != e.type_b)
            wrong << QStringLiteral("pin %1 is %2, %3 in sample 1").arg(e.pin_b).arg(typeName(m.type_b), typeName(e.type_b));
        if (!wrong.isEmpty())
            return QStringLiteral("pair %1: %2").arg(pairName(e), wrong.join(QStringLiteral("; ")));
    }
    for (const pin_pair_record& m : s.pairs)
        if (!findPair(first.pairs, m.pin_a, m.pin_b))
            return QStringLiteral("pair %1 not in sample 1 (short)").arg(pairName(m));

    for (const tarnwell::button_spec& e : first.buttons) {
        const tarnwell::button_spec* found = findButton(s.buttons, e);
        if (!found)
            return QStringLiteral("button %1 missing").arg(buttonName(e));
        if (found->pressed != e.pressed)
            return QStringLiteral("button %1 is %2, %3 in sample 1").arg(buttonName(e), buttonState(found->pressed),
                                                                        buttonState(e.pressed));
    }
    for (const tarnwell::button_spec& m : s.buttons)
        if (!findButton(first.buttons, m))
            return QStringLiteral("button %1 not in sample 1").arg(buttonName(m));

    for (const tarnwell::touch_pad& e : first.pads) {
        const tarnwell::touch_pad* found = findPad(s.pads, e.pin);
        if (!found)
            return QStringLiteral("touch %1 missing (not connected)").arg(e.pin);
        if (found->touched != e.touched)
            return QStringLiteral("touch %1 is %2, %3 in sample 1").arg(e.pin).arg(touchState(found->touched),
                                                                           touchState(e.touched));
    }
    for (const tarnwell::touch_pad& m : s.pads)
        if (!findPad(first.pads, m.pin))
            return QStringLiteral("touch %1 not in sample 1 (%2)").arg(m.pin).arg(touchState(m.touched));
    return QString();
}

bool part_learner::add(const sample_reading& sample) {
    if (!trouble.isEmpty())
        return false;
    const int number = count + 1;
    QString why = sample.problem;
    if (why.isEmpty() && count > 0)
        why = disagreement(sample.part);
    if (!why.isEmpty()) {
        trouble = QStringLiteral("sample %1: %2").arg(number).arg(why);
        return false;
    }
    if (count == 0) {
        first = sample.part;
        drops_ab.assign(first.pairs.size(), {});
        drops_ba.assign(first.pairs.size(), {});
    }
    for (std::size_t i = 0; i < first.pairs.size(); ++i) {
        const pin_pair_record& e = first.pairs[i];
        const pin_pair_record m = facing(*findPair(sample.part.pairs, e.pin_a, e.pin_b), e.pin_a);
        drops_ab[i].push_back(m.vdrop_ab);
        drops_ba[i].push_back(m.vdrop_ba);
    }
    count = number;
    return true;
}

tarnwell::part_description part_learner::part() const {
    tarnwell::part_description learned = first;
    for (std::size_t i = 0; i < learned.pairs.size(); ++i) {
        learned.pairs[i].vdrop_ab = medianDrop(drops_ab[i]);
        learned.pairs[i].vdrop_ba = medianDrop(drops_ba[i]);
    }
    return learned;
}

std::vector<drop_range> part_learner::ranges() const {
    std::vector<drop_range> out;
    for (std::size_t i = 0; i < first.pairs.size(); ++i) {
        const auto ab = std::minmax_element(drops_ab[i].begin(), drops_ab[i].end());
        const auto ba = std::minmax_element(drops_ba[i].begin(), drops_ba[i].end());
        out.push_back({first.pairs[i].pin_a, first.pairs[i].pin_b, *ab.first, *ab.second, *ba.first, *ba.second});
    }
    return out;
}

QStringList part_learner::spreadWarnings(double limitVolts) const {
    QStringList out;
    const auto check = [&](const drop_range& r, std::int8_t from, std::int8_t to, int low, int high) {
        // Drops are whole steps of 0.02 V; the slack keeps a limit of exactly k steps allowed.
        if ((high - low) / 50.0 <= limitVolts + 1e-9)
            return;
        out << QStringLiteral("pair %1-%2: Vdrop(%3->%4) spread %5 V over %6 samples (%7 V to %8 V), more than %9 V")
                   .arg(r.pin_a).arg(r.pin_b).arg(from).arg(to)
                   .arg(volts(high - low)).arg(count)
                   .arg(volts(low), volts(high), QString::number(limitVolts, 'f', 2));
    };
    for (const drop_range& r : ranges()) {
        check(r, r.pin_a, r.pin_b, r.min_ab, r.max_ab);
        check(r, r.pin_b, r.pin_a, r.min_ba, r.max_ba);
    }
    return out;
}

QString part_learner::fileText(const QDateTime& when, int sensitivity) const {
    const tarnwell::part_description learned = part();
    QStringList out;
    out << QStringLiteral("# Learned by rx48p-ctl learn on %1 UTC from %2 %3 (sensitivity %4).")
               .arg(when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")))
               .arg(count)
               .arg(count == 1 ? QStringLiteral("sample") : QStringLiteral("samples"))
               .arg(sensitivity);
    if (learned.check && learned.check->static_pins) {
        out << QStringLiteral("# Each drop is the median of the samples' (of an even count, the lower middle one);");
        out << QStringLiteral("# after each pair, the spread of its drops over the samples: max - min, in volts.");
    }
    const std::vector<drop_range> spread = ranges();
    std::size_t pair = 0;
    for (const QString& line : QString::fromStdString(tarnwell::partText(learned)).split(QLatin1Char('\n'))) {
        if (line.isEmpty())
            continue;
        // partText writes the pairs in the part's order, one a line.
        if (line.startsWith(QLatin1String("pair ")) && pair < spread.size()) {
            const drop_range& r = spread[pair++];
            out << QStringLiteral("%1  # spread %2 / %3").arg(line, volts(r.spread_ab()), volts(r.spread_ba()));
        } else {
            out << line;
        }
    }
    return out.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

}  // namespace station
