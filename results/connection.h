#pragma once

#include <QSqlDatabase>
#include <QString>

namespace results {

// A QSqlDatabase connection of its own, under a unique name, removed when this goes away. Qt keeps
// connections in a global registry by name: two journals or forwarders must never share one, and a
// connection must be removed only after every query on it is gone, so queries live in narrower scopes
// than this.
class connection {
public:
    // Throws results::error when Qt has no such driver (its plugin package is missing).
    connection(const QString& driver, const QString& purpose);
    ~connection();
    connection(const connection&) = delete;
    connection& operator=(const connection&) = delete;

    QSqlDatabase& db() { return database; }
    const QSqlDatabase& db() const { return database; }
    QString name() const { return connectionName; }

private:
    QString connectionName;
    QSqlDatabase database;
};

}  // namespace results
