#include "loaders.h"
#include "year_data.h"

#include "results/error.h"
#include "results/journal.h"

#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>
#include <QUuid>

#include <stdexcept>
#include <utility>
#include <vector>

namespace bench_results {

namespace {

QString placeholders(const char* columns) {
    QStringList marks;
    for (int i = QString::fromLatin1(columns).count(QLatin1Char(',')); i >= 0; --i)
        marks << QStringLiteral("?");
    return marks.join(QStringLiteral(", "));
}

void exec(QSqlQuery& q, const QString& text) {
    if (!q.exec(text))
        throw std::runtime_error(text.toStdString() + ": " + q.lastError().text().toStdString());
}

class inserter {
public:
    inserter(const QSqlDatabase& db, const char* table, const char* columns) : query(db) {
        const QString text = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(QLatin1String(table), QLatin1String(columns),
                                                                              placeholders(columns));
        if (!query.prepare(text))
            throw std::runtime_error(text.toStdString() + ": " + query.lastError().text().toStdString());
    }
    void operator()(const QVariantList& values) {
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec())
            throw std::runtime_error("insert: " + query.lastError().text().toStdString());
    }

private:
    QSqlQuery query;
};

void fill(const QString& file, long parts) {
    const QString name = QStringLiteral("bench-load-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            throw std::runtime_error("cannot open " + file.toStdString());
        QSqlQuery q(db);
        // A bench file: nothing here needs to survive a crash, and the WAL comes back at the end.
        exec(q, QStringLiteral("PRAGMA journal_mode=OFF"));
        exec(q, QStringLiteral("PRAGMA synchronous=OFF"));
        exec(q, QStringLiteral("PRAGMA cache_size=-1048576"));
        // The secondary indexes are built once the rows are in: sorted once instead of a random insert a row.
        std::vector<std::pair<QString, QString>> indexes;
        exec(q, QStringLiteral("SELECT name, sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL"));
        while (q.next())
            indexes.emplace_back(q.value(0).toString(), q.value(1).toString());
        q.finish();
        for (const auto& index : indexes)
            exec(q, QStringLiteral("DROP INDEX %1").arg(index.first));
        {
            inserter runs(db, "runs", runColumns), partRows(db, "parts", partColumns),
                comparisons(db, "comparisons", comparisonColumns), measurements(db, "measurements", measurementColumns);
            long made = 0;
            db.transaction();
            row_sink sink{[&](const QVariantList& v) { runs(v); },
                          [&](const QVariantList& v) {
                              if (made && made % 50000 == 0) {
                                  db.commit();
                                  db.transaction();
                              }
                              ++made;
                              partRows(v);
                          },
                          [&](const QVariantList& v) { comparisons(v); }, [&](const QVariantList& v) { measurements(v); }};
            makeYear(parts, sink);
            if (!db.commit())
                throw std::runtime_error("commit: " + db.lastError().text().toStdString());
        }
        for (const auto& index : indexes)
            exec(q, index.second);
        exec(q, QStringLiteral("PRAGMA journal_mode=WAL"));
    }
    QSqlDatabase::removeDatabase(name);
}

}  // namespace

bool makeJournal(const QString& path, long parts, QString& error) {
    if (QFile::exists(path)) {
        // A journal of an earlier schema is brought up to date as a station would.
        try {
            results::journal upToDate(path);
        } catch (const results::error& e) {
            error = e.message();
            return false;
        }
        return true;
    }
    const QString partial = path + QStringLiteral(".partial");
    for (const QString& f : {partial, partial + QStringLiteral("-wal"), partial + QStringLiteral("-shm")})
        QFile::remove(f);
    try {
        { results::journal tables(partial); }
        fill(partial, parts);
    } catch (const results::error& e) {
        error = e.message();
        return false;
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
        return false;
    }
    QFile::remove(partial + QStringLiteral("-wal"));
    QFile::remove(partial + QStringLiteral("-shm"));
    if (!QFile::rename(partial, path)) {
        error = QStringLiteral("cannot rename %1").arg(partial);
        return false;
    }
    return true;
}

}  // namespace bench_results
