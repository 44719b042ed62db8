#include "ctl/invocation.h"

namespace ctl {

QString helpText() {
    return QStringLiteral(R"(Usage: rx48p-ctl ports
       rx48p-ctl --port PORT [--json | --raw] [--timeout MS] COMMAND [ARGUMENTS]
Drives the RX48P test board from scripts, through the same serial link, frame parser and report texts
as RX48P-Term. Each command sends its frame, waits for the board's answer and, where the board sends
one, its event, prints what came back, and exits.

General options (before the command):
  -p, --port PORT   the board's port: a name that 'rx48p-ctl ports' lists (ttyUSB0, COM3) or a device
                    path (a serial device under /dev, or the pseudo-terminal rx48p-board-sim prints)
  --json            print JSON Lines instead of reports: one object per frame sent or received (time,
                    direction, endpoint name and value, acknowledge, bytes, payload, the report and the
                    decoded content); see docs/ctl-json.md
  --raw             print the frames too, as the terminal's log does: "=> " and the bytes of each frame
                    sent, "<= " and the bytes of each chunk received, above the reports
  --timeout MS      how long to wait for the board's answer (default 3000); an event after the
                    answer gets the same again
  -h, --help        show this help and exit

Commands:
  ports                     list the serial ports: name, system location, description, manufacturer,
                            serial number, USB vendor:product id ("-" where unknown)
  ping                      ask for the board's name and firmware version
  config [--sensitivity N] [--buzzer N]
                            send the configuration (sensitivity 0 to 128, default 64; buzzer 0 to 100,
                            default 100) and wait for "calibration done"
  detect-insert             start insertion detection and wait for the insertion
  detect-remove             start removal detection and wait for the removal
  measure-static            measure the pin pairs
  measure-button            measure the buttons
  measure-capacitive PIN... measure the touch pads on these pins (0 to 24, any order)
  buzz-ok                   sound the OK signal
  buzz-error                sound the error signal
  idle                      stop the board and return it to idle
  check EXPECTED [--tolerance VOLTS] [--junit FILE]
                            measure a part and compare it with the part file EXPECTED
  station EXPECTED [--count N] [--sensitivity N] [--buzzer N] [--tolerance VOLTS] [--junit FILE]
                            run the test station: for each part, detect the insertion, check it, sound
                            OK or error, detect the removal
A command's own options and arguments come after it, in any order.

Standard output carries the reports exactly as RX48P-Term's log console shows them (tabs included).
Frames with a bad CRC are dropped; an unknown endpoint or a reply too short to decode is named on
standard error and the wait goes on.

Exit status:
  0    done (check, station: every part passed)
  1    check, station: a part failed
  2    bad usage: unknown command or option, value out of range, missing --port,
       unreadable or unusable part file, JUnit file that cannot be written
  3    the board did not answer in time (standard error names what was awaited)
  4    the port cannot be opened or went away (standard error names the port and the reason)
  141  standard output was closed early (a pipe into head): the link was stopped cleanly
Ctrl-C and SIGTERM stop the link cleanly; the program then ends by that signal, so a shell sees an
interrupted program (status 130 or 143) and stops a loop around it. A station without --count that has
tested a part ends normally on Ctrl-C, with its verdict's status; a station stopped short of its
--count, or before any part, ends by the signal.
)");
}

}  // namespace ctl
