#include "operator/verdict_text.h"

namespace op {

QStringList partReasons(const station::part_result& part) {
    QStringList reasons = part.passed ? QStringList() : station::firstReasons(part.comparisons, reasonsShown);
    if (!part.recordProblem.isEmpty())
        reasons.prepend(QStringLiteral("measured %1, not on record").arg(part.passed ? QStringLiteral("PASS") : QStringLiteral("FAIL")));
    return reasons;
}

}  // namespace op
