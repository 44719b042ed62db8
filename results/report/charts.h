#pragma once

#include "results/report/report.h"

#include <QString>
#include <QXmlStreamWriter>

#include <vector>

// The report's charts, each one inline <svg class="chart"> with the given id.
namespace results::report_detail {

// First-pass and final yield per day or hour, 0-100 %.
void writeYieldChart(QXmlStreamWriter& w, const QString& id, const std::vector<summary_row>& yields, bool hourly);
// The first `bars` failure modes by count, with the cumulative share of all failures (0-100 %).
void writeParetoChart(QXmlStreamWriter& w, const QString& id, const std::vector<failure_row>& failures, int bars);
// The drop's parts per 0.02 V step, over its expected value and tolerance band.
void writeDropHistogram(QXmlStreamWriter& w, const QString& id, const drop_figures& drop);
// One drop's mean on each fixture of a station, a row each over the tolerance band, a flagged one in red
// beside its siblings' mean.
void writeFixtureMeans(QXmlStreamWriter& w, const QString& id, const QString& station, const fixture_drop& drop);

}  // namespace results::report_detail
