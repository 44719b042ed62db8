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

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
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

// A TCP port on 127.0.0.1 that nothing listens on now: the kernel's pick for a socket bound to port 0.
int freePort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    ::close(fd);
    return port;
}

}  // namespace

pg_cluster::pg_cluster(listen how) : temporary(std::in_place), tls(how == listen::socket_and_tls), bin(serverBin()) {
    if (!temporary->isValid()) {
        problem = QStringLiteral("cannot create a temporary folder");
        return;
    }
    root = temporary->path();
    initAndStart(QString());
}

// Index builds after a bench's bulk load want more than the default.
pg_cluster::pg_cluster(const kept_in& kept)
    : root(QDir(kept.folder).absolutePath()), bin(serverBin()) {
    initAndStart(QStringLiteral(" -c maintenance_work_mem=512MB"));
}

bool pg_cluster::initAndStart(const QString& extraOptions) {
    if (bin.isEmpty()) {
        problem = QStringLiteral("no PostgreSQL server under /usr/lib/postgresql (scripts/setup installs it)");
        return false;
    }
    QDir().mkpath(socketDir());
    if (tls) {
        serverPort = freePort();
        if (serverPort == 0) {
            problem = QStringLiteral("no free TCP port on 127.0.0.1");
            return false;
        }
        if (!makeCertificates())
            return false;
    }
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody) {
            problem = QStringLiteral("no user 'nobody' to run the server as");
            return false;
        }
        runAs = QStringLiteral("nobody");
        QStringList owned{root, socketDir()};
        if (tls)  // the server refuses a key that others can read, or that is not its own
            owned << tlsDir() + QStringLiteral("/server.key") << tlsDir() + QStringLiteral("/server.crt");
        for (const QString& path : owned)
            if (::chown(QFile::encodeName(path).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
                problem = QStringLiteral("cannot hand %1 to nobody").arg(path);
                return false;
            }
    }
    const QString data = root + QStringLiteral("/data");
    if (QFileInfo::exists(data + QStringLiteral("/PG_VERSION"))) {
        // A kept cluster: a server an earlier run left running is stopped first.
        stop();
        problem.clear();
    } else if (!run(bin + QStringLiteral("/initdb"),
                    {QStringLiteral("-D"), data, QStringLiteral("-A"), QStringLiteral("trust"), QStringLiteral("-U"), user(),
                     QStringLiteral("-E"), QStringLiteral("UTF8"), QStringLiteral("--locale=C"), QStringLiteral("--no-sync")},
                    120000)) {
        return false;
    }
    // No TCP at all: the socket in our own folder is the only way in, so nothing clashes with another
    // server on the machine. fsync off: the data need not survive a power cut.
    options = QStringLiteral("-k %1 -p %2 -c fsync=off").arg(socketDir()).arg(port()) + extraOptions;
    if (tls)  // 127.0.0.1 alone, at a port nothing else held a moment ago
        options += QStringLiteral(" -c listen_addresses=127.0.0.1 -c ssl=on -c ssl_cert_file=%1/server.crt"
                                  " -c ssl_key_file=%1/server.key")
                       .arg(tlsDir());
    else
        options += QStringLiteral(" -c listen_addresses=''");
    return start();
}

pg_cluster::~pg_cluster() {
    if (running)
        stop();
}

bool pg_cluster::start() {
    if (running)
        return true;
    running = run(bin + QStringLiteral("/pg_ctl"),
                  {QStringLiteral("-D"), root + QStringLiteral("/data"), QStringLiteral("-l"), root + QStringLiteral("/server.log"),
                   QStringLiteral("-o"), options, QStringLiteral("-w"), QStringLiteral("-t"), QStringLiteral("60"),
                   QStringLiteral("start")},
                  70000);
    if (running)
        problem.clear();
    return running;
}

bool pg_cluster::stop() {
    const bool stopped = run(bin + QStringLiteral("/pg_ctl"),
                             {QStringLiteral("-D"), root + QStringLiteral("/data"), QStringLiteral("-m"),
                              QStringLiteral("fast"), QStringLiteral("-w"), QStringLiteral("stop")},
                             60000);
    running = running && !stopped;
    return stopped;
}

setup::server_url pg_cluster::url(const QString& database) const {
    setup::server_url url;
    url.host = socketDir();
    url.port = port();
    url.user = user();
    url.database = database;
    return url;
}

setup::server_url pg_cluster::stationUrl(const QString& database) const {
    setup::server_url url = this->url(database);
    url.user = stationUser();
    return url;
}

std::unique_ptr<results::connection> pg_cluster::connect(const QString& database) const {
    auto conn = std::make_unique<results::connection>(QStringLiteral("QPSQL"), QStringLiteral("pg-cluster"));
    conn->db().setHostName(socketDir());
    conn->db().setPort(port());
    conn->db().setUserName(user());
    conn->db().setDatabaseName(database);
    conn->db().open();
    return conn;
}

