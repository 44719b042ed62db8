#pragma once

#include <QSqlDatabase>

namespace results::schema {

// The version of the tables this program writes: SQLite keeps it in PRAGMA user_version, the server in
// the table results_schema.
constexpr int version = 4;

// Brings a database whose tables are at version `from` (0: none) up to `version`, inside the caller's
// transaction. The statements are the same on SQLite and PostgreSQL.
void migrate(const QSqlDatabase& db, int from);

}  // namespace results::schema
