#pragma once

#include "station/part_comparison.h"

#include <QDateTime>
#include <QMetaType>

#include <vector>

namespace station {

// One part as the station judged it.
struct part_result {
    long number = 0;  // 1, 2, ... in the run
    QString serial;   // empty: the part has none
    int attempt = 0;  // the how-many-th test of its serial on record; 0: not recorded
    measured_part measured;
    std::vector<comparison> comparisons;
    bool passed = false;
    QDateTime started;    // UTC: the wait for the part began
    QDateTime ended;      // UTC: the part was removed, or the cycle ended without its removal
    double cycleSeconds = 0;
    bool removed = false;
};

}  // namespace station

Q_DECLARE_METATYPE(station::part_result)
