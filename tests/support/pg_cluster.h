#pragma once

#include "results/connection.h"
#include "setup/server_url.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>

// A PostgreSQL server of the tests' and benches' own, listening only on a Unix socket in its folder. As
// root (CI), the server runs as `nobody`, since PostgreSQL refuses to run as root.
//
// Throwaway (the tests): a new cluster in a temporary folder, stopped and deleted with this object. With
// tls, it also listens on 127.0.0.1 at a free TCP port with TLS on, its certificate (for localhost)
// signed by a CA made for this cluster alone; a second, unrelated CA is there for a client that trusts
// the wrong one.
//
// Kept (the benches): the cluster in a given folder, made there the first time and reused after; a
// server an earlier run left running is stopped first. The server stops with this object unless
// released; the folder stays.
class pg_cluster {
public:
    enum class listen { socket, socket_and_tls };
    explicit pg_cluster(listen how = listen::socket);
    struct kept_in {
        QString folder;
    };
    explicit pg_cluster(const kept_in& kept);
    ~pg_cluster();
    pg_cluster(const pg_cluster&) = delete;
    pg_cluster& operator=(const pg_cluster&) = delete;

    bool ok() const { return problem.isEmpty(); }
    QString error() const { return problem; }  // initdb's, pg_ctl's or the server's own words

    bool start();
    bool stop();  // fast shutdown: open sessions are cut, as when a server goes down
    void release() { running = false; }  // leaves the server running past this object

    QString socketDir() const { return root + QStringLiteral("/sock"); }
    int port() const { return serverPort; }  // the socket's, and with tls the TCP port's too
    QString user() const { return QStringLiteral("rx48p"); }  // the cluster's superuser, no password
    QString stationUser() const { return QStringLiteral("station"); }  // no password either
    QString binDir() const { return bin; }

    // `database` on the socket as user(), or as stationUser().
    setup::server_url url(const QString& database) const;
    setup::server_url stationUrl(const QString& database) const;

    // The CA that signed the server's certificate, and one that did not (PEM files); empty without tls.
    QString caFile() const { return tls ? tlsDir() + QStringLiteral("/ca.crt") : QString(); }
    QString wrongCaFile() const { return tls ? tlsDir() + QStringLiteral("/wrong-ca.crt") : QString(); }

    // A new empty database on the server; false (with error()) if it could not be made.
    bool createDatabase(const QString& name);
    // A new database with the results tables made by their owner (as `results server-init` does), and
    // stationUser() given only a station's rights on them.
    bool createResultsDatabase(const QString& name);
    // A connection as user() to `database`, opened (check db().isOpen()).
    std::unique_ptr<results::connection> connect(const QString& database) const;
    // Runs `work` on a connection as user() to `database`; false (with error()) when it cannot connect
    // or `work` throws.
    bool execute(const QString& database, const std::function<void(QSqlDatabase&)>& work);
    // Runs the SQL file on `database` with psql, stopping at the first error; false with error().
    bool psqlFile(const QString& database, const QString& file);
    // psql's program and arguments for `database`, quiet and stopping at the first error.
    QStringList psql(const QString& database) const;

    // Another program's transaction holding `table` in ACCESS EXCLUSIVE mode until this goes away, so
    // that every statement on the table waits.
    class table_lock {
    public:
        table_lock(const pg_cluster& cluster, const QString& database, const QString& table);
        bool held() const { return holding; }

    private:
        std::unique_ptr<results::connection> conn;
        bool holding = false;
    };

private:
    bool initAndStart(const QString& extraOptions);
    bool run(const QString& program, const QStringList& arguments, int timeoutMs);
    bool makeCertificates();
    bool openssl(const QStringList& arguments);
    QString tlsDir() const { return root + QStringLiteral("/tls"); }
    std::optional<QTemporaryDir> temporary;
    QString root;
    bool tls = false;
    int serverPort = 54329;
    QString bin;
    QString runAs;  // empty: as ourselves
    QString options;
    bool running = false;
    QString problem;
};
