// The connection to the results server: a URL's password never reaches a message (the library's, and
// rx48p-ctl's run as a process), the URL shown comes back the same when parsed, TLS verified against the
// right and a wrong CA, every wait bounded by the connection's limits or ended by cancel(), and what the
// server says classified. Against a real PostgreSQL server the suite starts itself, TCP with TLS on
// 127.0.0.1 beside its Unix socket.

#include "pg_cluster.h"

#include "results/error.h"
#include "results/server_connection.h"
#include "results/server_trouble.h"
#include "setup/server_url.h"
#include "results/sql.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

Q_DECLARE_METATYPE(results::server_trouble)

namespace results {
// For QCOMPARE's message.
char* toString(server_trouble t) {
    const char* names[] = {"out_of_reach", "refused", "other"};
    return qstrdup(names[static_cast<int>(t)]);
}
}  // namespace results

namespace {

QString errorOf(const QString& text) {
    const QString problem = setup::server_url::problem(text);
    return problem.isEmpty() ? QStringLiteral("(parsed)") : problem;
}

// Every piece of three characters of the secret that `text` holds: none must be there.
QStringList piecesOf(const QString& secret, const QString& text) {
    QStringList found;
    for (int i = 0; i + 3 <= secret.size(); ++i)
        if (text.contains(secret.mid(i, 3)))
            found << secret.mid(i, 3);
    return found;
}

struct ctl_run {
    int code = -1;
    QString out;
    QString err;
};

ctl_run runCtl(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(RX48P_CTL), arguments);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000)) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QString sslInUse(results::server_connection& conn) {
    QSqlQuery q(conn.db());
    if (!q.exec(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()")) || !q.next())
        return q.lastError().text();
    return q.value(0).toString();
}

results::server_limits limits(int statementMs, int lockMs) {
    results::server_limits l;
    l.statementTimeoutMs = statementMs;
    l.lockTimeoutMs = lockMs;
    return l;
}

}  // namespace

class tst_server : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void passwordNeverShown_data();
    void passwordNeverShown();
    void parsedAndShown_data();
    void parsedAndShown();
    void badUrl_data();
    void badUrl();
    void verifiedTls();
    void ctlNamesTheCertificateProblem();
    void timeOut_data();
    void timeOut();
    void cancelFromAnotherThread();
    void classifiesWhatTheServerSays_data();
    void classifiesWhatTheServerSays();
    void serverGoingDownIsOutOfReach();

private:
    setup::server_url socketUrl() const;
    QString tlsUrl(const QString& host, const QString& ca) const;
    std::unique_ptr<pg_cluster> cluster;
};

setup::server_url tst_server::socketUrl() const { return cluster->url(QStringLiteral("line")); }

QString tst_server::tlsUrl(const QString& host, const QString& ca) const {
    return QStringLiteral("postgresql://%1@%2:%3/line?sslmode=verify-full&sslrootcert=%4")
        .arg(cluster->user(), host)
        .arg(cluster->port())
        .arg(ca);
}

void tst_server::initTestCase() {
    QVERIFY(QFile::exists(QStringLiteral(RX48P_CTL)));
    cluster = std::make_unique<pg_cluster>(pg_cluster::listen::socket_and_tls);
    QVERIFY2(cluster->ok(), qPrintable(cluster->error()));
    QVERIFY2(cluster->createDatabase(QStringLiteral("line")), qPrintable(cluster->error()));
    results::server_connection conn(socketUrl(), results::server_limits{}, QStringLiteral("setup"));
    QVERIFY2(conn.isOpen(), qPrintable(conn.error()));
    for (const char* statement :
         {"CREATE TABLE numbers (n integer NOT NULL UNIQUE)", "INSERT INTO numbers VALUES (1)",
          "CREATE TABLE held (x integer)", "CREATE TABLE kept (x integer)", "CREATE ROLE clerk",
          "REVOKE ALL ON kept FROM PUBLIC"}) {
        QSqlQuery q(conn.db());
        QVERIFY2(q.exec(QString::fromLatin1(statement)), qPrintable(q.lastError().text()));
    }
}

