#include "setup/server_url.h"

#include <QRegularExpression>
#include <QStringList>
#include <QUrl>
#include <QUrlQuery>

#include <stdexcept>

namespace setup {

namespace {

const QStringList sslModes{QStringLiteral("disable"), QStringLiteral("allow"), QStringLiteral("prefer"),
                           QStringLiteral("require"), QStringLiteral("verify-ca"), QStringLiteral("verify-full")};

// libpq's own keywords: an option named here cannot be a secret typed in the wrong place, so a message
// may name it.
const QStringList libpqKeywords{
    QStringLiteral("hostaddr"), QStringLiteral("port"), QStringLiteral("dbname"), QStringLiteral("user"),
    QStringLiteral("passfile"), QStringLiteral("channel_binding"), QStringLiteral("connect_timeout"),
    QStringLiteral("client_encoding"), QStringLiteral("options"), QStringLiteral("application_name"),
    QStringLiteral("fallback_application_name"), QStringLiteral("keepalives"), QStringLiteral("keepalives_idle"),
    QStringLiteral("keepalives_interval"), QStringLiteral("keepalives_count"), QStringLiteral("tcp_user_timeout"),
    QStringLiteral("replication"), QStringLiteral("gssencmode"), QStringLiteral("requiressl"),
    QStringLiteral("sslcompression"), QStringLiteral("sslcrldir"), QStringLiteral("sslsni"),
    QStringLiteral("requirepeer"), QStringLiteral("ssl_min_protocol_version"),
    QStringLiteral("ssl_max_protocol_version"), QStringLiteral("krbsrvname"), QStringLiteral("gsslib"),
    QStringLiteral("service"), QStringLiteral("target_session_attrs")};

const QString taken = QStringLiteral("host, sslmode, sslrootcert, sslcert, sslkey, sslcrl");

// Thrown inside the reading, caught by problem(); a caller that skips problem() gets it as what it is.
class bad_url : public std::invalid_argument {
public:
    explicit bad_url(const QString& why) : std::invalid_argument(why.toStdString()), text(why) {}
    QString text;
};

bad_url bad(const QString& why) {
    return bad_url(QStringLiteral("bad server URL: %1").arg(why));
}

bad_url passwordInUrl() {
    return bad(QStringLiteral("it holds a password (or looks as if it did); put the password in PGPASSWORD or "
                              "~/.pgpass, not in the URL"));
}

// Looks for a password before anything else reads the text, in every way one gets typed: USER:PASSWORD@
// (with '/', '@', '?' or %-escapes inside the password, which break the URL's own syntax), and an option
// such as password= or sslpassword=.
bool holdsPassword(const QString& text) {
    const int scheme = text.indexOf(QStringLiteral("://"));
    const QString rest = scheme >= 0 ? text.mid(scheme + 3) : text;
    // USER:PASSWORD@ before the options; the last '@' there, since a password may hold one.
    int end = rest.size();
    for (const QChar stop : {QLatin1Char('?'), QLatin1Char('#')})
        if (const int at = rest.indexOf(stop); at >= 0 && at < end)
            end = at;
    const int at = rest.left(end).lastIndexOf(QLatin1Char('@'));
    if (at >= 0 && rest.left(at).contains(QLatin1Char(':')))
        return true;
    // A password holding '?' or '#' moves the URL's options into it: with a ':' ahead of the last '@'
    // anywhere, a URL that QUrl cannot read is taken for one.
    const int lastAt = rest.lastIndexOf(QLatin1Char('@'));
    if (lastAt >= 0 && rest.left(lastAt).contains(QLatin1Char(':')) && !QUrl(text, QUrl::StrictMode).isValid())
        return true;
    // password=... as libpq's key=value text takes it
    if (text.contains(QRegularExpression(QStringLiteral("password\\s*="), QRegularExpression::CaseInsensitiveOption)))
        return true;
    const int question = rest.indexOf(QLatin1Char('?'));
    if (question >= 0)
        for (const QString& item : rest.mid(question + 1).split(QLatin1Char('&'))) {
            const QString key = QUrl::fromPercentEncoding(item.section(QLatin1Char('='), 0, 0).toUtf8());
            if (key.contains(QStringLiteral("password"), Qt::CaseInsensitive))
                return true;
        }
    return false;
}

// QUrl's reason without what it quotes: the source it appends, and the character it names in
// parentheses, which may be one of a password's.
QString urlProblem(const QUrl& url) {
    QString why = url.errorString().section(QStringLiteral("; source was"), 0, 0);
    if (const int paren = why.indexOf(QStringLiteral(" (")); paren >= 0)
        why.truncate(paren);
    return why.isEmpty() ? QStringLiteral("it is not a valid URL") : why;
}

// A TLS file for libpq, absolute or relative to the working folder, as given. Qt hands the options to
// libpq with ';' turned into spaces, so a path with one cannot get there whole.
QString filePath(const QString& option, const QString& value) {
    if (value.isEmpty())
        throw bad(QStringLiteral("%1 needs a file path").arg(option));
    for (const QChar c : value)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f)
            throw bad(QStringLiteral("%1 holds a control character").arg(option));
    if (value.contains(QLatin1Char(';')))
        throw bad(QStringLiteral("%1 holds a ';', which cannot be passed on to the server's driver").arg(option));
    if (value.startsWith(QLatin1Char('~')))
        throw bad(QStringLiteral("%1 starts with '~', which is not expanded: give the full path").arg(option));
    return value;
}

}  // namespace

