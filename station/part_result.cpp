#include "station/part_result.h"

namespace station {

verdict verdictOf(const part_result& part) {
    if (!part.recordProblem.isEmpty())
        return verdict::not_recorded;
    return part.passed ? verdict::pass : verdict::fail;
}

QString verdictWord(verdict v) {
    switch (v) {
    case verdict::pass: return QStringLiteral("PASS");
    case verdict::fail: return QStringLiteral("FAIL");
    case verdict::not_recorded: return QStringLiteral("NOT RECORDED");
    }
    return QString();
}

QString notOnRecordNote(const part_result& part) {
    if (part.recordProblem.isEmpty())
        return QString();
    return QStringLiteral("measured %1, not on record").arg(verdictWord(part.passed ? verdict::pass : verdict::fail));
}

}  // namespace station
