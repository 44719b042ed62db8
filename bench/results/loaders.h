#pragma once

#include "pg_cluster.h"

#include <QString>

namespace bench_results {

// The journal of a year of `parts` parts at `path`, made if missing (tables by results::journal, rows in
// big transactions, the secondary indexes built once the rows are in, as fast as SQLite takes them).
// Returns false with `error` on failure.
bool makeJournal(const QString& path, long parts, QString& error);

// The journal's rows on a database of their own on `cluster` (tables made by results::schema), loaded
// once with COPY through psql and kept; false with `error` on failure.
bool loadOnServer(pg_cluster& cluster, const QString& journal, const QString& database, QString& error);

}  // namespace bench_results
