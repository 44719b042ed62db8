#include "setup/setting_options.h"

#include "setup/serial_number.h"
#include "setup/server_url.h"

#include <cmath>

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
    const auto notEmpty = [&](const char* what) {
        return text.isEmpty() ? QStringLiteral("%1 is empty: give %2").arg(name, QString::fromLatin1(what)) : QString();
    };
    long whole = 0;
    QString why;
    switch (which) {
    case setting::port:
        why = notEmpty("a port name or a device path");
        if (why.isEmpty())
            setup.port = text;
        return why;
    case setting::results:
        why = notEmpty("the results database's file");
        if (why.isEmpty())
            setup.results = text;
        return why;
    case setting::server:
        why = server_url::problem(text);
        if (!why.isEmpty())
            return name + QStringLiteral(": ") + why;
        setup.server = text;
        return QString();
    case setting::station: {
        const checked_text checked = checkStationName(text);
        if (!checked.problem.isEmpty())
            return name + QStringLiteral(": ") + checked.problem;
        setup.station = checked.text;
        return QString();
    }
    case setting::serials:
        why = setSerialMode(setup, text);
        return why.isEmpty() ? why : name + QStringLiteral(": ") + why;
    case setting::sensitivity:
        why = readWhole(text, 0, tarnwell::sensitivityMax, name, whole);
        if (why.isEmpty())
            setup.sensitivity = static_cast<int>(whole);
        return why;
    case setting::buzzer:
        why = readWhole(text, 0, tarnwell::buzzerMax, name, whole);
        if (why.isEmpty())
            setup.buzzer = static_cast<int>(whole);
        return why;
    case setting::tolerance:
        return readVolts(text, 0.0, maxTolerance, name, setup.tolerance);
    case setting::count:
        why = readWhole(text, 1, maxCount, name, whole);
        if (why.isEmpty())
            setup.count = whole;
        return why;
    case setting::timeout:
        why = readWhole(text, 1, maxTimeoutMs, name, whole);
        if (why.isEmpty())
            setup.timeoutMs = static_cast<int>(whole);
        return why;
    }
    return QString();
}

}  // namespace setup
