#include "results/report/report.h"

#include "results/releases.h"
#include "results/report/report_sql.h"
#include "results/sql.h"

#include <algorithm>
#include <map>

namespace results {

report_figures computeReport(const QSqlDatabase& db, const report_period& period) {
    // The report reads a journal of a year in a few passes and a million index look-ups: mapped into
    // memory, its pages come without a system call each. Mapped pages count as resident, so the other
    // questions, the export above all, keep to reading.
    if (sql::isSqlite(db))
        QSqlQuery(db).exec(QStringLiteral("PRAGMA mmap_size = 2147418112"));
    report_figures f;
    f.period = period;
    f.generated = QDateTime::currentDateTimeUtc();
    f.audit = computeAudit(db, period);
    const questions q(db);
    const std::vector<summary_row> total = q.summary(period.since, period.until, grouping::none);
    if (total.empty())
        return f;
    f.total = total.front();
    f.yields = q.summary(period.since, period.until, grouping::day);
    if (f.yields.size() == 1) {
        f.hourly = true;
        f.yields = q.summary(period.since, period.until, grouping::hour);
    }
    f.failures = q.failures(-1, period.since, period.until);
    report_detail::readCoverage(db, period, f);
    if (!f.fixtures.empty()) {
        std::map<QString, summary_row> byFixture;
        for (summary_row& row : q.summary(period.since, period.until, grouping::fixture))
            byFixture[row.group] = row;
        for (station_fixtures& station : f.fixtures)
            for (fixture_yield& fixture : station.fixtures)
                fixture.yield = byFixture[fixtureGroup(station.station, fixture.name)];
    }
    f.drops = report_detail::readDrops(db, period, f.fixtures);
    return f;
}

audit_figures computeAudit(const QSqlDatabase& db, const report_period& period) {
    // A line records a few entries a day: the whole period's fit in memory.
    std::vector<audit_entry> entries = readAudit(db, period.since, period.until);
    audit_figures a;
    a.total = long(entries.size());
    std::map<QString, long> byEvent;
    const QString released = releaseStateText(release_state::released) + QStringLiteral(" (");
    for (const audit_entry& e : entries) {
        ++byEvent[e.event];
        if (e.event == audit_event::anyProgram && !e.newValue.startsWith(released))
            ++a.anyProgramNotReleased;
    }
    for (const QString& kind : {audit_event::setup, audit_event::release, audit_event::revoke, audit_event::anyProgram})
        a.counts.emplace_back(kind, byEvent.count(kind) ? byEvent.at(kind) : 0);
    for (const auto& [event, n] : byEvent)
        if (std::none_of(a.counts.begin(), a.counts.begin() + 4, [&](const auto& c) { return c.first == event; }))
            a.counts.emplace_back(event, n);

    std::reverse(entries.begin(), entries.end());
    const auto onList = [](const audit_entry& e) { return e.event == audit_event::release || e.event == audit_event::revoke; };
    std::stable_partition(entries.begin(), entries.end(), onList);
    if (entries.size() > auditShown)
        entries.resize(auditShown);
    std::stable_sort(entries.begin(), entries.end(), [](const audit_entry& x, const audit_entry& y) { return x.at > y.at; });
    a.shown = std::move(entries);
    return a;
}

long audit_figures::count(const QString& event) const {
    const auto found = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == event; });
    return found == counts.end() ? 0 : found->second;
}

bool fixture_drop::flagged() const {
    return std::any_of(fixtures.begin(), fixtures.end(), [](const fixture_mean& m) { return m.flagged; });
}

bool fixture_drop::compared() const {
    return std::any_of(fixtures.begin(), fixtures.end(), [](const fixture_mean& m) { return m.siblingsMean.has_value(); });
}

std::vector<const drop_figures*> dropsByCpk(const report_figures& figures) {
    std::vector<const drop_figures*> drops;
    for (const drop_figures& d : figures.drops)
        drops.push_back(&d);
    std::stable_sort(drops.begin(), drops.end(), [](const drop_figures* a, const drop_figures* b) {
        if (a->cpk.has_value() != b->cpk.has_value())
            return a->cpk.has_value();
        return a->cpk && *a->cpk < *b->cpk;
    });
    return drops;
}

}  // namespace results
