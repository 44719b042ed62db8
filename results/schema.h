#pragma once

#include <QSqlDatabase>

namespace results::schema {

// The version of the tables this program writes: SQLite keeps it in PRAGMA user_version, the server in
// the table results_schema.
constexpr int version = 6;

// Brings a database whose tables are at version `from` (0: none) up to `version`, inside the caller's
// transaction: a new one is created from the tables' declaration, an older one migrated step by step.
// The statements are the same on SQLite and PostgreSQL.
void migrate(const QSqlDatabase& db, int from);

// The database's own id (database_info), made when its tables were created or brought to version 4.
QString databaseId(const QSqlDatabase& db);

}  // namespace results::schema
