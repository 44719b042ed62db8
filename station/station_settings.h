#pragma once

#include "station/measure_plan.h"

#include "setup/station_setup.h"

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
    double tolerance = setup::defaultTolerance;  // volts
    int sensitivity = setup::defaultSensitivity;
    int buzzer = setup::defaultBuzzer;
    long count = 0;  // parts; 0: until stopped
    // Each part waits for its serial (provideSerial) before the station waits for its insertion.
    bool serialFirst = false;
    int timeoutMs = setup::defaultTimeoutMs;  // each answer, and each event but the insertion and the removal
};

// The engine's settings for a station set up as `setup` that compares with `expected` (none: it only
// measures), with the plan that part calls for.
station_settings settingsFor(const setup::station_setup& setup, std::optional<tarnwell::part_description> expected,
                             station_settings::mode how = station_settings::mode::line);

}  // namespace station
