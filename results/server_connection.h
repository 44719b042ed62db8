#pragma once

#include "results/connection.h"
#include "results/server_url.h"

#include <QString>

namespace results {

// A connection to the results server, open; empty error when it is. libpq finds the password itself
// (PGPASSWORD, ~/.pgpass), so none is ever given here.
class server_connection {
public:
    server_connection(const server_url& server, int connectTimeoutS, const QString& purpose);
    bool isOpen() const { return why.isEmpty(); }
    // "cannot reach URL: the server's reason"; empty when open.
    QString error() const { return why; }
    QSqlDatabase& db() { return conn.db(); }
    void cancel() {}

private:
    connection conn;
    QString why;
};

}  // namespace results
