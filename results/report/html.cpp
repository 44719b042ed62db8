#include "results/report/report.h"

#include "results/report/charts.h"
#include "results/report/html_style.h"
#include "results/utc_text.h"

#include <QXmlStreamWriter>

#include <algorithm>

namespace results {

namespace {

// Failure modes drawn in the Pareto chart; the table lists them all.
constexpr int paretoBars = 10;

// An element with a start and an end tag: HTML reads <div/> as an opening tag only, so every
// non-void element gets its characters, even empty ones, before it is closed.
void open(QXmlStreamWriter& w, const char* tag, const QString& cls = {}, const QString& id = {}) {
    w.writeStartElement(QLatin1String(tag));
    if (!cls.isEmpty())
        w.writeAttribute(QStringLiteral("class"), cls);
    if (!id.isEmpty())
        w.writeAttribute(QStringLiteral("id"), id);
}
void close(QXmlStreamWriter& w) {
    w.writeCharacters(QString());
    w.writeEndElement();
}
// Stored text with its control characters, but line ends and tabs, shown as \xNN: XML has no place
// for most of them, and a reader must see that they are there.
QString shown(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        if ((u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u < 0xa0))
            safe += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

void element(QXmlStreamWriter& w, const char* tag, const QString& text, const QString& cls = {}) {
    open(w, tag, cls);
    w.writeCharacters(shown(text));
    w.writeEndElement();
}

QString timeText(const QDateTime& when) { return when.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm")); }

QString periodText(const report_period& p) {
    if (p.since.isValid() && p.until.isValid())
        return QStringLiteral("%1 \u2013 %2 UTC").arg(timeText(p.since), timeText(p.until));
    if (p.since.isValid())
        return QStringLiteral("From %1 UTC").arg(timeText(p.since));
    if (p.until.isValid())
        return QStringLiteral("Until %1 UTC").arg(timeText(p.until));
    return QStringLiteral("Every recorded part");
}

// Without "-0.000" for a value that rounds to zero.
QString volts(double v, int decimals) {
    const QString text = QString::number(v, 'f', decimals);
    return text.startsWith(QLatin1Char('-')) && text.count(QLatin1Char('0')) == text.size() - 2 ? text.mid(1) : text;
}
QString signedVolts(double v) {
    const QString text = volts(v, 3);
    return text.startsWith(QLatin1Char('-')) || text.count(QLatin1Char('0')) == text.size() - 1 ? text : QLatin1Char('+') + text;
}
QString percent(double v) { return QString::number(v, 'f', 1) + QStringLiteral(" %"); }
// A figure of an empty set is none, never 0.
const QString none = QStringLiteral("\u2014");
QString percent(const std::optional<double>& v) { return v ? percent(*v) : none; }
QString seconds(const std::optional<double>& v) { return v ? QString::number(*v, 'f', 3) + QStringLiteral(" s") : none; }
QString dropName(const drop_figures& d) { return QString(d.direction).replace(QStringLiteral("->"), QStringLiteral("\u2192")); }

// Cpk's words and class: below 1 the process makes parts outside the band, from 1.33 it is capable.
std::pair<QString, QString> cpkBadge(const drop_figures& d) {
    if (d.n < cpkMinimumParts)
        return {QStringLiteral("too few"), QStringLiteral("badge none")};
    if (!d.expected)
        return {QStringLiteral("\u2014"), QStringLiteral("badge none")};
    if (!d.cpk)
        return {QStringLiteral("no spread"), QStringLiteral("badge none")};
    const QString cls = *d.cpk < 1.0 ? QStringLiteral("badge bad") : *d.cpk < 1.33 ? QStringLiteral("badge warn") : QStringLiteral("badge good");
    return {QString::number(*d.cpk, 'f', 2), cls};
}

void numberCell(QXmlStreamWriter& w, const QString& text) { element(w, "td", text, QStringLiteral("num")); }

void headRow(QXmlStreamWriter& w, const QStringList& names, int firstNumeric) {
    open(w, "thead");
    open(w, "tr");
    for (int i = 0; i < names.size(); ++i)
        element(w, "th", names[i], i >= firstNumeric ? QStringLiteral("num") : QString());
    close(w);
    close(w);
}

// One program is named above the tables; its column would only repeat it.
QStringList withProgram(const report_figures& f, QStringList columns) {
    if (f.programs.size() > 1)
        columns.prepend(QStringLiteral("Program"));
    return columns;
}
int numericFrom(const report_figures& f, int column) { return f.programs.size() > 1 ? column + 1 : column; }

void programCell(QXmlStreamWriter& w, const report_figures& f, const report_program& p) {
    if (f.programs.size() < 2)
        return;
    open(w, "td");
    w.writeCharacters(p.path);
    element(w, "span", p.sha8, QStringLiteral("sha"));
    close(w);
}

void writeHeader(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "header");
    element(w, "h1", QStringLiteral("Yield report"));
    element(w, "p", periodText(f.period), QStringLiteral("period"));
    QString meta = QStringLiteral("Generated %1 UTC").arg(timeText(f.generated));
    if (!f.empty())
        meta += QStringLiteral(" \u00b7 parts started from %1 to %2 UTC").arg(timeText(f.firstPart), timeText(f.lastPart));
    meta += QStringLiteral(" \u00b7 period start included, end excluded");
    element(w, "p", meta, QStringLiteral("meta"));
    close(w);
}

void kpi(QXmlStreamWriter& w, const QString& label, const QString& value, const QString& note, bool main = false) {
    open(w, "div", main ? QStringLiteral("kpi main") : QStringLiteral("kpi"));
    element(w, "div", label, QStringLiteral("label"));
    element(w, "div", value, QStringLiteral("value"));
    element(w, "div", note, QStringLiteral("note"));
    close(w);
}

void writeTotals(QXmlStreamWriter& w, const report_figures& f) {
    const summary_row& t = f.total;
    open(w, "section", QStringLiteral("kpis"), QStringLiteral("totals"));
    kpi(w, QStringLiteral("Parts"), QString::number(t.parts), QStringLiteral("%1 passed \u00b7 %2 failed").arg(t.passed).arg(t.failed));
    kpi(w, QStringLiteral("First-pass yield"), percent(t.firstPassYield),
        QStringLiteral("%1 of %2 units").arg(t.passedFirst).arg(t.units), true);
    kpi(w, QStringLiteral("Final yield"), percent(t.finalYield), QStringLiteral("%1 of %2 units").arg(t.passedFinally).arg(t.units),
        true);
    kpi(w, QStringLiteral("Retests"), QString::number(t.parts - t.units), QStringLiteral("parts after a unit's first"));
    kpi(w, QStringLiteral("Median test"), seconds(t.medianTest), QStringLiteral("insertion to verdict"));
    kpi(w, QStringLiteral("Median cycle"), seconds(t.medianCycle), QStringLiteral("wait for the part to its removal"));
    close(w);

    open(w, "section", QStringLiteral("coverage"), QStringLiteral("coverage"));
    open(w, "div");
    element(w, "h2", f.stations.size() == 1 ? QStringLiteral("Station") : QStringLiteral("Stations"));
    open(w, "ul", QString(), QStringLiteral("stations"));
    for (const QString& s : f.stations)
        element(w, "li", s);
    close(w);
    close(w);
    open(w, "div");
    element(w, "h2", f.programs.size() == 1 ? QStringLiteral("Program") : QStringLiteral("Programs"));
    open(w, "ul", QString(), QStringLiteral("programs"));
    for (const report_program& p : f.programs) {
        open(w, "li");
        w.writeCharacters(p.path);
        element(w, "span", p.sha8, QStringLiteral("sha"));
        close(w);
    }
    close(w);
    close(w);
    close(w);
}

void writeYields(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QString(), QStringLiteral("yield"));
    element(w, "h2", f.hourly ? QStringLiteral("Yield per hour") : QStringLiteral("Yield per day"));
    report_detail::writeYieldChart(w, QStringLiteral("chart-yield"), f.yields, f.hourly);
    element(w, "p",
            QStringLiteral("First-pass yield: units (a serial, or a part without one) whose first part in the %1 passed at its "
                           "first attempt. Final yield: units whose last part in the %1 passed.")
                .arg(f.hourly ? QStringLiteral("hour") : QStringLiteral("day")),
            QStringLiteral("legend"));
    close(w);
}

void writeFailures(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QString(), QStringLiteral("failures"));
    element(w, "h2", QStringLiteral("Failure modes"));
    if (f.failures.empty()) {
        element(w, "p", QStringLiteral("No comparison failed in this period."), QStringLiteral("legend"));
        close(w);
        return;
    }
    report_detail::writeParetoChart(w, QStringLiteral("chart-pareto"), f.failures, paretoBars);
    open(w, "table", QString(), QStringLiteral("failure-table"));
    headRow(w, {QStringLiteral("#"), QStringLiteral("Mode"), QStringLiteral("Count"), QStringLiteral("Cumulative"),
                QStringLiteral("Measured")}, 2);
    open(w, "tbody");
    int rank = 0;
    for (const failure_row& r : f.failures) {
        open(w, "tr");
        element(w, "td", QString::number(++rank));
        element(w, "td", r.mode);
        numberCell(w, QString::number(r.count));
        numberCell(w, percent(r.cumulativePercent));
        const QString range = measuredRange(r);
        numberCell(w, range.isEmpty() ? none : range);
        close(w);
    }
    close(w);
    close(w);
    close(w);
}

QString statLine(const drop_figures& d) {
    QString s = QStringLiteral("n %1").arg(d.n);
    if (d.n > 0)
        s += QStringLiteral(" \u00b7 mean %1 V").arg(volts(d.mean, 3));
    if (d.n > 1)
        s += QStringLiteral(" \u00b7 s %1 V").arg(volts(d.sd, 4));
    if (d.expected)
        s += QStringLiteral(" \u00b7 expected %1 \u00b1 %2 V").arg(volts(*d.expected, 3), volts(d.tolerance, 3));
    return s;
}

void writeDrops(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QStringLiteral("drops-section"), QStringLiteral("drops"));
    element(w, "h2", QStringLiteral("Voltage drops"));
    element(w, "p",
            QStringLiteral("Parts per 0.02 V step. Green: the expected drop and its tolerance band; red bars lie outside "
                           "it; the triangle marks the mean."),
            QStringLiteral("legend"));
    const report_program* program = nullptr;
    bool gridOpen = false;
    for (std::size_t i = 0; i < f.drops.size(); ++i) {
        const drop_figures& d = f.drops[i];
        if (!program || program->path != d.program.path || program->sha8 != d.program.sha8) {
            if (gridOpen)
                close(w);
            program = &d.program;
            open(w, "h3");
            w.writeCharacters(d.program.path);
            element(w, "span", d.program.sha8, QStringLiteral("sha"));
            close(w);
            open(w, "div", QStringLiteral("drops"));
            gridOpen = true;
        }
        open(w, "figure");
        report_detail::writeDropHistogram(w, QStringLiteral("chart-drop-%1").arg(i), d);
        open(w, "figcaption");
        open(w, "div", QStringLiteral("caption-head"));
        element(w, "b", QStringLiteral("Pair %1 \u00b7 %2").arg(d.pair, dropName(d)));
        const auto [cpk, cls] = cpkBadge(d);
        open(w, "span");
        w.writeCharacters(QStringLiteral("Cpk "));
        element(w, "span", cpk, cls);
        close(w);
        close(w);
        element(w, "div", statLine(d), QStringLiteral("stat"));
        close(w);
        close(w);
    }
    if (gridOpen)
        close(w);
    close(w);
}

