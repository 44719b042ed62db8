#include "options.h"

#include "frame_text.h"
#include "sim_error.h"

#include "device/number_text.h"
#include "device/part_file.h"
#include "process/closest_name.h"

#include <cctype>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace board_sim {

namespace {

using tarnwell::parseNumber;

constexpr long max_delay_ms = 60 * 60 * 1000;

std::chrono::milliseconds parse_ms(const std::string& text, const std::string& what) {
    return std::chrono::milliseconds(parseNumber(text, 0, max_delay_ms, what));
}

// Commands by name ("MES_STATIC") or value ("0x04"), several joined by commas.
std::set<std::uint8_t> parse_commands(const std::string& text, const std::string& option, bool with_event) {
    static const std::uint8_t commands[] = {0x00, 0x01, 0x02, 0x04, 0x06, 0x08, 0x0A, 0x0D, 0x0E, 0xFF};
    std::set<std::uint8_t> out;
    std::istringstream in(text);
    for (std::string item; std::getline(in, item, ',');) {
        const bool numeric = !item.empty() && std::isdigit(static_cast<unsigned char>(item[0]));
        const long value = numeric ? parseNumber(item, 0, 255, option) : -1;
        bool found = false;
        for (std::uint8_t c : commands) {
            if (item != endpoint_name(c) && value != c)
                continue;
            if (with_event && !board::has_event(c))
                throw std::invalid_argument(option + ": " + endpoint_name(c) + " has no event");
            out.insert(c);
            found = true;
        }
        if (!found)
            throw std::invalid_argument(option + ": '" + item + "' is not a command of the board (ID, CFG, "
                                        "DETECT_INSERT, MES_STATIC, MES_BUTTON_MECH, MES_BUTTON_CAP, "
                                        "DETECT_REMOVE, BUZ_ER, BUZ_OK, IDLE)");
    }
    if (out.empty())
        throw std::invalid_argument(option + " needs a command name");
    return out;
}

// Every option the parser below takes, for the suggestion after a slip.
const std::vector<std::string> option_names = {
    "--help", "--version", "--pty", "--port", "--baud", "--pace", "--link", "--device", "--pair", "--button",
    "--touch", "--firmware", "--drop-shift", "--print-device", "--reply-delay", "--event-delay", "--calib-delay", "--chunk",
    "--chunk-pause", "--noise", "--bad-crc", "--stray", "--truncate", "--no-reply", "--no-event", "--seed",
    "--stream", "--stream-count", "--log", "--detach", "--raw", "--timestamps"};

std::invalid_argument unknown_option(const std::string& name) {
    const std::string near = proc::closestName(name, option_names);
    return std::invalid_argument("unknown option '" + name + "'" + (near.empty() ? "" : "; did you mean " + near + "?"));
}

class parser {
public:
    parser(int argc, const char* const* argv) : args(argv + 1, argv + argc) {}

