#include "ctl/invocation.h"

#include "device/payloads.h"

#include <QCommandLineParser>

#include <cmath>


namespace ctl {

namespace {

struct command_entry {
    const char* name;
    tarnwell::endpoints endpoint;
};

// The commands of the board, under the names scripts use.
const command_entry boardCommands[] = {
    {"ping", tarnwell::ID},
    {"config", tarnwell::CFG},
    {"detect-insert", tarnwell::DETECT_INSERT},
    {"detect-remove", tarnwell::DETECT_REMOVE},
    {"measure-static", tarnwell::MES_STATIC},
    {"measure-button", tarnwell::MES_BUTTON_MECH},
    {"measure-capacitive", tarnwell::MES_BUTTON_CAP},
    {"buzz-ok", tarnwell::BUZ_OK},
    {"buzz-error", tarnwell::BUZ_ER},
    {"idle", tarnwell::IDLE},
};

long number(const QString& text, long min, long max, const QString& what) {
    bool ok = false;
    const long value = text.toLong(&ok, 10);
    if (!ok)
        throw usage_error(QStringLiteral("%1: '%2' is not a whole number").arg(what, text).toStdString());
    if (value < min || value > max)
        throw usage_error(
            QStringLiteral("%1: %2 is out of range (%3 to %4)").arg(what, text).arg(min).arg(max).toStdString());
    return value;
}

double volts(const QString& text, double min, double max, const QString& what) {
    bool ok = false;
    const double value = text.toDouble(&ok);
    if (!ok || !std::isfinite(value))
        throw usage_error(QStringLiteral("%1: '%2' is not a number of volts").arg(what, text).toStdString());
    if (value < min || value > max)
        throw usage_error(QStringLiteral("%1: %2 is out of range (%3 to %4)")
                              .arg(what, text, QString::number(min, 'f', 2), QString::number(max, 'f', 2))
                              .toStdString());
    return value;
}

QCommandLineOption valueOption(const char* name, const char* valueName) {
    return QCommandLineOption(QString::fromLatin1(name), QString(), QString::fromLatin1(valueName));
}

// Parses a command's own options and arguments, which may come in any order.
class command_line {
public:
    command_line(const QString& command, const QStringList& rest, const QList<QCommandLineOption>& options) {
        parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
        parser.addOptions(options);
        if (!parser.parse(QStringList{command} + rest))
            throw usage_error((command + QStringLiteral(": ") + parser.errorText()).toStdString());
    }
    QStringList arguments() const { return parser.positionalArguments(); }
    bool isSet(const char* name) const { return parser.isSet(QString::fromLatin1(name)); }
    QString value(const char* name) const { return parser.value(QString::fromLatin1(name)); }

private:
    QCommandLineParser parser;
};

void expectArguments(const QString& command, const QStringList& args, int count, const char* what) {
    if (args.size() < count)
        throw usage_error(QStringLiteral("%1: missing %2").arg(command, QString::fromLatin1(what)).toStdString());
    if (args.size() > count)
        throw usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(command, args.at(count)).toStdString());
}

void parseExchange(invocation& inv, const command_entry& entry, const QStringList& rest) {
    inv.what = invocation::action::exchange;
    inv.command = entry.endpoint;
    const QString name = inv.commandName;
    switch (entry.endpoint) {
    case tarnwell::ID:
        expectArguments(name, command_line(name, rest, {}).arguments(), 0, "");
        inv.payload = tarnwell::pingPayload();
        break;
    case tarnwell::CFG: {
        const command_line line(name, rest, {valueOption("sensitivity", "N"), valueOption("buzzer", "N")});
        expectArguments(name, line.arguments(), 0, "");
        tarnwell::board_config config;
        if (line.isSet("sensitivity"))
            config.sensitivity = static_cast<std::uint8_t>(
                number(line.value("sensitivity"), 0, tarnwell::sensitivityMax, QStringLiteral("--sensitivity")));
        if (line.isSet("buzzer"))
            config.buzzer = static_cast<std::uint8_t>(
                number(line.value("buzzer"), 0, tarnwell::buzzerMax, QStringLiteral("--buzzer")));
        inv.payload = tarnwell::configPayload(config);
        break;
    }
    case tarnwell::MES_BUTTON_CAP: {
        std::vector<std::uint8_t> pins;
        for (const QString& pin : command_line(name, rest, {}).arguments())
            pins.push_back(static_cast<std::uint8_t>(number(pin, 0, tarnwell::capPinCount - 1, QStringLiteral("pin"))));
        inv.payload = tarnwell::capacitivePayload(pins);
        break;
    }
    default:
        expectArguments(name, command_line(name, rest, {}).arguments(), 0, "");
        break;
    }
}

void parseCheck(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::check;
    const command_line line(inv.commandName, rest, {valueOption("tolerance", "VOLTS"), valueOption("junit", "FILE")});
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.expectedFile = line.arguments().at(0);
    if (line.isSet("tolerance"))
        inv.tolerance = volts(line.value("tolerance"), 0.0, 5.12, QStringLiteral("--tolerance"));
    inv.junitFile = line.value("junit");
}

void parseStation(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::station;
    const command_line line(inv.commandName, rest,
                            {valueOption("tolerance", "VOLTS"), valueOption("junit", "FILE"), valueOption("count", "N"),
                             valueOption("sensitivity", "N"), valueOption("buzzer", "N")});
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.expectedFile = line.arguments().at(0);
    if (line.isSet("tolerance"))
        inv.tolerance = volts(line.value("tolerance"), 0.0, 5.12, QStringLiteral("--tolerance"));
    inv.junitFile = line.value("junit");
    if (line.isSet("count"))
        inv.count = number(line.value("count"), 1, 1000000000L, QStringLiteral("--count"));
    if (line.isSet("sensitivity"))
        inv.sensitivity = static_cast<int>(
            number(line.value("sensitivity"), 0, tarnwell::sensitivityMax, QStringLiteral("--sensitivity")));
    if (line.isSet("buzzer"))
        inv.buzzer = static_cast<int>(number(line.value("buzzer"), 0, tarnwell::buzzerMax, QStringLiteral("--buzzer")));
}

}  // namespace

