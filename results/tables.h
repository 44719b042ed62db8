#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>

#include <initializer_list>
#include <utility>
#include <vector>

namespace results::tables {

struct column {
    const char* name;
    const char* definition;  // type and constraints, the same on SQLite and PostgreSQL
    bool sent = true;        // false: the station's own bookkeeping, never forwarded
};

struct table {
    const char* name;
    std::vector<column> columns;

    // The columns' names joined by ", ": all of them, or only those a forward sends.
    QString names() const;
    QString sentNames() const;
    QStringList sentList() const;
    QString createStatement() const;
    // INSERT INTO name (COLUMNS) VALUES (?, ...), `rows` rows of placeholders.
    QString insertStatement(const QStringList& columns, int rows = 1) const;
    bool has(const char* column) const;
};

struct index {
    const char* name;
    const char* definition;  // "ON table (columns) [WHERE ...]"
};

// Every table of the current version, in an order that creates each before those that refer to it.
// Ids are UUID texts and times fixed-width UTC texts, so both databases hold and sort them alike;
// DOUBLE PRECISION is REAL to SQLite and an 8-byte float to PostgreSQL (whose REAL has 4).
extern const table runs;
extern const table parts;
extern const table comparisons;
extern const table measurements;
extern const table databaseInfo;
extern const table releases;
extern const table audit;
const std::vector<const table*>& all();
const std::vector<index>& indexes();

// The values of one row by column name, bound in the table's order: a name the table does not have is a
// programming error and throws std::logic_error, so a renamed column fails at once in every test.
class row {
public:
    row(const table& of, std::initializer_list<std::pair<const char*, QVariant>> values);
    QStringList columns() const { return names; }
    const QVariantList& values() const { return bound; }

private:
    QStringList names;
    QVariantList bound;
};

// Inserts `values` into `into`; throws results::error "WHAT: WHY".
QSqlQuery insert(const QSqlDatabase& db, const table& into, const row& values, const QString& what);

// parts.forwarded: where a part stands with the journal's server.
enum forward_state : int {
    pending = 0,
    sent = 1,
    refused = 2,  // the server would not take it; forward_problem says why, a later push tries again
};

}  // namespace results::tables
