#include "operator/verdict_text.h"

namespace op {

QString verdictWord(bool passed) {
    return passed ? QStringLiteral("PASS") : QStringLiteral("FAIL");
}

QStringList partReasons(const station::part_result& part) {
    return part.passed ? QStringList() : station::firstReasons(part.comparisons, reasonsShown);
}

}  // namespace op
