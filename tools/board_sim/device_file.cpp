#include "device_file.h"

#include "numbers.h"
#include "sim_error.h"

#include "device/records.h"

#include <cctype>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace board_sim {

namespace {

struct type_name {
    const char* name;
    std::uint8_t code;
};

const type_name type_names[] = {
    {"nc", tarnwell::NOT_CONNECTED},     {"anode", tarnwell::LED_ANODE},
    {"cathode", tarnwell::LED_CATHODE},  {"bidir", tarnwell::LED_BIDIRECTIONAL},
    {"shortcut", tarnwell::SHORTCUT},    {"common", tarnwell::COMMON},
    {"button_off", tarnwell::BUTTON_OFF}, {"button_on", tarnwell::BUTTON_ON},
    {"touch_off", tarnwell::TOUCH_OFF},  {"touch_on", tarnwell::TOUCH_ON},
};

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::int8_t parse_pin(const std::string& text) {
    return static_cast<std::int8_t>(parse_number(text, 0, 127, "a pin"));
}

// A name, or any code as a number so that codes the terminal does not know can be sent too.
std::uint8_t parse_type(const std::string& text) {
    for (const type_name& t : type_names)
        if (text == t.name)
            return t.code;
    if (!text.empty() && std::isdigit(static_cast<unsigned char>(text[0])))
        return static_cast<std::uint8_t>(parse_number(text, 0, 255, "a pin type code"));
    throw std::invalid_argument("unknown pin type '" + text +
                                "' (nc, anode, cathode, bidir, shortcut, common, button_off, button_on, "
                                "touch_off, touch_on or a code from 0 to 255)");
}

std::string type_text(std::uint8_t code) {
    for (const type_name& t : type_names)
        if (code == t.code)
            return t.name;
    return std::to_string(code);
}

bool parse_state(const std::string& text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    throw std::invalid_argument("expected 'on' or 'off', not '" + text + "'");
}

void expect_words(const std::vector<std::string>& w, std::size_t count, const char* form) {
    if (w.size() != count)
        throw std::invalid_argument(std::string("expected '") + form + "'");
}

}  // namespace

firmware_version parse_firmware(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, '.');)
        parts.push_back(part);
    if (parts.size() != 3 || text.back() == '.')
        throw std::invalid_argument("a firmware version is MAJOR.MINOR.PATCH, not '" + text + "'");
    firmware_version v;
    v.major = static_cast<std::uint8_t>(parse_number(parts[0], 0, 255, "a version number"));
    v.minor = static_cast<std::uint8_t>(parse_number(parts[1], 0, 255, "a version number"));
    v.patch = static_cast<std::uint8_t>(parse_number(parts[2], 0, 255, "a version number"));
    return v;
}

void add_device_line(device_model& device, const std::string& line) {
    const std::vector<std::string> w = words(line);
    if (w.empty())
        return;
    const std::string& kind = w[0];
    if (kind == "firmware") {
        expect_words(w, 2, "firmware MAJOR.MINOR.PATCH");
        device.firmware = parse_firmware(w[1]);
    } else if (kind == "pair") {
        expect_words(w, 7, "pair PIN TYPE PIN TYPE VOLTS VOLTS");
        device.pairs.push_back({parse_pin(w[1]), parse_type(w[2]), parse_pin(w[3]), parse_type(w[4]),
                                static_cast<std::int8_t>(parse_volts(w[5])),
                                static_cast<std::int8_t>(parse_volts(w[6]))});
    } else if (kind == "button") {
        expect_words(w, 4, "button PIN COMMON on|off");
        device.buttons.push_back({parse_pin(w[1]), parse_pin(w[2]), parse_state(w[3])});
    } else if (kind == "touch") {
        expect_words(w, 3, "touch PIN on|off");
        device.pads.push_back({parse_pin(w[1]), parse_state(w[2])});
    } else {
        throw std::invalid_argument("unknown item '" + kind + "' (firmware, pair, button or touch)");
    }
    if (device.pairs.size() > 255 || device.buttons.size() > 255)
        throw std::invalid_argument("a measure reports at most 255 records");
}

device_model read_device_file(const std::string& path) {
    std::ifstream in(path);
    if (!in)
        throw sim_error(exit_cannot_open, "cannot read the device file '" + path + "'");
    device_model device;
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        try {
            add_device_line(device, line);
        } catch (const std::invalid_argument& e) {
            throw sim_error(exit_bad_input, path + ":" + std::to_string(number) + ": " + e.what());
        }
    }
    return device;
}

std::string device_text(const device_model& device) {
    std::ostringstream out;
    const firmware_version& fw = device.firmware;
    out << "firmware " << int(fw.major) << '.' << int(fw.minor) << '.' << int(fw.patch) << '\n';
    for (const pin_pair& p : device.pairs)
        out << "pair " << int(p.pin_a) << ' ' << type_text(p.type_a) << ' ' << int(p.pin_b) << ' '
            << type_text(p.type_b) << ' ' << format_volts(p.vdrop_ab) << ' ' << format_volts(p.vdrop_ba) << '\n';
    for (const button& b : device.buttons)
        out << "button " << int(b.pin) << ' ' << int(b.common) << ' ' << (b.pressed ? "on" : "off") << '\n';
    for (const touch_pad& t : device.pads)
        out << "touch " << int(t.pin) << ' ' << (t.touched ? "on" : "off") << '\n';
    return out.str();
}

}  // namespace board_sim
