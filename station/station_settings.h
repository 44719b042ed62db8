#pragma once

#include "station/measure_plan.h"

#include "device/part_description.h"

#include <QString>

#include <optional>
#include <vector>

namespace station {

struct station_settings {
    enum class mode {
        line,          // ping, configure, then insertion, measures, verdict buzzer, removal, part after part
        single_check,  // ping and configure, then the part already in the fixture, measured once, no buzzer
    };
    mode how = mode::line;
    QString port;
    // The part to compare with; none: the measures are only taken (every part passes).
    std::optional<tarnwell::part_description> expected;
    std::vector<measure_step> plan;  // what is measured on each part
    double tolerance = 0.10;         // volts
    int sensitivity = 64;
    int buzzer = 100;
    long count = 0;  // parts; 0: until stopped
    // Each part waits for its serial (provideSerial) before the station waits for its insertion.
    bool serialFirst = false;
    int timeoutMs = 3000;  // each answer, and each event but the insertion and the removal
};

}  // namespace station
