// The yield report on a known set of parts this test writes into a real SQLite journal: its figures
// against values worked out by hand below, every chart drawn by Qt Svg, the page loaded in headless
// Chromium, the empty period, and the same figures from a real PostgreSQL server.

#include "headless_chromium.h"
#include "pg_cluster.h"
#include "judged_parts.h"

#include "results/audit.h"
#include "results/connection.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/report/report.h"

#include "device/records.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QJsonObject>
#include <QPainter>
#include <QRegularExpression>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

#include <cmath>
#include <map>
#include <optional>

using judged_parts::at;

namespace {

const QString weirdStation = QStringLiteral("ST-<b>&\"B\"");
// Stored texts that would be markup, or a terminal's command, if written as they are.
const QString scriptStation = QStringLiteral("ST-<script>alert(1)</script>&\x01\x1b[2J");
const QString hostileUser = QStringLiteral("q&a<b>");
const QString hostileNote = QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822cd15d6c15b0f00a08 (<img src=x onerror=alert(1)> & \x07)");

// The parts that fail, and the one comparison that fails each.
bool open56(int i) { return i == 3 || i == 7 || i == 20 || i == 30 || i == 60 || i == 70; }
bool stuckButton(int i) { return i == 10 || i == 15 || i == 61; }
bool deadPad(int i) { return i == 90; }
// Parts that also judged pair 1-2's drop 1->2 out of tolerance, and what it measured. The comparison alone
// says so: the drops' figures come from the board's records, which stay as below.
std::optional<double> highDrop(int i) {
    return i == 3 ? std::optional(2.00) : i == 7 ? std::optional(2.04) : i == 20 ? std::optional(2.06) : std::nullopt;
}

station::comparison pairComparison(const char* pins, const char* expected, bool open) {
    const QString words = QString::fromLatin1(expected);
    return {QStringLiteral("pair"), QString::fromLatin1(pins), !open, words, open ? QString() : words,
            open ? QStringLiteral("missing (open)") : QString()};
}

// Part i of 102: parts 1-51 on 7 Dec from 08:02, parts 52-102 on 8 Dec from 08:02, two minutes apart.
station::part_result partNumber(int i) {
    station::part_result p;
    const QDateTime day = i <= 51 ? at("2026-12-07T08:00:00.000Z") : at("2026-12-08T08:00:00.000Z");
    p.started = day.addSecs(120 * (i <= 51 ? i : i - 51));
    // Tests of 1, 1.5 and 2 s in turn, a third of the parts each; a cycle of 3 s, but the last part was
    // never removed.
    p.testSeconds = 1 + (i % 3) * 0.5;
    if (i != 102)
        p.cycleSeconds = 3;
    p.ended = p.started.addSecs(3);
    station::comparison pair12 = pairComparison("1-2", "Led anode to Led cathode, 1.800V / -0.020V", false);
    if (highDrop(i)) {
        pair12.passed = false;
        pair12.reason = QStringLiteral("out of tolerance");
        pair12.mode = QStringLiteral("pair 1-2: drop 1->2 out of tolerance");
        pair12.expectedValue = 1.8;
        pair12.measuredValue = highDrop(i);
    }
    p.comparisons = {pair12,
                     pairComparison("3-4", "Led anode to Led cathode, 0.600V / 0.000V", false),
                     pairComparison("5-6", "Led anode to Led cathode, 1.900V / -0.020V", open56(i)),
                     {QStringLiteral("button"), QStringLiteral("12 (common 14)"), !stuckButton(i), QStringLiteral("Button ON"),
                      stuckButton(i) ? QStringLiteral("Button OFF") : QStringLiteral("Button ON"),
                      stuckButton(i) ? QStringLiteral("reads OFF, expected ON") : QString()},
                     {QStringLiteral("touch"), QStringLiteral("16"), !deadPad(i), QStringLiteral("Touch ON"),
                      deadPad(i) ? QStringLiteral("Touch OFF") : QStringLiteral("Touch ON"),
                      deadPad(i) ? QStringLiteral("reads OFF, expected ON") : QString()}};
    p.passed = !open56(i) && !stuckButton(i) && !deadPad(i);

    // Drops in 0.02 V steps. 1->2: 1.80 on the first day, 1.86 on the second. 2->1: -0.04, -0.02,
    // 0.00 in turn. 3->4: 0.60, then 0.64. 4->3: 0.00. 5->6 and 6->5: 1.90 and -0.02 whenever measured.
    const std::int8_t d12 = i <= 51 ? 90 : 93;
    const std::int8_t d21 = std::int8_t((i - 1) % 3 - 2);
    const std::int8_t d34 = i <= 51 ? 30 : 32;
    std::vector<tarnwell::pin_pair_record> pairs;
    if (i % 2 == 0)  // the board names the pair from either pin
        pairs.push_back({2, tarnwell::LED_CATHODE, 1, tarnwell::LED_ANODE, d21, d12});
    else
        pairs.push_back({1, tarnwell::LED_ANODE, 2, tarnwell::LED_CATHODE, d12, d21});
    pairs.push_back({3, tarnwell::LED_ANODE, 4, tarnwell::LED_CATHODE, d34, 0});
    if (!open56(i))
        pairs.push_back({6, tarnwell::LED_CATHODE, 5, tarnwell::LED_ANODE, -1, 95});
    p.measured.pairs = pairs;
    // The button measure's record, here on the pins of pair 5-6: only the static measure's drops count.
    p.measured.buttons = std::vector<tarnwell::pin_pair_record>{
        {5, stuckButton(i) ? tarnwell::BUTTON_OFF : tarnwell::BUTTON_ON, 6, tarnwell::COMMON, 10, 20}};
    return p;
}

// A part of the fixtures' record: pair 1-2 measured at `d12` and `d21` steps of 0.02 V, pair 5-6 open
// when it failed.
station::part_result fixturePart(int minute, std::int8_t d12, std::int8_t d21, bool passed) {
    station::part_result p = judged_parts::part("2026-12-09T08:00:00.000Z", 2,
                                                {judged_parts::passedPair("1-2"),
                                                 passed ? judged_parts::passedPair("5-6") : judged_parts::openPair("5-6")});
    p.started = p.started.addSecs(60 * minute);
    p.ended = p.started.addSecs(2);
    p.measured.pairs = std::vector<tarnwell::pin_pair_record>{{1, tarnwell::LED_ANODE, 2, tarnwell::LED_CATHODE, d12, d21}};
    return p;
}

QString serialOf(int i) {
    // Parts 4 and 62 retest the units of parts 3 and 61.
    const int unit = i == 4 ? 3 : i == 62 ? 61 : i;
    return QStringLiteral("SN%1").arg(unit, 3, 10, QLatin1Char('0'));
}

QByteArray html(const results::report_figures& f) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    results::writeReportHtml(f, buffer);
    return buffer.data();
}

QByteArray jsonText(results::report_figures f) {
    f.generated = at("2027-01-01T00:00:00.000Z");  // the one figure that is not the database's
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    results::writeReportJsonLines(f, buffer);
    return buffer.data();
}

// The named fields of a JSON record, "null" for a null.
QString fields(const QJsonObject& record, const QStringList& names) {
    QStringList out;
    for (const QString& name : names)
        out << name + QLatin1Char('=') +
                   (record.value(name).isNull() ? QStringLiteral("null") : record.value(name).toVariant().toString());
    return out.join(QLatin1Char(' '));
}

