#include "process/option_problem.h"

#include "process/closest_name.h"

#include <string>
#include <vector>

namespace proc {

QString closestOf(const QString& typed, const QStringList& known) {
    std::vector<std::string> names;
    for (const QString& name : known)
        names.push_back(name.toStdString());
    return QString::fromStdString(closestName(typed.toStdString(), names));
}

QString unknownOption(const QString& typed, const QStringList& knownOptions) {
    QString text = QStringLiteral("unknown option '%1'").arg(typed);
    QString bare = typed;
    while (bare.startsWith(QLatin1Char('-')))
        bare.remove(0, 1);
    QStringList names;
    for (const QString& name : knownOptions)
        if (name.size() > 1)  // a one-letter option is no likely meaning of a longer slip
            names << name;
    const QString nearest = closestOf(bare.section(QLatin1Char('='), 0, 0), names);
    if (!nearest.isEmpty())
        text += QStringLiteral("; did you mean --%1?").arg(nearest);
    return text;
}

QString optionProblem(const QCommandLineParser& parser, const QStringList& knownOptions) {
    const QStringList unknown = parser.unknownOptionNames();
    if (!unknown.isEmpty()) {
        const QString& name = unknown.first();
        return unknownOption((name.size() == 1 ? QStringLiteral("-") : QStringLiteral("--")) + name, knownOptions);
    }
    // Qt's other complaints ("Missing value after '--port'.") in the same style.
    QString text = parser.errorText();
    if (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    if (!text.isEmpty())
        text[0] = text.at(0).toLower();
    return text;
}

}  // namespace proc
