#pragma once

#include "results/audit.h"
#include "results/questions.h"

#include <QDateTime>
#include <QIODevice>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace results {

// On the parts' start times: `since` included, `until` excluded; an invalid one is open.
struct report_period {
    QDateTime since;
    QDateTime until;
};

struct report_program {
    QString path;
    QString sha8;  // the first 8 hex digits of the part file's SHA-256
};

// A drop needs this many parts for its Cpk, and twice `driftParts` for its drift, so that the first
// and the last parts compared never overlap.
constexpr long cpkMinimumParts = 10;
constexpr long driftParts = 50;

struct drop_drift {
    bool enough = false;  // at least 2 x driftParts parts measured
    double firstMean = 0;  // volts, over the first driftParts parts of the period
    double lastMean = 0;   // volts, over the last driftParts parts
    bool flagged = false;  // |lastMean - firstMean| > a quarter of the band (2 x tolerance)
};

// One drop of one expected pin pair, A->B or B->A, facing the expected pin order.
struct drop_figures {
    report_program program;
    QString pair;          // "1-2", as expected
    QString direction;     // "1->2"
    std::optional<double> expected;  // volts; none when the words hold no drop
    double tolerance = 0;            // volts, the run's
    long n = 0;
    double mean = 0;  // volts
    double sd = 0;    // volts, sample (n - 1)
    std::optional<double> cpk;  // none below cpkMinimumParts, with no spread, or with no expected value
    std::vector<std::pair<int, long>> histogram;  // (drop in 0.02 V steps, parts), by step
    drop_drift drift;
};

// A station's fixtures are compared only from this many parts measuring a drop each, so that one odd
// part does not flag a fixture.
constexpr long fixtureMinimumParts = 10;

// One fixture of a station that had several in the period.
struct fixture_yield {
    QString name;       // empty: the station's single unnamed fixture, before it had several
    summary_row yield;  // its parts and yields; group: results::fixtureGroup()
};

// One fixture's mean of one drop.
struct fixture_mean {
    QString fixture;  // as fixture_yield::name
    long n = 0;
    double mean = 0;  // volts
    // The mean of its sibling fixtures' means (same station, same program, each with enough parts);
    // none when it or every sibling has too few parts.
    std::optional<double> siblingsMean;
    bool flagged = false;  // |mean - siblingsMean| > tolerance / 2, a quarter of the band: worn contacts?
};

// One drop of a program that ran on several fixtures of one station.
struct fixture_drop {
    report_program program;
    QString pair;       // "1-2", as expected
    QString direction;  // "1->2"
    std::optional<double> expected;  // volts
    double tolerance = 0;            // volts, the runs'
    std::vector<fixture_mean> fixtures;  // those that measured it, by name
    bool flagged() const;
    bool compared() const;  // some fixture had a sibling to be compared with
};

// A station with more than one fixture in the period.
struct station_fixtures {
    QString station;
    std::vector<fixture_yield> fixtures;  // by name, the unnamed one first
    std::vector<fixture_drop> drops;      // by program, then pin pair, A->B before B->A
};

// The audit entries a report lists; the rest are counted.
constexpr std::size_t auditShown = 30;

// The period's audit trail, on the entries' times.
struct audit_figures {
    // Entries per event kind: the four the stations and the server record, in that order, then any other
    // found, by name.
    std::vector<std::pair<QString, long>> counts;
    long total = 0;
    // Of the starts that let any program run, those whose program was not on the released list then.
    long anyProgramNotReleased = 0;
    // Newest first. Releases and revokes are few and what a quality engineer asks after, so they are
    // always among them; the newest others fill up to auditShown.
    std::vector<audit_entry> shown;

    long count(const QString& event) const;
    long more() const { return total - long(shown.size()); }
};

// Everything the report shows.
struct report_figures {
    report_period period;
    QDateTime generated;         // UTC
    QDateTime firstPart, lastPart;  // the start times of the first and last parts in the period
    QStringList stations;
    std::vector<report_program> programs;
    summary_row total;               // parts and yields over the whole period
    bool hourly = false;             // `yields` by hour: every part started on one UTC day
    std::vector<summary_row> yields;  // by day, or by hour
    std::vector<failure_row> failures;  // most frequent first
    std::vector<drop_figures> drops;    // by program, then pin pair, A->B before B->A
    std::vector<station_fixtures> fixtures;  // only the stations with several fixtures, by name
    audit_figures audit;                     // read also for a period without parts

    bool empty() const { return total.parts == 0; }
};

// Throws results::error.
audit_figures computeAudit(const QSqlDatabase& db, const report_period& period);
// Throws results::error.
report_figures computeReport(const QSqlDatabase& db, const report_period& period);

// One self-contained HTML page (no script, no external file) with inline SVG charts; prints on A4.
void writeReportHtml(const report_figures& figures, QIODevice& out);
// The same figures as JSON Lines, one record per figure group.
void writeReportJsonLines(const report_figures& figures, QIODevice& out);

// The drops, worst Cpk first; those without a Cpk last.
std::vector<const drop_figures*> dropsByCpk(const report_figures& figures);

}  // namespace results
