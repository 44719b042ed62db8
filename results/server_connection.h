#pragma once

#include "results/connection.h"
#include "setup/server_url.h"

#include <QString>

#include <memory>
#include <mutex>

struct pg_cancel;  // libpq's PGcancel

namespace results {

// How long a connection to the server may wait. Every wait is bounded: a server that stops answering
// ends the statement, never the station.
struct server_limits {
    int connectTimeoutS = 5;         // to reach the server and log in (libpq takes 2 s at least)
    int statementTimeoutMs = 30000;  // one statement on the server, its lock waits included
    int lockTimeoutMs = 5000;        // one wait for a lock another session holds
};

// A connection to the results server, open; empty error when it is. libpq finds the password itself
// (PGPASSWORD, ~/.pgpass), so none is ever given here. TCP keepalives find a server that went away while
// the connection was idle; the server ends any statement past the limits (SQLSTATE 57014 or 55P03).
class server_connection {
public:
    server_connection(const setup::server_url& server, const server_limits& limits, const QString& purpose);
    // The default limits, with this connect time-out.
    server_connection(const setup::server_url& server, int connectTimeoutS, const QString& purpose);
    ~server_connection();
    server_connection(const server_connection&) = delete;
    server_connection& operator=(const server_connection&) = delete;

    bool isOpen() const { return why.isEmpty(); }
    // "cannot reach URL: the server's reason"; empty when open.
    QString error() const { return why; }
    QSqlDatabase& db() { return conn.db(); }

    // Asks the server to end the statement in progress on this connection now; the statement then fails
    // with 57014 (query canceled). Callable from any thread while this object lives; does nothing when no
    // statement runs, so a statement started after it runs on. False when the request could not be sent.
    bool cancel();

private:
    connection conn;
    QString why;
    std::mutex cancelLock;
    std::unique_ptr<pg_cancel, void (*)(pg_cancel*)> canceller;
};

}  // namespace results