bool pg_cluster::execute(const QString& database, const std::function<void(QSqlDatabase&)>& work) {
    try {
        const std::unique_ptr<results::connection> conn = connect(database);
        if (!conn->db().isOpen()) {
            problem = conn->db().lastError().text();
            return false;
        }
        work(conn->db());
        return true;
    } catch (const results::error& e) {
        problem = e.message();
    } catch (const std::exception& e) {
        problem = QString::fromLocal8Bit(e.what());
    }
    return false;
}

QStringList pg_cluster::psql(const QString& database) const {
    return {bin + QStringLiteral("/psql"), QStringLiteral("-X"), QStringLiteral("-q"), QStringLiteral("-v"),
            QStringLiteral("ON_ERROR_STOP=1"), QStringLiteral("-h"), socketDir(), QStringLiteral("-p"), QString::number(port()),
            QStringLiteral("-U"), user(), QStringLiteral("-d"), database};
}

bool pg_cluster::psqlFile(const QString& database, const QString& file) {
    const QStringList command = psql(database);
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(command.first(), command.mid(1) + QStringList{QStringLiteral("-f"), file});
    const bool finished = process.waitForFinished(60000);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    problem = QStringLiteral("psql -f %1 failed: %2").arg(file, QString::fromLocal8Bit(process.readAll()));
    return false;
}

pg_cluster::table_lock::table_lock(const pg_cluster& cluster, const QString& database, const QString& table)
    : conn(cluster.connect(database)) {
    QSqlQuery query(conn->db());
    // The table is the test's own constant; LOCK takes no bound name.
    holding = conn->db().transaction() && query.exec(QStringLiteral("LOCK TABLE %1 IN ACCESS EXCLUSIVE MODE").arg(table));
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

bool pg_cluster::makeCertificates() {
    if (!QDir().mkpath(tlsDir())) {
        problem = QStringLiteral("cannot create %1").arg(tlsDir());
        return false;
    }
    QFile extensions(tlsDir() + QStringLiteral("/server.ext"));
    if (!extensions.open(QIODevice::WriteOnly) || extensions.write("subjectAltName=DNS:localhost\n") < 0) {
        problem = QStringLiteral("cannot write %1").arg(extensions.fileName());
        return false;
    }
    extensions.close();
    const QStringList ecKey{QStringLiteral("-newkey"), QStringLiteral("ec"), QStringLiteral("-pkeyopt"),
                            QStringLiteral("ec_paramgen_curve:prime256v1"), QStringLiteral("-nodes")};
    const auto ca = [&ecKey](const QString& name, const QString& subject) {
        return QStringList{QStringLiteral("req"), QStringLiteral("-x509"), QStringLiteral("-days"), QStringLiteral("2")} +
               ecKey +
               QStringList{QStringLiteral("-keyout"), name + QStringLiteral(".key"), QStringLiteral("-out"),
                           name + QStringLiteral(".crt"), QStringLiteral("-subj"), subject};
    };
    return openssl(ca(QStringLiteral("ca"), QStringLiteral("/CN=RX48P test CA"))) &&
           openssl(ca(QStringLiteral("wrong-ca"), QStringLiteral("/CN=Some other CA"))) &&
           openssl(QStringList{QStringLiteral("req"), QStringLiteral("-new")} + ecKey +
                   QStringList{QStringLiteral("-keyout"), QStringLiteral("server.key"), QStringLiteral("-out"),
                               QStringLiteral("server.csr"), QStringLiteral("-subj"), QStringLiteral("/CN=localhost")}) &&
           openssl({QStringLiteral("x509"), QStringLiteral("-req"), QStringLiteral("-in"), QStringLiteral("server.csr"),
                    QStringLiteral("-CA"), QStringLiteral("ca.crt"), QStringLiteral("-CAkey"), QStringLiteral("ca.key"),
                    QStringLiteral("-CAcreateserial"), QStringLiteral("-days"), QStringLiteral("2"),
                    QStringLiteral("-extfile"), QStringLiteral("server.ext"), QStringLiteral("-out"),
                    QStringLiteral("server.crt")}) &&
           QFile::setPermissions(tlsDir() + QStringLiteral("/server.key"), QFile::ReadOwner | QFile::WriteOwner);
}

bool pg_cluster::openssl(const QStringList& arguments) {
    QProcess process;
    process.setWorkingDirectory(tlsDir());
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral("openssl"), arguments);
    const bool finished = process.waitForFinished(30000);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return true;
    if (!finished) {
        process.kill();
        process.waitForFinished();
    }
    problem = QStringLiteral("openssl %1 failed (scripts/setup installs it): %2 %3")
                  .arg(arguments.value(0), process.errorString(), QString::fromLocal8Bit(process.readAll()));
    return false;
}

bool pg_cluster::run(const QString& program, const QStringList& arguments, int timeoutMs) {
    QProcess process;
    process.setWorkingDirectory(root);
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
