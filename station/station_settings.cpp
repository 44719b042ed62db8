#include "station/station_settings.h"

#include <utility>

namespace station {

station_settings settingsFor(const setup::station_setup& setup, std::optional<tarnwell::part_description> expected,
                             station_settings::mode how) {
    station_settings settings;
    settings.how = how;
    settings.port = setup.port;
    if (expected)
        settings.plan = measurePlan(*expected);
    settings.expected = std::move(expected);
    settings.tolerance = setup.tolerance;
    settings.sensitivity = setup.sensitivity;
    settings.buzzer = setup.buzzer;
    settings.count = setup.count;
    settings.serialFirst = setup.serials == setup::serial_mode::scan;
    settings.timeoutMs = setup.timeoutMs;
    return settings;
}

}  // namespace station
