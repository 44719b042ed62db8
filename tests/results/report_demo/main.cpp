// rx48p-report-demo: writes a simulated run of a few hundred judged parts into a results journal,
// through results::journal as the station does, and optionally its yield report. For the README's
// picture of the report and for looking at the report by hand; the numbers are made up.

#include "results/error.h"
#include "results/journal.h"
#include "results/report/report.h"

#include "device/part_description.h"
#include "station/part_comparison.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

namespace {

using namespace tarnwell;

part_description expectedPart() {
    part_description p;
    p.pairs = {{1, LED_ANODE, 2, LED_CATHODE, 90, -1},
               {3, LED_ANODE, 4, LED_CATHODE, 93, -1},
               {5, LED_BIDIRECTIONAL, 6, LED_BIDIRECTIONAL, 98, 99},
               {7, SHORTCUT, 8, SHORTCUT, 0, 0}};
    p.buttons = {{12, 14, true}};
    p.pads = {{16, true}};
    return p;
}

std::int8_t steps(double value) { return std::int8_t(std::clamp(std::lround(value), -128L, 127L)); }

// One part off the line: each pair's drops scattered about its expected value, pair 3-4 drifting up
// through the run, pair 5-6 wide and now and then open, the button or the pad now and then dead.
station::measured_part measure(std::mt19937& random, double progress) {
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_real_distribution<double> chance(0.0, 1.0);
    std::vector<pin_pair_record> pairs;
    pairs.push_back({1, LED_ANODE, 2, LED_CATHODE, steps(90 + 1.0 * noise(random)), steps(-1 + 0.4 * noise(random))});
    pairs.push_back({3, LED_ANODE, 4, LED_CATHODE, steps(92.5 + 3.0 * progress + 1.2 * noise(random)),
                     steps(-1 + 0.4 * noise(random))});
    if (chance(random) > 0.015)  // the board reports this pair from pin 6
        pairs.push_back({6, LED_BIDIRECTIONAL, 5, LED_BIDIRECTIONAL, steps(99 + 1.9 * noise(random)),
                         steps(98 + 1.9 * noise(random))});
    pairs.push_back({7, SHORTCUT, 8, SHORTCUT, steps(0.3 * noise(random)), steps(0.3 * noise(random))});
    station::measured_part m;
    m.pairs = pairs;
    m.buttons = std::vector<pin_pair_record>{
        {12, chance(random) > 0.02 ? BUTTON_ON : BUTTON_OFF, 14, COMMON, 0, 0}};
    m.pads = std::vector<cap_pin_record>{{16, chance(random) > 0.01 ? TOUCH_ON : TOUCH_OFF}};
    return m;
}

setup::run_info runOn(const QString& station, const QDateTime& started) {
    setup::run_info run;
    run.station = station;
    run.programPath = QStringLiteral("/srv/parts/panel-led-8.part");
    run.programSha256 = QStringLiteral("3b7f52a09c41e6d8a2f0b5c1d9e7a4f60c2b8d1e5f3a9c7b6d4e2f0a1b3c5d7e");
    run.firmware = QStringLiteral("1.4.2");
    run.tolerance = 0.10;
    run.started = started;
    run.programVersion = QStringLiteral("0.9.1");
    return run;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Writes a simulated run of judged parts into a results journal."));
    parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("journal"), QStringLiteral("The SQLite journal to write (created)."));
    const QCommandLineOption partsOption(QStringLiteral("parts"), QStringLiteral("How many parts (default 360)."),
                                         QStringLiteral("n"), QStringLiteral("360"));
    const QCommandLineOption htmlOption(QStringLiteral("html"), QStringLiteral("Also write the report here."),
                                        QStringLiteral("file"));
    const QCommandLineOption jsonOption(QStringLiteral("jsonl"), QStringLiteral("Also write the report's JSON Lines here."),
                                        QStringLiteral("file"));
    parser.addOptions({partsOption, htmlOption, jsonOption});
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);

    try {
        results::journal journal(parser.positionalArguments().front());
        const int parts = std::max(1, parser.value(partsOption).toInt());
        const QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(7, 0), Qt::UTC);
        const int perDay = std::max(1, (parts + 2) / 3);
        const part_description expected = expectedPart();
        std::mt19937 random(20261207);
        std::uniform_real_distribution<double> chance(0.0, 1.0);
        QString run;
        int serial = 0;
        bool retest = false;
        for (int i = 0; i < parts; ++i) {
            const int day = i / perDay;
            if (i % perDay == 0) {
                if (!run.isEmpty())
                    journal.endRun(run, start.addDays(day - 1).addSecs(10 * 3600));
                run = journal.beginRun(runOn(day == 2 ? QStringLiteral("ST-B") : QStringLiteral("ST-A"), start.addDays(day)));
            }
            station::part_result part;
            part.number = i + 1;
            part.started = start.addDays(day).addSecs(3600 + qint64(i % perDay) * 8 * 3600 / perDay);
            part.cycleSeconds = 3.5 + chance(random);
            part.ended = part.started.addMSecs(qint64(*part.cycleSeconds * 1000));
            part.measured = measure(random, double(i) / parts);
            part.comparisons = station::comparePart(expected, part.measured, 0.10);
            part.passed = station::failedCount(part.comparisons) == 0;
            if (!retest)
                ++serial;
            journal.record(run, QStringLiteral("PL%1").arg(serial, 6, 10, QLatin1Char('0')), part);
            retest = !part.passed && !retest && chance(random) < 0.7;
        }
        journal.endRun(run, start.addDays((parts - 1) / perDay).addSecs(10 * 3600));

        const results::report_figures figures = results::computeReport(journal.database(), {});
        const auto write = [&figures](const QString& path, void (*writer)(const results::report_figures&, QIODevice&)) {
            QFile file(path);
            if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
                throw results::error(QStringLiteral("cannot write %1: %2").arg(path, file.errorString()));
            writer(figures, file);
        };
        if (parser.isSet(htmlOption))
            write(parser.value(htmlOption), results::writeReportHtml);
        if (parser.isSet(jsonOption))
            write(parser.value(jsonOption), results::writeReportJsonLines);
    } catch (const results::error& e) {
        std::fprintf(stderr, "rx48p-report-demo: %s\n", qPrintable(e.message()));
        return 1;
    }
    return 0;
}
