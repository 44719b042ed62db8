#pragma once

#include "results/server_url.h"

#include <QString>

#include <functional>

namespace results {

class journal;

struct forward_options {
    int batchParts = 100;     // parts per server transaction
    int connectTimeoutS = 10;
};

struct forward_report {
    bool reachable = false;  // the server took the connection
    QString error;           // why the forward stopped: the driver's reason; empty when every part went
    long forwarded = 0;      // parts this call put on the server and marked forwarded in the journal
    long alreadyThere = 0;   // of them, the ones the server had already (a forward cut before its mark)
    bool complete() const { return reachable && error.isEmpty(); }
};

// Copies the journal's parts not yet forwarded, with their runs, comparisons and measurements, to the
// results server, creating its tables if absent. Each batch is one server transaction of inserts that
// skip rows already there, and is marked forwarded in the journal only after the server committed it:
// a forward cut anywhere and repeated leaves every part on the server exactly once. Several stations
// can forward to one server at once.
class forwarder {
public:
    explicit forwarder(const server_url& server, const forward_options& options = {});

    // The server's trouble comes back in the report; the journal's is thrown as results::error.
    // `afterBatch` hears the parts forwarded so far after each batch is marked.
    forward_report forward(journal& source, const std::function<void(long)>& afterBatch = {});

private:
    server_url server;
    forward_options options;
};

}  // namespace results