const results::drop_figures* dropOf(const results::report_figures& f, const char* direction) {
    for (const results::drop_figures& d : f.drops)
        if (d.direction == QLatin1String(direction))
            return &d;
    return nullptr;
}

// Each <svg>...</svg> of the page, as its own document.
QList<QByteArray> svgsOf(const QByteArray& page) {
    QList<QByteArray> svgs;
    for (int from = page.indexOf("<svg"); from >= 0; from = page.indexOf("<svg", from + 1)) {
        const int end = page.indexOf("</svg>", from);
        if (end < 0)
            break;
        svgs << page.mid(from, end + 6 - from);
    }
    return svgs;
}

// The text of every element with `id` and of its descendants, read as XML: the page is well-formed,
// so this fails on any markup the writer did not escape.
struct page_reading {
    QString error;
    QStringList chartIds;
    std::map<QString, QStringList> listItems;  // by the id of the <ul>
};

page_reading readPage(const QByteArray& page) {
    page_reading r;
    QXmlStreamReader xml(page);
    QString list;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const auto attributes = xml.attributes();
            if (xml.name() == QLatin1String("svg") && attributes.value(QLatin1String("class")) == QLatin1String("chart"))
                r.chartIds << attributes.value(QLatin1String("id")).toString();
            if (xml.name() == QLatin1String("ul"))
                list = attributes.value(QLatin1String("id")).toString();
            if (xml.name() == QLatin1String("li") && !list.isEmpty())
                r.listItems[list] << xml.readElementText(QXmlStreamReader::IncludeChildElements);
        } else if (xml.isEndElement() && xml.name() == QLatin1String("ul")) {
            list.clear();
        }
    }
    if (xml.hasError())
        r.error = QStringLiteral("%1 at line %2").arg(xml.errorString()).arg(xml.lineNumber());
    return r;
}

// The y of the first text reading each label, the heights of the bars filled `barFill`, and the y of
// each point of the polyline.
struct chart_reading {
    std::map<QString, double> labelY;
    std::vector<double> barHeights;
    std::vector<double> lineY;
};

chart_reading readChart(const QByteArray& svg, const QString& barFill) {
    chart_reading c;
    QXmlStreamReader xml(svg);
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        const auto a = xml.attributes();
        if (xml.name() == QLatin1String("rect") && a.value(QLatin1String("fill")) == barFill)
            c.barHeights.push_back(a.value(QLatin1String("height")).toDouble());
        if (xml.name() == QLatin1String("polyline"))
            for (const QString& point : a.value(QLatin1String("points")).toString().split(QLatin1Char(' ')))
                c.lineY.push_back(point.section(QLatin1Char(','), 1).toDouble());
        if (xml.name() == QLatin1String("text")) {
            const double y = a.value(QLatin1String("y")).toDouble();
            c.labelY.emplace(xml.readElementText(), y);  // the first: the axis before the points
        }
    }
    return c;
}

// The audit section of a page, or of the document the browser built.
QString auditSection(const QString& page) {
    const int from = page.indexOf(QStringLiteral("id=\"audit\""));
    const int to = page.indexOf(QStringLiteral("</section>"), from);
    return from < 0 || to < 0 ? QString() : page.mid(from, to - from);
}

// Each entry shown, as "time|station or user|event|what|old|new".
QStringList shownEntries(const results::audit_figures& a) {
    QStringList out;
    for (const results::audit_entry& e : a.shown)
        out << QStringList{e.at.toUTC().toString(QStringLiteral("dd HH:mm:ss")), e.station.isEmpty() ? e.byUser : e.station,
                           e.event, e.what, e.oldValue, e.newValue}
                   .join(QLatin1Char('|'));
    return out;
}

QStringList countsOf(const results::audit_figures& a) {
    QStringList out;
    for (const auto& [event, n] : a.counts)
        out << QStringLiteral("%1=%2").arg(event).arg(n);
    return out;
}

const results::report_period morning{at("2026-12-08T00:00:00.000Z"), at("2026-12-08T12:00:00.000Z")};
const results::report_period eighth{at("2026-12-08T00:00:00.000Z"), at("2026-12-09T00:00:00.000Z")};

}  // namespace

class tst_report : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void totals();
    void yieldsByDay();
    void yieldsByHourOnOneDay();
    void paretoOrderAndShares();
    void paretoChartDrawsTheShares();
    void dropsMomentsAndCpk();
    void dropsWorstCpkFirst();
    void tooFewParts();
    void drift();
    void jsonLines();
    void htmlIsWellFormedAndEscaped();
    void everyChartRenders();
    void histogramShowsTheBand();
    void browserKeepsEveryChart();
    void browserPrintsOnA4();
    void emptyPeriod();
    void postgresqlGivesTheSameFigures();

    // A station's fixtures side by side: yields, each drop's mean, and the one far from its siblings.
    void fixturesComparedWithTheirSiblings();
    void fixtureSectionOnlyForSeveralFixtures();
    void browserShowsTheFixtures();
    void postgresqlGivesTheSameFixtures();

    // The period's audit trail: counted by kind, the newest entries listed, releases and revokes always.
    void auditOfThePeriod();
    void auditCutAtThirty();
    void auditJsonRecords();
    void auditWithoutParts();
    void browserShowsTheAuditAsText();

private:
    void recordFixtures();
    void recordAudit();

    QTemporaryDir dir;
    std::optional<results::journal> journal;
    results::report_figures all;  // the whole journal
    std::optional<results::journal> fixtureJournal;
    results::report_figures fixtures;  // the fixtures' journal
};

const QString hostileFixture = QStringLiteral("R<i>&\"x\"");

// 102 parts of one program (tolerance 0.10 V), 51 a day on two stations, one of them named with
// markup. 100 units: parts 4 and 62 retest the failed parts 3 and 61.
//   failed: 5-6 open: 3 7 20 30 60 70; button stuck: 10 15 61; touch pad dead: 90; and 3, 7, 20 also
//   drop 1->2 out of tolerance at 2.00, 2.04 and 2.06 V
void tst_report::initTestCase() {
    QVERIFY(dir.isValid());
    journal.emplace(dir.filePath(QStringLiteral("station.sqlite")));
    setup::run_info a = judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part"));
    a.tolerance = 0.10;
    setup::run_info b = a;
    b.station = weirdStation;
    const QString runA = journal->beginRun(a);
    const QString runB = journal->beginRun(b);
    for (int i = 1; i <= 102; ++i)
        journal->record(i <= 51 ? runA : runB, serialOf(i), partNumber(i));
    recordAudit();
    all = results::computeReport(journal->database(), {});
    recordFixtures();
}

