#include "results/server_connection.h"

#include "results/sql.h"

#include <QSqlDriver>
#include <QSqlQuery>
#include <QVariant>

#include <libpq-fe.h>

namespace results {

namespace {

// An idle connection to a server that went away is found in 10 + 3 x 5 s; data the server does not
// acknowledge within 25 s ends the connection too.
const QString keepalives = QStringLiteral(
    "keepalives=1;keepalives_idle=10;keepalives_interval=5;keepalives_count=3;tcp_user_timeout=25000");

// A value in libpq's conninfo syntax. Qt joins the options with spaces and passes them on as they are.
QString quoted(QString value) {
    value.replace(QLatin1Char('\\'), QStringLiteral("\\\\")).replace(QLatin1Char('\''), QStringLiteral("\\'"));
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

QString connectOptions(const setup::server_url& server, const server_limits& limits, const QString& purpose) {
    QStringList options{QStringLiteral("connect_timeout=%1").arg(limits.connectTimeoutS), keepalives,
                        QStringLiteral("application_name=") + quoted(QStringLiteral("rx48p-") + purpose)};
    const auto add = [&options](const char* key, const QString& value) {
        if (!value.isEmpty())
            options.append(QString::fromLatin1(key) + QLatin1Char('=') + quoted(value));
    };
    add("sslmode", server.sslmode);
    add("sslrootcert", server.sslrootcert);
    add("sslcert", server.sslcert);
    add("sslkey", server.sslkey);
    add("sslcrl", server.sslcrl);
    return options.join(QLatin1Char(';'));
}

server_limits withConnectTimeout(int seconds) {
    server_limits limits;
    limits.connectTimeoutS = seconds;
    return limits;
}

PGconn* libpqHandle(const QSqlDatabase& db) {
    // Qt 5 names the handle's type as the driver declared it, Qt 6 by the struct behind the typedef.
    const QVariant handle = db.driver()->handle();
    if (!handle.isValid() || (qstrcmp(handle.typeName(), "PGconn*") != 0 && qstrcmp(handle.typeName(), "pg_conn*") != 0))
        return nullptr;
    return *static_cast<PGconn* const*>(handle.constData());
}

}  // namespace

server_connection::server_connection(const setup::server_url& server, const server_limits& limits, const QString& purpose)
    : conn(QStringLiteral("QPSQL"), purpose), canceller(nullptr, PQfreeCancel) {
    QSqlDatabase& db = conn.db();
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    if (!server.user.isEmpty())
        db.setUserName(server.user);
    db.setConnectOptions(connectOptions(server, limits, purpose));
    if (!db.open()) {
        why = QStringLiteral("cannot reach %1: %2").arg(server.display(), sql::why(db.lastError()));
        return;
    }
    // The limits are the program's own numbers, bound all the same. libpq prints the server's notices on
    // stderr; CREATE ... IF NOT EXISTS raises one on every forward.
    QSqlQuery session(db);
    session.prepare(QStringLiteral("SELECT set_config('statement_timeout', ?, false), set_config('lock_timeout', ?, false),"
                                   " set_config('client_min_messages', 'warning', false)"));
    session.addBindValue(QString::number(limits.statementTimeoutMs));
    session.addBindValue(QString::number(limits.lockTimeoutMs));
    if (!session.exec()) {
        why = QStringLiteral("cannot set up the session on %1: %2").arg(server.display(), sql::why(session.lastError()));
        return;
    }
    if (PGconn* handle = libpqHandle(db))
        canceller.reset(PQgetCancel(handle));
}

server_connection::server_connection(const setup::server_url& server, int connectTimeoutS, const QString& purpose)
    : server_connection(server, withConnectTimeout(connectTimeoutS), purpose) {}

server_connection::~server_connection() {
    const std::lock_guard<std::mutex> hold(cancelLock);
    canceller.reset();
}

bool server_connection::cancel() {
    const std::lock_guard<std::mutex> hold(cancelLock);
    if (!canceller)
        return false;
    char why[256] = {};
    return PQcancel(canceller.get(), why, sizeof why) == 1;
}

}  // namespace results
