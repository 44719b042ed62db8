#include "results/releases.h"

#include "results/audit.h"
#include "results/error.h"
#include "results/sql.h"
#include "results/tables.h"
#include "results/utc_text.h"

#include <QRegularExpression>
#include <QSqlRecord>

namespace results {

namespace {

const QString listReadKey = QStringLiteral("releases_read_utc");

const QString columns =
    QStringLiteral("sha256, program, released_by, released_utc, note, revoked_by, revoked_utc");

release releaseFrom(const QSqlQuery& query) {
    return {query.value(0).toString(),
            query.value(1).toString(),
            query.value(2).toString(),
            fromUtcText(query.value(3).toString()),
            query.value(4).toString(),
            query.value(5).toString(),
            query.isNull(6) ? QDateTime() : fromUtcText(query.value(6).toString())};
}

QString databaseUser(const QSqlDatabase& server, const QString& what) {
    QSqlQuery query = sql::run(server, QStringLiteral("SELECT current_user"), {}, what);
    return query.next() ? query.value(0).toString() : QString();
}

QString shortHash(const QString& sha256) { return sha256.left(12) + QStringLiteral("…"); }

}  // namespace

std::vector<release> readReleases(const QSqlDatabase& db) {
    QSqlQuery query = sql::run(db, QStringLiteral("SELECT %1 FROM releases ORDER BY released_utc DESC, sha256").arg(columns), {},
                               QStringLiteral("cannot read the released programs"));
    std::vector<release> read;
    while (query.next())
        read.push_back(releaseFrom(query));
    return read;
}

release_outcome releaseProgram(const QSqlDatabase& server, const QString& program, const QString& sha256, const QString& note) {
    const QString what = QStringLiteral("cannot release %1").arg(program);
    sql::transaction transaction(server, what);
    QSqlQuery existing = sql::run(server, QStringLiteral("SELECT %1 FROM releases WHERE sha256 = ? FOR UPDATE").arg(columns),
                                  {sha256}, what);
    bool revokedBefore = false;
    if (existing.next()) {
        const release found = releaseFrom(existing);
        if (found.holds())
            return {found, false};
        revokedBefore = true;
    }
    existing.finish();
    const release made{sha256, program, databaseUser(server, what), QDateTime::currentDateTimeUtc(), note, QString(), QDateTime()};
    sql::run(server,
             QStringLiteral("INSERT INTO releases (%1) VALUES (?, ?, ?, ?, ?, NULL, NULL) ON CONFLICT (sha256) DO UPDATE SET"
                            " program = EXCLUDED.program, released_by = EXCLUDED.released_by, released_utc ="
                            " EXCLUDED.released_utc, note = EXCLUDED.note, revoked_by = NULL, revoked_utc = NULL")
                 .arg(columns),
             {sql::text(made.sha256), sql::text(made.program), sql::text(made.releasedBy), utcText(made.released),
              sql::textOrNull(note)},
             what);
    recordAudit(server, {QString(), made.released, QString(), made.releasedBy, audit_event::release, program,
                         revokedBefore ? QStringLiteral("revoked") : QString(),
                         note.isEmpty() ? sha256 : QStringLiteral("%1 (%2)").arg(sha256, note)});
    transaction.commit();
    return {made, true};
}

release revokeProgram(const QSqlDatabase& server, const QString& given) {
    const QString hash = given.toLower();
    static const QRegularExpression hex(QStringLiteral("^[0-9a-f]{8,64}$"));
    if (!hex.match(hash).hasMatch())
        throw error(QStringLiteral("'%1' is not a program's SHA-256 (8 to 64 hexadecimal digits)").arg(given.left(80)));
    const QString what = QStringLiteral("cannot revoke the release of %1").arg(hash);
    sql::transaction transaction(server, what);
    QSqlQuery found = sql::run(server,
                               QStringLiteral("SELECT %1 FROM releases WHERE sha256 LIKE ? AND revoked_utc IS NULL FOR UPDATE")
                                   .arg(columns),
                               {hash + QLatin1Char('%')}, what);
    std::vector<release> holding;
    while (found.next())
        holding.push_back(releaseFrom(found));
    found.finish();
    if (holding.empty())
        throw error(QStringLiteral("%1: no release holds for that content").arg(what));
    if (holding.size() > 1)
        throw error(QStringLiteral("%1: %2 releases hold for contents beginning so; give more digits")
                        .arg(what)
                        .arg(holding.size()));
    release revoked = holding.front();
    revoked.revokedBy = databaseUser(server, what);
    revoked.revoked = QDateTime::currentDateTimeUtc();
    sql::run(server, QStringLiteral("UPDATE releases SET revoked_by = ?, revoked_utc = ? WHERE sha256 = ?"),
             {sql::text(revoked.revokedBy), utcText(revoked.revoked), revoked.sha256}, what);
    recordAudit(server, {QString(), revoked.revoked, QString(), revoked.revokedBy, audit_event::revoke, revoked.program,
                         revoked.sha256, QString()});
    transaction.commit();
    return revoked;
}

release_copy readReleaseCopy(const QSqlDatabase& server) {
    const QString reading = QStringLiteral("cannot read the released programs from the server");
    const auto rowsOf = [&](const QString& statement, const QVariantList& values) {
        QSqlQuery query = sql::run(server, statement, values, reading);
        const int count = query.record().count();
        std::vector<QVariantList> rows;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < count; ++i)
                row << query.value(i);
            rows.push_back(row);
        }
        return rows;
    };
    sql::transaction snapshot(server, reading);
    release_copy copy;
    copy.releases = rowsOf(QStringLiteral("SELECT %1 FROM releases").arg(columns), {});
    copy.audit = rowsOf(QStringLiteral("SELECT %1 FROM audit WHERE event IN (?, ?)").arg(tables::audit.sentNames()),
                        {audit_event::release, audit_event::revoke});
    snapshot.commit();
    return copy;
}

