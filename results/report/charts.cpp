#include "results/report/charts.h"

#include "results/report/drop_stats.h"
#include "results/report/svg_writer.h"

#include <QDate>
#include <QLocale>

#include <algorithm>
#include <cmath>

namespace results::report_detail {

namespace {

using anchor = svg_writer::anchor;

QString percentText(double v) { return QString::number(v, 'f', 0) + QLatin1Char('%'); }
// A yield over a bar: "100" rather than "100.0", which would not fit a narrow bar.
QString yieldText(double v) { return v >= 99.95 ? QStringLiteral("100") : QString::number(v, 'f', 1); }
QString voltText(double v) { return QString::number(v, 'f', 2); }

// A round step giving about `ticks` intervals up to `top`.
long niceStep(long top, int ticks) {
    const double raw = std::max(1.0, double(top) / ticks);
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 2.5, 5.0, 10.0})
        if (m * magnitude >= raw)
            return std::max(1L, long(std::llround(m * magnitude)));
    return long(std::llround(10 * magnitude));
}

// Only every k-th label, so that labels `width` wide do not collide.
int labelStride(double slot, double width) { return std::max(1, int(std::ceil(width / std::max(slot, 1.0)))); }

// "7 Dec" for a day group, "08:00" for an hour group.
QString shortGroup(const QString& group, bool hourly) {
    if (hourly)
        return group.mid(11, 5);
    const QDate day = QDate::fromString(group, Qt::ISODate);
    return day.isValid() ? QLocale::c().toString(day, QStringLiteral("d MMM")) : group;
}

}  // namespace

void writeYieldChart(QXmlStreamWriter& w, const QString& id, const std::vector<summary_row>& yields, bool hourly) {
    const int width = 720, height = 250;
    const double left = 46, right = 12, top = 34, bottom = 46;
    const double pw = width - left - right, ph = height - top - bottom;
    svg_writer svg(w, id, width, height, hourly ? QStringLiteral("Yield per hour") : QStringLiteral("Yield per day"));
    const auto y = [&](double percent) { return top + (1 - percent / 100) * ph; };

    for (int p = 0; p <= 100; p += 25) {
        svg.line(left, y(p), left + pw, y(p), p == 0 ? colour::axis : colour::grid);
        svg.text(left - 6, y(p) + 4, percentText(p), 11, colour::muted, anchor::end);
    }
    // Legend, top right.
    svg.rect(left + pw - 232, 8, 12, 12, colour::primaryLight);
    svg.text(left + pw - 215, 18, QStringLiteral("First-pass yield"), 11, colour::ink);
    svg.rect(left + pw - 100, 8, 12, 12, colour::primary);
    svg.text(left + pw - 83, 18, QStringLiteral("Final yield"), 11, colour::ink);

    const int n = int(yields.size());
    const double slot = pw / std::max(n, 1);
    const double bar = std::min(26.0, slot * 0.36);
    const int stride = labelStride(slot, hourly ? 40 : 46);
    const bool values = n <= 16 && bar >= 18;
    for (int i = 0; i < n; ++i) {
        const summary_row& r = yields[std::size_t(i)];
        // Every group holds parts, so each has its yields.
        const double firstPass = r.firstPassYield.value_or(0), finalYield = r.finalYield.value_or(0);
        const double centre = left + slot * (i + 0.5);
        svg.rect(centre - bar - 1, y(firstPass), bar, y(0) - y(firstPass), colour::primaryLight);
        svg.rect(centre + 1, y(finalYield), bar, y(0) - y(finalYield), colour::primary);
        if (values) {
            svg.text(centre - bar / 2 - 1, y(firstPass) - 4, yieldText(firstPass), 9.5,
                     colour::muted, anchor::middle);
            svg.text(centre + bar / 2 + 1, y(finalYield) - 4, yieldText(finalYield), 9.5, colour::ink,
                     anchor::middle);
        }
        if (i % stride == 0)
            svg.text(centre, y(0) + 15, shortGroup(r.group, hourly), 11, colour::ink, anchor::middle);
        if (n <= 16)
            svg.text(centre, y(0) + 28, QStringLiteral("%1 parts").arg(r.parts), 9.5, colour::muted, anchor::middle);
    }
    svg.text(left, height - 3, hourly ? QStringLiteral("Hour (UTC)") : QStringLiteral("Day (UTC)"), 10, colour::muted);
}