void tst_server::passwordNeverShown_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("secrets");  // as typed, and as decoded where that differs
    QTest::addColumn<bool>("named");           // the message says to put the password elsewhere

    const QStringList plain{QStringLiteral("Zx7Qp")};
    QTest::newRow("USER:PASSWORD@") << "postgresql://qa:Zx7Qp@pg/results" << plain << true;
    QTest::newRow("no user") << "postgresql://:Zx7Qp@pg/results" << plain << true;
    QTest::newRow("short scheme, port") << "postgres://qa:Zx7Qp@pg:5433/results" << plain << true;
    QTest::newRow("'/' in it") << "postgresql://qa:Zx/7Qp@pg/results" << QStringList{"Zx/7Qp"} << true;
    QTest::newRow("'@' in it") << "postgresql://qa:Zx@7Qp@pg/results" << QStringList{"Zx@7Qp"} << true;
    QTest::newRow("'?' in it") << "postgresql://qa:Zx?7Qp@pg/results" << QStringList{"Zx?7Qp"} << true;
    QTest::newRow("'#' in it") << "postgresql://qa:Zx#7Qp@pg/results" << QStringList{"Zx#7Qp"} << true;
    QTest::newRow("%-escaped") << "postgresql://qa:Zx%407Qp@pg/results" << QStringList{"Zx%407Qp", "Zx@7Qp"} << true;
    QTest::newRow("bad %-escape") << "postgresql://qa:Zx%G7Qp@pg/results" << QStringList{"Zx%G7Qp"} << true;
    QTest::newRow("space in it") << "postgresql://qa:Zx 7Qp@pg/results" << QStringList{"Zx 7Qp"} << true;
    QTest::newRow("'@' in the user too") << "postgresql://qa@line:Zx7Qp@pg/results" << plain << true;
    QTest::newRow("and a bad port") << "postgresql://qa:Zx7Qp@pg:99999/results" << plain << true;
    QTest::newRow("other scheme") << "mysql://qa:Zx7Qp@pg/results" << plain << true;
    QTest::newRow("no scheme") << "qa:Zx7Qp@pg/results" << plain << true;
    QTest::newRow("password=") << "postgresql://pg/results?password=Zx7Qp" << plain << true;
    QTest::newRow("password= after host=") << "postgresql:///results?host=/run/pg&password=Zx7Qp" << plain << true;
    QTest::newRow("%-escaped password=") << "postgresql://pg/results?%70assword=Zx7Qp" << plain << true;
    QTest::newRow("PASSWORD=") << "postgresql://pg/results?PASSWORD=Zx7Qp" << plain << true;
    QTest::newRow("sslpassword=") << "postgresql://pg/results?sslmode=require&sslpassword=Zx7Qp" << plain << true;
    QTest::newRow("password= and a bad port") << "postgresql://pg:99999/results?password=Zx7Qp" << plain << true;
    QTest::newRow("key=value text") << "host=pg dbname=results password=Zx7Qp" << plain << true;
    // Not recognisably a password, and still not echoed.
    QTest::newRow("an unknown option") << "postgresql://pg/results?Zx7Qp" << plain << false;
    QTest::newRow("an unknown option's value") << "postgresql://pg/results?pw=Zx7Qp" << plain << false;
    QTest::newRow("as sslmode") << "postgresql://pg/results?sslmode=Zx7Qp" << plain << false;
    QTest::newRow("in a bad host") << "postgresql://Zx7Qp[/results" << QStringList{"Zx7Qp["} << false;
    QTest::newRow("as a bad port") << "postgresql://pg:Zx7Qp/results" << plain << false;
    QTest::newRow("as a database path") << "postgresql://pg/Zx7Qp/x" << plain << false;
}

