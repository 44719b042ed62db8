#include "operator/command_line.h"

#include "operator/language.h"
#include "process/option_problem.h"
#include "setup/setting_options.h"

#include <QCommandLineParser>

#include <utility>
#include <vector>

namespace op {

launch parseLaunch(const QStringList& arguments, const setup::station_setup& remembered) {
    launch l;
    l.setup = remembered;
    l.setup.count = 0;  // never remembered
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The RX48P test station's window for the production line: insert a part, read PASS or "
                       "FAIL and why, every part recorded. Options override the remembered setup for this "
                       "start; Setup in the window changes what is remembered."));
    using setup::setting;
    std::vector<std::pair<setting, QCommandLineOption>> settings;
    for (const setting which : {setting::port, setting::fixture, setting::results, setting::server, setting::station, setting::serials,
                                setting::sensitivity, setting::buzzer, setting::tolerance, setting::timeout,
                                setting::count})
        settings.emplace_back(which, setup::optionFor(which));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("Start the station at once."));
    const QStringList languages = windowLanguages();
    const QCommandLineOption language(
        QStringLiteral("language"),
        QStringLiteral("The window's language for this start: %1. Default: the one chosen in Setup, else the "
                       "system's, else English.")
            .arg(languages.join(QStringLiteral(", "))),
        QStringLiteral("CODE"));
    const QCommandLineOption setPassword(
        QStringLiteral("set-password"),
        QStringLiteral("Set the supervisor password that guards Setup and the service keys, replacing any: read twice "
                       "from standard input, a line each, not echoed on a terminal. No window opens."));
    const QCommandLineOption removePassword(QStringLiteral("remove-password"),
                                            QStringLiteral("Remove the supervisor password. No window opens."));
    QStringList known{QStringLiteral("start"), QStringLiteral("help"), QStringLiteral("version"),
                      QStringLiteral("set-password"), QStringLiteral("remove-password"), QStringLiteral("language")};
    for (const auto& option : settings) {
        parser.addOption(option.second);
        known += option.second.names();
    }
    parser.addOption(language);
    parser.addOption(start);
    const QCommandLineOption releasedOnly = setup::releasedOnlyOption();
    parser.addOption(releasedOnly);
    known += releasedOnly.names();
    parser.addOption(setPassword);
    parser.addOption(removePassword);
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM"), QStringLiteral("The expected part's file."),
                                 QStringLiteral("[PROGRAM]"));
    l.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        l.error = proc::optionProblem(parser, known);
        return l;
    }
    l.help = parser.isSet(help);
    l.version = parser.isSet(version);
    if (parser.isSet(setPassword) && parser.isSet(removePassword)) {
        l.error = QStringLiteral("--set-password and --remove-password exclude each other");
        return l;
    }
    l.password = parser.isSet(setPassword)      ? password_action::set
                 : parser.isSet(removePassword) ? password_action::remove
                                                : password_action::none;
    // Boards named here replace the remembered ones, and so does a port.
    const auto given = [&](setting which) {
        for (const auto& option : settings) {
            if (option.first == which)
                return parser.isSet(option.second);
        }
        return false;
    };
    l.error = setup::portAndFixturesProblem(given(setting::port), given(setting::fixture));
    if (!l.error.isEmpty())
        return l;
    if (given(setting::fixture) || given(setting::port))
        l.setup.fixtures.clear();
    for (const auto& option : settings) {
        // Each one given is checked; the last counts, and every fixture is added.
        for (const QString& value : parser.values(option.second)) {
            l.error = setup::readSetting(l.setup, option.first, value);
            if (!l.error.isEmpty())
                return l;
        }
    }
    if (parser.isSet(language)) {
        l.language = parser.value(language);
        const QString why = languageProblem(l.language);
        if (!why.isEmpty()) {
            l.error = QStringLiteral("--language: ") + why;
            return l;
        }
    }
    l.start = parser.isSet(start);
    if (parser.isSet(releasedOnly))
        l.setup.releasedOnly = true;
    const QStringList rest = parser.positionalArguments();
    if (rest.size() > 1)
        l.error = QStringLiteral("one part program at most, not %1").arg(rest.size());
    else if (rest.size() == 1)
        l.setup.program = rest.first();
    return l;
}

}  // namespace op
