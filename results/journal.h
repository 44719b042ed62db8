#pragma once

#include "results/connection.h"
#include "setup/run_info.h"

#include "station/part_result.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>

namespace results {

struct journal_options {
    int busyTimeoutMs = 5000;  // how long a write waits for another program holding the file
    bool createFolder = false;  // create the file's folder if it is not there (the default location only)
};

struct recorded_part {
    QString id;
    int attempt = 0;  // 1 + the earlier parts with its serial in this journal; 1 without serial
    QString serial;   // as recorded: the part's own, or the number given it
};

// The station's own record of every judged part: a SQLite file that stays right even when the power
// goes (WAL, synchronous=FULL), written one part per transaction. Every method throws results::error.
class journal {
public:
    // Opens `path`, creating the file if needed (its folder only with createFolder), and brings its tables
    // to this program's version; any number of programs may do so at once. Refuses a file that is not a
    // results database, one written by a newer version, and one it cannot write.
    explicit journal(const QString& path, const journal_options& options = {});
    journal(const journal&) = delete;
    journal& operator=(const journal&) = delete;

    QString beginRun(const setup::run_info& run);
    // The part, its comparisons and each record the board sent, committed together before returning.
    // A part without a serial is numbered when `autoPrefix` is given: PREFIX000001, or the number after
    // the highest PREFIX plus six digits stored, taken in the same transaction. Otherwise an empty serial
    // is stored as NULL.
    recorded_part record(const QString& runId, const QString& serial, const station::part_result& part,
                         const QString& autoPrefix = QString());
    // The part's cycle, known once it is removed.
    void recordCycle(const QString& partId, double cycleSeconds);
    void endRun(const QString& runId, const QDateTime& ended);

    QString path() const { return file; }
    // For the forwarder and the questions; valid while this journal lives.
    QSqlDatabase database() const { return conn.db(); }

    // The serial the next numbered part would get; it reserves nothing.
    QString nextAutoSerial(const QString& prefix);

private:
    QString file;
    connection conn;
};

// A journal opened for the questions alone, with SQLite's read-only open: it never creates, writes or
// migrates the file. Refuses a missing or empty file, one that is not a results database, and one of
// another version than this program's: an older file is first brought up to date by a station or
// `results push` of this version. Throws results::error.
class journal_reader {
public:
    explicit journal_reader(const QString& path);
    journal_reader(const journal_reader&) = delete;
    journal_reader& operator=(const journal_reader&) = delete;

    // Valid while this reader lives.
    QSqlDatabase database() const { return conn.db(); }

private:
    connection conn;
};

}  // namespace results
