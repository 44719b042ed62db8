#include "results/sql.h"

#include "results/error.h"

#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
#include <QMetaType>
#endif

namespace results::sql {

namespace {

template <typename T>
QVariant typedNull() {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return QVariant(QMetaType::fromType<T>());
#else
    return QVariant(QVariant::Type(qMetaTypeId<T>()));
#endif
}

void runFixed(const QSqlDatabase& db, const QString& statement, const QString& what) {
    QSqlQuery query(db);
    if (!query.exec(statement))
        throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
}

}  // namespace

QVariant nullText() { return typedNull<QString>(); }
QVariant nullInteger() { return typedNull<qlonglong>(); }
QVariant nullReal() { return typedNull<double>(); }
QVariant text(const QString& text) { return text.isNull() ? QVariant(QString(QLatin1String(""))) : QVariant(text); }
QVariant textOrNull(const QString& text) { return text.isEmpty() ? nullText() : QVariant(text); }

bool isSqlite(const QSqlDatabase& db) { return db.driverName() == QLatin1String("QSQLITE"); }

QString why(const QSqlError& e) {
    QString text = e.databaseText().trimmed();
    if (text.isEmpty())
        text = e.driverText().trimmed();
    // SQLite's primary result codes, which QSQLITE reports as the native code.
    static const struct {
        const char* code;
        const char* cause;
    } causes[] = {
        {"5", "the database is locked by another program past the busy time-out"},
        {"6", "the database is locked by another connection of this program"},
        {"8", "the file is read-only"},
        {"10", "the disk could not be read or written"},
        {"13", "the disk is full"},
        {"14", "the file cannot be opened"},
        {"26", "the file is not a database"},
    };
    for (const auto& c : causes)
        if (e.nativeErrorCode() == QLatin1String(c.code))
            return QStringLiteral("%1 (%2)").arg(QLatin1String(c.cause), text);
    return text.isEmpty() ? QStringLiteral("unknown database error") : text;
}

QSqlQuery run(const QSqlDatabase& db, const QString& statement, const QVariantList& values, const QString& what) {
    QSqlQuery query(db);
    // PostgreSQL prepares no CREATE nor PRAGMA-like statement; one without values has nothing to bind.
    if (values.isEmpty()) {
        if (!query.exec(statement))
            throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
        return query;
    }
    if (!query.prepare(statement))
        throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
    return query;
}

statement::statement(const QSqlDatabase& db, const QString& text, const QString& what) : query(db), what(what) {
    if (!query.prepare(text))
        throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
}

QSqlQuery& statement::run(const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw error(QStringLiteral("%1: %2").arg(what, why(query.lastError())), query.lastError().nativeErrorCode());
    return query;
}

transaction::transaction(const QSqlDatabase& db, const QString& what) : database(db), what(what) {
    runFixed(database, isSqlite(database) ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("BEGIN"), what);
    open = true;
}

transaction::~transaction() {
    if (!open)
        return;
    QSqlQuery query(database);
    query.exec(QStringLiteral("ROLLBACK"));  // a failed rollback leaves nothing more to undo
}

void transaction::commit() {
    runFixed(database, QStringLiteral("COMMIT"), what);
    open = false;
}

}  // namespace results::sql
