#include "ctl/invocation.h"

namespace ctl {

QString helpText() {
    return QStringLiteral(R"(Usage: rx48p-ctl ports
       rx48p-ctl --port PORT [--json | --raw] [--timeout MS] COMMAND [ARGUMENTS]
       rx48p-ctl [--results FILE] [--server URL] [--json] results QUESTION [OPTIONS]
Drives the RX48P test board from scripts, through the same serial link, frame parser and report texts
as RX48P-Term. Each command sends its frame, waits for the board's answer and, where the board sends
one, its event, prints what came back, and exits.

General options (before the command, or among its own options):
  -p, --port PORT   the board's port: a name that 'rx48p-ctl ports' lists (ttyUSB0, COM3) or a device
                    path (a serial device under /dev, or the pseudo-terminal rx48p-board-sim prints)
  --json            print JSON Lines instead of reports: one object per frame sent or received (time,
                    direction, endpoint name and value, acknowledge, bytes, payload, the report and the
                    decoded content); see docs/ctl-json.md
  --raw             print the frames too, as the terminal's log does: "=> " and the bytes of each frame
                    sent, "<= " and the bytes of each chunk received, above the reports
  --timeout MS      how long to wait for the board's answer, 1 to 3600000 (default 3000); an event
                    after the answer gets the same again
  --results FILE    the results database (SQLite) where check and station record every part they
                    judge; default: $RX48P_RESULTS, else results.sqlite in the data folder
                    (~/.local/share/rx48p/ on Linux)
  --server URL      the line's results server: postgresql://[USER@]HOST[:PORT]/DBNAME[?OPTIONS]
                    (a socket folder as ?host=/folder; TLS: sslmode=verify-full&sslrootcert=CA.pem,
                    also sslcert, sslkey, sslcrl). The password comes from PGPASSWORD or
                    ~/.pgpass, never from the command line. Parts are recorded in the local file
                    first, then forwarded; while the server is out of reach the station goes on
  --station NAME    the station's name on record (default: the host name)
  -h, --help        show this help and exit
      --version     show the version and exit

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
  check EXPECTED [--sensitivity N] [--buzzer N] [--tolerance VOLTS] [--junit FILE] [--serial TEXT]
        [--no-record]
                            ping and configure the board as the station does, then measure the part
                            in the fixture and compare it with the part file EXPECTED; TEXT is the
                            part's serial (1 to 64 printable characters, white space around it
                            dropped)
  station EXPECTED [--count N] [--sensitivity N] [--buzzer N] [--tolerance VOLTS] [--junit FILE]
          [--serial none|scan|auto:PREFIX] [--fixture NAME=PORT ...] [--no-record] [--released-only]
                            run the test station: for each part, detect the insertion, check it, put
                            it on record, sound OK or error, detect the removal. --serial scan reads
                            each part's serial as a line from standard input first (a barcode
                            scanner's line; the end of input stops the run); auto:PREFIX numbers the
                            parts PREFIX000001, ... after the highest the database holds. Testing a
                            serial again is its next attempt. Each part's line gives its test time
                            (insertion to verdict) and its cycle (wait for the part to its removal);
                            a part that could not be recorded is NOT RECORDED, never PASS.
                            --fixture (repeated, up to 4, instead of --port) runs several boards at
                            once, each with its own parts: every line starts with its fixture's name
                            (1 to 16 of A-Z a-z 0-9 . _ -), every JSON record has "fixture", --count
                            counts on each fixture, the summary comes per fixture and for all. Trouble
                            on one board stops that fixture alone; the exit status is the worst over
                            the fixtures (the first fixture's trouble, in the order given, before a
                            failed part). A scanned serial goes to the fixture that has waited longest
                            for one. --released-only refuses, before any part (exit 9), a part file
                            whose content (its SHA-256) is not released on --server, reading the list
                            there first (out of reach: the list the journal read last; never read:
                            refused). Every run records whether its program was released, and every
                            start records in the audit trail what changed in the setup since the
                            station's last start, and the start itself without --released-only
  learn [--samples N] [--measure LIST] [--output FILE] [--force] [--sensitivity N] [--buzzer N]
                            learn the expected part from N good samples (1 to 1000, default 1): for
                            each, detect the insertion, measure, sound OK, detect the removal, with a
                            line on standard error. LIST: static, button, touch joined by commas
                            (default all three; touch asks pins 0 to 24, and only pins that read Touch
                            ON or OFF become pads). Writes a part file to standard output, or replaces
                            FILE whole at the end (a FILE that exists only with --force): firmware,
                            check line, pairs with each drop the samples' median (of an even count
                            the lower middle one), buttons, pads, and comments on when, from how many
                            samples and each drop's spread. Samples must agree on pairs, types,
                            buttons and pads, or nothing is written and the first difference is
                            named; a drop that spread over more than 0.05 V is warned of. With
                            --json: a record per sample and one for the part (docs/ctl-json.md)
  results summary [--since DATE] [--until DATE] [--by day|hour|station|program|fixture]
                            parts, passed, failed, first-pass yield (serials that passed at their
                            first attempt), final yield (serials whose last attempt passed), median
                            test (insertion to verdict) and median cycle (wait for the part to its
                            removal); "-" where the set is empty. --by fixture: a row per station
                            and fixture, STATION/FIXTURE, or STATION alone for a single unnamed one
  results failures [--top N] [--since DATE] [--until DATE]
                            the failure modes, most frequent first, with the cumulative share and
                            the range of values measured
  results part SERIAL       every attempt of a serial: time, station, verdict, reasons (exit 7 when
                            nothing is on record for it)
  results export [--since DATE] [--until DATE]
                            one CSV row per comparison (RFC 4180; a text cell starting with = + - @,
                            a tab or a CR gets a leading '), or JSON Lines with --json
  results report --html FILE [--since DATE] [--until DATE]
                            a yield report in one self-contained HTML page with inline SVG charts (it
                            opens offline and prints on A4): yield per day (per hour for one day),
                            failure reasons as a Pareto chart, each expected pair's drops as
                            histograms against their tolerance band with n, mean, standard deviation
                            and Cpk (too few below 10 parts), every drop worst Cpk first, and drift
                            of each drop's mean between the first and last 50 parts; --json before
                            the command prints the same figures as JSON Lines instead
  results push              forward the parts the results file still holds unsent to --server
                            (exit 8 when the server refused some: each is named, the others go)
  results server-init [--grant ROLE]
                            for the server's owner: create the results tables on --server, or bring
                            them to this version; with --grant, give ROLE a station's rights there
                            (read, insert, add a run's end and a part's cycle) and no more
  results release FILE [--note TEXT]
                            for an engineer: release the part file's content (its SHA-256) on --server
                            under its name, by the database user, now, with its audit entry; a
                            content released already is left as it is
  results revoke FILE|SHA256
                            for an engineer: withdraw the release of the file's content, or of the
                            content whose SHA-256 begins so (8 digits at least; exit 7 when no release
                            holds for it)
  results releases          the released programs, newest first: name, SHA-256 (its beginning),
                            released or revoked, by whom, when, the note (the journal's copy without
                            --server)
  results audit [--since DATE] [--until DATE]
                            the audit trail, oldest first: setup changes of each station (the setting,
                            old -> new), releases, revokes and starts that let any program run
                            DATE is ISO 8601 in UTC: 2026-12-07, or 2026-12-07T14:30; --since is
                            included, --until not, and --since must come before --until. The
                            questions ask --server when it is given, else the results file, which
                            they only read: a file of an older version must first be opened by a
                            station or `results push` of this version
A command's own options and arguments come after it, in any order. A mistyped option or command is
named with the nearest one: "unknown option '--prot'; did you mean --port?".

Standard output carries the reports exactly as RX48P-Term's log console shows them (tabs included).
Frames with a bad CRC are dropped; an unknown endpoint or a reply too short to decode is named on
standard error and the wait goes on.

Exit status:
  0    done (check, station: every part passed)
  1    check, station: a part failed; learn: the samples disagree
  2    bad usage: unknown command or option, value out of range, missing --port,
       unreadable or unusable part file, JUnit file that cannot be written,
       learn: an --output FILE that exists (without --force) or cannot be written
       station: the serials from standard input ended before the first part
  3    the board did not answer in time (standard error names what was awaited)
  4    the port cannot be opened or went away (standard error names the port and the reason)
  5    results cannot be recorded or read: a file that is no results database or is from a newer
       version, one that cannot be written or stays locked, a server that refuses or does not answer
       a question or a push. A station stops at the first part it cannot record (error buzzer)
  6    check, station: the board runs another firmware than the part file's firmware line names;
       nothing is measured or recorded
  7    results part: nothing is on record with that serial
  8    results push: the server refused some parts (named on standard error); the others went
  9    station --released-only: the part file's content is not released (or was revoked, or the
       station never read the list of released programs); nothing is measured
  141  standard output was closed early (a pipe into head): the link was stopped cleanly
Ctrl-C and SIGTERM stop the link cleanly; the program then ends by that signal, so a shell sees an
interrupted program (status 130 or 143) and stops a loop around it. A station without --count that has
tested a part ends normally on Ctrl-C, with its verdict's status; a station stopped short of its
--count, or before any part, ends by the signal. A learn interrupted before its last sample is
measured writes nothing.
)");
}

}  // namespace ctl
