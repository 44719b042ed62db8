#include "operator/line_setup.h"

#include "setup/serial_number.h"

#include "device/payloads.h"

namespace op {

namespace {

// The prefix and six digits make a serial.
QString prefixProblem(const QString& prefix) {
    if (prefix.isEmpty())
        return QStringLiteral("numbered serials need a prefix");
    if (prefix.size() > 58 || !setup::serialProblem(prefix).isEmpty())
        return QStringLiteral("the prefix '%1' cannot start a serial of at most 64 printable characters").arg(prefix);
    return QString();
}

}  // namespace

bool line_setup::operator==(const line_setup& o) const {
    return port == o.port && program == o.program && sensitivity == o.sensitivity && buzzer == o.buzzer &&
           qFuzzyCompare(tolerance, o.tolerance) && serials == o.serials && serialPrefix == o.serialPrefix &&
           results == o.results && server == o.server && station == o.station && count == o.count;
}

QString serialModeText(const line_setup& setup) {
    switch (setup.serials) {
    case line_setup::serial_mode::scan:
        return QStringLiteral("scan");
    case line_setup::serial_mode::numbered:
        return QStringLiteral("auto:") + setup.serialPrefix;
    case line_setup::serial_mode::none:
        break;
    }
    return QStringLiteral("none");
}

QString setSerialMode(line_setup& setup, const QString& text) {
    if (text == QLatin1String("none") || text.isEmpty()) {
        setup.serials = line_setup::serial_mode::none;
    } else if (text == QLatin1String("scan")) {
        setup.serials = line_setup::serial_mode::scan;
    } else if (text.startsWith(QLatin1String("auto:")) && text.size() > 5) {
        setup.serials = line_setup::serial_mode::numbered;
        setup.serialPrefix = text.mid(5);
        return prefixProblem(setup.serialPrefix);
    } else {
        return QStringLiteral("serials are 'none', 'scan' or 'auto:PREFIX', not '%1'").arg(text);
    }
    return QString();
}

QString setupProblem(const line_setup& setup) {
    if (setup.port.isEmpty())
        return QStringLiteral("no port: choose the board's port in Setup");
    if (setup.program.isEmpty())
        return QStringLiteral("no part program: choose the expected part's file in Setup");
    if (setup.sensitivity < 0 || setup.sensitivity > tarnwell::sensitivityMax)
        return QStringLiteral("the sensitivity is 0 to %1, not %2").arg(tarnwell::sensitivityMax).arg(setup.sensitivity);
    if (setup.buzzer < 0 || setup.buzzer > tarnwell::buzzerMax)
        return QStringLiteral("the buzzer is 0 to %1, not %2").arg(tarnwell::buzzerMax).arg(setup.buzzer);
    if (!(setup.tolerance >= 0.0 && setup.tolerance <= maxTolerance))
        return QStringLiteral("the tolerance is 0 to %1 volts, not %2").arg(maxTolerance).arg(setup.tolerance);
    if (setup.serials == line_setup::serial_mode::numbered) {
        const QString why = prefixProblem(setup.serialPrefix);
        if (!why.isEmpty())
            return why;
    }
    if (setup.count < 0)
        return QStringLiteral("the count of parts cannot be negative");
    return QString();
}

}  // namespace op
