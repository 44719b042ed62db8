#include "sql_rows.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

#include <atomic>

namespace test_support {

namespace {

QString newName() {
    static std::atomic<int> count{0};
    return QStringLiteral("test-support-%1").arg(++count);
}

}  // namespace

QStringList sqlRows(const QSqlDatabase& db, const QString& statement, const QVariantList& bound) {
    if (!db.isOpen())
        return {QStringLiteral("error: not open: ") + db.lastError().text()};
    QSqlQuery q(db);
    if (!q.prepare(statement))
        return {QStringLiteral("error: ") + q.lastError().text()};
    for (const QVariant& value : bound)
        q.addBindValue(value);
    if (!q.exec())
        return {QStringLiteral("error: ") + q.lastError().text()};
    QStringList out;
    while (q.next()) {
        QStringList row;
        for (int i = 0; i < q.record().count(); ++i)
            row << q.value(i).toString();
        out << row.join(QLatin1Char('|'));
    }
    return out;
}

SqlConnection::SqlConnection(const QString& sqliteFile) : name(newName()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    db.setDatabaseName(sqliteFile);
    db.open();
}

SqlConnection::SqlConnection(const QString& host, int port, const QString& user, const QString& database)
    : name(newName()) {
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
    db.setHostName(host);
    db.setPort(port);
    db.setUserName(user);
    db.setDatabaseName(database);
    db.open();
}

SqlConnection::~SqlConnection() {
    QSqlDatabase::database(name, false).close();
    QSqlDatabase::removeDatabase(name);
}

QStringList sqlRows(const QString& sqliteFile, const QString& statement, const QVariantList& bound) {
    return SqlConnection(sqliteFile).rows(statement, bound);
}

}  // namespace test_support