QString server_url::problem(const QString& text) {
    try {
        parse(text);
    } catch (const bad_url& e) {
        return e.text;
    }
    return QString();
}

server_url server_url::parse(const QString& text) {
    if (holdsPassword(text))
        throw passwordInUrl();
    const QUrl url(text, QUrl::StrictMode);
    if (!url.isValid())
        throw bad(urlProblem(url));
    if (!url.password().isEmpty() || url.userInfo().contains(QLatin1Char(':')))
        throw passwordInUrl();
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
    QStringList seen;
    for (const auto& [key, value] : query.queryItems(QUrl::FullyDecoded)) {
        if (seen.contains(key))  // only ours are in it
            throw bad(QStringLiteral("it gives %1 twice").arg(key));
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
        } else if (key == QLatin1String("sslrootcert")) {
            server.sslrootcert = filePath(key, value);
        } else if (key == QLatin1String("sslcert")) {
            server.sslcert = filePath(key, value);
        } else if (key == QLatin1String("sslkey")) {
            server.sslkey = filePath(key, value);
        } else if (key == QLatin1String("sslcrl")) {
            server.sslcrl = filePath(key, value);
        } else if (libpqKeywords.contains(key)) {
            throw bad(QStringLiteral("the option '%1' is not taken (only %2 are)").arg(key, taken));
        } else {
            throw bad(QStringLiteral("it has an unknown option (only %1 are taken)").arg(taken));
        }
        seen.append(key);
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
    const auto add = [&query](const char* key, const QString& value) {
        if (!value.isEmpty())  // encoded here, so that '&', '=', '#', '+' and '%' in a path come back as they are
            query.addQueryItem(QString::fromLatin1(key), QString::fromLatin1(QUrl::toPercentEncoding(value, "/")));
    };
    if (host.startsWith(QLatin1Char('/'))) {
        // An empty host, not none: postgresql:///DBNAME, not postgresql:/DBNAME.
        url.setHost(QStringLiteral(""));
        add("host", host);
    } else {
        url.setHost(host);
    }
    if (port != 5432)
        url.setPort(port);
    url.setPath(QLatin1Char('/') + database);
    add("sslmode", sslmode);
    add("sslrootcert", sslrootcert);
    add("sslcert", sslcert);
    add("sslkey", sslkey);
    add("sslcrl", sslcrl);
    if (!query.isEmpty())
        url.setQuery(query);
    // Fully encoded: a space or a non-ASCII letter shown as it is would not parse back.
    return url.toString(QUrl::FullyEncoded);
}

}  // namespace setup
