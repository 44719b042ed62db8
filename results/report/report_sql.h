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

// Stations, programs, and the first and last parts' start times.
void readCoverage(const QSqlDatabase& db, const report_period& period, report_figures& figures);

// Every expected pin pair's two drops, with histogram, moments, Cpk and drift.
std::vector<drop_figures> readDrops(const QSqlDatabase& db, const report_period& period);

}  // namespace results::report_detail