void tst_server::passwordNeverShown() {
    QFETCH(QString, text);
    QFETCH(QStringList, secrets);
    QFETCH(bool, named);

    const QString message = errorOf(text);
    QVERIFY2(message.startsWith(QStringLiteral("bad server URL: ")), qPrintable(message));
    if (named)
        QVERIFY2(message.contains(QStringLiteral("PGPASSWORD")), qPrintable(message));
    for (const QString& secret : secrets)
        QVERIFY2(piecesOf(secret, message).isEmpty(), qPrintable(message));

    const ctl_run ctl = runCtl({QStringLiteral("--server"), text, QStringLiteral("results"), QStringLiteral("summary")});
    QCOMPARE(ctl.code, 2);
    QVERIFY2(ctl.err.contains(message), qPrintable(ctl.err));
    for (const QString& secret : secrets)
        QVERIFY2(piecesOf(secret, ctl.out + ctl.err).isEmpty(), qPrintable(ctl.err));
}

// Every field as parsed, then the URL shown, which parses back to the same fields.
void tst_server::parsedAndShown_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("fields");  // user|host|port|database|sslmode|sslrootcert|sslcert|sslkey|sslcrl
    QTest::addColumn<QString>("display");
    QTest::newRow("host and database") << "postgresql://db.plant.example/results" << "|db.plant.example|5432|results|||||"
                                       << "postgresql://db.plant.example/results";
    QTest::newRow("socket, user") << "postgresql://qa@/line?host=/run/pg" << "qa|/run/pg|5432|line|||||"
                                  << "postgresql://qa@/line?host=/run/pg";
    QTest::newRow("socket") << "postgresql:///line?host=/run/pg" << "|/run/pg|5432|line|||||" << "postgresql:///line?host=/run/pg";
    QTest::newRow("socket, port") << "postgresql://:54399/line?host=/run/pg" << "|/run/pg|54399|line|||||"
                                  << "postgresql://:54399/line?host=/run/pg";
    QTest::newRow("short scheme, default port") << "postgres://qa@pg:5432/line?sslmode=require" << "qa|pg|5432|line|require||||"
                                                << "postgresql://qa@pg/line?sslmode=require";
    QTest::newRow("IPv6") << "postgresql://[::1]:5433/line" << "|::1|5433|line|||||" << "postgresql://[::1]:5433/line";
    QTest::newRow("'@' in the user") << "postgresql://st%40a@pg/line" << "st@a|pg|5432|line|||||" << "postgresql://st%40a@pg/line";
    QTest::newRow("non-ASCII user") << "postgresql://st%C3%A9@pg/line" << QString::fromUtf8("st\u00e9|pg|5432|line|||||")
                                    << "postgresql://st%C3%A9@pg/line";
    QTest::newRow("TLS, absolute")
        << "postgresql://station7@10.1.2.3:6543/line_b?sslrootcert=/etc/rx48p/ca.pem&sslmode=verify-full"
        << "station7|10.1.2.3|6543|line_b|verify-full|/etc/rx48p/ca.pem|||"
        << "postgresql://station7@10.1.2.3:6543/line_b?sslmode=verify-full&sslrootcert=/etc/rx48p/ca.pem";
    QTest::newRow("TLS, every file, relative")
        << "postgresql://pg/line?sslmode=verify-ca&sslrootcert=certs/ca.pem&sslcert=st.crt&sslkey=./st.key&sslcrl=crl.pem"
        << "|pg|5432|line|verify-ca|certs/ca.pem|st.crt|./st.key|crl.pem"
        << "postgresql://pg/line?sslmode=verify-ca&sslrootcert=certs/ca.pem&sslcert=st.crt&sslkey=./st.key&sslcrl=crl.pem";
    QTest::newRow("delimiters in a path") << "postgresql://pg/line?sslrootcert=/etc/a%26b%3Dc%23d%25e%2Bf%20g.pem"
                                          << "|pg|5432|line||/etc/a&b=c#d%e+f g.pem|||"
                                          << "postgresql://pg/line?sslrootcert=/etc/a%26b%3Dc%23d%25e%2Bf%20g.pem";
}

