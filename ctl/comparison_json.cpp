#include "ctl/comparison_json.h"

#include <QJsonObject>

namespace ctl {

namespace {

QJsonValue orNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QJsonValue orNull(const std::optional<double>& value) {
    return value ? QJsonValue(*value) : QJsonValue();
}

}  // namespace

QJsonArray comparisonsJson(const std::vector<station::comparison>& comparisons) {
    QJsonArray out;
    for (const station::comparison& c : comparisons)
        out.append(QJsonObject{{QStringLiteral("kind"), c.kind},
                               {QStringLiteral("item"), c.item},
                               {QStringLiteral("passed"), c.passed},
                               {QStringLiteral("expected"), orNull(c.expected)},
                               {QStringLiteral("measured"), orNull(c.measured)},
                               {QStringLiteral("reason"), orNull(c.reason)},
                               {QStringLiteral("mode"), orNull(c.mode)},
                               {QStringLiteral("expected_value"), orNull(c.expectedValue)},
                               {QStringLiteral("measured_value"), orNull(c.measuredValue)}});
    return out;
}

}  // namespace ctl
