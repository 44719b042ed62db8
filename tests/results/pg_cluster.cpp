#include "pg_cluster.h"

#include "results/error.h"
#include "results/server_schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

#include <algorithm>

#include <pwd.h>
#include <unistd.h>

namespace {

// Debian's server binaries; the newest installed major version.
QString serverBin() {
    const QDir versions(QStringLiteral("/usr/lib/postgresql"));
    QStringList majors = versions.entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    std::sort(majors.begin(), majors.end(), [](const QString& a, const QString& b) { return a.toInt() > b.toInt(); });
    for (const QString& major : majors) {
        const QString bin = versions.filePath(major + QStringLiteral("/bin"));
        if (QFile::exists(bin + QStringLiteral("/initdb")))
            return bin;
    }
    return QString();
}

}  // namespace

pg_cluster::pg_cluster() : bin(serverBin()) {
    if (!folder.isValid()) {
        problem = QStringLiteral("cannot create a temporary folder");
        return;
    }
    if (bin.isEmpty()) {
        problem = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (scripts/setup installs it)");
        return;
    }
    QDir().mkpath(socketDir());
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            problem = QStringLiteral("no user 'nobody' to run the server as");
            return;
        }
        runAs = QStringLiteral("nobody");
        for (const QString& path : {folder.path(), socketDir()})
            if (::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                problem = QStringLiteral("cannot hand %1 to nobody").arg(path);
                return;
            }
    }
    if (!run(bin + QStringLiteral("/initdb"),
             {QStringLiteral("-D"), folder.path() + QStringLiteral("/data"), QStringLiteral("-A"), QStringLiteral("trust"),
              QStringLiteral("-U"), user(), QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"),
              QStringLiteral("--no-sync")},
             60000))
        return;
    start();
}

pg_cluster::~pg_cluster() {
    if (running)
        stop();
}

bool pg_cluster::start() {
    if (running)
        return true;
    // No TCP at all: the socket in our own folder is the only way in, so nothing clashes with another
    // server on the machine. fsync off: a test's data need not survive a power cut.
    const QString options = QStringLiteral("-k %1 -c listen_addresses='' -p %2 -c fsync=off").arg(socketDir()).arg(port());
    running = run(bin + QStringLiteral("/pg_ctl"),
                  {QStringLiteral("-D"), folder.path() + QStringLiteral("/data"), QStringLiteral("-l"),
                   folder.path() + QStringLiteral("/server.log"), QStringLiteral("-o"), options, QStringLiteral("-w"),
                   QStringLiteral("-t"), QStringLiteral("60"), QStringLiteral("start")},
                  70000);
    if (running)
        problem.clear();
    return running;
}

bool pg_cluster::stop() {
    const bool stopped = run(bin + QStringLiteral("/pg_ctl"),
                             {QStringLiteral("-D"), folder.path() + QStringLiteral("/data"), QStringLiteral("-m"),
                              QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
                             60000);
    running = running && !stopped;
    return stopped;
}

bool pg_cluster::execute(const QString& database, const std::function<void(QSqlDatabase&)>& work) {
    const QString connection = QStringLiteral("pg-cluster-") + QUuid::createUuid().toString(QUuid::WithoutBraces);
    bool done = false;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QPSQL"), connection);
        db.setHostName(socketDir());
        db.setPort(port());
        db.setUserName(user());
        db.setDatabaseName(database);
        if (db.open()) {
            try {
                work(db);
                done = true;
            } catch (const results::error& e) {
                problem = e.message();
            }
        } else {
            problem = db.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(connection);
    return done;
}

bool pg_cluster::createDatabase(const QString& name) {
    return execute(QStringLiteral("postgres"), [&name](QSqlDatabase& db) {
        QSqlQuery query(db);
        // The name is the test's own constant; CREATE DATABASE takes no bound name.
        if (!query.exec(QStringLiteral("CREATE DATABASE \"%1\"").arg(name)))
            throw results::error(query.lastError().text());
    });
}

bool pg_cluster::createResultsDatabase(const QString& name) {
    const bool roleThere = execute(QStringLiteral("postgres"), [this](QSqlDatabase& db) {
        QSqlQuery query(db);
        query.exec(QStringLiteral("SELECT 1 FROM pg_roles WHERE rolname = '%1'").arg(stationUser()));
        if (!query.next() && !query.exec(QStringLiteral("CREATE ROLE %1 LOGIN").arg(stationUser())))
            throw results::error(query.lastError().text());
    });
    return roleThere && createDatabase(name) && execute(name, [this, &name](QSqlDatabase& db) {
               results::server_schema::init(db, name);
               results::server_schema::grant(db, stationUser(), name);
           });
}

bool pg_cluster::run(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setWorkingDirectory(folder.path());
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
    problem = QStringLiteral("%1 failed: %2 %3")
                  .arg(QFileInfo(program).fileName(), process.errorString(), QString::fromLocal8Bit(process.readAll()));
    return false;
}
