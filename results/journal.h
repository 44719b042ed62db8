#pragma once

#include "results/connection.h"
#include "results/run_info.h"

#include "station/part_result.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace results {

struct journal_options {
    int busyTimeoutMs = 5000;  // how long a write waits for another program holding the file
};

struct recorded_part {
    QString id;
    int attempt = 0;  // 1 + the earlier parts with its serial in this journal; 1 without serial
};

// The station's own record of every judged part: a SQLite file that stays right even when the power
// goes (WAL, synchronous=FULL), written one part per transaction. Every method throws results::error.
class journal {
public:
    // Opens `path`, creating it and its folders if needed, and brings its tables to this program's
    // version. Refuses a file that is not a results database, one written by a newer version, and one
    // it cannot write.
    explicit journal(const QString& path, const journal_options& options = {});
    journal(const journal&) = delete;
    journal& operator=(const journal&) = delete;

    QString beginRun(const run_info& run);
    // The part, its comparisons and each record the board sent, committed together before returning.
    // An empty serial is stored as NULL.
    recorded_part record(const QString& runId, const QString& serial, const station::part_result& part);
    void endRun(const QString& runId, const QDateTime& ended);
    // PREFIX000001, or the number after the highest PREFIX plus six digits stored. It reserves nothing:
    // the serial is taken when a part is recorded with it.
    QString nextAutoSerial(const QString& prefix);

    QString path() const { return file; }
    // For the forwarder and the questions; valid while this journal lives.
    QSqlDatabase database() const { return conn.db(); }

private:
    QString file;
    connection conn;
};

}  // namespace results