void writeCpkTable(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QString(), QStringLiteral("capability"));
    element(w, "h2", QStringLiteral("Every measured drop, worst Cpk first"));
    open(w, "table", QString(), QStringLiteral("cpk-table"));
    headRow(w,
            withProgram(f, {QStringLiteral("Pair"), QStringLiteral("Drop"), QStringLiteral("n"), QStringLiteral("Expected V"),
                            QStringLiteral("\u00b1 V"), QStringLiteral("Mean V"), QStringLiteral("s V"), QStringLiteral("Cpk")}),
            numericFrom(f, 2));
    open(w, "tbody");
    for (const drop_figures* d : dropsByCpk(f)) {
        open(w, "tr");
        programCell(w, f, d->program);
        element(w, "td", d->pair);
        element(w, "td", dropName(*d));
        numberCell(w, QString::number(d->n));
        numberCell(w, d->expected ? volts(*d->expected, 3) : QStringLiteral("\u2014"));
        numberCell(w, volts(d->tolerance, 3));
        numberCell(w, d->n ? volts(d->mean, 3) : QStringLiteral("\u2014"));
        numberCell(w, d->n > 1 ? volts(d->sd, 4) : QStringLiteral("\u2014"));
        const auto [cpk, cls] = cpkBadge(*d);
        open(w, "td", QStringLiteral("num"));
        element(w, "span", cpk, cls);
        close(w);
        close(w);
    }
    close(w);
    close(w);
    element(w, "p",
            QStringLiteral("Cpk = min(USL \u2212 mean, mean \u2212 LSL) / 3s, with USL and LSL the expected drop \u00b1 the "
                           "run's tolerance and s the sample standard deviation (n \u2212 1); shown from %1 parts. Below "
                           "1.00 the band is too narrow for the spread; from 1.33 the drop is capable.")
                .arg(cpkMinimumParts),
            QStringLiteral("legend"));
    close(w);
}