// Station ST-F tests one program (tolerance 0.10 V: a flag beyond 0.05 V) on three fixtures, ten parts
// each; ST-S on its single unnamed fixture, five parts. Pair 1-2's drops, in volts:
//   fixture  1->2                      2->1                      failed (5-6 open)
//   L        10 x 1.80                 10 x -0.02                -
//   M        10 x 1.80                 10 x -0.02                1
//   R...     6 x 1.86, 4 x 1.84: 1.852  7 x 0.04, 3 x 0.00: 0.028  2
//   (ST-S)   5 x 1.90                  5 x 0.10                  -
// 1->2 on R: 1.852 - (1.80 + 1.80) / 2 = 0.052 > 0.05, flagged; on L and M: 1.80 - (1.80 + 1.852) / 2 =
// -0.026, not. 2->1 on R: 0.028 - (-0.02) = 0.048 < 0.05, not flagged; on L and M: -0.024, not.
void tst_report::recordFixtures() {
    fixtureJournal.emplace(dir.filePath(QStringLiteral("fixtures.sqlite")));
    setup::run_info run = judged_parts::run(QStringLiteral("ST-F"), QStringLiteral("/parts/alpha.part"));
    run.tolerance = 0.10;
    int minute = 0;
    for (const QString& name : {QStringLiteral("L"), QStringLiteral("M"), hostileFixture}) {
        run.fixture = name;
        const QString id = fixtureJournal->beginRun(run);
        for (int i = 0; i < 10; ++i) {
            const bool r = name == hostileFixture;
            const bool passed = r ? i >= 2 : !(name == QLatin1String("M") && i == 0);
            fixtureJournal->record(id, QStringLiteral("F%1").arg(minute),
                                   fixturePart(minute, r ? (i < 6 ? 93 : 92) : 90, r ? (i < 7 ? 2 : 0) : -1, passed));
            ++minute;
        }
    }
    setup::run_info single = judged_parts::run(QStringLiteral("ST-S"), QStringLiteral("/parts/alpha.part"));
    single.tolerance = 0.10;
    const QString id = fixtureJournal->beginRun(single);
    for (int i = 0; i < 5; ++i, ++minute)
        fixtureJournal->record(id, QStringLiteral("F%1").arg(minute), fixturePart(minute, 95, 5, true));
    fixtures = results::computeReport(fixtureJournal->database(), {});
}

// The audit trail beside the parts:
//   7 Dec 23:59:59.999  ST-A setup tolerance (none) -> 0.10
//   8 Dec 00:00         ST-<b>... setup program /parts/alpha.part -> /parts/beta.part
//         06:00         release of /parts/alpha.part by q&a<b>, its note markup and a bell
//         06:30         revoke of /parts/old.part by engineer
//         07:00 07:10 07:20  starts letting any program run: released, not released (ST-<script>...), revoked
//         12:00 .. 12:34     35 setups of ST-A's timeout, k -> k + 1
//   9 Dec 00:00         release of /parts/gamma.part by late
void tst_report::recordAudit() {
    const QSqlDatabase db = journal->database();
    using results::audit_entry;
    namespace ev = results::audit_event;
    const QList<audit_entry> entries{
        {{}, at("2026-12-07T23:59:59.999Z"), "ST-A", {}, ev::setup, "tolerance", {}, "0.10"},
        {{}, at("2026-12-08T00:00:00.000Z"), weirdStation, {}, ev::setup, "program", "/parts/alpha.part", "/parts/beta.part"},
        {{}, at("2026-12-08T06:00:00.000Z"), {}, hostileUser, ev::release, "/parts/alpha.part", {}, hostileNote},
        {{}, at("2026-12-08T06:30:00.000Z"), {}, "engineer", ev::revoke, "/parts/old.part", "0123456789abcdef", {}},
        {{}, at("2026-12-08T07:00:00.000Z"), "ST-A", {}, ev::anyProgram, "/parts/alpha.part", {}, "released (SHA-256 9f86d081)"},
        {{}, at("2026-12-08T07:10:00.000Z"), scriptStation, {}, ev::anyProgram, "/parts/beta.part", {}, "not released (SHA-256 5e884898)"},
        {{}, at("2026-12-08T07:20:00.000Z"), "ST-A", {}, ev::anyProgram, "/parts/old.part", {}, "revoked (SHA-256 01234567)"},
        {{}, at("2026-12-09T00:00:00.000Z"), {}, "late", ev::release, "/parts/gamma.part", {}, "fedcba98 (after the day)"}};
    for (const audit_entry& e : entries)
        results::recordAudit(db, e);
    for (int k = 0; k < 35; ++k)
        results::recordAudit(db, {{}, at("2026-12-08T12:00:00.000Z").addSecs(60 * k), "ST-A", {}, ev::setup, "timeout",
                                  QString::number(k), QString::number(k + 1)});
}

void tst_report::cleanupTestCase() {
    fixtureJournal.reset();
    journal.reset();
}

void tst_report::totals() {
    QCOMPARE(all.total.parts, 102L);
    QCOMPARE(all.total.passed, 92L);
    QCOMPARE(all.total.failed, 10L);
    QCOMPARE(all.total.units, 100L);
    // First pass: the ten failed parts are each a unit's first. Final: units 3 and 61 passed on retest.
    QCOMPARE(all.total.firstPassYield.value_or(-1), 90.0);
    QCOMPARE(all.total.finalYield.value_or(-1), 92.0);
    // 34 tests of each time: the 51st and 52nd are 1.5 s. The part never removed has no cycle.
    QCOMPARE(all.total.medianTest.value_or(-1), 1.5);
    QCOMPARE(all.total.medianCycle.value_or(-1), 3.0);
    const QByteArray page = html(all);
    QVERIFY(page.contains("Median test") && page.contains("1.500 s") && page.contains("Median cycle") && page.contains("3.000 s"));
    QCOMPARE(all.stations, QStringList({weirdStation, QStringLiteral("ST-A")}));
    QCOMPARE(all.programs.size(), std::size_t(1));
    QCOMPARE(all.programs[0].path, QStringLiteral("/parts/alpha.part"));
    QCOMPARE(all.programs[0].sha8, QStringLiteral("9f86d081"));
    QCOMPARE(all.firstPart, at("2026-12-07T08:02:00.000Z"));
    QCOMPARE(all.lastPart, at("2026-12-08T09:42:00.000Z"));
}

void tst_report::yieldsByDay() {
    QVERIFY(!all.hourly);
    QCOMPARE(all.yields.size(), std::size_t(2));
    // 7 Dec: 51 parts, 50 units, 6 failed first, 5 failed finally (3 retested). 8 Dec: 4 and 3.
    QCOMPARE(all.yields[0].group, QStringLiteral("2026-12-07"));
    QCOMPARE(all.yields[0].parts, 51L);
    QCOMPARE(all.yields[0].firstPassYield.value_or(-1), 88.0);
    QCOMPARE(all.yields[0].finalYield.value_or(-1), 90.0);
    QCOMPARE(all.yields[1].group, QStringLiteral("2026-12-08"));
    QCOMPARE(all.yields[1].firstPassYield.value_or(-1), 92.0);
    QCOMPARE(all.yields[1].finalYield.value_or(-1), 94.0);
}

void tst_report::yieldsByHourOnOneDay() {
    const results::report_figures day =
        results::computeReport(journal->database(), {at("2026-12-07T00:00:00.000Z"), at("2026-12-08T00:00:00.000Z")});
    QVERIFY(day.hourly);
    QCOMPARE(day.yields.size(), std::size_t(2));
    // Parts 1-29 start 08:02-08:58, parts 30-51 09:00-09:42.
    QCOMPARE(day.yields[0].group, QStringLiteral("2026-12-07T08:00"));
    QCOMPARE(day.yields[0].parts, 29L);
    QCOMPARE(day.yields[1].group, QStringLiteral("2026-12-07T09:00"));
    QCOMPARE(day.yields[1].parts, 22L);
    QVERIFY(html(day).contains("Yield per hour"));
}

