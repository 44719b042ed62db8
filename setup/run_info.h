#pragma once

#include <QDateTime>
#include <QString>

namespace setup {

// What a run of the station was: where, with which part program and board settings.
struct run_info {
    QString station;         // the station's name, e.g. its host name
    QString programPath;     // the part file
    QString programSha256;   // of the part file's bytes, hex
    QString firmware;        // "1.4.2"
    int sensitivity = 64;
    int buzzer = 100;
    double tolerance = 0.10;  // volts
    QDateTime started;        // UTC; invalid: now
    QString programVersion;   // of rx48p-ctl
};

}  // namespace setup
