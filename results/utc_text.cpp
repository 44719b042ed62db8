#include "results/utc_text.h"

namespace results {

QString utcText(const QDateTime& when) {
    return when.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss.zzz'Z'"));
}

QDateTime fromUtcText(const QString& text) {
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    return when.isValid() ? when.toUTC() : QDateTime();
}

QDateTime parseWhen(const QString& text) {
    const QDate day = QDate::fromString(text, Qt::ISODate);
    if (day.isValid() && text.size() == 10)
        return QDateTime(day, QTime(0, 0), Qt::UTC);
    QDateTime when = QDateTime::fromString(text, Qt::ISODateWithMs);
    if (!when.isValid() || !text.contains(QLatin1Char('T')))
        return QDateTime();
    if (when.timeSpec() == Qt::LocalTime)
        when.setTimeSpec(Qt::UTC);
    return when.toUTC();
}

}  // namespace results