void writeDrift(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QString(), QStringLiteral("drift"));
    element(w, "h2", QStringLiteral("Drift: the last %1 parts against the first %1").arg(driftParts));
    open(w, "table", QString(), QStringLiteral("drift-table"));
    headRow(w,
            withProgram(f, {QStringLiteral("Pair"), QStringLiteral("Drop"), QStringLiteral("n"), QStringLiteral("First mean V"),
                            QStringLiteral("Last mean V"), QStringLiteral("Shift V"), QStringLiteral("Limit \u00b1V"),
                            QStringLiteral("Drift")}),
            numericFrom(f, 2));
    open(w, "tbody");
    std::vector<const drop_figures*> rows;
    for (const drop_figures& d : f.drops)
        if (d.drift.flagged)
            rows.push_back(&d);
    for (const drop_figures& d : f.drops)
        if (!d.drift.flagged)
            rows.push_back(&d);
    for (const drop_figures* d : rows) {
        open(w, "tr", d->drift.flagged ? QStringLiteral("flag") : QString());
        programCell(w, f, d->program);
        element(w, "td", d->pair);
        element(w, "td", dropName(*d));
        numberCell(w, QString::number(d->n));
        const bool enough = d->drift.enough;
        numberCell(w, enough ? volts(d->drift.firstMean, 3) : QStringLiteral("\u2014"));
        numberCell(w, enough ? volts(d->drift.lastMean, 3) : QStringLiteral("\u2014"));
        numberCell(w, enough ? signedVolts(d->drift.lastMean - d->drift.firstMean) : QStringLiteral("\u2014"));
        numberCell(w, volts(d->tolerance / 2, 3));
        open(w, "td", QStringLiteral("num"));
        if (!enough)
            element(w, "span", QStringLiteral("too few"), QStringLiteral("badge none"));
        else if (d->drift.flagged)
            element(w, "span", QStringLiteral("drifted"), QStringLiteral("badge bad"));
        else
            element(w, "span", QStringLiteral("steady"), QStringLiteral("badge good"));
        close(w);
        close(w);
    }
    close(w);
    close(w);
    element(w, "p",
            QStringLiteral("A drop has drifted when its mean moved by more than a quarter of its tolerance band (the band "
                           "is twice the tolerance). It needs at least %1 parts, so that the first and the last %2 do not "
                           "overlap.")
                .arg(2 * driftParts)
                .arg(driftParts),
            QStringLiteral("legend"));
    close(w);
}