void tst_report::paretoOrderAndShares() {
    // 13 failed comparisons; the three drops out of tolerance are one mode, whatever they measured.
    QStringList found;
    for (const results::failure_row& f : all.failures)
        found << QStringLiteral("%1|%2|%3|%4")
                     .arg(f.mode)
                     .arg(f.count)
                     .arg(f.measuredMin ? QString::number(*f.measuredMin) : QStringLiteral("none"),
                          f.measuredMax ? QString::number(*f.measuredMax) : QStringLiteral("none"));
    QCOMPARE(found, (QStringList{"pair 5-6: missing (open)|6|none|none", "button 12 (common 14): reads OFF, expected ON|3|none|none",
                                 "pair 1-2: drop 1->2 out of tolerance|3|2|2.06", "touch 16: reads OFF, expected ON|1|none|none"}));
    const double shares[] = {600.0 / 13, 900.0 / 13, 1200.0 / 13, 100};
    for (std::size_t i = 0; i < 4; ++i)
        QCOMPARE(all.failures[i].cumulativePercent, shares[i]);
    QVERIFY(html(all).contains("2.000 .. 2.060 V"));
}

void tst_report::paretoChartDrawsTheShares() {
    const QByteArray page = html(all);
    QByteArray pareto;
    for (const QByteArray& svg : svgsOf(page))
        if (svg.contains("id=\"chart-pareto\""))
            pareto = svg;
    QVERIFY(!pareto.isEmpty());
    const chart_reading c = readChart(pareto, QStringLiteral("#2563a6"));
    // Bars 6, 3, 3 and 1 high, in that order.
    QCOMPARE(c.barHeights.size(), std::size_t(4));
    QVERIFY(c.barHeights[0] > 0);
    QVERIFY(std::fabs(c.barHeights[1] / c.barHeights[0] - 0.5) < 0.01);
    QVERIFY(std::fabs(c.barHeights[2] / c.barHeights[0] - 0.5) < 0.01);
    QVERIFY(std::fabs(c.barHeights[3] / c.barHeights[0] - 1.0 / 6) < 0.01);
    // The line on the right axis: its labels sit 4 below their grid lines.
    QVERIFY(c.labelY.count(QStringLiteral("0%")) && c.labelY.count(QStringLiteral("100%")));
    const double zero = c.labelY.at(QStringLiteral("0%")) - 4, hundred = c.labelY.at(QStringLiteral("100%")) - 4;
    QCOMPARE(c.lineY.size(), std::size_t(4));
    const double shares[] = {600.0 / 13, 900.0 / 13, 1200.0 / 13, 100};
    for (std::size_t i = 0; i < 4; ++i)
        QVERIFY2(std::fabs((zero - c.lineY[i]) / (zero - hundred) * 100 - shares[i]) < 0.5, qPrintable(QString::number(i)));
}

void tst_report::dropsMomentsAndCpk() {
    QCOMPARE(all.drops.size(), std::size_t(6));
    // 1->2: 51 x 1.80 and 51 x 1.86: mean 1.83, s = sqrt(102 x 0.03^2 / 101) = 0.0301481;
    // Cpk = min(1.90 - 1.83, 1.83 - 1.70) / 3s = 0.07 / 0.0904444 = 0.773956.
    const results::drop_figures* d12 = dropOf(all, "1->2");
    QVERIFY(d12);
    QCOMPARE(d12->pair, QStringLiteral("1-2"));
    QCOMPARE(d12->n, 102L);
    QVERIFY(std::fabs(d12->mean - 1.83) < 1e-9);
    QVERIFY(std::fabs(d12->sd - 0.0301481) < 1e-6);
    QVERIFY(d12->expected && std::fabs(*d12->expected - 1.8) < 1e-9);
    QVERIFY(std::fabs(d12->tolerance - 0.10) < 1e-9);
    QVERIFY(d12->cpk && std::fabs(*d12->cpk - 0.773956) < 1e-5);
    QCOMPARE(d12->histogram, (std::vector<std::pair<int, long>>{{90, 51}, {93, 51}}));
    // 2->1: 34 each of -0.04, -0.02, 0.00: mean -0.02, s = sqrt(68 x 0.02^2 / 101) = 0.0164106;
    // Cpk = 0.10 / 3s = 2.03121.
    const results::drop_figures* d21 = dropOf(all, "2->1");
    QVERIFY(d21);
    QCOMPARE(d21->pair, QStringLiteral("1-2"));
    QCOMPARE(d21->histogram, (std::vector<std::pair<int, long>>{{-2, 34}, {-1, 34}, {0, 34}}));
    QVERIFY(std::fabs(d21->mean + 0.02) < 1e-9);
    QVERIFY(d21->expected && std::fabs(*d21->expected + 0.02) < 1e-9);
    QVERIFY(d21->cpk && std::fabs(*d21->cpk - 2.03121) < 1e-4);
    // 3->4: 51 x 0.60 and 51 x 0.64: Cpk = min(0.70 - 0.62, 0.62 - 0.50) / (3 x 0.0200988) = 1.32678.
    const results::drop_figures* d34 = dropOf(all, "3->4");
    QVERIFY(d34 && d34->cpk && std::fabs(*d34->cpk - 1.32678) < 1e-4);
    // Pair 5-6, measured from pin 6 on the 96 parts where it was not open: 1.90 and -0.02 every time.
    const results::drop_figures* d56 = dropOf(all, "5->6");
    QVERIFY(d56);
    QCOMPARE(d56->n, 96L);
    QVERIFY(std::fabs(d56->mean - 1.90) < 1e-9);
    QCOMPARE(d56->sd, 0.0);
    QVERIFY(!d56->cpk);  // no spread
}

void tst_report::dropsWorstCpkFirst() {
    QStringList order;
    for (const results::drop_figures* d : results::dropsByCpk(all))
        order << d->direction;
    QCOMPARE(order, QStringList({"1->2", "3->4", "2->1", "4->3", "5->6", "6->5"}));
    // The page's table in the same order.
    const QByteArray page = html(all);
    const int table = page.indexOf("id=\"cpk-table\"");
    QVERIFY(table > 0);
    const int first = page.indexOf("1\u21922", table), second = page.indexOf("3\u21924", table), third = page.indexOf("2\u21921", table);
    QVERIFY(first > 0 && first < second && second < third);
    QVERIFY(page.indexOf("0.77", table) < page.indexOf("1.33", table));
}

void tst_report::tooFewParts() {
    // Parts 1-5 (08:02-08:10): five parts, one of them open on 5-6.
    const results::report_figures few =
        results::computeReport(journal->database(), {at("2026-12-07T08:00:00.000Z"), at("2026-12-07T08:11:00.000Z")});
    const results::drop_figures* d12 = dropOf(few, "1->2");
    QVERIFY(d12);
    QCOMPARE(d12->n, 5L);
    QVERIFY(!d12->cpk);
    QVERIFY(!d12->drift.enough);
    QCOMPARE(dropOf(few, "5->6")->n, 4L);
    const QByteArray page = html(few);
    QVERIFY(page.contains(">too few<"));
    QVERIFY(!page.contains(">drifted<"));
}

