#include "station/part_comparison.h"

#include "device/payloads.h"
#include "device/reports.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace station {

namespace {

using tarnwell::pin_pair_record;

QString volts(std::int8_t steps) {
    return QString::number(tarnwell::dropVolts(steps), 'f', 3) + QLatin1Char('V');
}

QString typeName(std::uint8_t code) {
    const QString name = tarnwell::pinTypeName(code);
    return name.isEmpty() ? QStringLiteral("type %1").arg(code) : name;
}

QString pairText(const pin_pair_record& p) {
    return QStringLiteral("%1 to %2, %3 / %4").arg(typeName(p.type_a), typeName(p.type_b), volts(p.vdrop_ab), volts(p.vdrop_ba));
}

// The measured record turned to face the expected one: same pin first.
pin_pair_record facing(const pin_pair_record& m, std::int8_t firstPin) {
    if (m.pin_a == firstPin)
        return m;
    return {m.pin_b, m.type_b, m.pin_a, m.type_a, m.vdrop_ba, m.vdrop_ab};
}

bool samePins(const pin_pair_record& a, std::int8_t x, std::int8_t y) {
    return (a.pin_a == x && a.pin_b == y) || (a.pin_a == y && a.pin_b == x);
}

bool within(std::int8_t measured, std::int8_t expected, double tolerance) {
    // Drops are whole steps of 0.02 V; the slack keeps a tolerance of exactly k steps inclusive.
    return std::fabs(tarnwell::dropVolts(measured) - tarnwell::dropVolts(expected)) <= tolerance + 1e-9;
}

void setMode(comparison& c, const QString& mode, double expected, double measured) {
    c.mode = mode;
    c.expectedValue = expected;
    c.measuredValue = measured;
}

QString pairName(std::int8_t a, std::int8_t b) {
    return QStringLiteral("%1-%2").arg(a).arg(b);
}

void comparePairs(const std::vector<pin_pair_record>& expected, std::vector<pin_pair_record> measured, double tolerance,
                  std::vector<comparison>& out) {
    for (const pin_pair_record& e : expected) {
        comparison c{QStringLiteral("pair"), pairName(e.pin_a, e.pin_b), false, pairText(e), QString(), QString()};
        c.pin = e.pin_a;
        c.otherPin = e.pin_b;
        auto found = measured.begin();
        while (found != measured.end() && !samePins(*found, e.pin_a, e.pin_b))
            ++found;
        if (found == measured.end()) {
            c.reason = QStringLiteral("missing (open)");
            c.mode = QStringLiteral("pair %1: missing (open)").arg(c.item);
            c.faults.push_back({fault::what::pair_missing});
            out.push_back(c);
            continue;
        }
        const pin_pair_record m = facing(*found, e.pin_a);
        measured.erase(found);
        c.measured = pairText(m);
        QStringList wrong;
        const auto wrongType = [&](int pin, std::uint8_t measuredType, std::uint8_t expectedType) {
            wrong << QStringLiteral("pin %1 is %2, expected %3").arg(pin).arg(typeName(measuredType), typeName(expectedType));
            fault f{fault::what::pin_type, pin};
            f.expectedType = expectedType;
            f.measuredType = measuredType;
            c.faults.push_back(f);
        };
        const auto wrongDrop = [&](int from, int to, std::int8_t measuredDrop, std::int8_t expectedDrop) {
            wrong << QStringLiteral("Vdrop(%1->%2) = %3, expected %4 within %5")
                         .arg(from)
                         .arg(to)
                         .arg(volts(measuredDrop), volts(expectedDrop), QString::number(tolerance, 'f', 3) + QLatin1Char('V'));
            fault f{fault::what::drop, from, to};
            f.expectedVolts = tarnwell::dropVolts(expectedDrop);
            f.measuredVolts = tarnwell::dropVolts(measuredDrop);
            f.tolerance = tolerance;
            c.faults.push_back(f);
        };
        if (m.type_a != e.type_a)
            wrongType(e.pin_a, m.type_a, e.type_a);
        if (m.type_b != e.type_b)
            wrongType(e.pin_b, m.type_b, e.type_b);
        if (!within(m.vdrop_ab, e.vdrop_ab, tolerance))
            wrongDrop(e.pin_a, e.pin_b, m.vdrop_ab, e.vdrop_ab);
        if (!within(m.vdrop_ba, e.vdrop_ba, tolerance))
            wrongDrop(e.pin_b, e.pin_a, m.vdrop_ba, e.vdrop_ba);
        c.passed = wrong.isEmpty();
        c.reason = wrong.join(QStringLiteral("; "));
        if (m.type_a != e.type_a)
            setMode(c, QStringLiteral("pin %1: type").arg(e.pin_a), e.type_a, m.type_a);
        else if (m.type_b != e.type_b)
            setMode(c, QStringLiteral("pin %1: type").arg(e.pin_b), e.type_b, m.type_b);
        else if (!within(m.vdrop_ab, e.vdrop_ab, tolerance))
            setMode(c, QStringLiteral("pair %1: drop %2->%3 out of tolerance").arg(c.item).arg(e.pin_a).arg(e.pin_b),
                    tarnwell::dropVolts(e.vdrop_ab), tarnwell::dropVolts(m.vdrop_ab));
        else if (!within(m.vdrop_ba, e.vdrop_ba, tolerance))
            setMode(c, QStringLiteral("pair %1: drop %2->%3 out of tolerance").arg(c.item).arg(e.pin_b).arg(e.pin_a),
                    tarnwell::dropVolts(e.vdrop_ba), tarnwell::dropVolts(m.vdrop_ba));
        out.push_back(c);
    }
    for (const pin_pair_record& m : measured) {
        comparison c{QStringLiteral("pair"), pairName(m.pin_a, m.pin_b), false, QString(), pairText(m),
                     QStringLiteral("not expected (short)")};
        c.mode = QStringLiteral("pair %1: not expected (short)").arg(c.item);
        c.pin = m.pin_a;
        c.otherPin = m.pin_b;
        c.faults.push_back({fault::what::pair_unexpected});
        out.push_back(c);
    }
}

bool isButton(std::uint8_t type) {
    return type == tarnwell::BUTTON_ON || type == tarnwell::BUTTON_OFF;
}

void compareButtons(const std::vector<tarnwell::button_spec>& expected, std::vector<pin_pair_record> measured,
                    std::vector<comparison>& out) {
    const auto stateName = [](bool pressed) { return typeName(pressed ? tarnwell::BUTTON_ON : tarnwell::BUTTON_OFF); };
    for (const tarnwell::button_spec& e : expected) {
        comparison c{QStringLiteral("button"), QStringLiteral("%1 (common %2)").arg(e.pin).arg(e.common), false,
                     stateName(e.pressed), QString(), QString()};
        c.pin = e.pin;
        c.otherPin = e.common;
        auto found = measured.begin();
        while (found != measured.end() && !samePins(*found, e.pin, e.common))
            ++found;
        if (found == measured.end()) {
            c.reason = QStringLiteral("missing");
            c.mode = QStringLiteral("button %1: missing").arg(e.pin);
            c.faults.push_back({fault::what::button_missing});
            out.push_back(c);
            continue;
        }
        const pin_pair_record m = facing(*found, e.pin);
        measured.erase(found);
        c.measured = typeName(m.type_a);
        const std::uint8_t want = e.pressed ? tarnwell::BUTTON_ON : tarnwell::BUTTON_OFF;
        c.passed = m.type_a == want;
        if (!c.passed) {
            c.reason = QStringLiteral("%1, expected %2").arg(c.measured, c.expected);
            setMode(c, QStringLiteral("button %1: state").arg(e.pin), want, m.type_a);
            fault f{fault::what::button_state, e.pin};
            f.expectedType = want;
            f.measuredType = m.type_a;
            c.faults.push_back(f);
        }
        out.push_back(c);
    }
    for (const pin_pair_record& m : measured) {
        const pin_pair_record b = isButton(m.type_a) ? m : facing(m, m.pin_b);
        comparison c{QStringLiteral("button"), QStringLiteral("%1 (common %2)").arg(b.pin_a).arg(b.pin_b), false,
                     QString(), typeName(b.type_a), QStringLiteral("not expected")};
        c.mode = QStringLiteral("button %1: not expected").arg(b.pin_a);
        c.pin = b.pin_a;
        c.otherPin = b.pin_b;
        c.faults.push_back({fault::what::button_unexpected});
        out.push_back(c);
    }
}

void comparePads(const std::vector<tarnwell::touch_pad>& expected, const std::vector<tarnwell::cap_pin_record>& measured,
                 std::vector<comparison>& out) {
    for (const tarnwell::touch_pad& e : expected) {
        const std::uint8_t want = e.touched ? tarnwell::TOUCH_ON : tarnwell::TOUCH_OFF;
        comparison c{QStringLiteral("touch"), QString::number(e.pin), false, typeName(want), QString(), QString()};
        c.pin = e.pin;
        const tarnwell::cap_pin_record* found = nullptr;
        for (const tarnwell::cap_pin_record& m : measured)
            if (m.pin == e.pin && !found)
                found = &m;
        if (!found) {
            c.reason = QStringLiteral("missing from the measure");
            c.mode = QStringLiteral("touch %1: missing").arg(e.pin);
            c.faults.push_back({fault::what::pad_missing});
        } else {
            c.measured = typeName(found->type);
            c.passed = found->type == want;
            if (!c.passed) {
                c.reason = QStringLiteral("%1, expected %2").arg(c.measured, c.expected);
                setMode(c, QStringLiteral("touch %1: state").arg(e.pin), want, found->type);
                fault f{fault::what::pad_state, e.pin};
                f.expectedType = want;
                f.measuredType = found->type;
                c.faults.push_back(f);
            }
        }
        out.push_back(c);
    }
}

}  // namespace