void writeParetoChart(QXmlStreamWriter& w, const QString& id, const std::vector<failure_row>& failures, int bars) {
    const int width = 720, height = 260;
    const double left = 46, right = 46, top = 24, bottom = 36;
    const double pw = width - left - right, ph = height - top - bottom;
    svg_writer svg(w, id, width, height, QStringLiteral("Failure modes (Pareto)"));
    const int n = std::min(bars, int(failures.size()));
    const long most = n ? failures.front().count : 1;
    const long step = niceStep(most, 4);
    const long countTop = std::max(step, (most + step - 1) / step * step);
    const auto yCount = [&](double count) { return top + (1 - count / double(countTop)) * ph; };
    const auto yShare = [&](double percent) { return top + (1 - percent / 100) * ph; };

    for (long c = 0; c <= countTop; c += step) {
        svg.line(left, yCount(double(c)), left + pw, yCount(double(c)), c == 0 ? colour::axis : colour::grid);
        svg.text(left - 6, yCount(double(c)) + 4, QString::number(c), 11, colour::muted, anchor::end);
    }
    for (int p = 0; p <= 100; p += 25)
        svg.text(left + pw + 6, yShare(p) + 4, percentText(p), 11, colour::line);
    svg.text(14, top + ph / 2, QStringLiteral("Failures"), 11, colour::muted, anchor::middle, false, -90);
    svg.text(width - 8, top + ph / 2, QStringLiteral("Cumulative share"), 11, colour::line, anchor::middle, false, 90);

    const double slot = pw / std::max(n, 1);
    const double bar = std::min(56.0, slot * 0.62);
    std::vector<std::pair<double, double>> cumulative;
    for (int i = 0; i < n; ++i) {
        const failure_row& r = failures[std::size_t(i)];
        const double centre = left + slot * (i + 0.5);
        svg.rect(centre - bar / 2, yCount(double(r.count)), bar, yCount(0) - yCount(double(r.count)), colour::primary);
        // The count inside the top of a tall bar, clear of the line's labels; over a short one.
        const bool inside = yCount(0) - yCount(double(r.count)) > 20;
        svg.text(centre, yCount(double(r.count)) + (inside ? 14 : -4), QString::number(r.count), 10.5,
                 inside ? QStringLiteral("#ffffff") : colour::ink, anchor::middle, inside);
        svg.text(centre, yCount(0) + 16, QString::number(i + 1), 11, colour::ink, anchor::middle, true);
        cumulative.emplace_back(centre, yShare(r.cumulativePercent));
    }
    svg.polyline(cumulative, colour::line, 2);
    for (int i = 0; i < n; ++i) {
        const auto [x, yy] = cumulative[std::size_t(i)];
        svg.circle(x, yy, 3.5, QStringLiteral("#ffffff"), colour::line);
        if (n <= 12) {
            const QString label = percentText(failures[std::size_t(i)].cumulativePercent);
            svg.rect(x + 5, yy - 17, 6.0 * label.size() + 4, 13, QStringLiteral("#ffffff"));
            svg.text(x + 7, yy - 7, label, 9.5, colour::line);
        }
    }
    svg.text(left + pw / 2, height - 4, QStringLiteral("Mode, by rank (see the table)"), 11, colour::muted, anchor::middle);
}

void writeDropHistogram(QXmlStreamWriter& w, const QString& id, const drop_figures& d) {
    const int width = 340, height = 150;
    const double left = 34, right = 10, top = 16, bottom = 30;
    const double pw = width - left - right, ph = height - top - bottom;
    svg_writer svg(w, id, width, height,
                   QStringLiteral("Drop %1 of pair %2, %3").arg(d.direction, d.pair, d.program.path));

    // The x range in steps: the measured steps and the band, with a margin.
    double lo = 0, hi = 0;
    bool any = false;
    const auto include = [&](double s) {
        lo = any ? std::min(lo, s) : s;
        hi = any ? std::max(hi, s) : s;
        any = true;
    };
    for (const auto& entry : d.histogram)
        include(entry.first);
    if (d.expected) {
        include((*d.expected - d.tolerance) / voltsPerStep);
        include((*d.expected + d.tolerance) / voltsPerStep);
    }
    if (!any)
        include(0);
    lo = std::floor(lo) - 2;
    hi = std::ceil(hi) + 2;
    const double stepPx = pw / (hi - lo + 1);
    const auto x = [&](double step) { return left + (step - lo + 0.5) * stepPx; };
    long most = 1;
    for (const auto& entry : d.histogram)
        most = std::max(most, entry.second);
    const auto y = [&](double count) { return top + (1 - count / double(most)) * ph; };

    if (d.expected) {
        const double lower = (*d.expected - d.tolerance) / voltsPerStep, upper = (*d.expected + d.tolerance) / voltsPerStep;
        svg.rect(x(lower), top, x(upper) - x(lower), ph, colour::band);
        svg.line(x(lower), top, x(lower), top + ph, colour::good, 1, QStringLiteral("4 3"));
        svg.line(x(upper), top, x(upper), top + ph, colour::good, 1, QStringLiteral("4 3"));
        svg.text(x(lower), top + ph + 14, voltText(*d.expected - d.tolerance), 10, colour::muted, anchor::middle);
        svg.text(x(*d.expected / voltsPerStep), top + ph + 14, voltText(*d.expected), 10, colour::good, anchor::middle, true);
        svg.text(x(upper), top + ph + 14, voltText(*d.expected + d.tolerance), 10, colour::muted, anchor::middle);
    }
    for (const auto& [step, count] : d.histogram) {
        const bool outside = d.expected && std::fabs(voltsOf(step) - *d.expected) > d.tolerance + 1e-9;
        svg.rect(x(step) - stepPx * 0.42, y(double(count)), stepPx * 0.84, y(0) - y(double(count)),
                 outside ? colour::bad : colour::primary);
    }
    if (d.expected)  // over the bars, so that a full bar does not hide it
        svg.line(x(*d.expected / voltsPerStep), top - 2, x(*d.expected / voltsPerStep), top + ph, colour::good, 1.5);
    svg.line(left, y(0), left + pw, y(0), colour::axis);
    svg.line(left, top, left, top + ph, colour::axis);
    svg.text(left - 4, top + 8, QString::number(most), 10, colour::muted, anchor::end);
    svg.text(left - 4, y(0), QStringLiteral("0"), 10, colour::muted, anchor::end);
    if (d.n > 0) {
        const double m = x(d.mean / voltsPerStep);
        svg.polygon({{m - 5, 2}, {m + 5, 2}, {m, 10}}, colour::ink);
    } else {
        svg.text(left + pw / 2, top + ph / 2, QStringLiteral("not measured"), 12, colour::muted, anchor::middle);
    }
    svg.text(left + pw, top + ph + 14, QStringLiteral("V"), 10, colour::muted, anchor::end);
}