void tst_report::drift() {
    // 1->2: first 50 parts at 1.80, last 50 at 1.86: a shift of 0.06 > 0.05, a quarter of the band.
    const results::drop_figures* d12 = dropOf(all, "1->2");
    QVERIFY(d12->drift.enough);
    QVERIFY(std::fabs(d12->drift.firstMean - 1.80) < 1e-9);
    QVERIFY(std::fabs(d12->drift.lastMean - 1.86) < 1e-9);
    QVERIFY(d12->drift.flagged);
    // 3->4: 0.60 then 0.64: a shift of 0.04, under the quarter.
    const results::drop_figures* d34 = dropOf(all, "3->4");
    QVERIFY(d34->drift.enough);
    QVERIFY(std::fabs(d34->drift.lastMean - d34->drift.firstMean - 0.04) < 1e-9);
    QVERIFY(!d34->drift.flagged);
    // 2->1: parts 1-50 hold 17 x -0.04, 17 x -0.02, 16 x 0.00: -1.02 / 50; parts 53-102 hold 16, 17, 17: -0.98 / 50.
    const results::drop_figures* d21 = dropOf(all, "2->1");
    QVERIFY(std::fabs(d21->drift.firstMean + 0.0204) < 1e-9);
    QVERIFY(std::fabs(d21->drift.lastMean + 0.0196) < 1e-9);
    QVERIFY(!d21->drift.flagged);
    int flagged = 0;
    for (const results::drop_figures& d : all.drops)
        flagged += d.drift.flagged ? 1 : 0;
    QCOMPARE(flagged, 1);
    // 5->6 has 96 parts: its first and last 50 would overlap.
    QVERIFY(!dropOf(all, "5->6")->drift.enough);
}

void tst_report::jsonLines() {
    const QList<QByteArray> lines = jsonText(all).split('\n');
    QCOMPARE(lines.last(), QByteArray());  // every record ends its line
    QVERIFY(lines.first().startsWith("{\"record\":\"period\","));
    QStringList kinds;
    std::vector<QJsonObject> records;
    for (const QByteArray& line : lines.mid(0, lines.size() - 1)) {
        QJsonParseError error;
        const QJsonDocument doc = QJsonDocument::fromJson(line, &error);
        QVERIFY2(error.error == QJsonParseError::NoError && doc.isObject(), line.constData());
        records.push_back(doc.object());
        kinds << doc.object().value(QStringLiteral("record")).toString();
    }
    QStringList expected{"period", "yield", "yield", "failure", "failure", "failure", "failure", "drop", "drop", "drop", "drop",
                         "drop", "drop", "drift", "drift", "drift", "drift", "drift", "drift"};
    for (int i = 0; i < 4; ++i)
        expected << "audit_count";
    for (int i = 0; i < 30; ++i)
        expected << "audit";
    QCOMPARE(kinds, expected);
    QCOMPARE(fields(records[0], {"parts", "first_pass_yield_percent", "final_yield_percent", "median_test_s", "median_cycle_s", "since"}),
             "parts=102 first_pass_yield_percent=90 final_yield_percent=92 median_test_s=1.5 median_cycle_s=3 since=null");
    QCOMPARE(fields(records[1], {"day", "first_pass_yield_percent"}), "day=2026-12-07 first_pass_yield_percent=88");
    QCOMPARE(fields(records[4], {"cumulative_percent", "measured_min"}), "cumulative_percent=69.230769 measured_min=null");
    QCOMPARE(fields(records[5], {"mode", "count", "measured_min", "measured_max"}),
             "mode=pair 1-2: drop 1->2 out of tolerance count=3 measured_min=2 measured_max=2.06");
    QCOMPARE(fields(records[7], {"program", "pair", "direction", "n", "mean", "sd", "cpk", "expected", "tolerance"}),
             "program=/parts/alpha.part pair=1-2 direction=1->2 n=102 mean=1.83 sd=0.030148 cpk=0.773956 expected=1.8 tolerance=0.1");
    QCOMPARE(fields(records[11], {"direction", "cpk"}), "direction=5->6 cpk=null");  // no spread
    QCOMPARE(fields(records[13], {"direction", "flagged", "first_mean", "last_mean"}),
             "direction=1->2 flagged=true first_mean=1.8 last_mean=1.86");
    QCOMPARE(fields(records[15], {"flagged"}), "flagged=false");
}

void tst_report::htmlIsWellFormedAndEscaped() {
    const QByteArray page = html(all);
    const page_reading r = readPage(page);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QCOMPARE(r.listItems.at(QStringLiteral("stations")), QStringList({weirdStation, QStringLiteral("ST-A")}));
    QVERIFY(page.contains("ST-&lt;b&gt;&amp;"));
    QVERIFY(page.contains("@page"));
    QVERIFY(page.contains("size: A4"));
}

void tst_report::everyChartRenders() {
    const QList<QByteArray> svgs = svgsOf(html(all));
    QCOMPARE(svgs.size(), 2 + 6);  // yield, Pareto, six drops
    for (const QByteArray& svg : svgs + svgsOf(html(fixtures))) {
        QSvgRenderer renderer(svg);
        QVERIFY2(renderer.isValid(), svg.left(200).constData());
        QVERIFY(!renderer.defaultSize().isEmpty());
        QImage image(renderer.defaultSize(), QImage::Format_ARGB32);
        image.fill(Qt::white);
        {
            QPainter painter(&image);
            renderer.render(&painter);
        }
        bool drawn = false;
        for (int y = 0; y < image.height() && !drawn; ++y)
            for (int x = 0; x < image.width() && !drawn; ++x)
                drawn = image.pixel(x, y) != qRgb(255, 255, 255);
        QVERIFY2(drawn, svg.left(200).constData());
    }
}

void tst_report::histogramShowsTheBand() {
    // 1->2, the first drop: expected 1.80, band 1.70-1.90, bars on 1.80 and 1.86 of equal height.
    QByteArray first;
    for (const QByteArray& svg : svgsOf(html(all)))
        if (svg.contains("id=\"chart-drop-0\""))
            first = svg;
    const chart_reading c = readChart(first, QStringLiteral("#2563a6"));
    QVERIFY(c.labelY.count(QStringLiteral("1.70")));
    QVERIFY(c.labelY.count(QStringLiteral("1.80")));
    QVERIFY(c.labelY.count(QStringLiteral("1.90")));
    QCOMPARE(c.barHeights.size(), std::size_t(2));
    QCOMPARE(c.barHeights[0], c.barHeights[1]);
}

