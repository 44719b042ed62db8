#include "operator/command_line.h"

#include "results/error.h"
#include "results/server_url.h"

#include "device/payloads.h"

#include <QCommandLineParser>

namespace op {

namespace {

bool integer(const QString& text, long low, long high, long& out) {
    bool ok = false;
    const long value = text.toLong(&ok);
    if (!ok || value < low || value > high)
        return false;
    out = value;
    return true;
}

}  // namespace

launch parseLaunch(const QStringList& arguments, const line_setup& remembered) {
    launch l;
    l.setup = remembered;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("The RX48P test station's window for the production line: insert a part, read PASS or "
                       "FAIL and why, every part recorded. Options override the remembered setup for this "
                       "start; Setup in the window changes what is remembered."));
    const QCommandLineOption port(QStringLiteral("port"), QStringLiteral("The board's serial port or device path."),
                                  QStringLiteral("PORT"));
    const QCommandLineOption resultsFile(QStringLiteral("results"), QStringLiteral("The results database (SQLite)."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption server(QStringLiteral("server"),
                                    QStringLiteral("The line's results server, postgresql://USER@HOST/DBNAME."),
                                    QStringLiteral("URL"));
    const QCommandLineOption stationName(QStringLiteral("station"), QStringLiteral("The station's name on record."),
                                         QStringLiteral("NAME"));
    const QCommandLineOption serial(QStringLiteral("serial"),
                                    QStringLiteral("Serials: scanned before each part, or numbered."),
                                    QStringLiteral("scan|auto:PREFIX"));
    const QCommandLineOption sensitivity(QStringLiteral("sensitivity"),
                                         QStringLiteral("The board's sensitivity, 0 to %1.").arg(tarnwell::sensitivityMax),
                                         QStringLiteral("N"));
    const QCommandLineOption buzzer(QStringLiteral("buzzer"),
                                    QStringLiteral("The buzzer's length, 0 to %1.").arg(tarnwell::buzzerMax),
                                    QStringLiteral("N"));
    const QCommandLineOption tolerance(QStringLiteral("tolerance"),
                                       QStringLiteral("How far a drop may be from the expected one."),
                                       QStringLiteral("VOLTS"));
    const QCommandLineOption start(QStringLiteral("start"), QStringLiteral("Start the station at once."));
    const QCommandLineOption count(QStringLiteral("count"),
                                   QStringLiteral("Stop after N parts; the window stays open."), QStringLiteral("N"));
    parser.addOptions({port, resultsFile, server, stationName, serial, sensitivity, buzzer, tolerance, start, count});
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    parser.addPositionalArgument(QStringLiteral("PROGRAM"), QStringLiteral("The expected part's file."),
                                 QStringLiteral("[PROGRAM]"));
    l.helpText = parser.helpText();
    if (!parser.parse(arguments)) {
        l.error = parser.errorText();
        return l;
    }
    l.help = parser.isSet(help);
    l.version = parser.isSet(version);
    const auto fail = [&l](const QString& text) {
        l.error = text;
        return l;
    };
    line_setup& s = l.setup;
    if (parser.isSet(port))
        s.port = parser.value(port);
    if (parser.isSet(resultsFile))
        s.results = parser.value(resultsFile);
    if (parser.isSet(server)) {
        s.server = parser.value(server);
        try {
            results::server_url::parse(s.server);
        } catch (const results::error& e) {
            return fail(QStringLiteral("--server: ") + e.message());
        }
    }
    if (parser.isSet(stationName))
        s.station = parser.value(stationName);
    if (parser.isSet(serial)) {
        if (parser.value(serial) == QLatin1String("none"))
            return fail(QStringLiteral("--serial: 'scan' or 'auto:PREFIX', not 'none'"));
        const QString why = setSerialMode(s, parser.value(serial));
        if (!why.isEmpty())
            return fail(QStringLiteral("--serial: ") + why);
    }
    long n = 0;
    if (parser.isSet(sensitivity)) {
        if (!integer(parser.value(sensitivity), 0, tarnwell::sensitivityMax, n))
            return fail(QStringLiteral("--sensitivity: a whole number from 0 to %1, not '%2'")
                            .arg(tarnwell::sensitivityMax)
                            .arg(parser.value(sensitivity)));
        s.sensitivity = static_cast<int>(n);
    }
    if (parser.isSet(buzzer)) {
        if (!integer(parser.value(buzzer), 0, tarnwell::buzzerMax, n))
            return fail(QStringLiteral("--buzzer: a whole number from 0 to %1, not '%2'")
                            .arg(tarnwell::buzzerMax)
                            .arg(parser.value(buzzer)));
        s.buzzer = static_cast<int>(n);
    }
    if (parser.isSet(tolerance)) {
        bool ok = false;
        const double volts = parser.value(tolerance).toDouble(&ok);
        if (!ok || volts < 0.0 || volts > maxTolerance)
            return fail(QStringLiteral("--tolerance: volts from 0 to %1, not '%2'").arg(maxTolerance).arg(parser.value(tolerance)));
        s.tolerance = volts;
    }
    if (parser.isSet(count)) {
        if (!integer(parser.value(count), 1, 1000000000L, n))
            return fail(QStringLiteral("--count: a whole number of parts from 1, not '%1'").arg(parser.value(count)));
        s.count = n;
    }
    l.start = parser.isSet(start);
    const QStringList rest = parser.positionalArguments();
    if (rest.size() > 1)
        return fail(QStringLiteral("one part program at most, not %1").arg(rest.size()));
    if (rest.size() == 1)
        s.program = rest.first();
    return l;
}

}  // namespace op
