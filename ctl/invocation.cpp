#include "ctl/invocation.h"

#include "process/option_problem.h"
#include "results/utc_text.h"
#include "setup/serial_number.h"
#include "setup/setting_options.h"

#include "device/payloads.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFileInfo>

#include <algorithm>
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
    long value = 0;
    const QString why = setup::readWhole(text, min, max, what, value);
    if (!why.isEmpty())
        throw usage_error(why.toStdString());
    return value;
}

// The general options: they may come before the command or among its own options.
const auto generalSettings = {setup::setting::port, setup::setting::timeout, setup::setting::results,
                              setup::setting::server, setup::setting::station};

QList<QCommandLineOption> settingOptions(std::initializer_list<setup::setting> which) {
    QList<QCommandLineOption> options;
    for (const setup::setting setting : which)
        options << setup::optionFor(setting);
    return options;
}

QList<QCommandLineOption> generalOptions() {
    return QList<QCommandLineOption>{QCommandLineOption(QStringLiteral("json"), QString()),
                                     QCommandLineOption(QStringLiteral("raw"), QString())} +
           settingOptions(generalSettings);
}

QStringList namesOf(const QList<QCommandLineOption>& options) {
    QStringList names;
    for (const QCommandLineOption& option : options)
        names += option.names();
    return names;
}

// "port" for "--port", "-p" and "--port=X"; empty for what is no option.
QString optionName(const QString& word) {
    if (word.startsWith(QLatin1String("--")))
        return word.mid(2).section(QLatin1Char('='), 0, 0);
    if (word.size() == 2 && word.at(0) == QLatin1Char('-') && word.at(1).isLetter())
        return word.mid(1);
    return QString();
}

// The general options among the command's words, taken out of them.
QStringList takeGeneralOptions(QStringList& words) {
    const QList<QCommandLineOption> options = generalOptions();
    QStringList taken;
    for (int i = 0; i < words.size();) {
        const QString& word = words.at(i);
        if (word == QLatin1String("--"))
            break;
        const QString name = optionName(word);
        const auto general = std::find_if(options.cbegin(), options.cend(), [&](const QCommandLineOption& option) {
            return option.names().contains(name);
        });
        if (name.isEmpty() || general == options.cend()) {
            ++i;
            continue;
        }
        const bool valueFollows = !general->valueName().isEmpty() && !word.contains(QLatin1Char('='));
        taken << words.takeAt(i);
        if (valueFollows && i < words.size())
            taken << words.takeAt(i);
    }
    return taken;
}

// "; did you mean check?" when `typed` is a slip of one of `words`, else empty.
QString nearestWord(const QString& typed, const QStringList& words) {
    const QString nearest = proc::closestOf(typed, words);
    return nearest.isEmpty() ? QString() : QStringLiteral("; did you mean %1?").arg(nearest);
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
        const QStringList known = namesOf(generalOptions() + options);
        if (!parser.parse(QStringList{command} + rest))
            throw usage_error((command + QStringLiteral(": ") + proc::optionProblem(parser, known)).toStdString());
    }
    QStringList arguments() const { return parser.positionalArguments(); }
    bool isSet(const QString& name) const { return parser.isSet(name); }
    QString value(const QString& name) const { return parser.value(name); }
    QStringList values(const QString& name) const { return parser.values(name); }
    bool isSet(const char* name) const { return isSet(QString::fromLatin1(name)); }
    QString value(const char* name) const { return value(QString::fromLatin1(name)); }

private:
    QCommandLineParser parser;
};

