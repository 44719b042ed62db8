#pragma once

#include "results/tables.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <utility>
#include <vector>

namespace results {

// Multi-row inserts of a table's sent columns, each statement prepared once per size and kept: a round
// trip for hundreds of rows rather than one a row.
class bulk_insert {
public:
    // `conflict` gives each table's ON CONFLICT clause (or none).
    bulk_insert(const QSqlDatabase& db, QString what, std::function<QString(const tables::table&)> conflict);

    // Inserts `count` rows of `values` from `from`, in statements of a few hundred; the rows the database
    // added or changed. Throws results::error "WHAT: WHY" with the database's code.
    long write(const tables::table& t, const std::vector<QVariantList>& values, std::size_t from = 0,
               std::size_t count = SIZE_MAX);

private:
    QSqlQuery& statementFor(const tables::table& t, int rowCount);

    QSqlDatabase db;
    QString what;
    std::function<QString(const tables::table&)> conflict;
    std::map<std::pair<QString, int>, std::unique_ptr<QSqlQuery>> prepared;
};

}  // namespace results
