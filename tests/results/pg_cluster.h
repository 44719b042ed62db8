#pragma once

#include <QSqlDatabase>
#include <QString>

#include <functional>
#include <QTemporaryDir>

// A throwaway PostgreSQL server for a test suite: a new cluster in a temporary folder, listening only
// on a Unix socket in that folder, stopped and deleted with this object. As root (CI), the server runs
// as `nobody`, since PostgreSQL refuses to run as root.
//
// With tls, it also listens on 127.0.0.1 at a free TCP port with TLS on, its certificate (for
// localhost) signed by a CA made for this cluster alone; a second, unrelated CA is there for a client
// that trusts the wrong one.
class pg_cluster {
public:
    enum class listen { socket, socket_and_tls };
    explicit pg_cluster(listen how = listen::socket);
    ~pg_cluster();
    pg_cluster(const pg_cluster&) = delete;
    pg_cluster& operator=(const pg_cluster&) = delete;

    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }  // initdb's or pg_ctl's own words

    bool start();
    bool stop();  // fast shutdown: open sessions are cut, as when a server goes down

    QString socketDir() const { return folder.path() + QStringLiteral("/sock"); }
    int port() const { return serverPort; }  // the socket's, and with tls the TCP port's too
    QString user() const { return QStringLiteral("rx48p"); }  // the cluster's superuser, no password

    // The CA that signed the server's certificate, and one that did not (PEM files); empty without tls.
    QString caFile() const { return tls ? tlsDir() + QStringLiteral("/ca.crt") : QString(); }
    QString wrongCaFile() const { return tls ? tlsDir() + QStringLiteral("/wrong-ca.crt") : QString(); }

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
    bool makeCertificates();
    bool openssl(const QStringList& arguments);
    QString tlsDir() const { return folder.path() + QStringLiteral("/tls"); }
    QTemporaryDir folder;
    bool tls = false;
    int serverPort = 54329;
    QString bin;
    QString runAs;  // empty: as ourselves
    bool running = false;
    QString problem;
};