void expectArguments(const QString& command, const QStringList& args, int count, const char* what) {
    if (args.size() < count)
        throw usage_error(QStringLiteral("%1: missing %2").arg(command, QString::fromLatin1(what)).toStdString());
    if (args.size() > count)
        throw usage_error(QStringLiteral("%1: unexpected argument '%2'").arg(command, args.at(count)).toStdString());
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

// A station's setting, read and checked as every front end does.
void readSetting(invocation& inv, setup::setting which, const QString& text) {
    const QString why = setup::readSetting(inv.setup, which, text);
    if (!why.isEmpty())
        throw usage_error(why.toStdString());
}

void readSettings(invocation& inv, const command_line& line, std::initializer_list<setup::setting> which) {
    for (const setup::setting setting : which) {
        // Each one given is checked; the last counts, and every fixture is added.
        const QString name = setup::optionFor(setting).names().constLast();
        for (const QString& text : line.values(name))
            readSetting(inv, setting, text);
    }
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
        using setup::setting;
        const auto settings = {setting::sensitivity, setting::buzzer};
        const command_line line(name, rest, settingOptions(settings));
        expectArguments(name, line.arguments(), 0, "");
        readSettings(inv, line, settings);
        tarnwell::board_config config;
        config.sensitivity = static_cast<std::uint8_t>(inv.setup.sensitivity);
        config.buzzer = static_cast<std::uint8_t>(inv.setup.buzzer);
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
    using setup::setting;
    const auto settings = {setting::tolerance, setting::sensitivity, setting::buzzer};
    const command_line line(inv.commandName, rest,
                            settingOptions(settings) + QList<QCommandLineOption>{valueOption("junit", "FILE"),
                                                                                 valueOption("serial", "TEXT"),
                                                                                 flagOption("no-record")});
    readSettings(inv, line, settings);
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.setup.program = line.arguments().at(0);
    inv.junitFile = line.value("junit");
    inv.record = !line.isSet("no-record");
    if (line.isSet("serial"))
        inv.serial = checkedSerial(line.value("serial"));
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
        throw usage_error("results: missing the question (summary, failures, part, export, report, push, server-init, "
                          "release, releases, revoke, audit)");
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
        if (line.isSet("by") && !QStringList{"day", "hour", "station", "program", "fixture"}.contains(inv.by))
            throw usage_error(
                QStringLiteral("--by: '%1' is not day, hour, station, program or fixture").arg(inv.by).toStdString());
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
        const QString journal = setup::resultsFileOf(inv.setup);
        if (!inv.reportFile.isEmpty() && sameFile(inv.reportFile, journal))
            throw usage_error(QStringLiteral("results report: --html %1 is the results database itself; give the page another file")
                                  .arg(inv.reportFile)
                                  .toStdString());
    } else if (inv.question == QLatin1String("push")) {
        expectArguments(name, command_line(name, args, {}).arguments(), 0, "");
        if (inv.setup.server.isEmpty())
            throw usage_error("results push needs --server URL: it forwards the journal's unsent parts there");
    } else if (inv.question == QLatin1String("server-init")) {
        const command_line line(name, args, {valueOption("grant", "ROLE")});
        expectArguments(name, line.arguments(), 0, "");
        inv.grantRole = line.value("grant");
        if (inv.setup.server.isEmpty())
            throw usage_error("results server-init needs --server URL: it creates the tables there");
    } else if (inv.question == QLatin1String("release") || inv.question == QLatin1String("revoke")) {
        const bool release = inv.question == QLatin1String("release");
        const command_line line(name, args,
                                release ? QList<QCommandLineOption>{valueOption("note", "TEXT")} : QList<QCommandLineOption>{});
        expectArguments(name, line.arguments(), 1, release ? "the part file" : "the part file or its SHA-256");
        inv.releaseTarget = line.arguments().at(0);
        inv.note = line.value("note");
        if (inv.note.size() > 500)
            throw usage_error("--note: at most 500 characters");
        if (inv.setup.server.isEmpty())
            throw usage_error(QStringLiteral("%1 needs --server URL: the line's releases are kept there").arg(name).toStdString());
    } else if (inv.question == QLatin1String("releases")) {
        expectArguments(name, command_line(name, args, {}).arguments(), 0, "");
    } else if (inv.question == QLatin1String("audit")) {
        const command_line line(name, args, window);
        expectArguments(name, line.arguments(), 0, "");
        readWindow(line);
    } else {
        const QStringList questions{"summary", "failures", "part", "export", "report", "push", "server-init",
                                    "release", "releases", "revoke", "audit"};
        const QString nearest = nearestWord(inv.question, questions);
        throw usage_error(QStringLiteral("results: unknown question '%1'%2")
                              .arg(inv.question,
                                   nearest.isEmpty() ? QStringLiteral(" (%1)").arg(questions.join(QStringLiteral(", ")))
                                                     : nearest)
                              .toStdString());
    }
}

void parseStation(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::station;
    using setup::setting;
    const auto settings = {setting::fixture, setting::tolerance, setting::count, setting::sensitivity, setting::buzzer,
                           setting::serials};
    const command_line line(inv.commandName, rest,
                            settingOptions(settings) + QList<QCommandLineOption>{valueOption("junit", "FILE"),
                                                                                 flagOption("no-record"),
                                                                                 setup::releasedOnlyOption()});
    readSettings(inv, line, settings);
    expectArguments(inv.commandName, line.arguments(), 1, "the file of the expected part");
    inv.setup.program = line.arguments().at(0);
    inv.junitFile = line.value("junit");
    inv.record = !line.isSet("no-record");
    inv.setup.releasedOnly = line.isSet("released-only");
    if (inv.setup.releasedOnly && !inv.record)
        throw usage_error("--released-only and --no-record exclude each other: the journal keeps the released programs "
                          "and the audit trail");
}

