#include "results/server_connection.h"

#include "results/sql.h"

#include <QSqlQuery>

namespace results {

server_connection::server_connection(const server_url& server, int connectTimeoutS, const QString& purpose)
    : conn(QStringLiteral("QPSQL"), purpose) {
    QSqlDatabase& db = conn.db();
    db.setHostName(server.host);
    db.setPort(server.port);
    db.setDatabaseName(server.database);
    if (!server.user.isEmpty())
        db.setUserName(server.user);
    QString connectOptions = QStringLiteral("connect_timeout=%1").arg(connectTimeoutS);
    if (!server.sslmode.isEmpty())
        connectOptions += QStringLiteral(";sslmode=") + server.sslmode;
    db.setConnectOptions(connectOptions);
    if (!db.open()) {
        why = QStringLiteral("cannot reach %1: %2").arg(server.display(), sql::why(db.lastError()));
        return;
    }
    // libpq prints the server's notices on stderr; CREATE ... IF NOT EXISTS raises one on every forward.
    QSqlQuery(db).exec(QStringLiteral("SET client_min_messages TO warning"));
}

}  // namespace results