void writeFixtureMeans(QXmlStreamWriter& w, const QString& id, const QString& station, const fixture_drop& d) {
    const int rowHeight = 22;
    const int rows = int(d.fixtures.size());
    const int width = 340, height = 34 + rowHeight * rows;
    const double left = 86, right = 14, top = 8;
    const double pw = width - left - right, ph = rowHeight * rows;
    svg_writer svg(w, id, width, height,
                   QStringLiteral("Drop %1 of pair %2 per fixture of %3, %4").arg(d.direction, d.pair, station, d.program.path));

    // The band, every mean and every siblings' mean in view, with a margin.
    std::vector<double> shown;
    if (d.expected) {
        shown.push_back(*d.expected - d.tolerance);
        shown.push_back(*d.expected + d.tolerance);
    }
    for (const fixture_mean& f : d.fixtures) {
        shown.push_back(f.mean);
        if (f.siblingsMean)
            shown.push_back(*f.siblingsMean);
    }
    double lo = *std::min_element(shown.begin(), shown.end()), hi = *std::max_element(shown.begin(), shown.end());
    const double margin = std::max((hi - lo) * 0.08, voltsPerStep);
    lo -= margin;
    hi += margin;
    const auto x = [&](double v) { return left + (v - lo) / (hi - lo) * pw; };

    if (d.expected) {
        const double lower = *d.expected - d.tolerance, upper = *d.expected + d.tolerance;
        svg.rect(x(lower), top, x(upper) - x(lower), ph, colour::band);
        svg.line(x(*d.expected), top, x(*d.expected), top + ph, colour::good, 1.5);
        svg.text(x(lower), top + ph + 14, voltText(lower), 10, colour::muted, anchor::middle);
        svg.text(x(*d.expected), top + ph + 14, voltText(*d.expected), 10, colour::good, anchor::middle, true);
        svg.text(x(upper), top + ph + 14, voltText(upper), 10, colour::muted, anchor::middle);
    }
    for (int i = 0; i < rows; ++i) {
        const fixture_mean& f = d.fixtures[std::size_t(i)];
        const double y = top + rowHeight * (i + 0.5);
        svg.line(left, y, left + pw, y, colour::grid);
        svg.text(left - 6, y + 4, f.fixture.isEmpty() ? QStringLiteral("(unnamed)") : f.fixture, 11,
                 f.flagged ? colour::bad : colour::ink, anchor::end, f.flagged);
        if (f.flagged && f.siblingsMean) {
            // How far it moved from where its siblings are.
            svg.line(x(*f.siblingsMean), y, x(f.mean), y, colour::bad, 2);
            svg.line(x(*f.siblingsMean), y - 6, x(*f.siblingsMean), y + 6, colour::muted, 1.5);
        }
        svg.circle(x(f.mean), y, f.flagged ? 6 : 4.5, f.flagged ? colour::bad : colour::primary, f.flagged ? colour::ink : QString());
    }
    svg.line(left, top + ph, left + pw, top + ph, colour::axis);
    svg.text(left + pw, top + ph + 14, QStringLiteral("V"), 10, colour::muted, anchor::end);
}

}  // namespace results::report_detail
