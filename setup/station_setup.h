#pragma once

#include "device/payloads.h"
#include "device/records.h"

#include <QList>
#include <QString>

namespace setup {

// A station's settings as rx48p-ctl, the station's window and the records all take them: one default
// and one limit each.
constexpr int defaultSensitivity = tarnwell::board_config{}.sensitivity;
constexpr int defaultBuzzer = tarnwell::board_config{}.buzzer;
constexpr double defaultTolerance = 0.10;  // volts
constexpr double maxTolerance = 5.12;      // volts: the span of a drop's reading
constexpr int defaultTimeoutMs = 3000;     // each answer of the board, and each event but a part's coming and going
constexpr int maxTimeoutMs = 3600000;
constexpr long maxCount = 1000000000L;
// A numbered serial is the prefix and six digits, and a serial is at most 64 characters.
constexpr int maxSerialPrefix = 58;

// Boards one station drives side by side, each in its own fixture.
constexpr int maxFixtures = 4;
constexpr int maxFixtureName = 16;

// One fixture: its name on record and on screen, and its board's port.
struct fixture {
    QString name;  // 1 to 16 of A-Z a-z 0-9 . _ -; empty only for a station's single unnamed fixture
    QString port;
    bool operator==(const fixture& other) const { return name == other.name && port == other.port; }
    bool operator!=(const fixture& other) const { return !(*this == other); }
};

// How each part gets its serial: none, read from a scanner before the part, or numbered PREFIX000001, ...
enum class serial_mode { none, scan, numbered };

struct station_setup {
    QString port;     // a listed name (ttyUSB0) or a device path (/dev/pts/4)
    QList<fixture> fixtures;  // several boards, named; empty: the one board on `port`
    QString program;  // the expected part's file
    int sensitivity = defaultSensitivity;
    int buzzer = defaultBuzzer;
    double tolerance = defaultTolerance;
    serial_mode serials = serial_mode::none;
    QString serialPrefix;  // numbered serials
    QString results;       // the journal; empty: defaultResultsFile()
    QString server;        // the results server's URL; empty: none
    QString station;       // the name on record; empty: the host name
    long count = 0;        // parts (on each fixture), then the run stops; 0: until stopped
    int timeoutMs = defaultTimeoutMs;
    bool releasedOnly = false;  // refuse a program whose content is not released

    bool operator==(const station_setup& other) const;
    bool operator!=(const station_setup& other) const { return !(*this == other); }
};

// "none", "scan" or "auto:PREFIX", as the command lines and the saved settings write the mode.
QString serialModeText(const station_setup& setup);
// Sets the mode (and prefix) from such a text; why it cannot, or empty.
QString setSerialMode(station_setup& setup, const QString& text);

// Why a station cannot start with `setup` (no port, no program, a setting out of range or unusable), or
// empty. The part file itself is read at the start.
QString setupProblem(const station_setup& setup);

// Why NAME cannot name a fixture, or empty.
QString fixtureNameProblem(const QString& name);
// Reads NAME=PORT; why it cannot, or empty.
QString readFixture(const QString& text, fixture& into);
// Why a station cannot drive these fixtures (too many, a name or a port twice), or empty.
QString fixturesProblem(const QList<fixture>& fixtures);
// "NAME=PORT", as the command lines and the saved settings write it.
QString fixtureText(const fixture& f);

// The fixtures a station with `setup` drives: the named ones, or the one unnamed on `port`.
QList<fixture> fixturesOf(const station_setup& setup);

// The journal and the name a run records, with their defaults filled in.
QString resultsFileOf(const station_setup& setup);
QString stationNameOf(const station_setup& setup);

}  // namespace setup