    options parse() {
        while (next < args.size())
            one(args[next++]);
        finish();
        return opts;
    }

private:
    void one(const std::string& arg) {
        if (arg == "-h" || arg == "--help") {
            opts.help = true;
            return;
        }
        if (arg == "--version") {
            opts.version = true;
            return;
        }
        // "-device" is a slip too; only a word without a dash is an argument, and the simulator takes none.
        if (arg.size() > 1 && arg[0] == '-' && arg[1] != '-')
            throw unknown_option(arg.substr(0, arg.find('=')));
        if (arg.rfind("--", 0) != 0)
            throw std::invalid_argument("unexpected argument '" + arg + "'");
        std::string name = arg;
        std::string inline_value;
        bool has_inline = false;
        if (const auto eq = arg.find('='); eq != std::string::npos) {
            name = arg.substr(0, eq);
            inline_value = arg.substr(eq + 1);
            has_inline = true;
        }
        const auto flag = [&](bool& target) {
            if (has_inline)
                throw std::invalid_argument(name + " takes no value");
            target = true;
        };
        const auto value = [&]() -> std::string {
            if (has_inline)
                return inline_value;
            if (next >= args.size())
                throw std::invalid_argument(name + " needs a value");
            return args[next++];
        };

        if (name == "--pty") {
            flag(pty);
        } else if (name == "--port") {
            opts.port = value();
            if (opts.port.empty())
                throw std::invalid_argument("--port needs a path");
        } else if (name == "--baud") {
            opts.baud = static_cast<unsigned>(parseNumber(value(), 1, 4000000, "--baud"));
        } else if (name == "--device") {
            device_files.push_back(value());
        } else if (name == "--pair" || name == "--button" || name == "--touch") {
            device_lines.push_back(name.substr(2) + " " + value());
            first_edit = first_edit.empty() ? name : first_edit;
        } else if (name == "--firmware") {
            firmware = value();
            first_edit = first_edit.empty() ? name : first_edit;
        } else if (name == "--drop-shift") {
            const std::string volts = value();
            try {
                opts.drop_shift = tarnwell::parseVolts(volts);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument(name + ": " + e.what());
            }
        } else if (name == "--print-device") {
            flag(opts.print_device);
        } else if (name == "--reply-delay") {
            opts.timing.reply_delay = parse_ms(value(), name);
        } else if (name == "--event-delay") {
            opts.timing.event_delay = parse_ms(value(), name);
        } else if (name == "--calib-delay") {
            opts.timing.calib_delay = parse_ms(value(), name);
        } else if (name == "--chunk") {
            opts.chunk = static_cast<std::size_t>(parseNumber(value(), 1, 65535, name));
        } else if (name == "--pace") {
            opts.pace = static_cast<unsigned>(parseNumber(value(), 300, 4000000, name));
        } else if (name == "--chunk-pause") {
            opts.chunk_pause = parse_ms(value(), name);
        } else if (name == "--noise") {
            opts.faults.noise = static_cast<std::size_t>(parseNumber(value(), 1, 65535, name));
        } else if (name == "--bad-crc") {
            opts.faults.bad_crc_percent = static_cast<unsigned>(parseNumber(value(), 0, 100, name));
        } else if (name == "--stray") {
            opts.faults.stray = static_cast<std::uint8_t>(parseNumber(value(), 0x0F, 0xFE, name));
        } else if (name == "--truncate") {
            opts.faults.truncate = static_cast<std::size_t>(parseNumber(value(), 1, 65535, name));
        } else if (name == "--no-reply") {
            const auto c = parse_commands(value(), name, false);
            opts.no_reply.insert(c.begin(), c.end());
        } else if (name == "--no-event") {
            const auto c = parse_commands(value(), name, true);
            opts.no_event.insert(c.begin(), c.end());
        } else if (name == "--seed") {
            opts.faults.seed = static_cast<std::uint32_t>(parseNumber(value(), 0, 0xFFFFFFFFL, name));
        } else if (name == "--stream") {
            opts.stream_rate = static_cast<unsigned>(parseNumber(value(), 1, 1000, name));
        } else if (name == "--stream-count") {
            opts.stream_count = static_cast<unsigned long>(parseNumber(value(), 1, 100000000, name));
        } else if (name == "--timestamps") {
            flag(opts.timestamps);
        } else if (name == "--raw") {
            flag(opts.raw);
        } else if (name == "--link") {
            opts.link = value();
            if (opts.link.empty())
                throw std::invalid_argument("--link needs a path");
        } else if (name == "--log") {
            opts.log = value();
            if (opts.log.empty())
                throw std::invalid_argument("--log needs a path");
        } else if (name == "--detach") {
            flag(opts.detach);
        } else {
            throw unknown_option(name);
        }
    }

    void finish() {
        if (pty && !opts.port.empty())
            throw std::invalid_argument("--pty and --port exclude each other");
        // A paced line writes every byte on its own; chunks of several would undo that.
        if (opts.pace > 0 && opts.chunk > 0)
            throw std::invalid_argument("--pace and --chunk exclude each other");
        // Which part of a run they would edit is anybody's guess.
        if (device_files.size() > 1 && !first_edit.empty())
            throw std::invalid_argument(first_edit + " edits a single device, not a run of " +
                                        std::to_string(device_files.size()) + " --device files");
        for (const std::string& file : device_files)
            opts.parts.push_back({file, read_device_file(file)});
        // Any description of its own replaces the built-in device as a whole.
        if (opts.parts.empty())
            opts.parts.push_back({"", device_lines.empty() ? builtin_device() : device_model{}});
        device_model& device = opts.parts.front().device;
        for (const std::string& line : device_lines) {
            try {
                tarnwell::addPartLine(device, line);
            } catch (const std::invalid_argument& e) {
                throw std::invalid_argument("--" + line.substr(0, line.find(' ')) + ": " + e.what());
            }
        }
        if (!firmware.empty())
            device.firmware = tarnwell::parseFirmware(firmware);
    }

    static device_model read_device_file(const std::string& path) {
        try {
            return tarnwell::readPartFile(path);
        } catch (const tarnwell::unreadable_part_file&) {
            throw sim_error(proc::exit_usage, "cannot read the device file '" + path + "'");
        } catch (const tarnwell::bad_part_file& e) {
            throw sim_error(proc::exit_usage, e.what());
        }
    }

