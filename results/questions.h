#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace results {

enum class grouping { none, day, hour, station, program, fixture };

// A fixture's group: "STATION/FIXTURE", or "STATION" alone for a station's single unnamed fixture. A
// fixture's name is unique only within its station, and holds no '/'.
QString fixtureGroup(const QString& station, const QString& fixture);

// Yields count units: a serial, or a part recorded without one.
struct summary_row {
    // none: empty; day: "2026-12-07"; hour: "2026-12-07T10:00" (UTC); station; program path; fixtureGroup()
    QString group;
    long parts = 0;
    long passed = 0;
    long failed = 0;
    long units = 0;
    long passedFirst = 0;       // units whose first part in the window is attempt 1 and passed
    long passedFinally = 0;     // units whose last part in the window passed
    // Percent of the units, none without units: an empty set has no yield.
    std::optional<double> firstPassYield;
    std::optional<double> finalYield;
    // Seconds, over the parts that have the time: parts recorded before it was kept have neither, a part
    // never removed has no cycle.
    std::optional<double> medianTest;
    std::optional<double> medianCycle;
};

struct failure_row {
    QString mode;  // "pair 1-2: drop 1->2 out of tolerance", "pair 5-6: missing (open)"
    long count = 0;
    double cumulativePercent = 0;  // of every failed comparison, this row and the ones above it
    // What its failures measured; none for a mode without values ("missing (open)").
    std::optional<double> measuredMin;
    std::optional<double> measuredMax;
};

// The row's measured values as the text outputs show them: "1.980 .. 2.060 V" for drops, "3 .. 5" for
// pin type codes, one value alone when they agree; empty when the mode has none.
QString measuredRange(const failure_row& row);

struct attempt_row {
    QString partId;
    int attempt = 0;
    QDateTime started;
    QString station;
    QString verdict;
    QStringList reasons;  // the failed comparisons, "kind pins: reason", in the report's order
};

struct export_row {
    QString serial;  // empty for a part without one
    int attempt = 0;
    QString station;
    QDateTime started;
    QString verdict;
    QString kind;
    QString pins;
    QString expected;
    QString measured;
    bool passed = false;
    QString reason;
    QString mode;  // empty when it passed
    std::optional<double> expectedValue;
    std::optional<double> measuredValue;
    std::optional<double> testSeconds;
    std::optional<double> cycleSeconds;
};

// What the recorded parts say, asked of a journal's SQLite file or of the results server alike. The
// window is on the parts' start times: `since` included, `until` excluded, an invalid one unbounded.
// Every method throws results::error.
class questions {
public:
    explicit questions(const QSqlDatabase& db);

    std::vector<summary_row> summary(const QDateTime& since, const QDateTime& until, grouping by) const;
    // The most frequent failure modes first (ties by text), at most `top` of them.
    std::vector<failure_row> failures(int top, const QDateTime& since = {}, const QDateTime& until = {}) const;
    // Every part recorded with `serial`, oldest first.
    std::vector<attempt_row> part(const QString& serial) const;
    // One row per comparison, parts oldest first, comparisons in the report's order.
    std::vector<export_row> exportRows(const QDateTime& since, const QDateTime& until) const;
    // The same rows handed to `each` as they are read, a page of parts at a time, so that memory stays
    // flat however many there are; reading stops as soon as `each` returns false. False when stopped.
    bool exportEach(const QDateTime& since, const QDateTime& until, const std::function<bool(const export_row&)>& each) const;

private:
    QSqlDatabase db;
};

}  // namespace results
