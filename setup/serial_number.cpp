#include "setup/serial_number.h"

#include <QVector>

namespace setup {

namespace {

constexpr int longest = 64;

// Why TEXT is not 1 to 64 printable characters, in the words of `what` ("a serial").
QString printableProblem(const QString& text, const QString& what) {
    if (text.isEmpty())
        return QStringLiteral("%1 is 1 to %2 printable characters, not an empty line").arg(what).arg(longest);
    const auto characters = text.toUcs4();
    if (characters.size() > longest)
        return QStringLiteral("%1 is 1 to %2 printable characters, not %3").arg(what).arg(longest).arg(characters.size());
    for (uint c : characters)
        if (!QChar::isPrint(c) || c == 0xFFFD)  // U+FFFD: bytes that were not text
            return QStringLiteral("%1 is printable characters only, not U+%2")
                .arg(what, QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    return QString();
}

}  // namespace

QString serialProblem(const QString& text) {
    return printableProblem(text, QStringLiteral("a serial"));
}

checked_text checkSerial(const QString& raw) {
    const QString text = raw.trimmed();
    return {text, serialProblem(text)};
}

checked_text checkStationName(const QString& raw) {
    const QString text = raw.trimmed();
    return {text, printableProblem(text, QStringLiteral("a station name"))};
}

}  // namespace setup
