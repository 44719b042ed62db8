#pragma once

#include "setup/station_setup.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace setup {

// What a run of the station was: where, with which part program and board settings.
struct run_info {
    QString station;         // the station's name, e.g. its host name
    QString fixture;         // which of its fixtures; empty: a station's single unnamed one
    QString programPath;     // the part file
    QString programSha256;   // of the part file's bytes, hex; empty: the file could not be read
    QString firmware;        // "1.4.2"
    int sensitivity = defaultSensitivity;
    int buzzer = defaultBuzzer;
    double tolerance = defaultTolerance;  // volts
    QDateTime started;        // UTC; invalid: now
    QString programVersion;   // of the program that ran the station
    // Whether the program's content was released when the run started; none: the station had never seen
    // the list of releases.
    std::optional<bool> released;
};

// The run a station with `setup` records, every front end alike; the firmware comes once the board says it.
run_info runInfoOf(const station_setup& setup, const QString& programVersion, const QString& fixture = QString());

// The SHA-256 of a file's bytes, hex; empty when it cannot be read whole (never the hash of nothing).
QString fileSha256(const QString& path);

}  // namespace setup