void tst_server::parsedAndShown() {
    QFETCH(QString, text);
    const auto fields = [](const setup::server_url& u) {
        return QStringList{u.user, u.host, QString::number(u.port), u.database, u.sslmode, u.sslrootcert, u.sslcert, u.sslkey, u.sslcrl}
            .join(QLatin1Char('|'));
    };
    const setup::server_url url = setup::server_url::parse(text);
    QTEST(fields(url), "fields");
    QTEST(url.display(), "display");
    QCOMPARE(fields(setup::server_url::parse(url.display())), fields(url));
}

void tst_server::badUrl_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    // The text itself is never quoted: it could hold a password where none was expected.
    const QString noPassword = QStringLiteral(
        "bad server URL: it holds a password (or looks as if it did); put the password in PGPASSWORD or ~/.pgpass, "
        "not in the URL");
    QTest::newRow("password") << "postgresql://qa:s3cret@pg/results" << noPassword;
    QTest::newRow("empty password") << "postgresql://qa:@pg/results" << noPassword;
    QTest::newRow("other scheme") << "mysql://pg/results" << "bad server URL: it must start with postgresql://";
    QTest::newRow("no database") << "postgresql://pg" << "bad server URL: it must name one database: postgresql://HOST/DBNAME";
    QTest::newRow("two path parts") << "postgresql://pg/a/b" << "bad server URL: it must name one database: postgresql://HOST/DBNAME";
    QTest::newRow("no host") << "postgresql:///results" << "bad server URL: it names no host";
    QTest::newRow("port out of range") << "postgresql://pg:70000/r" << "bad server URL: Invalid port or port number out of range";
    QTest::newRow("relative socket") << "postgresql:///r?host=run/pg" << "bad server URL: host= takes a socket folder, starting with /";
    QTest::newRow("no path") << "postgresql://pg/line?sslrootcert=" << "bad server URL: sslrootcert needs a file path";
    QTest::newRow("'~'") << "postgresql://pg/line?sslcert=~/st.crt"
                         << "bad server URL: sslcert starts with '~', which is not expanded: give the full path";
    QTest::newRow("';'") << "postgresql://pg/line?sslkey=/etc/a;b.key"
                         << "bad server URL: sslkey holds a ';', which cannot be passed on to the server's driver";
    QTest::newRow("line break") << "postgresql://pg/line?sslcrl=/etc/a%0Ab.pem" << "bad server URL: sslcrl holds a control character";
    QTest::newRow("twice") << "postgresql://pg/line?sslrootcert=/a.pem&sslrootcert=/b.pem" << "bad server URL: it gives sslrootcert twice";
    QTest::newRow("bad sslmode") << "postgresql://pg/line?sslmode=maybe"
                                 << "bad server URL: sslmode must be one of disable, allow, prefer, require, verify-ca, verify-full";
    QTest::newRow("a libpq option not taken") << "postgresql://pg/line?application_name=x"
                                              << "bad server URL: the option 'application_name' is not taken (only "
                                                 "host, sslmode, sslrootcert, sslcert, sslkey, sslcrl are)";
}

void tst_server::badUrl() {
    QFETCH(QString, text);
    QTEST(errorOf(text), "message");
}

void tst_server::verifiedTls() {
    {
        results::server_connection right(setup::server_url::parse(tlsUrl(QStringLiteral("localhost"), cluster->caFile())),
                                         results::server_limits{}, QStringLiteral("tls"));
        QVERIFY2(right.isOpen(), qPrintable(right.error()));
        QCOMPARE(sslInUse(right), QStringLiteral("true"));
    }
    {
        const QString url = tlsUrl(QStringLiteral("localhost"), cluster->wrongCaFile());
        results::server_connection wrong(setup::server_url::parse(url), results::server_limits{}, QStringLiteral("tls"));
        QVERIFY(!wrong.isOpen());
        QVERIFY2(wrong.error().startsWith(QStringLiteral("cannot reach %1: ").arg(url)), qPrintable(wrong.error()));
        QVERIFY2(wrong.error().contains(QStringLiteral("certificate verify failed")), qPrintable(wrong.error()));
        QCOMPARE(results::classify(wrong.db().lastError()), results::server_trouble::out_of_reach);
    }
    {
        // verify-full checks the name too: the certificate is for localhost, not for the address.
        results::server_connection byAddress(
            setup::server_url::parse(tlsUrl(QStringLiteral("127.0.0.1"), cluster->caFile())), results::server_limits{},
            QStringLiteral("tls"));
        QVERIFY(!byAddress.isOpen());
        QVERIFY2(byAddress.error().contains(QStringLiteral("does not match host name \"127.0.0.1\"")),
                 qPrintable(byAddress.error()));
    }
}

