#pragma once

#include <QString>

namespace results {

// Where the results server is: postgresql://[USER@]HOST[:PORT]/DBNAME[?sslmode=MODE], or, for a Unix
// socket, postgresql:///DBNAME?host=/socket/folder. The password is never part of it: libpq reads
// PGPASSWORD or ~/.pgpass itself.
struct server_url {
    QString user;      // empty: libpq's default (PGUSER, then the login name)
    QString host;      // a name, an address, or a socket folder (starts with '/')
    int port = 5432;
    QString database;
    QString sslmode;   // empty: libpq's default

    // Throws results::error saying what is wrong with `text`.
    static server_url parse(const QString& text);
    // The URL again, for messages.
    QString display() const;
};

}  // namespace results