QString fixtureName(const QString& name) { return name.isEmpty() ? QStringLiteral("(unnamed)") : name; }

void writeFixtureYields(QXmlStreamWriter& w, const station_fixtures& s) {
    open(w, "table", QStringLiteral("fixture-yield"));
    headRow(w, {QStringLiteral("Fixture"), QStringLiteral("Parts"), QStringLiteral("Passed"), QStringLiteral("Failed"),
                QStringLiteral("First-pass yield"), QStringLiteral("Final yield")}, 1);
    open(w, "tbody");
    for (const fixture_yield& f : s.fixtures) {
        open(w, "tr");
        element(w, "td", fixtureName(f.name));
        numberCell(w, QString::number(f.yield.parts));
        numberCell(w, QString::number(f.yield.passed));
        numberCell(w, QString::number(f.yield.failed));
        numberCell(w, percent(f.yield.firstPassYield));
        numberCell(w, percent(f.yield.finalYield));
        close(w);
    }
    close(w);
    close(w);
}

void writeFixtureMeans(QXmlStreamWriter& w, const report_figures& f, const station_fixtures& s) {
    QStringList columns{QStringLiteral("Pair"), QStringLiteral("Drop"), QStringLiteral("Limit \u00b1V")};
    for (const fixture_yield& fixture : s.fixtures)
        columns << fixtureName(fixture.name) + QStringLiteral(" mean V");
    columns << QStringLiteral("Worn contacts?");
    open(w, "table", QStringLiteral("fixture-means"));
    headRow(w, withProgram(f, columns), numericFrom(f, 2));
    open(w, "tbody");
    for (const fixture_drop& d : s.drops) {
        open(w, "tr", d.flagged() ? QStringLiteral("flag") : QString());
        programCell(w, f, d.program);
        element(w, "td", d.pair);
        element(w, "td", QString(d.direction).replace(QStringLiteral("->"), QStringLiteral("\u2192")));
        numberCell(w, volts(d.tolerance / 2, 3));
        QStringList flagged;
        for (const fixture_yield& fixture : s.fixtures) {
            const auto mean = std::find_if(d.fixtures.begin(), d.fixtures.end(),
                                           [&](const fixture_mean& m) { return m.fixture == fixture.name; });
            if (mean == d.fixtures.end()) {
                numberCell(w, none);
                continue;
            }
            open(w, "td", mean->flagged ? QStringLiteral("num worn") : QStringLiteral("num"));
            w.writeCharacters(volts(mean->mean, 3));
            element(w, "span", QStringLiteral(" n %1").arg(mean->n), QStringLiteral("n"));
            close(w);
            if (mean->flagged)
                flagged << fixtureName(mean->fixture);
        }
        open(w, "td", QStringLiteral("num"));
        if (!d.compared())
            element(w, "span", QStringLiteral("too few"), QStringLiteral("badge none"));
        else if (flagged.isEmpty())
            element(w, "span", QStringLiteral("no"), QStringLiteral("badge good"));
        else
            element(w, "span", flagged.join(QStringLiteral(", ")), QStringLiteral("badge bad"));
        close(w);
        close(w);
    }
    close(w);
    close(w);
}

