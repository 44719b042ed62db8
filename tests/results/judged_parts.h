#pragma once

// Judged parts as the station engine hands them over, for the results suites.

#include "setup/run_info.h"

#include "device/records.h"
#include "station/part_result.h"

#include <QDateTime>
#include <QString>

namespace judged_parts {

inline QDateTime at(const char* utc) { return QDateTime::fromString(QString::fromLatin1(utc), Qt::ISODateWithMs); }

inline setup::run_info run(const QString& station, const QString& program) {
    setup::run_info r;
    r.station = station;
    r.programPath = program;
    r.programSha256 = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08");
    r.firmware = QStringLiteral("1.4.2");
    r.sensitivity = 70;
    r.buzzer = 90;
    r.tolerance = 0.15;
    r.started = at("2026-12-07T08:00:00.000Z");
    r.programVersion = QStringLiteral("0.9.1");
    return r;
}

inline station::comparison passedPair(const char* pins) {
    const QString words = QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V");
    return {QStringLiteral("pair"), QString::fromLatin1(pins), true, words, words, QString()};
}

inline station::comparison openPair(const char* pins) {
    station::comparison c{QStringLiteral("pair"), QString::fromLatin1(pins), false,
                          QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V"), QString(),
                          QStringLiteral("missing (open)")};
    c.mode = QStringLiteral("pair %1: missing (open)").arg(QLatin1String(pins));
    return c;
}

// The drop from the pair's first pin measured at `measured` volts, 1.80 expected.
inline station::comparison lowDropPair(const char* pins, double measured = 1.5) {
    const QString volts = QString::number(measured, 'f', 3);
    station::comparison c{QStringLiteral("pair"), QString::fromLatin1(pins), false,
                          QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V"),
                          QStringLiteral("Led anode to Led cathode, %1V / -0.020V").arg(volts),
                          QStringLiteral("drop %1V, expected 1.800V").arg(volts)};
    const QString name = QString::fromLatin1(pins);
    c.mode = QStringLiteral("pair %1: drop %2->%3 out of tolerance").arg(name, name.section(QLatin1Char('-'), 0, 0),
                                                                          name.section(QLatin1Char('-'), 1, 1));
    c.expectedValue = 1.8;
    c.measuredValue = measured;
    return c;
}

// A part started at `started`, ended one cycle later; passed when every comparison did.
inline station::part_result part(const char* started, double cycle, std::vector<station::comparison> comparisons) {
    station::part_result p;
    p.started = at(started);
    p.ended = p.started.addMSecs(qint64(cycle * 1000));
    p.testSeconds = cycle;
    p.cycleSeconds = cycle;
    p.comparisons = std::move(comparisons);
    p.passed = true;
    for (const station::comparison& c : p.comparisons)
        p.passed = p.passed && c.passed;
    p.measured.pairs = std::vector<tarnwell::pin_pair_record>{{1, tarnwell::LED_ANODE, 2, tarnwell::LED_CATHODE, 90, -1}};
    return p;
}

}  // namespace judged_parts
