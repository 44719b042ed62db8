#include "results/connection.h"

#include "results/error.h"

#include <QUuid>

namespace results {

connection::connection(const QString& driver, const QString& purpose)
    : connectionName(QStringLiteral("rx48p-%1-%2").arg(purpose, QUuid::createUuid().toString(QUuid::WithoutBraces))) {
    if (!QSqlDatabase::isDriverAvailable(driver))
        throw error(QStringLiteral("Qt's %1 database driver is not installed").arg(driver));
    database = QSqlDatabase::addDatabase(driver, connectionName);
}

connection::~connection() {
    if (database.isOpen())
        database.close();
    // The registry warns about, and keeps, a connection still referenced: drop ours first.
    database = QSqlDatabase();
    QSqlDatabase::removeDatabase(connectionName);
}

}  // namespace results
