#include "loaders.h"
#include "year_data.h"

#include "results/error.h"
#include "results/schema.h"
#include "results/sql.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>
#include <stdexcept>
#include <utility>
#include <vector>

#include <pwd.h>
#include <unistd.h>

namespace bench_results {

namespace {

constexpr int port = 54331;
const QString user = QStringLiteral("rx48p");

QString serverBin() {
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList majors = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(majors.begin(), majors.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& major : majors)
        if (QFile::exists(versions.filePath(major + QStringLiteral("/bin/initdb"))))
            return versions.filePath(major + QStringLiteral("/bin"));
    return QString();
}

// A connection of its own, removed when done.
template <typename F>
void withDatabase(const QString& sockets, const QString& database, F&& use) {
    const QString name = QStringLiteral("bench-pg-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), name);
        db.setHostName(sockets);
        db.setPort(port);
        db.setUserName(user);
        db.setDatabaseName(database);
        if (!db.open())
            throw std::runtime_error("cannot connect to " + database.toStdString() + ": " + db.lastError().text().toStdString());
        use(db);
    }
    QSqlDatabase::removeDatabase(name);
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

kept_cluster::kept_cluster(const QString& folder) : folder(QDir(folder).absolutePath()), bin(serverBin()) {
    if (bin.isEmpty()) {
        problem = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (scripts/setup installs it)");
        return;
    }
    QDir().mkpath(this->folder + QStringLiteral("/sock"));
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            problem = QStringLiteral("no user 'nobody' to run the server as");
            return;
        }
        runAs = QStringLiteral("nobody");
        for (const QString& path : {this->folder, this->folder + QStringLiteral("/sock")})
            if (::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                problem = QStringLiteral("cannot hand %1 to nobody").arg(path);
                return;
            }
    }
    const QString data = this->folder + QStringLiteral("/data");
    if (!QFileInfo::exists(data + QStringLiteral("/PG_VERSION")) &&
        !run(bin + QStringLiteral("/initdb"),
             {"-D", data, "-A", "trust", "-U", user, "-E", "UTF8", "--locale=C", "--no-sync"}, 120000))
        return;
    // A stale server of an earlier run that did not stop is stopped first.
    run(bin + QStringLiteral("/pg_ctl"), {"-D", data, "-m", "fast", "-w", "stop"}, 60000);
    problem.clear();
    const QString options = QStringLiteral("-k %1/sock -c listen_addresses='' -p %2 -c fsync=off -c maintenance_work_mem=512MB")
                                .arg(this->folder)
                                .arg(port);
    running = run(bin + QStringLiteral("/pg_ctl"),
                  {"-D", data, "-l", this->folder + QStringLiteral("/server.log"), "-o", options, "-w", "-t", "60", "start"}, 70000);
}

kept_cluster::~kept_cluster() {
    if (running)
        run(bin + QStringLiteral("/pg_ctl"), {"-D", folder + QStringLiteral("/data"), "-m", "fast", "-w", "stop"}, 60000);
}

QString kept_cluster::url(const QString& database) const {
    return QStringLiteral("postgresql://%1@:%2/%3?host=%4/sock").arg(user).arg(port).arg(database, folder);
}

bool kept_cluster::load(const QString& journal, const QString& database) {
    const QString sockets = folder + QStringLiteral("/sock");
    const QString partial = database + QStringLiteral("_partial");
    try {
        bool there = false;
        withDatabase(sockets, QStringLiteral("postgres"), [&](QSqlDatabase& db) {
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
            withDatabase(sockets, database, [&](QSqlDatabase& db) {
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
        withDatabase(sockets, partial, [&](QSqlDatabase& db) {
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
        psql.start(bin + QStringLiteral("/psql"),
                   {"-X", "-q", "-v", "ON_ERROR_STOP=1", "-h", sockets, "-p", QString::number(port), "-U", user, "-d", partial});
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
        withDatabase(sockets, QStringLiteral("postgres"), [&](QSqlDatabase& db) {
            exec(db, QStringLiteral("ALTER DATABASE \"%1\" RENAME TO \"%2\"").arg(partial, database));
        });
    } catch (const results::error& e) {
        problem = e.message();
        return false;
    } catch (const std::exception& e) {
        problem = QString::fromStdString(e.what());
        return false;
    }
    return true;
}

bool kept_cluster::run(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setWorkingDirectory(folder);
    process.setProcessChannelMode(QProcess::MergedChannels);
    if (runAs.isEmpty())
        process.start(program, arguments);
    else
        process.start(QStringLiteral("runuser"), QStringList{QStringLiteral("-u"), runAs, QStringLiteral("--"), program} + arguments);
    const bool finished = process.waitForFinished(timeoutMs);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    problem = QStringLiteral("%1 failed: %2").arg(QFileInfo(program).fileName(), QString::fromLocal8Bit(process.readAll()));
    return false;
}

}  // namespace bench_results
