#pragma once

// What a database holds, as a test compares it: the rows of one statement, each as its columns' text
// joined by '|' ("a|b|c"). Values go in bound, never spliced into the statement.

#include <QSqlDatabase>
#include <QStringList>
#include <QVariantList>

namespace test_support {

// On a connection the caller opened (SQLite or PostgreSQL); {"error: ..."} when the statement fails.
QStringList sqlRows(const QSqlDatabase& db, const QString& statement, const QVariantList& bound = {});

// A connection of the test's own, closed and removed with this object: for a lock held across
// statements, or a server's database.
class SqlConnection {
public:
    explicit SqlConnection(const QString& sqliteFile);
    SqlConnection(const QString& host, int port, const QString& user, const QString& database);  // PostgreSQL
    ~SqlConnection();
    SqlConnection(const SqlConnection&) = delete;
    SqlConnection& operator=(const SqlConnection&) = delete;

    bool isOpen() const { return database().isOpen(); }
    QSqlDatabase database() const { return QSqlDatabase::database(name, false); }
    QStringList rows(const QString& statement, const QVariantList& bound = {}) const {
        return sqlRows(database(), statement, bound);
    }

private:
    QString name;
};

// On a SQLite file, through a connection opened and closed around the one statement.
QStringList sqlRows(const QString& sqliteFile, const QString& statement, const QVariantList& bound = {});

}  // namespace test_support