std::vector<comparison> comparePart(const tarnwell::part_description& expected, const measured_part& measured,
                                    double tolerance) {
    std::vector<comparison> out;
    if (measured.pairs)
        comparePairs(expected.pairs, *measured.pairs, tolerance, out);
    if (measured.buttons)
        compareButtons(expected.buttons, *measured.buttons, out);
    if (measured.pads)
        comparePads(expected.pads, *measured.pads, out);
    return out;
}

QString failureText(const comparison& c) {
    return QStringLiteral("%1 %2: %3").arg(c.kind, c.item, c.reason);
}

QString comparisonLine(const comparison& c) {
    if (!c.passed)
        return QStringLiteral("FAIL  ") + failureText(c);
    return QStringLiteral("PASS  %1 %2: %3").arg(c.kind, c.item, c.measured);
}

QStringList firstReasons(const std::vector<comparison>& comparisons, int shown) {
    QStringList reasons;
    int failed = 0;
    for (const comparison& c : comparisons)
        if (!c.passed && failed++ < shown)
            reasons << failureText(c);
    if (failed > shown)
        reasons << QStringLiteral("and %1 more").arg(failed - shown);
    return reasons;
}

int failedCount(const std::vector<comparison>& comparisons) {
    return static_cast<int>(
        std::count_if(comparisons.begin(), comparisons.end(), [](const comparison& c) { return !c.passed; }));
}

}  // namespace station
