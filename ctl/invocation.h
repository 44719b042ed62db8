#pragma once

#include "setup/station_setup.h"

#include "device/endpoints.h"
#include "device/part_description.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <stdexcept>
#include <vector>

namespace ctl {

// What the command line asks for, checked: every value is in range once parsing has returned.
struct invocation {
    enum class action { help, version, list_ports, exchange, check, station, results, learn };
    action what = action::help;

    // The station's settings: the general options (port, time-out, results file, server, station name)
    // and check's and station's (program, tolerance, board settings, count, serial mode).
    setup::station_setup setup;
    bool json = false;
    bool raw = false;

    // exchange: one command of the board and its payload.
    QString commandName;
    tarnwell::endpoints command = tarnwell::IDLE;
    std::vector<std::uint8_t> payload;

    // check and station.
    QString junitFile;
    bool record = true;  // --no-record: nothing goes in the results database
    QString serial;      // check: the part's own serial; results part: the serial asked about

    // results: a question to the results database.
    QString question;  // summary, failures, part, export, report, push, server-init, release, releases, revoke, audit
    QString grantRole;  // server-init --grant ROLE
    QString since, until;  // ISO 8601 as given; checked
    QString by;            // summary: day, hour, station, program; empty: none
    int top = 10;          // failures
    QString reportFile;    // report: the HTML file
    QString note;          // release: why, for whom
    QString releaseTarget; // release: the part file; revoke: the part file or its SHA-256

    // learn: the expected part from good samples (also sensitivity and buzzer above).
    int samples = 1;
    tarnwell::check_set learnMeasures{true, true, true};
    QString outputFile;  // empty: standard output
    bool force = false;  // replace an existing output file
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
