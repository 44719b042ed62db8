#pragma once

#include "operator/station_state.h"

#include "station/part_comparison.h"
#include "station/part_result.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <optional>

namespace op {

// The reasons shown for a failed part, on the tile and in the history alike.
constexpr int reasonsShown = 3;

// Every sentence and word the station's window shows of its state, in the language installed (English
// without a translation). The record keeps its own English reasons and failure modes; these are for the
// operator alone.
class window_texts {
    Q_DECLARE_TR_FUNCTIONS(window_texts)
public:
    static QString tileWord(tile_state state);
    // "part 3  SN-1002", "next: SN-1003"
    static QString detail(const tile_detail& d);
    // What to do at a fixture; `port` for connecting, `key` the fixture's Ctrl+N.
    static QString step(fixture_step s, const QString& port, int key);
    static QString prompt(const station_prompt& p);
    static QString runEnd(const run_end& e);
    static QString bannerText(const banner& b);
    // The first reasons of a failed part and "and N more", after a note when it is not on record; none
    // for a part that passed and is.
    static QStringList reasons(const station::part_result& part);
    // "pair 5-6: missing (open)"
    static QString failure(const station::comparison& c);
    static QString pinType(int code);
    // "1.980V", "0.016 s", "66.7 %", "–" for none: numbers in the language's own way.
    static QString volts(double v);
    static QString seconds(const std::optional<double>& s);
    static QString percent(const std::optional<double>& p);
};

}  // namespace op