tarnwell::check_set parseMeasures(const QString& text) {
    tarnwell::check_set c;
    for (const QString& word : text.split(QLatin1Char(','))) {
        bool* measure = word == QLatin1String("static")   ? &c.static_pins
                      : word == QLatin1String("button") ? &c.buttons
                      : word == QLatin1String("touch")  ? &c.touch
                                                        : nullptr;
        if (!measure)
            throw usage_error(QStringLiteral("--measure: unknown measure '%1' (static, button, touch, joined by commas)")
                                  .arg(word)
                                  .toStdString());
        *measure = true;
    }
    return c;
}

void parseLearn(invocation& inv, const QStringList& rest) {
    inv.what = invocation::action::learn;
    using setup::setting;
    const auto settings = {setting::sensitivity, setting::buzzer};
    const command_line line(inv.commandName, rest,
                            settingOptions(settings) + QList<QCommandLineOption>{valueOption("samples", "N"),
                                                                                 valueOption("measure", "LIST"),
                                                                                 valueOption("output", "FILE"),
                                                                                 flagOption("force")});
    expectArguments(inv.commandName, line.arguments(), 0, "");
    readSettings(inv, line, settings);
    if (line.isSet("samples"))
        inv.samples = static_cast<int>(number(line.value("samples"), 1, 1000, QStringLiteral("--samples")));
    if (line.isSet("measure"))
        inv.learnMeasures = parseMeasures(line.value("measure"));
    if (line.isSet("output") && line.value("output").isEmpty())
        throw usage_error("--output is empty: give the file to write the learned part to");
    inv.outputFile = line.value("output");
    inv.force = line.isSet("force");
    if (inv.raw && inv.outputFile.isEmpty())
        throw usage_error("learn --raw needs --output FILE: the frames would be mixed into the part on standard output");
}

}  // namespace

invocation parseInvocation(const QStringList& arguments) {
    using setup::setting;
    QCommandLineParser parser;
    // Everything after the command belongs to the command, so `config --buzzer 5` is not read here.
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsPositionalArguments);
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, QString());
    const QCommandLineOption version(QStringLiteral("version"), QString());
    const QList<QCommandLineOption> options = QList<QCommandLineOption>{help, version} + generalOptions();
    parser.addOptions(options);
    const QStringList known = namesOf(options);
    if (!parser.parse(arguments))
        throw usage_error(proc::optionProblem(parser, known).toStdString());
    QStringList rest = parser.positionalArguments();
    // A general option among the command's own is read as if it came before the command: a line copied
    // from the station window's shortcut works as it is.
    if (rest.size() > 1) {
        QStringList words = rest.mid(1);
        const QStringList general = takeGeneralOptions(words);
        if (!general.isEmpty()) {
            const QStringList before = arguments.mid(0, arguments.size() - rest.size());
            rest = QStringList{rest.first()} + words;
            if (!parser.parse(before + general + rest))
                throw usage_error(proc::optionProblem(parser, known).toStdString());
        }
    }

    invocation inv;
    if (parser.isSet(version) && !parser.isSet(help)) {
        inv.what = invocation::action::version;
        return inv;
    }
    if (parser.isSet(help) || rest.isEmpty()) {
        if (!parser.isSet(help))
            throw usage_error("no command given");
        return inv;
    }
    inv.json = parser.isSet(QStringLiteral("json"));
    inv.raw = parser.isSet(QStringLiteral("raw"));
    if (inv.json && inv.raw)
        throw usage_error("--json and --raw exclude each other: the JSON records carry the bytes already");
    for (const setting which : generalSettings) {
        const QCommandLineOption option = setup::optionFor(which);
        if (parser.isSet(option))
            readSetting(inv, which, parser.value(option));
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
        QStringList commands{QStringLiteral("ports"), QStringLiteral("results"), QStringLiteral("check"),
                             QStringLiteral("station"), QStringLiteral("learn")};
        for (const command_entry& entry : boardCommands) {
            commands << QString::fromLatin1(entry.name);
            if (inv.commandName == QLatin1String(entry.name))
                found = &entry;
        }
        if (!found)
            throw usage_error((QStringLiteral("unknown command '%1'").arg(inv.commandName) + nearestWord(inv.commandName, commands)).toStdString());
        parseExchange(inv, *found, rest);
    }
    if (const QString why = setup::portAndFixturesProblem(!inv.setup.port.isEmpty(), !inv.setup.fixtures.isEmpty());
        !why.isEmpty())
        throw usage_error(why.toStdString());
    if (inv.setup.port.isEmpty() && inv.setup.fixtures.isEmpty())
        throw usage_error(QStringLiteral("%1 needs --port PORT (rx48p-ctl ports lists the serial ports)")
                              .arg(inv.commandName)
                              .toStdString());
    return inv;
}

}  // namespace ctl
