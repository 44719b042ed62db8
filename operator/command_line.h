#pragma once

#include "operator/line_setup.h"

#include <QStringList>

namespace op {

// What the command line asks of one start.
struct launch {
    line_setup setup;  // the remembered setup with the options laid over it
    bool start = false;
    bool help = false;
    bool version = false;
    QString error;  // a bad option or value: what is wrong
    QString helpText;
};

// Reads `arguments` (the program's name first) over `remembered`:
// rx48p-station [--port PORT] [--results FILE] [--server URL] [--station NAME] [--serial scan|auto:PREFIX]
//               [--sensitivity N] [--buzzer N] [--tolerance VOLTS] [--start] [--count N] [PROGRAM]
launch parseLaunch(const QStringList& arguments, const line_setup& remembered);

}  // namespace op
