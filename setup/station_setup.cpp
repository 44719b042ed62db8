#include "setup/station_setup.h"

#include "setup/default_location.h"
#include "setup/serial_number.h"
#include "setup/server_url.h"

#include <QSysInfo>

#include <algorithm>

namespace setup {

namespace {

QString prefixProblem(const QString& prefix) {
    if (prefix.isEmpty())
        return QStringLiteral("numbered serials need a prefix: auto:PREFIX");
    if (prefix.size() > maxSerialPrefix || !serialProblem(prefix).isEmpty())
        return QStringLiteral("the prefix '%1' cannot start a serial of at most 64 printable characters").arg(prefix);
    return QString();
}

bool nameCharacter(QChar c) {
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z')) ||
           (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || c == QLatin1Char('.') || c == QLatin1Char('_') ||
           c == QLatin1Char('-');
}

}  // namespace

QString fixtureNameProblem(const QString& name) {
    if (name.isEmpty())
        return QStringLiteral("a fixture needs a name");
    // The name is shown on tiles, printed on every line and kept on record: plain and short.
    if (name.size() > maxFixtureName || !std::all_of(name.begin(), name.end(), nameCharacter))
        return QStringLiteral("a fixture's name is 1 to %1 of A-Z a-z 0-9 . _ -, not '%2'")
            .arg(maxFixtureName)
            .arg(checkSerial(name).problem.isEmpty() ? name : QStringLiteral("(unprintable)"));
    return QString();
}

QString readFixture(const QString& text, fixture& into) {
    const int equals = text.indexOf(QLatin1Char('='));
    if (equals < 0)
        return QStringLiteral("a fixture is NAME=PORT, not '%1'").arg(checkSerial(text).problem.isEmpty() ? text : QStringLiteral("(unprintable)"));
    fixture read{text.left(equals), text.mid(equals + 1)};
    if (const QString why = fixtureNameProblem(read.name); !why.isEmpty())
        return why;
    if (read.port.isEmpty())
        return QStringLiteral("fixture %1 has no port").arg(read.name);
    into = read;
    return QString();
}

QString fixturesProblem(const QList<fixture>& fixtures) {
    if (fixtures.size() > maxFixtures)
        return QStringLiteral("a station drives at most %1 fixtures, not %2").arg(maxFixtures).arg(fixtures.size());
    for (int i = 0; i < fixtures.size(); ++i) {
        const fixture& f = fixtures[i];
        if (const QString why = fixtureNameProblem(f.name); !why.isEmpty())
            return why;
        if (f.port.isEmpty())
            return QStringLiteral("fixture %1 has no port").arg(f.name);
        for (int j = 0; j < i; ++j) {
            if (fixtures[j].name == f.name)
                return QStringLiteral("two fixtures are named %1").arg(f.name);
            if (fixtures[j].port == f.port)
                return QStringLiteral("fixtures %1 and %2 are both on %3").arg(fixtures[j].name, f.name, f.port);
        }
    }
    return QString();
}

QString fixtureText(const fixture& f) {
    return f.name + QLatin1Char('=') + f.port;
}

QList<fixture> fixturesOf(const station_setup& setup) {
    if (!setup.fixtures.isEmpty())
        return setup.fixtures;
    return {fixture{QString(), setup.port}};
}

bool station_setup::operator==(const station_setup& o) const {
    return port == o.port && fixtures == o.fixtures && program == o.program && sensitivity == o.sensitivity && buzzer == o.buzzer &&
           qFuzzyCompare(tolerance, o.tolerance) && serials == o.serials && serialPrefix == o.serialPrefix &&
           results == o.results && server == o.server && station == o.station && count == o.count &&
           timeoutMs == o.timeoutMs && releasedOnly == o.releasedOnly;
}

QString serialModeText(const station_setup& setup) {
    switch (setup.serials) {
    case serial_mode::scan:
        return QStringLiteral("scan");
    case serial_mode::numbered:
        return QStringLiteral("auto:") + setup.serialPrefix;
    case serial_mode::none:
        break;
    }
    return QStringLiteral("none");
}

QString setSerialMode(station_setup& setup, const QString& text) {
    if (text == QLatin1String("none")) {
        setup.serials = serial_mode::none;
    } else if (text == QLatin1String("scan")) {
        setup.serials = serial_mode::scan;
    } else if (text.startsWith(QLatin1String("auto:"))) {
        const QString why = prefixProblem(text.mid(5));
        if (!why.isEmpty())
            return why;
        setup.serials = serial_mode::numbered;
        setup.serialPrefix = text.mid(5);
    } else {
        return QStringLiteral("serials are 'none', 'scan' or 'auto:PREFIX', not '%1'").arg(text);
    }
    return QString();
}

QString setupProblem(const station_setup& setup) {
    if (setup.fixtures.isEmpty() && setup.port.isEmpty())
        return QStringLiteral("no port: choose the board's port");
    if (const QString why = fixturesProblem(setup.fixtures); !why.isEmpty())
        return why;
    if (setup.program.isEmpty())
        return QStringLiteral("no part program: choose the expected part's file");
    if (setup.sensitivity < 0 || setup.sensitivity > tarnwell::sensitivityMax)
        return QStringLiteral("the sensitivity is 0 to %1, not %2").arg(tarnwell::sensitivityMax).arg(setup.sensitivity);
    if (setup.buzzer < 0 || setup.buzzer > tarnwell::buzzerMax)
        return QStringLiteral("the buzzer is 0 to %1, not %2").arg(tarnwell::buzzerMax).arg(setup.buzzer);
    if (!(setup.tolerance >= 0.0 && setup.tolerance <= maxTolerance))
        return QStringLiteral("the tolerance is 0 to %1 volts, not %2").arg(maxTolerance).arg(setup.tolerance);
    if (setup.serials == serial_mode::numbered) {
        const QString why = prefixProblem(setup.serialPrefix);
        if (!why.isEmpty())
            return why;
    }
    if (setup.count < 0 || setup.count > maxCount)
        return QStringLiteral("the count of parts is 0 (until stopped) to %1, not %2").arg(maxCount).arg(setup.count);
    if (setup.timeoutMs < 1 || setup.timeoutMs > maxTimeoutMs)
        return QStringLiteral("the time-out is 1 to %1 ms, not %2").arg(maxTimeoutMs).arg(setup.timeoutMs);
    if (!setup.station.isEmpty()) {
        const checked_text name = checkStationName(setup.station);
        if (!name.problem.isEmpty())
            return QStringLiteral("the station's name: ") + name.problem;
    }
    if (!setup.server.isEmpty())
        return server_url::problem(setup.server);
    return QString();
}

QString resultsFileOf(const station_setup& setup) {
    return setup.results.isEmpty() ? defaultResultsFile() : setup.results;
}

QString stationNameOf(const station_setup& setup) {
    return setup.station.isEmpty() ? QSysInfo::machineHostName() : setup.station;
}

}  // namespace setup
