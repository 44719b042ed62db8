#pragma once

// A year of a production line's records, the rows a station writes (runs, parts, comparisons,
// measurements), made up from a fixed seed so that every database loaded with it holds the same rows.

#include <QString>
#include <QVariantList>

#include <functional>

namespace bench_results {

// Receives each row as its column values, in the table's column order (see year_data.cpp); a part's
// comparisons and measurements come right after it, the runs before their first part.
struct row_sink {
    std::function<void(const QVariantList&)> run, part, comparison, measurement;
};

extern const char* const runColumns;
extern const char* const partColumns;
extern const char* const comparisonColumns;
extern const char* const measurementColumns;

// `parts` parts over the 365 days of 2026, three stations, two programs, one run per station a day.
void makeYear(long parts, const row_sink& sink);

}  // namespace bench_results
