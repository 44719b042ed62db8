#include "ctl/invocation.h"

#include "ctl/learn_command.h"
#include "results/default_location.h"
#include "results/error.h"
#include "results/server_url.h"
#include "results/utc_text.h"
#include "setup/serial_number.h"

#include "device/payloads.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

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

void checkServer(const QString& url) {
    try {
        results::server_url::parse(url);
    } catch (const results::error& e) {
        throw usage_error(QStringLiteral("--server: %1").arg(e.message()).toStdString());
    }
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

QCommandLineOption flagOption(const char* name) {
    return QCommandLineOption(QString::fromLatin1(name), QString());
}

QString checkedSerial(const QString& raw) {
    const setup::checked_text serial = setup::checkSerial(raw);
    if (!serial.problem.isEmpty())
        throw usage_error(QStringLiteral("--serial: %1").arg(serial.problem).toStdString());
    // A check measures one part: serials from a scanner or numbered ones are for the station.
    if (serial.text == QLatin1String("scan") || serial.text.startsWith(QLatin1String("auto:")))
        throw usage_error(QStringLiteral("--serial: '%1' is for the station; check takes the part's own serial")
                              .arg(serial.text)
                              .toStdString());
    return serial.text;
}

// The board's settings, which check and station both apply before measuring.
void parseBoardSettings(invocation& inv, const command_line& line) {
    if (line.isSet("sensitivity"))
        inv.sensitivity = static_cast<int>(
            number(line.value("sensitivity"), 0, tarnwell::sensitivityMax, QStringLiteral("--sensitivity")));
    if (line.isSet("buzzer"))
        inv.buzzer = static_cast<int>(number(line.value("buzzer"), 0, tarnwell::buzzerMax, QStringLiteral("--buzzer")));
}

void parseCheck(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::check;
    const command_line line(inv.commandName, rest,
                            {valueOption("tolerance", "VOLTS"), valueOption("junit", "FILE"), valueOption("serial", "TEXT"),
                             valueOption("sensitivity", "N"), valueOption("buzzer", "N"), flagOption("no-record")});
    parseBoardSettings(inv, line);
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.expectedFile = line.arguments().at(0);
    if (line.isSet("tolerance"))
        inv.tolerance = volts(line.value("tolerance"), 0.0, 5.12, QStringLiteral("--tolerance"));
    inv.junitFile = line.value("junit");
    inv.record = !line.isSet("no-record");
    if (line.isSet("serial")) {
        inv.serials = invocation::serial_mode::given;
        inv.serial = checkedSerial(line.value("serial"));
    }
}

// An ISO 8601 date ("2026-12-07") or date and time; as given, once it reads.
QString checkedDate(const QString& text, const char* option) {
    if (!results::parseWhen(text).isValid())
        throw usage_error(QStringLiteral("--%1: '%2' is not an ISO 8601 date (2026-12-07, or 2026-12-07T14:30)")
                              .arg(QString::fromLatin1(option), text)
                              .toStdString());
    return text;
}

// Whether two names are one file: by the links resolved when both exist, else by their absolute paths.
bool sameFile(const QString& a, const QString& b) {
    const QFileInfo x(a), y(b);
    if (x.exists() && y.exists())
        return x.canonicalFilePath() == y.canonicalFilePath();
    return QDir::cleanPath(x.absoluteFilePath()) == QDir::cleanPath(y.absoluteFilePath());
}

void parseResults(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::results;
    if (rest.isEmpty())
        throw usage_error("results: missing the question (summary, failures, part, export, report, push, server-init)");
    inv.question = rest.first();
    const QStringList args = rest.mid(1);
    const QString name = QStringLiteral("results ") + inv.question;
    const QList<QCommandLineOption> window{valueOption("since", "DATE"), valueOption("until", "DATE")};
    const auto readWindow = [&](const command_line& line) {
        if (line.isSet("since"))
            inv.since = checkedDate(line.value("since"), "since");
        if (line.isSet("until"))
            inv.until = checkedDate(line.value("until"), "until");
        // The window would hold nothing: a typing slip, not a question.
        if (line.isSet("since") && line.isSet("until") && results::parseWhen(inv.since) >= results::parseWhen(inv.until))
            throw usage_error(QStringLiteral("--since %1 is not before --until %2: the window would be empty")
                                  .arg(inv.since, inv.until)
                                  .toStdString());
    };
    if (inv.question == QLatin1String("summary")) {
        const command_line line(name, args, window + QList<QCommandLineOption>{valueOption("by", "WHAT")});
        expectArguments(name, line.arguments(), 0, "");
        readWindow(line);
        inv.by = line.value("by");
        if (line.isSet("by") && !QStringList{"day", "hour", "station", "program"}.contains(inv.by))
            throw usage_error(QStringLiteral("--by: '%1' is not day, hour, station or program").arg(inv.by).toStdString());
    } else if (inv.question == QLatin1String("failures")) {
        const command_line line(name, args, window + QList<QCommandLineOption>{valueOption("top", "N")});
        expectArguments(name, line.arguments(), 0, "");
        readWindow(line);
        if (line.isSet("top"))
            inv.top = static_cast<int>(number(line.value("top"), 1, 100000, QStringLiteral("--top")));
    } else if (inv.question == QLatin1String("part")) {
        const command_line line(name, args, {});
        expectArguments(name, line.arguments(), 1, "the serial");
        inv.serial = line.arguments().at(0);
    } else if (inv.question == QLatin1String("export")) {
        const command_line line(name, args, window);
        expectArguments(name, line.arguments(), 0, "");
        readWindow(line);
    } else if (inv.question == QLatin1String("report")) {
        const command_line line(name, args, window + QList<QCommandLineOption>{valueOption("html", "FILE")});
        expectArguments(name, line.arguments(), 0, "");
        readWindow(line);
        inv.reportFile = line.value("html");
        if (inv.reportFile.isEmpty() && !inv.json)
            throw usage_error("results report needs --html FILE (or --json before the command for JSON Lines)");
        if (!inv.reportFile.isEmpty() && inv.json)
            throw usage_error("results report: --json prints the figures instead of the page; give one of --html and --json");
        const QString journal = inv.resultsFile.isEmpty() ? results::defaultResultsFile() : inv.resultsFile;
        if (!inv.reportFile.isEmpty() && sameFile(inv.reportFile, journal))
            throw usage_error(QStringLiteral("results report: --html %1 is the results database itself; give the page another file")
                                  .arg(inv.reportFile)
                                  .toStdString());
    } else if (inv.question == QLatin1String("push")) {
        expectArguments(name, command_line(name, args, {}).arguments(), 0, "");
        if (inv.server.isEmpty())
            throw usage_error("results push needs --server URL: it forwards the journal's unsent parts there");
    } else if (inv.question == QLatin1String("server-init")) {
        const command_line line(name, args, {valueOption("grant", "ROLE")});
        expectArguments(name, line.arguments(), 0, "");
        inv.grantRole = line.value("grant");
        if (inv.server.isEmpty())
            throw usage_error("results server-init needs --server URL: it creates the tables there");
    } else {
        throw usage_error(QStringLiteral("results: unknown question '%1' (summary, failures, part, export, report, push, server-init)")
                              .arg(inv.question)
                              .toStdString());
    }
}

void parseStation(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::station;
    const command_line line(inv.commandName, rest,
                            {valueOption("tolerance", "VOLTS"), valueOption("junit", "FILE"), valueOption("count", "N"),
                             valueOption("sensitivity", "N"), valueOption("buzzer", "N"), valueOption("serial", "scan|auto:PREFIX"),
                             flagOption("no-record")});
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.expectedFile = line.arguments().at(0);
    if (line.isSet("tolerance"))
        inv.tolerance = volts(line.value("tolerance"), 0.0, 5.12, QStringLiteral("--tolerance"));
    inv.junitFile = line.value("junit");
    if (line.isSet("count"))
        inv.count = number(line.value("count"), 1, 1000000000L, QStringLiteral("--count"));
    parseBoardSettings(inv, line);
    inv.record = !line.isSet("no-record");
    if (line.isSet("serial")) {
        const QString mode = line.value("serial");
        if (mode == QLatin1String("scan")) {
            inv.serials = invocation::serial_mode::scan;
        } else if (mode.startsWith(QLatin1String("auto:")) && mode.size() > 5) {
            inv.serials = invocation::serial_mode::numbered;
            // The prefix and six digits make a serial.
            inv.serial = mode.mid(5);
            if (inv.serial.size() > 58 || !setup::serialProblem(inv.serial).isEmpty())
                throw usage_error(QStringLiteral("--serial: the prefix '%1' cannot start a serial of at most 64 "
                                                 "printable characters")
                                      .arg(inv.serial)
                                      .toStdString());
        } else {
            throw usage_error(QStringLiteral("--serial: '%1' is neither 'scan' nor 'auto:PREFIX'").arg(mode).toStdString());
        }
    }
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
    const QCommandLineOption resultsFile(QStringLiteral("results"), QString(), QStringLiteral("FILE"));
    const QCommandLineOption server(QStringLiteral("server"), QString(), QStringLiteral("URL"));
    const QCommandLineOption stationName(QStringLiteral("station"), QString(), QStringLiteral("NAME"));
    const QCommandLineOption version(QStringLiteral("version"), QString());
    parser.addOptions({help, version, port, json, raw, timeout, resultsFile, server, stationName});
    if (!parser.parse(arguments))
        throw usage_error(parser.errorText().toStdString());

    invocation inv;
    QStringList rest = parser.positionalArguments();
    if (parser.isSet(version) && !parser.isSet(help)) {
        inv.what = invocation::action::version;
        return inv;
    }
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
    inv.resultsFile = parser.value(resultsFile);
    if (parser.isSet(resultsFile) && inv.resultsFile.isEmpty())
        throw usage_error("--results is empty: give the results database's file");
    inv.server = parser.value(server);
    if (parser.isSet(server))
        checkServer(inv.server);
    if (parser.isSet(stationName)) {
        const setup::checked_text name = setup::checkStationName(parser.value(stationName));
        if (!name.problem.isEmpty())
            throw usage_error(QStringLiteral("--station: %1").arg(name.problem).toStdString());
        inv.station = name.text;
    }

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
    if (inv.commandName == QLatin1String("results")) {
        parseResults(inv, rest);
        return inv;  // asks the database, not the board
    }
    if (inv.commandName == QLatin1String("check"))
        parseCheck(inv, rest);
    else if (inv.commandName == QLatin1String("station"))
        parseStation(inv, rest);
    else if (inv.commandName == QLatin1String("learn"))
        parseLearn(inv, rest);
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