invocation parseInvocation(const QStringList& arguments) {
    QCommandLineParser parser;
    // Everything after the command belongs to the command, so `config --buzzer 5` is not read here.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption port({QStringLiteral("p"), QStringLiteral("port")}, QString(), QStringLiteral("PORT"));
    const QCommandLineOption json(QStringLiteral("json"), QString());
    const QCommandLineOption raw(QStringLiteral("raw"), QString());
    const QCommandLineOption timeout(QStringLiteral("timeout"), QString(), QStringLiteral("MS"));
    parser.addOptions({help, port, json, raw, timeout});
    if (!parser.parse(arguments))
        throw usage_error(parser.errorText().toStdString());

    invocation inv;
    QStringList rest = parser.positionalArguments();
    if (parser.isSet(help) || rest.isEmpty()) {
        if (!parser.isSet(help))
            throw usage_error("no command given");
        return inv;
    }
    inv.port = parser.value(port);
    inv.json = parser.isSet(json);
    inv.raw = parser.isSet(raw);
    if (inv.json && inv.raw)
        throw usage_error("--json and --raw exclude each other: the JSON records carry the bytes already");
    if (parser.isSet(timeout))
        inv.timeoutMs = static_cast<int>(number(parser.value(timeout), 1, 3600000, QStringLiteral("--timeout")));

    inv.commandName = rest.takeFirst();
    if (rest.contains(QStringLiteral("--help")) || rest.contains(QStringLiteral("-h"))) {
        inv.what = invocation::action::help;
        return inv;
    }
    if (inv.commandName == QLatin1String("ports")) {
        inv.what = invocation::action::list_ports;
        expectArguments(inv.commandName, command_line(inv.commandName, rest, {}).arguments(), 0, "");
        return inv;
    }
    if (inv.commandName == QLatin1String("check"))
        parseCheck(inv, rest);
    else if (inv.commandName == QLatin1String("station"))
        parseStation(inv, rest);
    else {
        const command_entry* found = nullptr;
        for (const command_entry& entry : boardCommands)
            if (inv.commandName == QLatin1String(entry.name))
                found = &entry;
        if (!found)
            throw usage_error(QStringLiteral("unknown command '%1'").arg(inv.commandName).toStdString());
        parseExchange(inv, *found, rest);
    }
    if (parser.isSet(port) && inv.port.isEmpty())
        throw usage_error("--port is empty: give a port name (rx48p-ctl ports lists them) or a device path");
    if (inv.port.isEmpty())
        throw usage_error(QStringLiteral("%1 needs --port PORT (rx48p-ctl ports lists the serial ports)")
                              .arg(inv.commandName)
                              .toStdString());
    return inv;
}

}  // namespace ctl
