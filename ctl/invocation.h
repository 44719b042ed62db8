#pragma once

#include "device/endpoints.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ctl {

// What the command line asks for, checked: every value is in range once parsing has returned.
struct invocation {
    enum class action { help, list_ports, exchange, check, station };
    action what = action::help;

    // General options, before the command.
    QString port;
    bool json = false;
    bool raw = false;
    int timeoutMs = 3000;

    // exchange: one command of the board and its payload.
    QString commandName;
    tarnwell::endpoints command = tarnwell::IDLE;
    std::vector<std::uint8_t> payload;

    // check and station.
    QString expectedFile;
    double tolerance = 0.10;
    QString junitFile;
    long count = 0;  // station: 0 runs until interrupted
    int sensitivity = 64;
    int buzzer = 100;
};

// Bad usage: the message says what is wrong, for standard error.
class usage_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// `arguments` as QCoreApplication::arguments() gives them, the program's name first.
invocation parseInvocation(const QStringList& arguments);

QString helpText();

}  // namespace ctl
