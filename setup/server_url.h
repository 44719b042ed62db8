#pragma once

#include <QString>

namespace setup {

// Where the results server is: postgresql://[USER@]HOST[:PORT]/DBNAME[?OPTIONS], or, for a Unix socket,
// postgresql:///DBNAME?host=/socket/folder. OPTIONS are sslmode and the TLS files sslrootcert, sslcert,
// sslkey and sslcrl. The password is never part of it: libpq reads PGPASSWORD or ~/.pgpass itself.
struct server_url {
    QString user;      // empty: libpq's default (PGUSER, then the login name)
    QString host;      // a name, an address, or a socket folder (starts with '/')
    int port = 5432;
    QString database;
    QString sslmode;      // empty: libpq's default
    QString sslrootcert;  // the CA that signed the server's certificate; empty: libpq's default
    QString sslcert;      // the station's own certificate and key, for servers that ask for one
    QString sslkey;
    QString sslcrl;       // revoked certificates

    // What is wrong with `text` as a server URL, or empty. The message never quotes the text or any part
    // of it that could hold a password.
    static QString problem(const QString& text);
    // `text` read, once problem() found nothing wrong; otherwise throws std::invalid_argument.
    static server_url parse(const QString& text);
    // The URL again, for messages and windows; parse() takes it back.
    QString display() const;
};

}  // namespace setup