void writeFixtures(QXmlStreamWriter& w, const report_figures& f) {
    open(w, "section", QString(), QStringLiteral("fixtures"));
    element(w, "h2", QStringLiteral("Fixtures"));
    element(w, "p",
            QStringLiteral("Each station that tested on more than one fixture in this period, its fixtures side by side. A "
                           "fixture's mean of a drop is compared with the mean of its sibling fixtures' means (same "
                           "station, same program): further from it than a quarter of the drop's tolerance band (the band "
                           "is expected \u00b1 tolerance, twice the tolerance wide, so by more than tolerance / 2), it is "
                           "flagged \u2014 worn contacts? A fixture needs %1 parts that measured the drop to be compared.")
                .arg(fixtureMinimumParts),
            QStringLiteral("legend"));
    int chart = 0;
    for (const station_fixtures& s : f.fixtures) {
        open(w, "div", QStringLiteral("station-fixtures"));
        element(w, "h3", s.station);
        writeFixtureYields(w, s);
        if (!s.drops.empty()) {
            writeFixtureMeans(w, f, s);
            open(w, "div", QStringLiteral("drops"));
            for (const fixture_drop& d : s.drops) {
                open(w, "figure");
                report_detail::writeFixtureMeans(w, QStringLiteral("chart-fixtures-%1").arg(chart++), s.station, d);
                open(w, "figcaption");
                element(w, "b", QStringLiteral("Pair %1 \u00b7 %2")
                                    .arg(d.pair, QString(d.direction).replace(QStringLiteral("->"), QStringLiteral("\u2192"))));
                const QString limit = volts(d.tolerance / 2, 3);
                element(w, "div",
                        d.flagged()    ? QStringLiteral("red: further than %1 V from its siblings' mean (the grey tick)").arg(limit)
                        : d.compared() ? QStringLiteral("every fixture compared within %1 V of its siblings").arg(limit)
                                       : QStringLiteral("too few parts to compare (%1 a fixture)").arg(fixtureMinimumParts),
                        QStringLiteral("stat"));
                close(w);
                close(w);
            }
            close(w);
        }
        close(w);
    }
    close(w);
}

QString auditKind(const QString& event, long n) {
    const bool one = n == 1;
    if (event == audit_event::setup)
        return one ? QStringLiteral("setup change") : QStringLiteral("setup changes");
    if (event == audit_event::release)
        return one ? QStringLiteral("release") : QStringLiteral("releases");
    if (event == audit_event::revoke)
        return one ? QStringLiteral("revoke") : QStringLiteral("revokes");
    if (event == audit_event::anyProgram)
        return one ? QStringLiteral("start letting any program run") : QStringLiteral("starts letting any program run");
    return event;
}

QString auditChange(const audit_entry& e) {
    return QStringLiteral("%1 \u2192 %2").arg(e.oldValue.isEmpty() ? none : e.oldValue, e.newValue.isEmpty() ? none : e.newValue);
}

// The command that lists what the page leaves out.
QString auditCommand(const report_period& p) {
    QString command = QStringLiteral("rx48p-ctl results audit");
    if (p.since.isValid())
        command += QStringLiteral(" --since ") + utcText(p.since);
    if (p.until.isValid())
        command += QStringLiteral(" --until ") + utcText(p.until);
    return command;
}

