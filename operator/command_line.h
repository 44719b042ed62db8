#pragma once

#include "setup/station_setup.h"

#include <QStringList>

namespace op {

// The administrator's work on the supervisor password, done without a window.
enum class password_action { none, set, remove };

// What the command line asks of one start.
struct launch {
    setup::station_setup setup;  // the remembered setup with the options laid over it
    bool start = false;
    bool help = false;
    bool version = false;
    password_action password = password_action::none;
    QString error;  // a bad option or value: what is wrong
    QString helpText;
};

// Reads `arguments` (the program's name first) over `remembered`:
// rx48p-station [-p|--port PORT | --fixture NAME=PORT...] [--results FILE] [--server URL] [--station NAME]
//               [--serial none|scan|auto:PREFIX] [--sensitivity N] [--buzzer N] [--tolerance VOLTS]
//               [--timeout MS] [--count N] [--start] [PROGRAM]
// rx48p-station --set-password | --remove-password
launch parseLaunch(const QStringList& arguments, const setup::station_setup& remembered);

}  // namespace op
