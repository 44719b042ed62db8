#include "results/report/report.h"

#include "results/audit.h"
#include "results/report/drop_stats.h"
#include "results/utc_text.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>

namespace results {

namespace {

// Volts and percents to a micro-unit, so that 1.83 is written 1.83 and not 1.8300000000000003.
QJsonValue number(double value) { return std::round(value * 1e6) / 1e6; }
QJsonValue number(const std::optional<double>& value) { return value ? number(*value) : QJsonValue(QJsonValue::Null); }
QJsonValue time(const QDateTime& when) { return when.isValid() ? QJsonValue(utcText(when)) : QJsonValue(QJsonValue::Null); }

// "record" first, which QJsonObject's sorted keys would not give, so that each line reads by its kind.
void line(QIODevice& out, const char* record, const QJsonObject& figures) {
    const QByteArray rest = QJsonDocument(figures).toJson(QJsonDocument::Compact);
    out.write(QByteArrayLiteral("{\"record\":\"") + record + '"');
    out.write(figures.isEmpty() ? QByteArrayLiteral("}") : QByteArrayLiteral(",") + rest.mid(1));
    out.write("\n");
}

QJsonObject dropHead(const drop_figures& d) {
    return {{QStringLiteral("program"), d.program.path},
            {QStringLiteral("sha256_8"), d.program.sha8},
            {QStringLiteral("pair"), d.pair},
            {QStringLiteral("direction"), d.direction},
            {QStringLiteral("n"), qint64(d.n)}};
}

}  // namespace

void writeReportJsonLines(const report_figures& f, QIODevice& out) {
    QJsonArray programs;
    for (const report_program& p : f.programs)
        programs.append(QJsonObject{{QStringLiteral("path"), p.path}, {QStringLiteral("sha256_8"), p.sha8}});
    line(out, "period",
              {{QStringLiteral("since"), time(f.period.since)},
               {QStringLiteral("until"), time(f.period.until)},
               {QStringLiteral("first_part"), time(f.firstPart)},
               {QStringLiteral("last_part"), time(f.lastPart)},
               {QStringLiteral("generated"), time(f.generated)},
               {QStringLiteral("stations"), QJsonArray::fromStringList(f.stations)},
               {QStringLiteral("programs"), programs},
               {QStringLiteral("parts"), qint64(f.total.parts)},
               {QStringLiteral("passed"), qint64(f.total.passed)},
               {QStringLiteral("failed"), qint64(f.total.failed)},
               {QStringLiteral("units"), qint64(f.total.units)},
               {QStringLiteral("first_pass_yield_percent"), number(f.total.firstPassYield)},
               {QStringLiteral("final_yield_percent"), number(f.total.finalYield)},
               {QStringLiteral("median_test_s"), number(f.total.medianTest)},
               {QStringLiteral("median_cycle_s"), number(f.total.medianCycle)}});

    for (const summary_row& y : f.yields)
        line(out, "yield",
                  {{f.hourly ? QStringLiteral("hour") : QStringLiteral("day"), y.group},
                   {QStringLiteral("parts"), qint64(y.parts)},
                   {QStringLiteral("passed"), qint64(y.passed)},
                   {QStringLiteral("failed"), qint64(y.failed)},
                   {QStringLiteral("units"), qint64(y.units)},
                   {QStringLiteral("first_pass_yield_percent"), number(y.firstPassYield)},
                   {QStringLiteral("final_yield_percent"), number(y.finalYield)},
                   {QStringLiteral("median_test_s"), number(y.medianTest)},
                   {QStringLiteral("median_cycle_s"), number(y.medianCycle)}});

    int rank = 0;
    for (const failure_row& r : f.failures)
        line(out, "failure",
                  {{QStringLiteral("rank"), ++rank},
                   {QStringLiteral("mode"), r.mode},
                   {QStringLiteral("count"), qint64(r.count)},
                   {QStringLiteral("cumulative_percent"), number(r.cumulativePercent)},
                   {QStringLiteral("measured_min"), number(r.measuredMin)},
                   {QStringLiteral("measured_max"), number(r.measuredMax)}});

    for (const drop_figures& d : f.drops) {
        QJsonObject drop = dropHead(d);
        drop.insert(QStringLiteral("mean"), d.n ? number(d.mean) : QJsonValue(QJsonValue::Null));
        drop.insert(QStringLiteral("sd"), d.n > 1 ? number(d.sd) : QJsonValue(QJsonValue::Null));
        drop.insert(QStringLiteral("cpk"), number(d.cpk));
        drop.insert(QStringLiteral("expected"), number(d.expected));
        drop.insert(QStringLiteral("tolerance"), number(d.tolerance));
        QJsonArray histogram;
        for (const auto& [step, count] : d.histogram)
            histogram.append(QJsonArray{number(report_detail::voltsOf(step)), qint64(count)});
        drop.insert(QStringLiteral("histogram"), histogram);
        line(out, "drop", drop);
    }

    for (const drop_figures& d : f.drops) {
        QJsonObject drift = dropHead(d);
        drift.insert(QStringLiteral("enough"), d.drift.enough);
        drift.insert(QStringLiteral("first_mean"), d.drift.enough ? number(d.drift.firstMean) : QJsonValue(QJsonValue::Null));
        drift.insert(QStringLiteral("last_mean"), d.drift.enough ? number(d.drift.lastMean) : QJsonValue(QJsonValue::Null));
        drift.insert(QStringLiteral("limit"), number(d.tolerance / 2));
        drift.insert(QStringLiteral("flagged"), d.drift.flagged);
        line(out, "drift", drift);
    }

    // The fixtures of the stations that had several: null names the single unnamed one.
    const auto fixtureName = [](const QString& name) { return name.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(name); };
    for (const station_fixtures& s : f.fixtures) {
        for (const fixture_yield& y : s.fixtures)
            line(out, "fixture",
                 {{QStringLiteral("station"), s.station},
                  {QStringLiteral("fixture"), fixtureName(y.name)},
                  {QStringLiteral("parts"), qint64(y.yield.parts)},
                  {QStringLiteral("passed"), qint64(y.yield.passed)},
                  {QStringLiteral("failed"), qint64(y.yield.failed)},
                  {QStringLiteral("units"), qint64(y.yield.units)},
                  {QStringLiteral("first_pass_yield_percent"), number(y.yield.firstPassYield)},
                  {QStringLiteral("final_yield_percent"), number(y.yield.finalYield)}});
        for (const fixture_drop& d : s.drops)
            for (const fixture_mean& m : d.fixtures)
                line(out, "fixture_drop",
                     {{QStringLiteral("station"), s.station},
                      {QStringLiteral("fixture"), fixtureName(m.fixture)},
                      {QStringLiteral("program"), d.program.path},
                      {QStringLiteral("sha256_8"), d.program.sha8},
                      {QStringLiteral("pair"), d.pair},
                      {QStringLiteral("direction"), d.direction},
                      {QStringLiteral("n"), qint64(m.n)},
                      {QStringLiteral("mean"), number(m.mean)},
                      {QStringLiteral("siblings_mean"), number(m.siblingsMean)},
                      {QStringLiteral("limit"), number(d.tolerance / 2)},
                      {QStringLiteral("flagged"), m.flagged}});
    }

    // The period's audit trail: every kind counted, then the entries the page lists, with the names
    // `results audit` gives them.
    for (const auto& [event, count] : f.audit.counts)
        line(out, "audit_count", {{QStringLiteral("event"), event}, {QStringLiteral("count"), qint64(count)}});
    for (const audit_entry& e : f.audit.shown)
        line(out, "audit", auditFields(e));
}

}  // namespace results