void keepReleases(const QSqlDatabase& journal, const release_copy& copy) {
    const QString writing = QStringLiteral("cannot keep the released programs in the journal");
    sql::transaction transaction(journal, writing);
    sql::run(journal, QStringLiteral("DELETE FROM releases"), {}, writing);
    sql::statement insertRelease(journal, QStringLiteral("INSERT INTO releases (%1) VALUES (?, ?, ?, ?, ?, ?, ?)").arg(columns),
                                 writing);
    for (const QVariantList& row : copy.releases)
        insertRelease.run(row);
    // Read from the server, so never to be sent back to it.
    sql::statement insertAudit(journal,
                               tables::audit.insertStatement(tables::audit.sentList() << QStringLiteral("forwarded")) +
                                   QStringLiteral(" ON CONFLICT (id) DO NOTHING"),
                               writing);
    for (QVariantList row : copy.audit)
        insertAudit.run(row << int(tables::sent));
    sql::run(journal,
             QStringLiteral("INSERT INTO database_info (name, value) VALUES (?, ?)"
                            " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
             {listReadKey, utcText(QDateTime::currentDateTimeUtc())}, writing);
    transaction.commit();
}

release_verdict judgeRelease(const QSqlDatabase& journal, const QString& sha256) {
    const QString what = QStringLiteral("cannot read the released programs in the journal");
    release_verdict verdict;
    QSqlQuery read = sql::run(journal, QStringLiteral("SELECT value FROM database_info WHERE name = ?"), {listReadKey}, what);
    if (!read.next())
        return verdict;
    verdict.listRead = fromUtcText(read.value(0).toString());
    read.finish();
    QSqlQuery found = sql::run(journal, QStringLiteral("SELECT %1 FROM releases WHERE sha256 = ?").arg(columns), {sha256}, what);
    if (sha256.isEmpty() || !found.next()) {
        verdict.state = release_state::not_released;
        return verdict;
    }
    verdict.entry = releaseFrom(found);
    verdict.state = verdict.entry.holds() ? release_state::released : release_state::revoked;
    return verdict;
}

QString releaseStateText(release_state state) {
    switch (state) {
    case release_state::released:
        return QStringLiteral("released");
    case release_state::not_released:
        return QStringLiteral("not released");
    case release_state::revoked:
        return QStringLiteral("revoked");
    case release_state::never_seen:
        break;
    }
    return QStringLiteral("unknown");
}

QString release_verdict::refusal(const QString& programPath, const QString& sha256) const {
    QString why;
    switch (state) {
    case release_state::released:
        return QString();
    case release_state::not_released:
        why = QStringLiteral("%1 is not released: its content (SHA-256 %2) is on no release").arg(programPath, shortHash(sha256));
        break;
    case release_state::revoked:
        why = QStringLiteral("%1 is not released: the release of its content (SHA-256 %2) was revoked by %3 at %4")
                  .arg(programPath, shortHash(sha256), entry.revokedBy, entry.revoked.toString(Qt::ISODate));
        break;
    case release_state::never_seen:
        return QStringLiteral("%1 cannot be judged: this station has never read the released programs from a results server "
                              "(give --server, reachable at least once)")
            .arg(programPath);
    }
    if (!fresh)
        why += QStringLiteral(" (by the list read from the server at %1; the server is out of reach)")
                   .arg(listRead.toString(Qt::ISODate));
    return why;
}

}  // namespace results
