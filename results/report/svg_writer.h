#pragma once

#include <QString>
#include <QXmlStreamWriter>

#include <utility>
#include <vector>

namespace results::report_detail {

// One inline <svg> chart, opened on construction and closed on destruction. Every look is a
// presentation attribute, not CSS, so that the chart draws the same in a browser and in any SVG
// renderer reading it alone.
class svg_writer {
public:
    svg_writer(QXmlStreamWriter& w, const QString& id, int width, int height, const QString& title);
    ~svg_writer();
    svg_writer(const svg_writer&) = delete;
    svg_writer& operator=(const svg_writer&) = delete;

    void rect(double x, double y, double width, double height, const QString& fill, const QString& stroke = {});
    void line(double x1, double y1, double x2, double y2, const QString& stroke, double width = 1, const QString& dash = {});
    void polyline(const std::vector<std::pair<double, double>>& points, const QString& stroke, double width);
    void circle(double cx, double cy, double r, const QString& fill, const QString& stroke = {});
    void polygon(const std::vector<std::pair<double, double>>& points, const QString& fill);
    enum class anchor { start, middle, end };
    void text(double x, double y, const QString& text, double size, const QString& fill, anchor a = anchor::start,
              bool bold = false, double rotate = 0);

private:
    QXmlStreamWriter& w;
};

QString n1(double v);  // a coordinate, one decimal

// The report's colours.
namespace colour {
inline const QString ink = QStringLiteral("#1f2933");
inline const QString muted = QStringLiteral("#616e7c");
inline const QString grid = QStringLiteral("#e4e7eb");
inline const QString axis = QStringLiteral("#9aa5b1");
inline const QString primary = QStringLiteral("#2563a6");
inline const QString primaryLight = QStringLiteral("#9ec5eb");
inline const QString bad = QStringLiteral("#c2412d");
inline const QString line = QStringLiteral("#e07b18");
inline const QString band = QStringLiteral("#e6f4ea");
inline const QString good = QStringLiteral("#2f8550");
}  // namespace colour

}  // namespace results::report_detail
