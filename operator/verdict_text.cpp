#include "operator/verdict_text.h"

namespace op {

QStringList partReasons(const station::part_result& part) {
    QStringList reasons = part.passed ? QStringList() : station::firstReasons(part.comparisons, reasonsShown);
    if (!part.recordProblem.isEmpty())
        reasons.prepend(station::notOnRecordNote(part));
    return reasons;
}

}  // namespace op
