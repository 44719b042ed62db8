#include "station/serial_number.h"

#include <QVector>

namespace station {

QString serialProblem(const QString& text) {
    if (text.isEmpty())
        return QStringLiteral("a serial is 1 to 64 printable characters, not an empty line");
    const auto characters = text.toUcs4();
    if (characters.size() > 64)
        return QStringLiteral("a serial is 1 to 64 printable characters, not %1").arg(characters.size());
    for (uint c : characters)
        if (!QChar::isPrint(c) || c == 0xFFFD)  // U+FFFD: bytes that were not text
            return QStringLiteral("a serial is printable characters only, not U+%1")
                .arg(QString::number(c, 16).toUpper().rightJustified(4, QLatin1Char('0')));
    return QString();
}

}  // namespace station
