#pragma once

#include "results/report/report.h"

#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <utility>
#include <vector>

// The report's own questions of the database, each aggregated in SQL; the yields and failures come
// from results::questions.
namespace results::report_detail {

// The period as constant SQL on p.started_utc, and its bound values.
std::pair<QString, QVariantList> periodClause(const report_period& period);

// Stations, programs, the first and last parts' start times, and the stations with several fixtures
// (their fixtures named, without figures yet).
void readCoverage(const QSqlDatabase& db, const report_period& period, report_figures& figures);

// Every expected pin pair's two drops, with histogram, moments, Cpk and drift; and each drop's means
// per fixture of the stations in `fixtures`.
std::vector<drop_figures> readDrops(const QSqlDatabase& db, const report_period& period,
                                    std::vector<station_fixtures>& fixtures);

}  // namespace results::report_detail
