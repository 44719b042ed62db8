#pragma once

#include "station/part_comparison.h"

#include <QDateTime>
#include <QMetaType>

#include <optional>

#include <vector>

namespace station {

// One part as the station judged it.
struct part_result {
    long number = 0;  // 1, 2, ... in the run
    QString serial;   // empty: the part has none
    int attempt = 0;  // the how-many-th test of its serial on record; 0: not recorded
    measured_part measured;
    std::vector<comparison> comparisons;
    bool passed = false;  // as measured; whether it counts as passed also needs it on record: verdictOf()
    QDateTime started;    // UTC: the wait for the part began
    QDateTime ended;      // UTC: the verdict
    // The two times of a part, the same in every front end and question: its test time runs from the
    // insertion (for a single check, the first measure) to the verdict, its cycle from the wait for it
    // to its removal; a part not removed has no cycle.
    double testSeconds = 0;
    std::optional<double> cycleSeconds;  // none: the part was not removed
    QString recordId;       // its id in the journal; empty: not recorded
    QString recordProblem;  // why it could not be recorded; empty: it was, or the run records nothing
};

// What a part counts as, everywhere it is shown, printed or counted: never PASS unless it is on record.
enum class verdict { pass, fail, not_recorded };
verdict verdictOf(const part_result& part);
// "PASS", "FAIL", "NOT RECORDED": the words of the text outputs and JSON.
QString verdictWord(verdict v);
// What a part not on record measured: "measured PASS, not on record"; empty for a part on record.
QString notOnRecordNote(const part_result& part);

}  // namespace station

Q_DECLARE_METATYPE(station::part_result)