    std::vector<std::string> args;
    std::size_t next = 0;
    options opts;
    bool pty = false;
    std::vector<std::string> device_files;
    std::vector<std::string> device_lines;
    std::string firmware;
    std::string first_edit;  // the first option that edits the device, for a refusal
};

}  // namespace

options parse_options(int argc, const char* const* argv) {
    try {
        return parser(argc, argv).parse();
    } catch (const std::invalid_argument& e) {
        throw sim_error(proc::exit_usage, e.what());
    }
}

const char* help_text() {
    return R"help(Usage: rx48p-board-sim [OPTION]...
Plays the RX48P board on a serial line, so that RX48P-Term can be used and tested without one. It
answers every command (the ping with the board's name and a firmware version, an acknowledgement on the
command's endpoint), sends the insertion, removal, measure and "calibration done" events a little
later, and logs every frame it receives, decoded, on standard output.

Serial line:
  --pty                 create a pseudo-terminal and print its path (the default); the first line of
                        the log is "listening on PATH"
  --port PATH           serve the serial device PATH instead: one end of a virtual null-modem pair
                        (tty0tty, socat) or a cable to a second serial port
  --baud N              line speed for --port (default 9600, the terminal's speed)
  --pace BAUD           write every byte on its own, at the rate of a BAUD line with 10 bits a byte
                        (start, 8 data, stop), as the board's UART does: at 9600 one byte every
                        1.04 ms. 300 to 4000000; not with --chunk
  --link PATH           once the line is ready, make PATH a symbolic link to it, so scripts can use a
                        fixed name; on exit it is removed if it still points at the line. A stale
                        symbolic link at PATH (left by a simulator that was killed, or pointing at
                        nothing) is replaced; anything else at PATH is refused, and so is the link of
                        a simulator still running (exit status 4): stop that one or choose another
                        PATH. Who runs is known from PATH.lock beside the link, which a simulator
                        holds locked (flock) for as long as it runs and which names its process id;
                        the system lets go of the lock however the process ends, even by SIGKILL

Device under test (the built-in one has LEDs, a bicolour LED, a wire link, an RGB LED on a common
pin, a pressed and a released button and three touch pads):
  --device FILE         read the device from FILE; given several times, the files are the parts of a
                        production run, in order (see "A run of parts" below)
  --pair "PIN TYPE PIN TYPE VOLTS VOLTS"
                        a pin pair of the static measure, e.g. --pair "1 anode 2 cathode 1.80 -0.02"
  --button "PIN COMMON on|off"
                        a button of the button measure, reading ON or OFF
  --touch "PIN on|off"  a touch pad of the capacitive measure
  --firmware X.Y.Z      the firmware version of the ping reply (default 1.4.2)
  --print-device        print the device in the file format and exit; with several --device files,
                        the first
  --drop-shift VOLTS    add VOLTS to every voltage drop the static measure reports, both directions
                        of every pair, as a fixture whose contacts read high or low does: e.g. 0.06
                        or -0.04; -2.56 to 2.54 in steps of 0.02. A drop shifted past what the
                        board's byte carries reads -2.56 or 2.54. The device itself (--print-device,
                        the button and touch measures) is unchanged. To tell fixtures apart, give
                        each simulator of a station its own shift
  --pair, --button and --touch add to the device of --device; without --device they replace the
  built-in device as a whole. They and --firmware edit a single device: with several --device files
  they are refused.

A run of parts (--device given several times):
  The first file's part is in the fixture, and every measure measures it. When the board sends
  "remove detected" (ON_REMOVE, the event of DETECT_REMOVE), the next file's part takes its place;
  after the last file the first comes again, so 5 files can stand for 100 parts. The log says
  "part N inserted: FILE (file K of M)" when the board sends ON_INSERT and "part N removed: ..." with
  ON_REMOVE; N counts the parts of the run. A removal that never goes out (IDLE before it, --no-event
  DETECT_REMOVE, the terminal closing the line) leaves the part where it is.

Timing, in milliseconds:
  --reply-delay MS      from a command to its immediate answer (default 0)
  --event-delay MS      from the answer to the detection or measure event (default 200)
  --calib-delay MS      from the CFG acknowledgement to "calibration done" (default 500)
  IDLE cancels the events still pending.

Fault injection:
  --chunk N             send everything in chunks of N bytes ...
  --chunk-pause MS      ... with this pause between chunks (default 20)
  --noise N             N noise bytes before every reply frame (never 0x55, which would open a
                        false frame and swallow the real one)
  --bad-crc PERCENT     spoil the CRC of that share of the reply frames, evenly and without chance:
                        50 spoils every second frame, 25 every fourth, 100 all
  --stray EP            before every reply, a frame on endpoint EP (0x0f to 0xfe), which has no
                        handler in the terminal
  --truncate N          cut N bytes off the end of the ping reply and of every measure payload
  --no-reply CMD        never answer CMD, neither acknowledgement nor event
  --no-event CMD        acknowledge CMD but never send its event (CFG, DETECT_INSERT, DETECT_REMOVE,
                        MES_STATIC, MES_BUTTON_MECH, MES_BUTTON_CAP)
                        CMD is a name (MES_STATIC) or a value (0x04); several are joined by commas,
                        and the options may be repeated.
  --seed N              seed of the noise bytes (default 1)

Steady traffic, for measurements:
  --stream RATE         while the terminal has the line open, send RATE "insertion detected"
                        (ON_INSERT) events a second, evenly spaced; 7 bytes each, so 100 a second
                        still fit a 9600-baud line
  --stream-count N      stop the stream after N events (default: not before the line closes)

Running in the background:
  --log FILE            write the log to FILE, emptied first, instead of standard output
  --detach              once the line and the --link are ready, go on in the background (a session of
                        its own, standard input from /dev/null), print that process's id on standard
                        output, one line, and exit 0. The background process's log and error
                        messages go to the --log FILE, or nowhere without one, so the id is all a
                        script reads. What fails before that (the line, the link, the log) is
                        reported on standard error with its exit status, and nothing runs on.
                        In a script, with SIGTERM for the end (the link goes with it):
                          pid=$(rx48p-board-sim --detach --link /tmp/rx48p-board --log /tmp/board.log)
                          rx48p-ctl --port /tmp/rx48p-board ping
                          kill "$pid"

Other:
  --raw                 also log every chunk of bytes read from the line, before decoding
  --timestamps          start every log line with the monotonic clock's time in seconds
                        (CLOCK_MONOTONIC, 6 decimals), to match it with the terminal's clock
  -h, --help            show this help and exit
      --version         show the version and exit

Device file: one item a line, '#' starts a comment.
  firmware 1.4.2
  check static button touch              what a check of the part measures, one or more of the three
                                         words, in one line at most; without it, what the file lists
  pair 1 anode 2 cathode 1.80 -0.02      pins 0 to 127; drops in volts, -2.56 to 2.54, steps of 0.02
  button 12 14 on                        reported as pin 12 (Button ON) connected to 14 (Common)
  touch 0 on                             requested pins without a pad read "not connected"
  Pin types: nc, anode, cathode, bidir, shortcut, common, button_off, button_on, touch_off, touch_on,
  or any code from 0 to 255. --print-device gives a file to start from.

Log, one line per event:
  recv BYTES  DECODED   a frame from the terminal, e.g. "recv 55:00:04:04:01:c1:ea  MES_STATIC"
  send BYTES  DECODED   bytes the board puts on the line, with [bad CRC] or [cut short] when faulty
  terminal opened the line / terminal closed the line (pseudo-terminal only; what was not yet sent
  is dropped then)

Exit status (as rx48p-ctl's):
  0    --detach: the background process runs; --help, --version, --print-device
  2    bad usage: unknown option or one out of range, a --device file that cannot be read or is not a
       device description, a --log FILE that cannot be written
  4    the line cannot be opened or set up (--port, the pseudo-terminal), the --link cannot be made
       or belongs to a simulator still running, or --detach cannot start the background process
  141  --detach: standard output is closed, so the process id cannot be printed
SIGINT, SIGTERM and SIGHUP stop the board cleanly (the line closed, the link and its lock removed); the
program then ends by that signal, so a shell sees 130 or 143.

The end-to-end tests of RX48P-Term run the real main window against this simulator. In every case
the blue "=> " lines are exactly the frames logged here as "recv", the red "<= " lines carry exactly
the bytes logged as "send", and the program goes on running. Per fault:
  no fault          every command gives its exact report lines, in red; the capacitive reply holds
                    the ticked pins
  --chunk 3 --chunk-pause 5
                    every report still appears, once and in order
  --noise 5         the reports are unchanged; the noise shows only in the "<= " lines
  --bad-crc 50      the reports of the spoiled frames are missing, every other one is there
  --stray 0x42      an incident line for each stray frame, and the report behind it still appears
  --truncate 1      the ping and measure reports give way to an incident line; the
                    acknowledgements are still reported
  --no-reply MES_STATIC, --no-event MES_BUTTON_CAP
                    the missing answer is simply missing, and the next command is answered
  --chunk 1 --chunk-pause 20
                    closing the window in the middle of a reply ends the process with exit code 0
  Three connect / disconnect cycles on one board are each answered, and the console keeps its
  lines until Clear.
)help";
}

}  // namespace board_sim
