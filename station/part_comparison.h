#pragma once

#include "device/part_description.h"
#include "device/records.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace station {

// What the board measured on a part: each measure that was run.
struct measured_part {
    std::optional<std::vector<tarnwell::pin_pair_record>> pairs;    // ON_STATIC_MES
    std::optional<std::vector<tarnwell::pin_pair_record>> buttons;  // ON_BUTTON_MECH
    std::optional<std::vector<tarnwell::cap_pin_record>> pads;      // ON_BUTTON_CAP
};

// One thing wrong with a compared item, in figures rather than words, so that a front end can say it in
// its operator's language; the record keeps the English reason and the mode.
struct fault {
    enum class what {
        pair_missing,      // an expected pair not measured: open
        pair_unexpected,   // a measured pair not expected: short
        pin_type,          // `pin` measured as `measuredType`, expected `expectedType`
        drop,              // the drop from `pin` to `toPin` is `measuredVolts`, expected `expectedVolts` within `tolerance`
        button_missing,
        button_state,      // measured `measuredType`, expected `expectedType`
        button_unexpected,
        pad_missing,
        pad_state,         // measured `measuredType`, expected `expectedType`
    };
    what kind = what::pair_missing;
    int pin = -1;
    int toPin = -1;
    int expectedType = -1;  // pin type codes
    int measuredType = -1;
    double expectedVolts = 0;
    double measuredVolts = 0;
    double tolerance = 0;
};

// One comparison of an expected item with what was measured.
struct comparison {
    comparison() = default;
    comparison(QString kind, QString item, bool passed, QString expected, QString measured, QString reason)
        : kind(std::move(kind)), item(std::move(item)), passed(passed), expected(std::move(expected)),
          measured(std::move(measured)), reason(std::move(reason)) {}

    QString kind;      // "pair", "button", "touch"
    QString item;      // "1-2", "12 (common 14)", "16"
    bool passed = false;
    QString expected;  // in the report's words: "Led anode to Led cathode, 1.800V / -0.020V"
    QString measured;  // the same for what the board found; empty when it found nothing
    QString reason;    // why it failed; empty when it passed
    // What failed, not by how much, so that one fault reads the same on every part: "pair 1-2: drop
    // 1->2 out of tolerance", "pin 3: type", "button 12: state". Empty when it passed. Of several faults
    // in one pair the first names it: a pin's type, then the drop from the first pin, then back.
    QString mode;
    // The figures the mode is about, where it has some: a drop in volts, a pin type's code.
    std::optional<double> expectedValue;
    std::optional<double> measuredValue;
    // The item's pins: a pair's two, a button's pin and its common, a pad's pin (second -1).
    int pin = -1;
    int otherPin = -1;
    // What is wrong, in the order the reason says it; empty when it passed.
    std::vector<fault> faults;
};

// Pin pairs are compared as unordered pairs: each expected pair must be measured with its types and
// both drops within `tolerance` volts; a measured pair not expected is a short, an expected pair not
// measured an open. Buttons and touch pads must read their expected states. Only the measures that were
// run are compared.
std::vector<comparison> comparePart(const tarnwell::part_description& expected, const measured_part& measured,
                                    double tolerance);

// "PASS  pair 1-2: ..." or "FAIL  pair 3-4: missing (open)".
QString comparisonLine(const comparison& c);
// "pair 3-4: missing (open)"
QString failureText(const comparison& c);
// The failures' texts, the first `shown` of them, then "and N more": the reasons of a part at a glance.
QStringList firstReasons(const std::vector<comparison>& comparisons, int shown);
int failedCount(const std::vector<comparison>& comparisons);

}  // namespace station
