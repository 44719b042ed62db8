#pragma once

#include "setup/server_url.h"

#include <QSqlDatabase>
#include <QString>

#include <QStringList>

#include <functional>
#include <mutex>
#include <vector>

namespace results {

class journal;
class server_connection;

// Stops a forward running on another thread: between batches, and at once in a server statement.
class forward_canceller {
public:
    void cancel();
    bool cancelled() const;

private:
    friend class forwarder;
    void attach(server_connection* connection);
    void detach();

    mutable std::mutex mutex;
    server_connection* current = nullptr;
    bool stop = false;
};

struct forward_options {
    int batchParts = 500;      // parts per server transaction
    int connectTimeoutS = 5;
    bool retryRefused = true;  // send again the parts the server refused before
    forward_canceller* canceller = nullptr;
    bool copyReleases = true;  // read the server's released programs into the journal first
};

// Why a forward stopped short.
enum class forward_trouble {
    none,
    out_of_reach,  // the server cannot be reached, or did not answer within its time-outs
    server,        // the server answered but cannot take parts: no tables, too old, no right to insert
};

// A part the server would not take, set aside in the journal until the next push.
struct refused_part {
    QString serial;   // empty when the part has none
    QString started;  // UTC text, to tell parts without a serial apart
    QString reason;   // the server's words
};

struct forward_report {
    forward_trouble trouble = forward_trouble::none;
    QString error;           // why the forward stopped; empty when it did not
    long forwarded = 0;      // parts this call put on the server and marked forwarded in the journal
    long alreadyThere = 0;   // of them, the ones the server had already (a forward cut before its mark)
    std::vector<refused_part> refused;
    bool reachable() const { return trouble != forward_trouble::out_of_reach; }
    bool complete() const { return trouble == forward_trouble::none; }
};

// The parts of a journal not on its server yet (still to send, or refused): how many, and the first
// few by name, oldest first: a serial, or "(no serial, TIME)".
struct unsent_parts {
    long count = 0;
    QStringList first;
    // "N parts are not on the results server yet (A, B, ... and M more)".
    QString sentence() const;
};
// `db` is a journal's (read-only will do); throws results::error.
unsent_parts unsentParts(const QSqlDatabase& db, const QString& file, int named = 10);

// A part in messages: its serial, or when it has none, when it was tested.
QString partName(const refused_part& part);

// Copies the journal's parts not yet on the server, with their runs, comparisons and measurements. The
// server's tables must be there at this program's version (`results server-init`); a forward only
// inserts, reads, and adds a run's end or a part's cycle. Each batch is one server transaction of
// multi-row inserts that skip rows already there, marked forwarded in the journal only after the server
// committed it: a forward cut anywhere and repeated leaves every part on the server exactly once. A part
// the server refuses is set aside with its reason and the others go on. A journal remembers the server it
// forwards to; pointed at another, it sends that one everything it lacks. Several stations can forward to
// one server at once.
class forwarder {
public:
    explicit forwarder(const setup::server_url& server, const forward_options& options = {});

    // The server's trouble comes back in the report; the journal's is thrown as results::error.
    // `afterBatch` hears the parts forwarded so far after each batch is marked.
    forward_report forward(journal& source, const std::function<void(long)>& afterBatch = {});

private:
    setup::server_url server;
    forward_options options;
};

}  // namespace results
