#pragma once

#include <QString>

#include <memory>

namespace bench_results {

// The journal of a year of `parts` parts at `path`, made if missing (tables by results::journal, rows in
// big transactions, the secondary indexes built once the rows are in, as fast as SQLite takes them).
// Returns false with `error` on failure.
bool makeJournal(const QString& path, long parts, QString& error);

// A PostgreSQL cluster kept in `folder` between runs (created there the first time), listening only on a
// Unix socket in it, running while this object lives. As root the server runs as `nobody`.
class kept_cluster {
public:
    explicit kept_cluster(const QString& folder);
    ~kept_cluster();
    kept_cluster(const kept_cluster&) = delete;
    kept_cluster& operator=(const kept_cluster&) = delete;

    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }
    // postgresql://USER@/DBNAME?host=SOCKETS, as rx48p-ctl --server takes it.
    QString url(const QString& database) const;
    // The journal's rows on a database of their own (tables made by results::schema), loaded once with
    // COPY through psql and kept; false with error() on failure.
    bool load(const QString& journal, const QString& database);
    // Leaves the server running past this object.
    void release() { running = false; }

private:
    bool run(const QString& program, const QStringList& arguments, int timeoutMs);
    QString folder, bin, runAs, problem;
    bool running = false;
};

}  // namespace bench_results