void tst_server::ctlNamesTheCertificateProblem() {
    const ctl_run wrong =
        runCtl({QStringLiteral("--server"), tlsUrl(QStringLiteral("localhost"), cluster->wrongCaFile()),
                QStringLiteral("results"), QStringLiteral("summary")});
    QCOMPARE(wrong.code, 5);
    QVERIFY2(wrong.err.contains(QStringLiteral("certificate verify failed")), qPrintable(wrong.err));
    QVERIFY(wrong.out.isEmpty());
}

// Each limit ends its own wait: the other is far off.
void tst_server::timeOut_data() {
    QTest::addColumn<int>("statementMs");
    QTest::addColumn<int>("lockMs");
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("code");
    QTest::newRow("statement") << 300 << 30000 << "SELECT pg_sleep(10)" << "57014";
    QTest::newRow("lock") << 30000 << 300 << "SELECT count(*) FROM held" << "55P03";
}

void tst_server::timeOut() {
    QFETCH(int, statementMs);
    QFETCH(int, lockMs);
    QFETCH(QString, statement);
    const pg_cluster::table_lock holder(*cluster, QStringLiteral("line"), QStringLiteral("held"));
    QVERIFY(holder.held());
    results::server_connection conn(socketUrl(), limits(statementMs, lockMs), QStringLiteral("waiter"));
    QVERIFY2(conn.isOpen(), qPrintable(conn.error()));
    QSqlQuery q(conn.db());
    QElapsedTimer took;
    took.start();
    QVERIFY(!q.exec(statement));
    QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
    QTEST(q.lastError().nativeErrorCode(), "code");
    QCOMPARE(results::classify(q.lastError()), results::server_trouble::out_of_reach);
}

void tst_server::cancelFromAnotherThread() {
    using clock = std::chrono::steady_clock;
    std::mutex guard;  // held while cancelling, and by the worker before its connection goes
    results::server_connection* live = nullptr;
    bool opened = false;
    bool ran = false;
    QString code;
    results::server_trouble trouble = results::server_trouble::other;
    clock::time_point ended;

    std::thread worker([&] {
        results::server_connection conn(socketUrl(), results::server_limits{}, QStringLiteral("cancelled"));
        {
            const std::lock_guard<std::mutex> hold(guard);
            opened = conn.isOpen();
            live = opened ? &conn : nullptr;
        }
        if (opened) {
            QSqlQuery q(conn.db());
            ran = q.exec(QStringLiteral("SELECT pg_sleep(30)"));
            ended = clock::now();
            code = q.lastError().nativeErrorCode();
            trouble = results::classify(q.lastError());
        }
        const std::lock_guard<std::mutex> hold(guard);
        live = nullptr;
    });
    struct joiner {
        std::thread& t;
        ~joiner() {
            if (t.joinable())
                t.join();
        }
    } join{worker};

    // Cancel once the server runs the sleep, as seen from a connection of its own.
    results::server_connection watch(socketUrl(), results::server_limits{}, QStringLiteral("watch"));
    QVERIFY2(watch.isOpen(), qPrintable(watch.error()));
    bool sleeping = false;
    for (int i = 0; i < 200 && !sleeping; ++i) {
        QSqlQuery q(watch.db());
        sleeping = q.exec(QStringLiteral("SELECT 1 FROM pg_stat_activity WHERE application_name = 'rx48p-cancelled'"
                                         " AND state = 'active' AND query LIKE 'SELECT pg_sleep%'")) &&
                   q.next();
        if (!sleeping)
            QTest::qSleep(50);
    }
    QVERIFY(sleeping);
    clock::time_point asked;
    {
        const std::lock_guard<std::mutex> hold(guard);
        QVERIFY(live);
        asked = clock::now();
        QVERIFY(live->cancel());
    }
    worker.join();
    QVERIFY(opened);
    QVERIFY(!ran);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(ended - asked).count();
    QVERIFY2(took < 1000, qPrintable(QString::number(took)));
    QCOMPARE(code, QStringLiteral("57014"));
    QCOMPARE(trouble, results::server_trouble::out_of_reach);
}

