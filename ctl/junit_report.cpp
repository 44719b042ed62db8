#include "ctl/junit_report.h"

#include <QXmlStreamWriter>


namespace ctl {

namespace {

QString seconds(double s) {
    return QString::number(s, 'f', 3);
}

}  // namespace

bool junit_report::open(const QString& path, QString& error) {
    file.setFileName(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Text))
        return true;
    error = QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return false;
}

void junit_report::addPart(const QString& name, const station::part_result& part) {
    suites.push_back({name, part.testSeconds, part.comparisons, QString(), QString()});
    if (!part.recordProblem.isEmpty()) {
        suites.back().errorCase = QStringLiteral("record");
        suites.back().error = QStringLiteral("not recorded: %1").arg(part.recordProblem);
    }
}

void junit_report::addTrouble(const QString& name, const QString& message) {
    suites.push_back({name, 0.0, {}, QStringLiteral("run"), message});
}

bool junit_report::commit(QString& error) {
    int tests = 0, failed = 0, errors = 0;
    double total = 0;
    for (const suite& s : suites) {
        const int inError = s.errorCase.isEmpty() ? 0 : 1;
        tests += static_cast<int>(s.cases.size()) + inError;
        failed += station::failedCount(s.cases);
        errors += inError;
        total += s.seconds;
    }
    QXmlStreamWriter xml(&file);
    xml.setAutoFormatting(true);
    xml.writeStartDocument();
    xml.writeStartElement(QStringLiteral("testsuites"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("rx48p-ctl"));
    xml.writeAttribute(QStringLiteral("tests"), QString::number(tests));
    xml.writeAttribute(QStringLiteral("failures"), QString::number(failed));
    xml.writeAttribute(QStringLiteral("errors"), QString::number(errors));
    xml.writeAttribute(QStringLiteral("time"), seconds(total));
    for (const suite& s : suites) {
        xml.writeStartElement(QStringLiteral("testsuite"));
        xml.writeAttribute(QStringLiteral("name"), s.name);
        const bool inError = !s.errorCase.isEmpty();
        xml.writeAttribute(QStringLiteral("tests"), QString::number(s.cases.size() + (inError ? 1 : 0)));
        xml.writeAttribute(QStringLiteral("failures"), QString::number(station::failedCount(s.cases)));
        xml.writeAttribute(QStringLiteral("errors"), inError ? QStringLiteral("1") : QStringLiteral("0"));
        xml.writeAttribute(QStringLiteral("time"), seconds(s.seconds));
        if (inError) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), s.name);
            xml.writeAttribute(QStringLiteral("name"), s.errorCase);
            xml.writeStartElement(QStringLiteral("error"));
            xml.writeAttribute(QStringLiteral("message"), s.error);
            xml.writeEndElement();
            xml.writeEndElement();
        }
        for (const station::comparison& c : s.cases) {
            xml.writeStartElement(QStringLiteral("testcase"));
            xml.writeAttribute(QStringLiteral("classname"), s.name + QLatin1Char('.') + c.kind);
            xml.writeAttribute(QStringLiteral("name"), c.kind + QLatin1Char(' ') + c.item);
            if (!c.passed) {
                xml.writeStartElement(QStringLiteral("failure"));
                xml.writeAttribute(QStringLiteral("message"), c.reason);
                xml.writeCharacters(QStringLiteral("expected: %1\nmeasured: %2")
                                        .arg(c.expected.isEmpty() ? QStringLiteral("nothing") : c.expected,
                                             c.measured.isEmpty() ? QStringLiteral("nothing") : c.measured));
                xml.writeEndElement();
            }
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();
    xml.writeEndDocument();
    if (xml.hasError() || !file.commit()) {
        error = QStringLiteral("cannot write %1: %2").arg(file.fileName(), file.errorString());
        return false;
    }
    return true;
}

}  // namespace ctl
