#include "setup/setting_options.h"

#include "setup/serial_number.h"
#include "setup/server_url.h"

#include <cmath>
#include <type_traits>

namespace setup {

namespace {

struct option_text {
    const char* names;  // "p,port": the short name first
    const char* valueName;
    const char* help;
};

option_text textOf(setting which) {
    switch (which) {
    case setting::port:
        return {"p,port", "PORT", "The board's serial port: a listed name (ttyUSB0, COM3) or a device path."};
    case setting::fixture:
        return {"fixture", "NAME=PORT",
                "A fixture's name and its board's port, instead of --port; repeated, up to 4 boards tested side by side."};
    case setting::results:
        return {"results", "FILE", "The results database (SQLite); default: $RX48P_RESULTS, else results.sqlite in the data folder."};
    case setting::server:
        return {"server", "URL", "The line's results server, postgresql://[USER@]HOST[:PORT]/DBNAME[?OPTIONS]."};
    case setting::station:
        return {"station", "NAME", "The station's name on record; default: the host name."};
    case setting::serials:
        return {"serial", "none|scan|auto:PREFIX", "Serials: none, scanned before each part, or numbered PREFIX000001, ..."};
    case setting::sensitivity:
        return {"sensitivity", "N", "The board's sensitivity, 0 to 128 (default 64)."};
    case setting::buzzer:
        return {"buzzer", "N", "The buzzer's length, 0 to 100 (default 100)."};
    case setting::tolerance:
        return {"tolerance", "VOLTS", "How far a drop may be from the expected one, 0 to 5.12 V (default 0.10)."};
    case setting::count:
        return {"count", "N", "Stop after N parts."};
    case setting::timeout:
        return {"timeout", "MS", "How long to wait for each answer of the board (default 3000)."};
    }
    return {"", "", ""};
}

QString optionName(setting which) {
    return QStringLiteral("--") + QString::fromLatin1(textOf(which).names).section(QLatin1Char(','), -1);
}

}  // namespace

QCommandLineOption optionFor(setting which) {
    const option_text text = textOf(which);
    return QCommandLineOption(QString::fromLatin1(text.names).split(QLatin1Char(',')), QString::fromLatin1(text.help),
                              QString::fromLatin1(text.valueName));
}

QCommandLineOption releasedOnlyOption() {
    return QCommandLineOption(QStringLiteral("released-only"),
                              QStringLiteral("Refuse a part program whose content is not released on the results server "
                                             "(the list last read from it when it is out of reach)."));
}

QString portAndFixturesProblem(bool portGiven, bool fixturesGiven) {
    if (portGiven && fixturesGiven)
        return QStringLiteral("--port and --fixture exclude each other: give every board as --fixture NAME=PORT");
    return QString();
}

QString readWhole(const QString& text, long min, long max, const QString& what, long& value) {
    bool ok = false;
    const long read = text.toLong(&ok, 10);
    if (!ok)
        return QStringLiteral("%1: '%2' is not a whole number").arg(what, text);
    if (read < min || read > max)
        return QStringLiteral("%1: %2 is out of range (%3 to %4)").arg(what, text).arg(min).arg(max);
    value = read;
    return QString();
}

QString readVolts(const QString& text, double min, double max, const QString& what, double& value) {
    bool ok = false;
    const double read = text.toDouble(&ok);
    if (!ok || !std::isfinite(read))
        return QStringLiteral("%1: '%2' is not a number of volts").arg(what, text);
    if (read < min || read > max)
        return QStringLiteral("%1: %2 is out of range (%3 to %4)")
            .arg(what, text, QString::number(min, 'f', 2), QString::number(max, 'f', 2));
    value = read;
    return QString();
}

QString readSetting(station_setup& setup, setting which, const QString& text) {
    const QString name = optionName(which);
    const auto path = [&](QString& field, const char* what) {
        if (text.isEmpty())
            return QStringLiteral("%1 is empty: give %2").arg(name, QString::fromLatin1(what));
        field = text;
        return QString();
    };
    const auto whole = [&](auto& field, long min, long max) {
        long value = 0;
        const QString why = readWhole(text, min, max, name, value);
        if (why.isEmpty())
            field = static_cast<std::decay_t<decltype(field)>>(value);
        return why;
    };
    const auto named = [&](const QString& why) { return why.isEmpty() ? why : name + QStringLiteral(": ") + why; };
    switch (which) {
    case setting::port:
        return path(setup.port, "a port name or a device path");
    case setting::fixture: {
        fixture read;
        if (const QString why = readFixture(text, read); !why.isEmpty())
            return named(why);
        QList<fixture> all = setup.fixtures;
        all.append(read);
        if (const QString why = fixturesProblem(all); !why.isEmpty())
            return named(why);
        setup.fixtures = all;
        return QString();
    }
    case setting::results:
        return path(setup.results, "the results database's file");
    case setting::server: {
        const QString why = server_url::problem(text);
        if (why.isEmpty())
            setup.server = text;
        return named(why);
    }
    case setting::station: {
        const checked_text checked = checkStationName(text);
        if (checked.problem.isEmpty())
            setup.station = checked.text;
        return named(checked.problem);
    }
    case setting::serials:
        return named(setSerialMode(setup, text));
    case setting::sensitivity:
        return whole(setup.sensitivity, 0, tarnwell::sensitivityMax);
    case setting::buzzer:
        return whole(setup.buzzer, 0, tarnwell::buzzerMax);
    case setting::tolerance:
        return readVolts(text, 0.0, maxTolerance, name, setup.tolerance);
    case setting::count:
        return whole(setup.count, 1, maxCount);
    case setting::timeout:
        return whole(setup.timeoutMs, 1, maxTimeoutMs);
    }
    return QString();
}

}  // namespace setup
