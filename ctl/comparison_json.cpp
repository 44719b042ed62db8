#include "ctl/comparison_json.h"

#include "ctl/figures.h"

#include <QJsonObject>

namespace ctl {

QJsonArray comparisonsJson(const std::vector<station::comparison>& comparisons) {
    QJsonArray out;
    for (const station::comparison& c : comparisons)
        out.append(QJsonObject{{QStringLiteral("kind"), c.kind},
                               {QStringLiteral("item"), c.item},
                               {QStringLiteral("passed"), c.passed},
                               {QStringLiteral("expected"), jsonOrNull(c.expected)},
                               {QStringLiteral("measured"), jsonOrNull(c.measured)},
                               {QStringLiteral("reason"), jsonOrNull(c.reason)},
                               {QStringLiteral("mode"), jsonOrNull(c.mode)},
                               {QStringLiteral("expected_value"), jsonOrNull(c.expectedValue)},
                               {QStringLiteral("measured_value"), jsonOrNull(c.measuredValue)}});
    return out;
}

}  // namespace ctl
