#pragma once

#include <QString>

namespace op {

// What a station of the line runs with: the board's port, the part program, the board's settings,
// where parts are recorded and how serials come. Remembered between starts; the command line can
// override each item for one start.
// The widest tolerance a setup takes, in volts: the span of a drop's reading.
constexpr double maxTolerance = 5.12;

struct line_setup {
    enum class serial_mode { none, scan, numbered };

    QString port;     // a listed name (ttyUSB0) or a device path (/dev/pts/4)
    QString program;  // the expected part's file
    int sensitivity = 64;
    int buzzer = 100;
    double tolerance = 0.10;  // volts
    serial_mode serials = serial_mode::none;
    QString serialPrefix;  // for numbered serials
    QString results;       // the journal; empty: the station's default file
    QString server;        // the results server's URL; empty: none
    QString station;       // empty: the host name
    long count = 0;        // parts, then the run stops; 0: until stopped. Never remembered.

    bool operator==(const line_setup& other) const;
    bool operator!=(const line_setup& other) const { return !(*this == other); }
};

// "scan", "auto:PREFIX" or "none", as the command line writes it.
QString serialModeText(const line_setup& setup);
// Sets the mode (and prefix) from such a text; why it cannot, or empty.
QString setSerialMode(line_setup& setup, const QString& text);

// Why the station cannot start with `setup` (no port, no program, a setting out of range), or empty.
// The part file itself is read at the start.
QString setupProblem(const line_setup& setup);

}  // namespace op
