#include "results/bulk_insert.h"

#include "results/error.h"
#include "results/sql.h"

#include <QSqlError>

#include <algorithm>

namespace results {

bulk_insert::bulk_insert(const QSqlDatabase& db, QString what, std::function<QString(const tables::table&)> conflict)
    : db(db), what(std::move(what)), conflict(std::move(conflict)) {}

long bulk_insert::write(const tables::table& t, const std::vector<QVariantList>& values, std::size_t from,
                        std::size_t count) {
    const int columns = t.sentList().size();
    // PostgreSQL takes at most 65535 parameters a statement; far fewer keeps each statement short.
    const std::size_t perStatement = static_cast<std::size_t>(std::max(1, 6000 / columns));
    const std::size_t end = std::min(values.size(), count == SIZE_MAX ? values.size() : from + count);
    long affected = 0;
    for (std::size_t at = from; at < end; at += perStatement) {
        const std::size_t n = std::min(perStatement, end - at);
        QSqlQuery& query = statementFor(t, static_cast<int>(n));
        int bound = 0;
        for (std::size_t r = at; r < at + n; ++r)
            for (const QVariant& v : values[r])
                query.bindValue(bound++, v);
        if (!query.exec())
            throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())), query.lastError().nativeErrorCode());
        affected += std::max(0, query.numRowsAffected());
    }
    return affected;
}

QSqlQuery& bulk_insert::statementFor(const tables::table& t, int rowCount) {
    const auto key = std::make_pair(QString::fromLatin1(t.name), rowCount);
    const auto found = prepared.find(key);
    if (found != prepared.end())
        return *found->second;
    // Odd sizes come once a batch: keep the cache small.
    if (prepared.size() > 32)
        prepared.clear();
    auto query = std::make_unique<QSqlQuery>(db);
    const QString text = t.insertStatement(t.sentList(), rowCount) + (conflict ? conflict(t) : QString());
    if (!query->prepare(text))
        throw error(QStringLiteral("%1: %2").arg(what, sql::why(query->lastError())), query->lastError().nativeErrorCode());
    return *prepared.emplace(key, std::move(query)).first->second;
}

}  // namespace results
