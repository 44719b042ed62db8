#pragma once

#include <QSqlDatabase>
#include <QString>
#include <QStringList>

namespace results::server_schema {

// Throws results::error, naming `where` and what its owner must do, unless the server's tables are at
// this program's version.
void require(const QSqlDatabase& db, const QString& where);

struct init_report {
    int from = 0;  // the version found; 0: no tables
    int to = 0;
};

// Creates the server's tables, or brings them to this program's version, in one transaction; refuses a
// newer version. For the database's owner: stations need only stationGrants(). Two at once wait for
// each other. Throws results::error.
init_report init(const QSqlDatabase& db, const QString& where);

// What a station's role needs on the server and no more: to read (the questions, and a forward's check
// of the version), to insert parts, and to add a run's end and a part's cycle to rows already there.
// Throws results::error for a role name that is not a plain SQL name.
QStringList stationGrants(const QString& role);
void grant(const QSqlDatabase& db, const QString& role, const QString& where);

}  // namespace results::server_schema