void tst_report::browserKeepsEveryChart() {
    const QString file = dir.filePath(QStringLiteral("report.html"));
    QByteArray page = html(all);
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(page);
    }
    const chromium_result browser = dumpDom(file);
    QVERIFY2(browser.problem.isEmpty(), qPrintable(browser.problem));
    const QString dom = QString::fromUtf8(browser.output);
    const page_reading source = readPage(page);
    QCOMPARE(source.chartIds.size(), 8);
    QCOMPARE(dom.count(QStringLiteral("<svg")), 8);
    // Each chart in the section it was written in.
    const auto inside = [&dom](const QString& chart, const char* section, const char* next) {
        const int at = dom.indexOf(QRegularExpression(QStringLiteral("<svg[^>]*id=\"%1\"").arg(chart)));
        const int from = dom.indexOf(QStringLiteral("id=\"%1\"").arg(QLatin1String(section)));
        const int to = next ? dom.indexOf(QStringLiteral("id=\"%1\"").arg(QLatin1String(next))) : int(dom.size());
        return at > 0 && from > 0 && from < at && at < to;
    };
    for (const QString& id : source.chartIds) {
        const bool placed = id == QLatin1String("chart-yield") ? inside(id, "yield", "failures")
                            : id == QLatin1String("chart-pareto") ? inside(id, "failures", "capability")
                                                                  : inside(id, "drops", nullptr);
        QVERIFY2(placed, qPrintable(id));
    }
    QVERIFY(dom.contains(QStringLiteral("<li>ST-&lt;b&gt;&amp;\"B\"</li>")));
    // Self-contained: nothing to run, nothing to fetch.
    for (const QString& text : {QString::fromUtf8(page), dom}) {
        QVERIFY(!text.contains(QLatin1String("<script"), Qt::CaseInsensitive));
        QVERIFY(!text.contains(QLatin1String("<link"), Qt::CaseInsensitive));
        QVERIFY(!text.contains(QLatin1String("@import"), Qt::CaseInsensitive));
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("url\\s*\\("), QRegularExpression::CaseInsensitiveOption)));
        QVERIFY(!text.contains(QRegularExpression(QStringLiteral("(src|href)\\s*=\\s*[\"']?\\s*(https?:|//|file:)"),
                                                  QRegularExpression::CaseInsensitiveOption)));
    }
}

