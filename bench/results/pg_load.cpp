#include "loaders.h"
#include "year_data.h"

#include "results/error.h"
#include "results/schema.h"
#include "results/sql.h"

#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <functional>
#include <stdexcept>
#include <utility>
#include <vector>

namespace bench_results {

namespace {

// `work` on a connection to `database`; its failure thrown on.
void run(pg_cluster& cluster, const QString& database, const std::function<void(QSqlDatabase&)>& work) {
    if (!cluster.execute(database, work))
        throw std::runtime_error(cluster.error().toStdString());
}

void exec(const QSqlDatabase& db, const QString& text) {
    QSqlQuery q(db);
    if (!q.exec(text))
        throw std::runtime_error(text.toStdString() + ": " + q.lastError().text().toStdString());
}

// COPY's text format: a backslash, tab, line feed or carriage return escaped, NULL as \N.
QByteArray copyField(const QVariant& v) {
    if (v.isNull())
        return QByteArrayLiteral("\\N");
    if (v.userType() == QMetaType::Double)
        return QByteArray::number(v.toDouble(), 'g', 17);
    QByteArray text = v.toString().toUtf8();
    text.replace('\\', "\\\\").replace('\t', "\\t").replace('\n', "\\n").replace('\r', "\\r");
    return text;
}

}  // namespace

bool loadOnServer(pg_cluster& cluster, const QString& journal, const QString& database, QString& error) {
    const QString partial = database + QStringLiteral("_partial");
    try {
        bool there = false;
        run(cluster, QStringLiteral("postgres"), [&](QSqlDatabase& db) {
            QSqlQuery q(db);
            q.prepare(QStringLiteral("SELECT 1 FROM pg_database WHERE datname = ?"));
            q.addBindValue(database);
            there = q.exec() && q.next();
            q.finish();
            if (!there) {
                exec(db, QStringLiteral("DROP DATABASE IF EXISTS \"%1\"").arg(partial));
                exec(db, QStringLiteral("CREATE DATABASE \"%1\"").arg(partial));
            }
        });
        if (there) {
            // Tables of an earlier schema are brought up to date as the forward would.
            run(cluster, database, [&](QSqlDatabase& db) {
                QSqlQuery q(db);
                const int version = q.exec(QStringLiteral("SELECT max(version) FROM results_schema")) && q.next() ? q.value(0).toInt() : 0;
                q.finish();
                if (version >= results::schema::version)
                    return;
                db.transaction();
                results::schema::migrate(db, version);
                exec(db, QStringLiteral("UPDATE results_schema SET version = %1").arg(results::schema::version));
                db.commit();
                exec(db, QStringLiteral("ANALYZE"));
            });
            return true;
        }
        std::vector<QString> dropped, restore;
        run(cluster, partial, [&](QSqlDatabase& db) {
            // The tables as the forward makes them on a server.
            db.transaction();
            exec(db, QStringLiteral("CREATE TABLE results_schema (version INTEGER NOT NULL)"));
            results::schema::migrate(db, 0);
            exec(db, QStringLiteral("INSERT INTO results_schema (version) VALUES (%1)").arg(results::schema::version));
            db.commit();
            // Keys and indexes come back once the rows are in: one sort each instead of a random insert a row.
            QSqlQuery q(db);
            q.exec(QStringLiteral("SELECT conrelid::regclass::text, conname, pg_get_constraintdef(oid), contype FROM pg_constraint"
                                  " WHERE connamespace = 'public'::regnamespace AND contype IN ('p', 'f') ORDER BY contype"));
            std::vector<QString> keys, foreign;
            while (q.next()) {
                dropped.push_back(QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2").arg(q.value(0).toString(), q.value(1).toString()));
                (q.value(3).toString() == QLatin1String("p") ? keys : foreign)
                    .push_back(QStringLiteral("ALTER TABLE %1 ADD CONSTRAINT %2 %3")
                                   .arg(q.value(0).toString(), q.value(1).toString(), q.value(2).toString()));
            }
            q.exec(QStringLiteral("SELECT indexname, indexdef FROM pg_indexes i WHERE schemaname = 'public' AND NOT EXISTS"
                                  " (SELECT 1 FROM pg_constraint c WHERE c.conname = i.indexname)"));
            std::vector<QString> indexes;
            while (q.next()) {
                dropped.push_back(QStringLiteral("DROP INDEX %1").arg(q.value(0).toString()));
                indexes.push_back(q.value(1).toString());
            }
            q.finish();
            for (const QString& s : dropped)
                exec(db, s);
            restore = keys;
            restore.insert(restore.end(), foreign.begin(), foreign.end());
            restore.insert(restore.end(), indexes.begin(), indexes.end());
        });

        QProcess psql;
        psql.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        const QStringList command = cluster.psql(partial);
        psql.start(command.first(), command.mid(1));
        if (!psql.waitForStarted(10000))
            throw std::runtime_error("cannot start psql");
        const QString name = QStringLiteral("bench-copy-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
        {
            QSqlDatabase source = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
            source.setDatabaseName(journal);
            source.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY"));
            if (!source.open())
                throw std::runtime_error("cannot open " + journal.toStdString());
            const std::pair<const char*, const char*> tables[] = {
                {"runs", runColumns}, {"parts", partColumns}, {"comparisons", comparisonColumns}, {"measurements", measurementColumns}};
            for (const auto& [table, columns] : tables) {
                // The server's rows are forwarded ones.
                const bool flagged = QLatin1String(table) == QLatin1String("runs") || QLatin1String(table) == QLatin1String("parts");
                psql.write(QStringLiteral("COPY %1 (%2%3) FROM STDIN;\n")
                               .arg(QLatin1String(table), QLatin1String(columns), flagged ? QStringLiteral(", forwarded") : QString())
                               .toUtf8());
                QSqlQuery rows(source);
                rows.setForwardOnly(true);
                if (!rows.exec(QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(QLatin1String(columns), QLatin1String(table))))
                    throw std::runtime_error("reading " + std::string(table) + ": " + rows.lastError().text().toStdString());
                const int width = QString::fromLatin1(columns).count(QLatin1Char(',')) + 1;
                QByteArray chunk;
                while (rows.next()) {
                    for (int i = 0; i < width; ++i) {
                        if (i)
                            chunk += '\t';
                        chunk += copyField(rows.value(i));
                    }
                    chunk += flagged ? QByteArrayLiteral("\t1\n") : QByteArrayLiteral("\n");
                    if (chunk.size() > (1 << 20)) {
                        psql.write(chunk);
                        chunk.clear();
                        while (psql.bytesToWrite() > 0)
                            if (!psql.waitForBytesWritten(600000))
                                throw std::runtime_error("psql stopped taking rows");
                    }
                }
                psql.write(chunk + QByteArrayLiteral("\\.\n"));
            }
        }
        QSqlDatabase::removeDatabase(name);
        for (const QString& s : restore)
            psql.write(s.toUtf8() + ";\n");
        // As autovacuum leaves a server that has been running: statistics, and a visibility map for
        // index-only scans.
        psql.write("VACUUM ANALYZE;\n");
        psql.closeWriteChannel();
        if (!psql.waitForFinished(3600000) || psql.exitCode() != 0)
            throw std::runtime_error("psql failed loading the rows");
        run(cluster, QStringLiteral("postgres"), [&](QSqlDatabase& db) {
            exec(db, QStringLiteral("ALTER DATABASE \"%1\" RENAME TO \"%2\"").arg(partial, database));
        });
    } catch (const results::error& e) {
        error = e.message();
        return false;
    } catch (const std::exception& e) {
        error = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

}  // namespace bench_results
