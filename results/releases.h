#pragma once

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariantList>

#include <vector>

namespace results {

// A part program released for production, by the SHA-256 of its content.
struct release {
    QString sha256;
    QString program;  // the file's name when it was released
    QString releasedBy;
    QDateTime released;
    QString note;
    QString revokedBy;  // empty while the release holds
    QDateTime revoked;
    bool holds() const { return !revoked.isValid(); }
};

// Every release, newest first, of the server's list or a journal's copy. Throws results::error.
std::vector<release> readReleases(const QSqlDatabase& db);

// On the server: releases the content `sha256` under the name `program`, by the database user, now, and
// records it in the audit trail in the same transaction. A content released before and revoked is
// released again; one whose release holds is left as it is (`changed` false). Throws results::error.
struct release_outcome {
    release what;
    bool changed = true;
};
release_outcome releaseProgram(const QSqlDatabase& server, const QString& program, const QString& sha256, const QString& note);
// On the server: withdraws the release of `sha256` (the whole hash, or a unique beginning of at least 8
// of its digits), by the database user, now, with its audit entry. Throws results::error when no release
// holds for it.
release revokeProgram(const QSqlDatabase& server, const QString& sha256);

// The server's list and its release and revoke entries of the audit trail, read in one snapshot, for a
// journal to keep: what a station judges by while the server is out of reach.
struct release_copy {
    std::vector<QVariantList> releases;
    std::vector<QVariantList> audit;  // the audit table's sent columns
};
// Throws results::error with the server's code.
release_copy readReleaseCopy(const QSqlDatabase& server);
// Replaces the journal's list with `copy`, adds its audit entries it lacks and remembers when, in one
// transaction. Throws results::error.
void keepReleases(const QSqlDatabase& journal, const release_copy& copy);

// Where a program stands, judged by a journal's copy of the list.
enum class release_state {
    released,
    not_released,  // its content is on no release
    revoked,       // its content was released, and the release withdrawn
    never_seen,    // the journal never read the list: nothing can be judged
};

// "released", "not released", "revoked", "unknown".
QString releaseStateText(release_state state);

struct release_verdict {
    release_state state = release_state::never_seen;
    release entry;         // of released and revoked
    QDateTime listRead;    // when the journal last read the list; invalid for never_seen
    bool fresh = false;    // the list was read from the server for this verdict
    // What it means for a station that runs released programs only: "PROGRAM is not released (content
    // SHA…)". Empty for a released program.
    QString refusal(const QString& programPath, const QString& sha256) const;
};

// Judges the content `sha256` by the journal's copy of the list. Throws results::error.
release_verdict judgeRelease(const QSqlDatabase& journal, const QString& sha256);

}  // namespace results
