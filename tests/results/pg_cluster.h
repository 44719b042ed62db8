#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <QTemporaryDir>

// A throwaway PostgreSQL server for a test suite: a new cluster in a temporary folder, listening only
// on a Unix socket in that folder, stopped and deleted with this object. As root (CI), the server runs
// as `nobody`, since PostgreSQL refuses to run as root.
class pg_cluster {
public:
    pg_cluster();
    ~pg_cluster();
    pg_cluster(const pg_cluster&) = delete;
    pg_cluster& operator=(const pg_cluster&) = delete;

    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }  // initdb's or pg_ctl's own words

    bool start();
    bool stop();  // fast shutdown: open sessions are cut, as when a server goes down

    QString socketDir() const { return folder.path() + QStringLiteral("/sock"); }
    int port() const { return 54329; }
    QString user() const { return QStringLiteral("rx48p"); }  // the cluster's superuser, no password

    // A new empty database on the server; false (with error()) if it could not be made.
    bool createDatabase(const QString& name);
    // A new database with the results tables made by their owner (as `results server-init` does), and
    // stationUser() given only a station's rights on them.
    bool createResultsDatabase(const QString& name);
    QString stationUser() const { return QStringLiteral("station"); }  // no password, as user()
    // Runs `work` on a connection as user() to `database`; false (with error()) when it cannot connect
    // or `work` throws results::error.
    bool execute(const QString& database, const std::function<void(QSqlDatabase&)>& work);

private:
    bool run(const QString& program, const QStringList& arguments, int timeoutMs);

    QTemporaryDir folder;
    QString bin;
    QString runAs;  // empty: as ourselves
    bool running = false;
    QString problem;
};