void writeAudit(QXmlStreamWriter& w, const report_figures& f) {
    const audit_figures& a = f.audit;
    open(w, "section", QStringLiteral("audit-section"), QStringLiteral("audit"));
    element(w, "h2", QStringLiteral("Audit"));
    if (a.total == 0) {
        element(w, "p", QStringLiteral("No changes on record in this period."), QStringLiteral("legend"));
        close(w);
        return;
    }
    const long unchecked = a.count(audit_event::anyProgram);
    if (unchecked > 0) {
        QString alert = unchecked == 1 ? QStringLiteral("1 start let programs run that were not checked against the released list")
                                       : QStringLiteral("%1 starts let programs run that were not checked against the released list")
                                             .arg(unchecked);
        if (a.anyProgramNotReleased > 0)
            alert += QStringLiteral("; %1 of them ran a program that was not released then").arg(a.anyProgramNotReleased);
        element(w, "p", alert + QLatin1Char('.'), QStringLiteral("alert"));
    }
    open(w, "ul", QStringLiteral("audit-counts"), QStringLiteral("audit-counts"));
    for (const auto& [event, n] : a.counts) {
        open(w, "li", event == audit_event::anyProgram && n > 0 ? QStringLiteral("flag") : QString());
        element(w, "b", QString::number(n));
        w.writeCharacters(QLatin1Char(' ') + shown(auditKind(event, n)));
        close(w);
    }
    close(w);
    open(w, "table", QString(), QStringLiteral("audit-table"));
    headRow(w, {QStringLiteral("Time UTC"), QStringLiteral("Where"), QStringLiteral("Event"), QStringLiteral("What"),
                QStringLiteral("Change")}, 5);
    open(w, "tbody");
    for (const audit_entry& e : a.shown) {
        open(w, "tr", e.event == audit_event::anyProgram ? QStringLiteral("flag") : QString());
        element(w, "td", e.at.toUTC().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")), QStringLiteral("nowrap"));
        element(w, "td", e.station.isEmpty() ? QStringLiteral("server, by %1").arg(e.byUser) : e.station);
        element(w, "td", e.event, QStringLiteral("nowrap"));
        element(w, "td", e.what);
        element(w, "td", auditChange(e), QStringLiteral("long"));
        close(w);
    }
    close(w);
    close(w);
    if (a.more() > 0)
        element(w, "p", QStringLiteral("And %1 more; %2 lists them all.").arg(a.more()).arg(auditCommand(f.period)),
                QStringLiteral("legend"));
    element(w, "p",
            QStringLiteral("Newest first: every release and revoke, then the latest other entries, %1 at most. A start "
                           "letting any program run is one without --released-only.")
                .arg(auditShown),
            QStringLiteral("legend"));
    close(w);
}

}  // namespace

void writeReportHtml(const report_figures& f, QIODevice& out) {
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.setAutoFormattingIndent(1);
    w.writeDTD(QStringLiteral("<!DOCTYPE html>"));
    open(w, "html");
    w.writeAttribute(QStringLiteral("lang"), QStringLiteral("en"));
    open(w, "head");
    w.writeEmptyElement(QStringLiteral("meta"));
    w.writeAttribute(QStringLiteral("charset"), QStringLiteral("utf-8"));
    w.writeEmptyElement(QStringLiteral("meta"));
    w.writeAttribute(QStringLiteral("name"), QStringLiteral("viewport"));
    w.writeAttribute(QStringLiteral("content"), QStringLiteral("width=device-width, initial-scale=1"));
    element(w, "title", QStringLiteral("Yield report \u2014 %1").arg(periodText(f.period)));
    element(w, "style", report_detail::reportStyle());
    close(w);
    open(w, "body");
    open(w, "main");
    writeHeader(w, f);
    if (f.empty()) {
        open(w, "section", QString(), QStringLiteral("empty"));
        element(w, "p", QStringLiteral("No parts were recorded in this period."), QStringLiteral("empty"));
        close(w);
    } else {
        writeTotals(w, f);
        writeYields(w, f);
        writeFailures(w, f);
        writeCpkTable(w, f);
        writeDrift(w, f);
        if (!f.fixtures.empty())
            writeFixtures(w, f);
        writeDrops(w, f);
    }
    writeAudit(w, f);
    close(w);
    close(w);
    close(w);
    w.writeEndDocument();
}

}  // namespace results