void tst_server::classifiesWhatTheServerSays_data() {
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("code");
    QTest::addColumn<results::server_trouble>("trouble");
    QTest::newRow("text in an integer column") << "INSERT INTO numbers VALUES (?)" << QVariant(QStringLiteral("x"))
                                               << "22P02" << results::server_trouble::refused;
    QTest::newRow("out of range") << "INSERT INTO numbers VALUES (?)" << QVariant(QStringLiteral("99999999999"))
                                  << "22003" << results::server_trouble::refused;
    QTest::newRow("NULL where none may be") << "INSERT INTO numbers VALUES (?)" << results::sql::nullInteger()
                                            << "23502" << results::server_trouble::refused;
    QTest::newRow("a row already there") << "INSERT INTO numbers VALUES (?)" << QVariant(1) << "23505"
                                         << results::server_trouble::refused;
    QTest::newRow("no such table") << "INSERT INTO no_such_table VALUES (?)" << QVariant(1) << "42P01"
                                   << results::server_trouble::other;
    QTest::newRow("no privilege") << "SELECT count(*) + ? FROM kept" << QVariant(1) << "42501"
                                  << results::server_trouble::other;
}

void tst_server::classifiesWhatTheServerSays() {
    QFETCH(QString, statement);
    QFETCH(QVariant, value);
    QFETCH(QString, code);
    results::server_connection conn(socketUrl(), results::server_limits{}, QStringLiteral("classify"));
    QVERIFY2(conn.isOpen(), qPrintable(conn.error()));
    QSqlQuery q(conn.db());
    if (QTest::currentDataTag() == QLatin1String("no privilege"))
        QVERIFY(q.exec(QStringLiteral("SET ROLE clerk")));
    // The server may refuse at the prepare already, or only with the value.
    QSqlError e;
    if (q.prepare(statement)) {
        q.addBindValue(value);
        QVERIFY(!q.exec());
    }
    e = q.lastError();
    QCOMPARE(e.nativeErrorCode(), code);
    QTEST(results::classify(e), "trouble");
}

void tst_server::serverGoingDownIsOutOfReach() {
    {
        setup::server_url nowhere = socketUrl();
        nowhere.port = cluster->port() + 1;  // no server at that socket
        results::server_connection conn(nowhere, results::server_limits{}, QStringLiteral("nowhere"));
        QVERIFY(!conn.isOpen());
        QVERIFY2(conn.error().startsWith(QStringLiteral("cannot reach ")), qPrintable(conn.error()));
        QCOMPARE(results::classify(conn.db().lastError()), results::server_trouble::out_of_reach);
    }
    results::server_connection conn(socketUrl(), results::server_limits{}, QStringLiteral("cut"));
    QVERIFY2(conn.isOpen(), qPrintable(conn.error()));
    QVERIFY2(cluster->stop(), qPrintable(cluster->error()));
    {
        QSqlQuery q(conn.db());
        QVERIFY(!q.exec(QStringLiteral("SELECT 1")));
        qInfo("a cut connection: SQLSTATE '%s'", qPrintable(q.lastError().nativeErrorCode()));
        QCOMPARE(results::classify(q.lastError()), results::server_trouble::out_of_reach);
    }
    QVERIFY2(cluster->start(), qPrintable(cluster->error()));
}

QTEST_GUILESS_MAIN(tst_server)
#include "tst_server.moc"