void tst_report::browserPrintsOnA4() {
    const QString file = dir.filePath(QStringLiteral("print.html"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(html(all));
    }
    const chromium_result printed = printToPdf(file, dir.filePath(QStringLiteral("report.pdf")));
    QVERIFY2(printed.problem.isEmpty(), qPrintable(printed.problem));
    QVERIFY(printed.output.startsWith("%PDF"));
    // Every page 210 x 297 mm: 595.28 x 841.89 points, as Chromium rounds them to its 1/96 inch pixels.
    const QRegularExpression box(QStringLiteral("/MediaBox\\s*\\[\\s*0\\s+0\\s+([0-9.]+)\\s+([0-9.]+)\\s*\\]"));
    int pages = 0;
    for (auto m = box.globalMatch(QString::fromLatin1(printed.output.constData(), printed.output.size())); m.hasNext(); ++pages) {
        const QRegularExpressionMatch page = m.next();
        QVERIFY2(std::fabs(page.captured(1).toDouble() - 595.28) < 1 && std::fabs(page.captured(2).toDouble() - 841.89) < 1,
                 qPrintable(page.captured(0)));
    }
    QVERIFY(pages > 0);
}

void tst_report::emptyPeriod() {
    const results::report_figures none = results::computeReport(journal->database(), {at("2027-01-01T00:00:00.000Z"), {}});
    QVERIFY(none.empty());
    QVERIFY(none.drops.empty() && none.failures.empty() && none.yields.empty());
    const QByteArray page = html(none);
    QVERIFY(readPage(page).error.isEmpty());
    QVERIFY(page.contains("No parts were recorded in this period."));
    QVERIFY(page.contains("From 2027-01-01 00:00 UTC"));
    QVERIFY(!page.contains("<svg"));
    QVERIFY(page.contains("<p class=\"legend\">No changes on record in this period.</p>"));
    const QList<QByteArray> lines = jsonText(none).trimmed().split('\n');
    QCOMPARE(lines.size(), 1 + 4);
    for (const QByteArray& line : lines.mid(1))
        QCOMPARE(QJsonDocument::fromJson(line).object().value(QStringLiteral("count")).toInt(-1), 0);
    const QJsonObject period = QJsonDocument::fromJson(lines[0]).object();
    QCOMPARE(period.value(QStringLiteral("record")).toString(), QStringLiteral("period"));
    QCOMPARE(period.value(QStringLiteral("parts")).toInt(), 0);
    QCOMPARE(period.value(QStringLiteral("since")).toString(), QStringLiteral("2027-01-01T00:00:00.000Z"));
    // No part, no figure: none of them is 0.
    for (const char* none : {"first_pass_yield_percent", "final_yield_percent", "median_test_s", "median_cycle_s"})
        QVERIFY2(period.value(QLatin1String(none)).isNull(), none);
}

void tst_report::postgresqlGivesTheSameFigures() {
    pg_cluster cluster;
    QVERIFY2(cluster.ok(), qPrintable(cluster.error()));
    QVERIFY2(cluster.createResultsDatabase(QStringLiteral("report")), qPrintable(cluster.error()));
    const results::forward_report forwarded = results::forwarder(cluster.url(QStringLiteral("report"))).forward(*journal);
    QVERIFY2(forwarded.complete() && forwarded.forwarded == 102, qPrintable(forwarded.error));
    const std::unique_ptr<results::connection> server = cluster.connect(QStringLiteral("report"));
    QVERIFY(server->db().isOpen());
    const results::report_period day{at("2026-12-08T00:00:00.000Z"), at("2026-12-09T00:00:00.000Z")};
    QCOMPARE(jsonText(results::computeReport(server->db(), {})), jsonText(all));
    const QByteArray dayOnServer = jsonText(results::computeReport(server->db(), day));
    QCOMPARE(dayOnServer, jsonText(results::computeReport(journal->database(), day)));
    // The audit trail came along, and the server reads the same window of it.
    QVERIFY(dayOnServer.contains("{\"record\":\"audit_count\",\"count\":36,\"event\":\"setup\"}"));
    QCOMPARE(dayOnServer.count("{\"record\":\"audit\","), 30);
}

void tst_report::fixturesComparedWithTheirSiblings() {
    QCOMPARE(fixtures.fixtures.size(), std::size_t(1));
    const results::station_fixtures& f = fixtures.fixtures.front();
    QCOMPARE(f.station, QStringLiteral("ST-F"));
    QStringList yields;
    for (const results::fixture_yield& y : f.fixtures)
        yields << QStringLiteral("%1 %2 %3 %4").arg(y.name).arg(y.yield.parts).arg(y.yield.passed).arg(*y.yield.firstPassYield);
    QCOMPARE(yields, (QStringList{"L 10 10 100", "M 10 9 90", hostileFixture + " 10 8 80"}));

    QCOMPARE(f.drops.size(), std::size_t(2));
    QStringList means;
    for (const results::fixture_drop& d : f.drops) {
        QCOMPARE(d.tolerance, 0.10);
        for (const results::fixture_mean& m : d.fixtures)
            means << QStringLiteral("%1 %2 n%3 %4 siblings %5 %6")
                         .arg(d.direction, m.fixture)
                         .arg(m.n)
                         .arg(m.mean, 0, 'f', 4)
                         .arg(m.siblingsMean ? QString::number(*m.siblingsMean, 'f', 4) : QStringLiteral("none"))
                         .arg(m.flagged ? QStringLiteral("flagged") : QStringLiteral("-"));
    }
    QCOMPARE(means, (QStringList{"1->2 L n10 1.8000 siblings 1.8260 -", "1->2 M n10 1.8000 siblings 1.8260 -",
                                 "1->2 " + hostileFixture + " n10 1.8520 siblings 1.8000 flagged",
                                 "2->1 L n10 -0.0200 siblings 0.0040 -", "2->1 M n10 -0.0200 siblings 0.0040 -",
                                 "2->1 " + hostileFixture + " n10 0.0280 siblings -0.0200 -"}));
    QVERIFY(f.drops[0].flagged());
    QVERIFY(!f.drops[1].flagged());

    // The same figures as JSON Lines, after the drift records.
    QStringList flagged;
    for (const QByteArray& line : jsonText(fixtures).split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        if (record.value(QStringLiteral("record")) == QLatin1String("fixture_drop"))
            flagged << fields(record, {"station", "fixture", "direction", "flagged", "siblings_mean", "limit"});
    }
    QCOMPARE(flagged.size(), 6);
    QCOMPARE(flagged[2], "station=ST-F fixture=" + hostileFixture + " direction=1->2 flagged=true siblings_mean=1.8 limit=0.05");
}

void tst_report::fixtureSectionOnlyForSeveralFixtures() {
    // Two stations on their single unnamed fixture each: no section.
    QVERIFY(all.fixtures.empty());
    QVERIFY(!html(all).contains("id=\"fixtures\""));
    // A period in which ST-F tested on its fixture L alone: none either.
    const results::report_figures onlyL = results::computeReport(
        fixtureJournal->database(), {at("2026-12-09T08:00:00.000Z"), at("2026-12-09T08:10:00.000Z")});
    QCOMPARE(onlyL.total.parts, 10L);
    QVERIFY(onlyL.fixtures.empty());
    // L's ten parts and M's first five: side by side, but M has too few to compare either with.
    const results::report_figures fewOnM = results::computeReport(
        fixtureJournal->database(), {at("2026-12-09T08:00:00.000Z"), at("2026-12-09T08:15:00.000Z")});
    QCOMPARE(fewOnM.fixtures.size(), std::size_t(1));
    QVERIFY(!fewOnM.fixtures.front().drops.front().compared() && !fewOnM.fixtures.front().drops.front().flagged());
    const QByteArray fewPage = html(fewOnM);
    const int section = fewPage.indexOf("id=\"fixtures\"");
    QCOMPARE(fewPage.mid(section, fewPage.indexOf("</section>", section) - section).count("<span class=\"badge none\">too few</span>"), 2);

    const QByteArray page = html(fixtures);
    const page_reading r = readPage(page);
    QVERIFY2(r.error.isEmpty(), qPrintable(r.error));
    QVERIFY(page.contains("R&lt;i&gt;&amp;"));
    QVERIFY(!page.contains(hostileFixture.toUtf8()));
    // Yield, Pareto, a fixture chart for each drop of pair 1-2 (5-6, never measured, has none), and the
    // four histograms.
    QCOMPARE(r.chartIds, (QStringList{"chart-yield", "chart-pareto", "chart-fixtures-0", "chart-fixtures-1", "chart-drop-0",
                                      "chart-drop-1", "chart-drop-2", "chart-drop-3"}));
    // One dot a fixture; the flagged one alone in red, and only on 1->2.
    const QList<QByteArray> svgs = svgsOf(page);
    for (int i : {2, 3}) {
        QCOMPARE(svgs[i].count("<circle"), 3);
        QCOMPARE(QString::fromUtf8(svgs[i]).count(QRegularExpression(QStringLiteral("<circle[^>]*fill=\"#c2412d\""))), i == 2 ? 1 : 0);
    }
}

void tst_report::browserShowsTheFixtures() {
    const QString file = dir.filePath(QStringLiteral("fixtures.html"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        out.write(html(fixtures));
    }
    const chromium_result browser = dumpDom(file);
    QVERIFY2(browser.problem.isEmpty(), qPrintable(browser.problem));
    const QString dom = QString::fromUtf8(browser.output);
    const int section = dom.indexOf(QStringLiteral("<section id=\"fixtures\">"));
    const int end = dom.indexOf(QStringLiteral("</section>"), section);
    QVERIFY2(section > 0 && end > section, "the fixtures' section");
    const QString shown = dom.mid(section, end - section);
    QVERIFY(shown.contains(QStringLiteral("<h3>ST-F</h3>")));
    QVERIFY(!shown.contains(QStringLiteral("ST-S")));
    QVERIFY(shown.contains(QStringLiteral("chart-fixtures-0")) && shown.contains(QStringLiteral("chart-fixtures-1")));
    QVERIFY(shown.contains(QStringLiteral("tolerance / 2")));
    // The flagged fixture named in its drop's row, as text.
    QVERIFY2(shown.contains(QStringLiteral("<span class=\"badge bad\">R&lt;i&gt;&amp;\"x\"</span>")), qPrintable(shown));
    QCOMPARE(shown.count(QStringLiteral("class=\"badge bad\"")), 1);
    QCOMPARE(shown.count(QStringLiteral("<tr class=\"flag\">")), 1);
}

void tst_report::postgresqlGivesTheSameFixtures() {
    pg_cluster cluster;
    QVERIFY2(cluster.ok(), qPrintable(cluster.error()));
    QVERIFY2(cluster.createResultsDatabase(QStringLiteral("fixtures")), qPrintable(cluster.error()));
    const results::forward_report forwarded = results::forwarder(cluster.url(QStringLiteral("fixtures"))).forward(*fixtureJournal);
    QVERIFY2(forwarded.complete() && forwarded.forwarded == 35, qPrintable(forwarded.error));
    const std::unique_ptr<results::connection> server = cluster.connect(QStringLiteral("fixtures"));
    QVERIFY(server->db().isOpen());
    const QByteArray onServer = jsonText(results::computeReport(server->db(), {}));
    QVERIFY(onServer.contains("\"record\":\"fixture_drop\""));
    QCOMPARE(onServer, jsonText(fixtures));
}

void tst_report::auditOfThePeriod() {
    const results::report_figures f = results::computeReport(journal->database(), morning);
    QCOMPARE(countsOf(f.audit), (QStringList{"setup=1", "release=1", "revoke=1", "start, any program=3"}));
    QCOMPARE(f.audit.total, 6L);
    QCOMPARE(f.audit.anyProgramNotReleased, 2L);
    // Newest first; the entry at the period's start is in, the one a moment before it is not.
    QCOMPARE(shownEntries(f.audit),
             (QStringList{"08 07:20:00|ST-A|start, any program|/parts/old.part||revoked (SHA-256 01234567)",
                          "08 07:10:00|" + scriptStation + "|start, any program|/parts/beta.part||not released (SHA-256 5e884898)",
                          "08 07:00:00|ST-A|start, any program|/parts/alpha.part||released (SHA-256 9f86d081)",
                          "08 06:30:00|engineer|revoke|/parts/old.part|0123456789abcdef|",
                          "08 06:00:00|" + hostileUser + "|release|/parts/alpha.part||" + hostileNote,
                          "08 00:00:00|" + weirdStation + "|setup|program|/parts/alpha.part|/parts/beta.part"}));
    const QString page = QString::fromUtf8(html(f));
    QVERIFY2(readPage(page.toUtf8()).error.isEmpty(), qPrintable(readPage(page.toUtf8()).error));
    const QString section = auditSection(page);
    QVERIFY(section.contains(QStringLiteral("<p class=\"alert\">3 starts let programs run that were not checked against the "
                                            "released list; 2 of them ran a program that was not released then.</p>")));
    QVERIFY(!section.contains(QStringLiteral("more;")));
    QCOMPARE(section.count(QStringLiteral("<tr class=\"flag\">")), 3);
    QVERIFY(page.indexOf(QStringLiteral("id=\"drops\"")) < page.indexOf(QStringLiteral("id=\"audit\"")));

    // The whole record: the entries on either side of the day and the release at its end too.
    QCOMPARE(countsOf(all.audit), (QStringList{"setup=37", "release=2", "revoke=1", "start, any program=3"}));
    QCOMPARE(all.audit.total, 43L);
    // A period with no start letting any program run says nothing of them.
    const results::report_figures late = results::computeReport(journal->database(), {at("2026-12-08T12:00:00.000Z"), {}});
    QCOMPARE(countsOf(late.audit), (QStringList{"setup=35", "release=1", "revoke=0", "start, any program=0"}));
    QVERIFY(!auditSection(QString::fromUtf8(html(late))).contains(QStringLiteral("class=\"alert\"")));
}

void tst_report::auditCutAtThirty() {
    const results::report_figures f = results::computeReport(journal->database(), eighth);
    QCOMPARE(countsOf(f.audit), (QStringList{"setup=36", "release=1", "revoke=1", "start, any program=3"}));
    QCOMPARE(f.audit.total, 41L);
    QCOMPARE(f.audit.more(), 11L);
    // The release and the revoke, though older than the starts and the first setup, stay; the 28 newest
    // setups fill the rest.
    const QStringList shown = shownEntries(f.audit);
    QCOMPARE(shown.size(), 30);
    QCOMPARE(shown.first(), QStringLiteral("08 12:34:00|ST-A|setup|timeout|34|35"));
    QCOMPARE(shown[27], QStringLiteral("08 12:07:00|ST-A|setup|timeout|7|8"));
    QVERIFY(shown[28].startsWith(QStringLiteral("08 06:30:00|engineer|revoke|")));
    QVERIFY(shown[29].startsWith(QStringLiteral("08 06:00:00|") + hostileUser + QStringLiteral("|release|")));
    const QString section = auditSection(QString::fromUtf8(html(f)));
    QCOMPARE(section.count(QStringLiteral("<tr")), 1 + 30);
    QVERIFY2(section.contains(QStringLiteral("And 11 more; rx48p-ctl results audit --since 2026-12-08T00:00:00.000Z --until "
                                             "2026-12-09T00:00:00.000Z lists them all.")),
             qPrintable(section.right(800)));
    // Without a start to the period, the command has none either.
    const QString whole = auditSection(QString::fromUtf8(html(all)));
    QVERIFY(whole.contains(QStringLiteral("And 13 more; rx48p-ctl results audit lists them all.")));
}

void tst_report::auditJsonRecords() {
    std::vector<QJsonObject> counts, entries;
    const QByteArray text = jsonText(results::computeReport(journal->database(), morning));
    QVERIFY(!text.contains('\x01') && !text.contains('\x1b') && !text.contains('\x07'));
    for (const QByteArray& line : text.trimmed().split('\n')) {
        const QJsonObject record = QJsonDocument::fromJson(line).object();
        const QString kind = record.value(QStringLiteral("record")).toString();
        if (kind == QLatin1String("audit_count"))
            counts.push_back(record);
        else if (kind == QLatin1String("audit"))
            entries.push_back(record);
    }
    QStringList countText;
    for (const QJsonObject& c : counts)
        countText << fields(c, {"event", "count"});
    QCOMPARE(countText, (QStringList{"event=setup count=1", "event=release count=1", "event=revoke count=1",
                                     "event=start, any program count=3"}));
    QCOMPARE(entries.size(), std::size_t(6));
    // The names `results audit` gives, and nothing else.
    QCOMPARE(entries[0].keys(), (QStringList{"event", "new", "old", "record", "station", "time", "user", "what"}));
    const QStringList names{"time", "station", "user", "event", "what", "old", "new"};
    QCOMPARE(fields(entries[1], names), "time=2026-12-08T07:10:00.000Z station=" + scriptStation +
                                            " user=null event=start, any program what=/parts/beta.part old=null new=not "
                                            "released (SHA-256 5e884898)");
    QCOMPARE(fields(entries[4], names), "time=2026-12-08T06:00:00.000Z station=null user=" + hostileUser +
                                            " event=release what=/parts/alpha.part old=null new=" + hostileNote);
    QCOMPARE(fields(entries[3], {"user", "old", "new"}), "user=engineer old=0123456789abcdef new=null");
}

void tst_report::auditWithoutParts() {
    // Afternoon of the 8th: no part, but 35 setup changes.
    const results::report_figures f = results::computeReport(journal->database(), {at("2026-12-08T12:00:00.000Z"),
                                                                                    at("2026-12-09T00:00:00.000Z")});
    QVERIFY(f.empty());
    QCOMPARE(f.audit.total, 35L);
    const QString page = QString::fromUtf8(html(f));
    QVERIFY(page.contains(QStringLiteral("No parts were recorded in this period.")));
    const QString section = auditSection(page);
    QCOMPARE(section.count(QStringLiteral("<tr")), 1 + 30);
    QVERIFY(section.contains(QStringLiteral("And 5 more;")));
    QVERIFY(!page.contains(QStringLiteral("No changes on record")));
    QCOMPARE(jsonText(f).count("{\"record\":\"audit\","), 30);
}

void tst_report::browserShowsTheAuditAsText() {
    const QString file = dir.filePath(QStringLiteral("audit.html"));
    {
        QFile out(file);
        QVERIFY(out.open(QIODevice::WriteOnly));
        const QByteArray page = html(results::computeReport(journal->database(), morning));
        // An injected script would also keep the browser waiting on its alert: caught before it runs.
        QVERIFY2(readPage(page).error.isEmpty() && !page.contains("<script") && !page.contains("<img"),
                 qPrintable(readPage(page).error));
        out.write(page);
    }
    const chromium_result browser = dumpDom(file);
    QVERIFY2(browser.problem.isEmpty(), qPrintable(browser.problem));
    const QString dom = QString::fromUtf8(browser.output);
    const QString shown = auditSection(dom);
    QVERIFY2(!shown.isEmpty(), "the audit section");
    // Every stored text a text node: no element came out of it, its control characters shown as \xNN.
    QVERIFY(!dom.contains(QLatin1String("<script"), Qt::CaseInsensitive));
    QVERIFY(!dom.contains(QLatin1String("<img"), Qt::CaseInsensitive));
    QVERIFY(!dom.contains(QChar(0x1b)) && !dom.contains(QChar(0x01)) && !dom.contains(QChar(0x07)));
    QVERIFY2(shown.contains(QStringLiteral("<td>ST-&lt;script&gt;alert(1)&lt;/script&gt;&amp;\\x01\\x1b[2J</td>")), qPrintable(shown));
    QVERIFY(shown.contains(QStringLiteral("<td>server, by q&amp;a&lt;b&gt;</td>")));
    QVERIFY(shown.contains(QStringLiteral("(&lt;img src=x onerror=alert(1)&gt; &amp; \\x07)</td>")));
    QVERIFY(shown.contains(QStringLiteral("<td>ST-&lt;b&gt;&amp;\"B\"</td>")));
    QVERIFY2(shown.contains(QRegularExpression(QStringLiteral("<li class=\"flag\">\\s*<b>3</b> starts letting any program run</li>"))),
             qPrintable(shown));
}

QTEST_MAIN(tst_report)
#include "tst_report.moc"
