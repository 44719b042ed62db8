#pragma once

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariant>
#include <QVariantList>

namespace results::sql {

// NULLs with a type, which every driver binds as NULL on Qt 5 and Qt 6 alike (a QVariant holding an
// empty QString is a NULL on Qt 5 but '' on Qt 6).
QVariant nullText();
QVariant nullInteger();
QVariant nullReal();
// A text, never NULL: Qt 5 binds a null QString as NULL.
QVariant text(const QString& text);
// NULL for an empty text.
QVariant textOrNull(const QString& text);

bool isSqlite(const QSqlDatabase& db);

// Why a statement failed, in words: the driver's own text, with SQLite's common causes (read-only,
// locked, disk full) named first.
QString why(const QSqlError& e);

// Prepares `statement`, binds `values` to its ? placeholders in order and runs it; one without values
// is run as it is. Throws results::error "WHAT: WHY". Statements are constant text: every value from
// outside comes in bound.
QSqlQuery run(const QSqlDatabase& db, const QString& statement, const QVariantList& values, const QString& what);

// One statement prepared once and run with many rows of values: a server then parses and plans it once,
// not once a row.
class statement {
public:
    statement(const QSqlDatabase& db, const QString& text, const QString& what);
    // Binds `values` to the placeholders in order and runs it; throws results::error "WHAT: WHY".
    QSqlQuery& run(const QVariantList& values);

private:
    QSqlQuery query;
    QString what;
};

// A write transaction: BEGIN IMMEDIATE on SQLite, so the wait for the file's write lock happens at the
// start (bounded by the busy time-out) rather than as a deadlock half-way; rolled back unless committed.
class transaction {
public:
    transaction(const QSqlDatabase& db, const QString& what);
    ~transaction();
    transaction(const transaction&) = delete;
    transaction& operator=(const transaction&) = delete;
    void commit();

private:
    QSqlDatabase database;
    QString what;
    bool open = false;
};

}  // namespace results::sql
