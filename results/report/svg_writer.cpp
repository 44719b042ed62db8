#include "results/report/svg_writer.h"

#include <QStringList>

namespace results::report_detail {

namespace {

QString points(const std::vector<std::pair<double, double>>& pts) {
    QStringList text;
    for (const auto& [x, y] : pts)
        text << n1(x) + QLatin1Char(',') + n1(y);
    return text.join(QLatin1Char(' '));
}

}  // namespace

QString n1(double v) { return QString::number(v, 'f', 1); }

svg_writer::svg_writer(QXmlStreamWriter& w, const QString& id, int width, int height, const QString& title) : w(w) {
    w.writeStartElement(QStringLiteral("svg"));
    w.writeAttribute(QStringLiteral("xmlns"), QStringLiteral("http://www.w3.org/2000/svg"));
    w.writeAttribute(QStringLiteral("id"), id);
    w.writeAttribute(QStringLiteral("class"), QStringLiteral("chart"));
    w.writeAttribute(QStringLiteral("width"), QString::number(width));
    w.writeAttribute(QStringLiteral("height"), QString::number(height));
    w.writeAttribute(QStringLiteral("viewBox"), QStringLiteral("0 0 %1 %2").arg(width).arg(height));
    w.writeAttribute(QStringLiteral("font-family"),
                     QStringLiteral("system-ui, -apple-system, 'Segoe UI', Roboto, 'Helvetica Neue', Arial, 'DejaVu Sans', sans-serif"));
    w.writeAttribute(QStringLiteral("role"), QStringLiteral("img"));
    w.writeTextElement(QStringLiteral("title"), title);
}

svg_writer::~svg_writer() { w.writeEndElement(); }

void svg_writer::rect(double x, double y, double width, double height, const QString& fill, const QString& stroke) {
    w.writeEmptyElement(QStringLiteral("rect"));
    w.writeAttribute(QStringLiteral("x"), n1(x));
    w.writeAttribute(QStringLiteral("y"), n1(y));
    w.writeAttribute(QStringLiteral("width"), n1(width));
    w.writeAttribute(QStringLiteral("height"), n1(height));
    w.writeAttribute(QStringLiteral("fill"), fill);
    if (!stroke.isEmpty())
        w.writeAttribute(QStringLiteral("stroke"), stroke);
}

void svg_writer::line(double x1, double y1, double x2, double y2, const QString& stroke, double width, const QString& dash) {
    w.writeEmptyElement(QStringLiteral("line"));
    w.writeAttribute(QStringLiteral("x1"), n1(x1));
    w.writeAttribute(QStringLiteral("y1"), n1(y1));
    w.writeAttribute(QStringLiteral("x2"), n1(x2));
    w.writeAttribute(QStringLiteral("y2"), n1(y2));
    w.writeAttribute(QStringLiteral("stroke"), stroke);
    w.writeAttribute(QStringLiteral("stroke-width"), n1(width));
    if (!dash.isEmpty())
        w.writeAttribute(QStringLiteral("stroke-dasharray"), dash);
}

void svg_writer::polyline(const std::vector<std::pair<double, double>>& pts, const QString& stroke, double width) {
    w.writeEmptyElement(QStringLiteral("polyline"));
    w.writeAttribute(QStringLiteral("points"), points(pts));
    w.writeAttribute(QStringLiteral("fill"), QStringLiteral("none"));
    w.writeAttribute(QStringLiteral("stroke"), stroke);
    w.writeAttribute(QStringLiteral("stroke-width"), n1(width));
    w.writeAttribute(QStringLiteral("stroke-linejoin"), QStringLiteral("round"));
}

void svg_writer::circle(double cx, double cy, double r, const QString& fill, const QString& stroke) {
    w.writeEmptyElement(QStringLiteral("circle"));
    w.writeAttribute(QStringLiteral("cx"), n1(cx));
    w.writeAttribute(QStringLiteral("cy"), n1(cy));
    w.writeAttribute(QStringLiteral("r"), n1(r));
    w.writeAttribute(QStringLiteral("fill"), fill);
    if (!stroke.isEmpty()) {
        w.writeAttribute(QStringLiteral("stroke"), stroke);
        w.writeAttribute(QStringLiteral("stroke-width"), QStringLiteral("1.5"));
    }
}

void svg_writer::polygon(const std::vector<std::pair<double, double>>& pts, const QString& fill) {
    w.writeEmptyElement(QStringLiteral("polygon"));
    w.writeAttribute(QStringLiteral("points"), points(pts));
    w.writeAttribute(QStringLiteral("fill"), fill);
}

void svg_writer::text(double x, double y, const QString& text, double size, const QString& fill, anchor a, bool bold,
                      double rotate) {
    w.writeStartElement(QStringLiteral("text"));
    w.writeAttribute(QStringLiteral("x"), n1(x));
    w.writeAttribute(QStringLiteral("y"), n1(y));
    w.writeAttribute(QStringLiteral("font-size"), n1(size));
    w.writeAttribute(QStringLiteral("fill"), fill);
    if (a != anchor::start)
        w.writeAttribute(QStringLiteral("text-anchor"), a == anchor::middle ? QStringLiteral("middle") : QStringLiteral("end"));
    if (bold)
        w.writeAttribute(QStringLiteral("font-weight"), QStringLiteral("bold"));
    if (rotate != 0)
        w.writeAttribute(QStringLiteral("transform"), QStringLiteral("rotate(%1 %2 %3)").arg(n1(rotate), n1(x), n1(y)));
    w.writeCharacters(text);
    w.writeEndElement();
}

}  // namespace results::report_detail
