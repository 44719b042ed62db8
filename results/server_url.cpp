#include "results/server_url.h"

#include "results/error.h"

#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

namespace results {

namespace {

const QStringList sslModes{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                           QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

}  // namespace

server_url server_url::parse(const QString& text) {
    const auto bad = [&text](const QString& why) {
        return error(QStringLiteral("bad server URL '%1': %2").arg(text, why));
    };
    // Before anything echoes the text: USER:PASSWORD@ ahead of the first '/' after the scheme.
    const int authority = text.indexOf(QStringLiteral("://")) + 3;
    const int at = text.indexOf(QLatin1Char('@'), authority);
    const int slash = text.indexOf(QLatin1Char('/'), authority);
    if (authority >= 3 && at > 0 && (slash < 0 || at < slash) && text.mid(authority, at - authority).contains(QLatin1Char(':')))
        throw error(QStringLiteral("bad server URL: put the password in PGPASSWORD or ~/.pgpass, not in the URL"));
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())  // QUrl's reason, without the dump of the URL it appends
        throw bad(url.errorString().section(QStringLiteral("; source was"), 0, 0));
    if (url.scheme() != QLatin1String("postgresql") && url.scheme() != QLatin1String("postgres"))
        throw bad(QStringLiteral("it must start with postgresql://"));
    if (!url.fragment().isEmpty())
        throw bad(QStringLiteral("it has a #fragment"));

    server_url server;
    server.user = url.userName();
    server.host = url.host();
    const QString path = url.path();
    if (!path.startsWith(QLatin1Char('/')) || path.size() < 2 || path.indexOf(QLatin1Char('/'), 1) >= 0)
        throw bad(QStringLiteral("it must name one database: postgresql://HOST/DBNAME"));
    server.database = path.mid(1);

    const QUrlQuery query(url);
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (key == QLatin1String("sslmode")) {
            if (!sslModes.contains(value))
                throw bad(QStringLiteral("sslmode must be one of %1").arg(sslModes.join(QStringLiteral(", "))));
            server.sslmode = value;
        } else if (key == QLatin1String("host")) {
            if (!server.host.isEmpty())
                throw bad(QStringLiteral("it names the host twice"));
            if (!value.startsWith(QLatin1Char('/')))
                throw bad(QStringLiteral("host= takes a socket folder, starting with /"));
            server.host = value;
        } else {
            throw bad(QStringLiteral("unknown option '%1' (only sslmode and host are taken)").arg(key));
        }
    }
    if (server.host.isEmpty())
        throw bad(QStringLiteral("it names no host"));
    const int port = url.port(5432);
    if (port < 1 || port > 65535)
        throw bad(QStringLiteral("the port must be 1 to 65535"));
    server.port = port;
    return server;
}

QString server_url::display() const {
    QUrl url;
    url.setScheme(QStringLiteral("postgresql"));
    url.setUserName(user);
    QUrlQuery query;
    if (host.startsWith(QLatin1Char('/')))
        query.addQueryItem(QStringLiteral("host"), host);
    else
        url.setHost(host);
    if (port != 5432)
        url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    if (!sslmode.isEmpty())
        query.addQueryItem(QStringLiteral("sslmode"), sslmode);
    if (!query.isEmpty())
        url.setQuery(query);
    return url.toString();
}

}  // namespace results
