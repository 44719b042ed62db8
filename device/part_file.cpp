#include "device/part_file.h"

#include "device/number_text.h"

#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <istream>
#include <memory>
#include <sstream>
#include <vector>

namespace tarnwell {

namespace {

// Far more than any part needs (three measures of 255 records at most); a larger file is not a part,
// and /dev/zero given by mistake must not be read for ever.
constexpr std::size_t largest_file = 1 << 20;

struct type_name {
    const char* name;
    std::uint8_t code;
};

const type_name type_names[] = {
    {"nc", NOT_CONNECTED},     {"anode", LED_ANODE},        {"cathode", LED_CATHODE},
    {"bidir", LED_BIDIRECTIONAL}, {"shortcut", SHORTCUT},   {"common", COMMON},
    {"button_off", BUTTON_OFF}, {"button_on", BUTTON_ON},  {"touch_off", TOUCH_OFF},
    {"touch_on", TOUCH_ON},
};

std::vector<std::string> words(const std::string& line) {
    std::istringstream in(line.substr(0, line.find('#')));
    std::vector<std::string> out;
    for (std::string w; in >> w;)
        out.push_back(w);
    return out;
}

std::int8_t parsePin(const std::string& text) {
    return static_cast<std::int8_t>(parseNumber(text, 0, 127, "a pin"));
}

// A name, or any code as a number so that codes the terminal does not know can be described too.
std::uint8_t parseType(const std::string& text) {
    for (const type_name& t : type_names)
        if (text == t.name)
            return t.code;
    if (std::isdigit(static_cast<unsigned char>(text[0])))
        return static_cast<std::uint8_t>(parseNumber(text, 0, 255, "a pin type code"));
    throw std::invalid_argument("unknown pin type " + quotedText(text) +
                                " (nc, anode, cathode, bidir, shortcut, common, button_off, button_on, "
                                "touch_off, touch_on or a code from 0 to 255)");
}

std::string typeText(std::uint8_t code) {
    for (const type_name& t : type_names)
        if (code == t.code)
            return t.name;
    return std::to_string(code);
}

bool parseState(const std::string& text) {
    if (text == "on")
        return true;
    if (text == "off")
        return false;
    throw std::invalid_argument("expected 'on' or 'off', not " + quotedText(text));
}

void expectWords(const std::vector<std::string>& w, std::size_t count, const char* form) {
    if (w.size() != count)
        throw std::invalid_argument(std::string("expected '") + form + "'");
}

check_set parseCheck(const std::vector<std::string>& w) {
    if (w.size() < 2)
        throw std::invalid_argument("expected 'check' and one or more of static, button, touch");
    check_set c;
    for (std::size_t i = 1; i < w.size(); ++i) {
        bool* measure = w[i] == "static" ? &c.static_pins
                      : w[i] == "button" ? &c.buttons
                      : w[i] == "touch"  ? &c.touch
                                         : nullptr;
        if (!measure)
            throw std::invalid_argument("unknown measure " + quotedText(w[i]) + " (static, button or touch)");
        if (*measure)
            throw std::invalid_argument("'" + w[i] + "' twice in the check line");
        *measure = true;
    }
    return c;
}

std::string checkText(const check_set& c) {
    std::string out = "check";
    if (c.static_pins)
        out += " static";
    if (c.buttons)
        out += " button";
    if (c.touch)
        out += " touch";
    return out;
}

struct file_closer {
    void operator()(std::FILE* f) const { std::fclose(f); }
};

std::string systemReason(const std::string& path) {
    return path + ": " + std::strerror(errno);
}

}  // namespace

bad_part_file::bad_part_file(const std::string& name, int line, const std::string& reason)
    : part_file_error(name + ":" + std::to_string(line) + ": " + reason), line(line), reason(reason) {}

firmware parseFirmware(const std::string& text) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    for (std::string part; std::getline(in, part, '.');)
        parts.push_back(part);
    if (parts.size() != 3 || text.empty() || text.back() == '.')
        throw std::invalid_argument("a firmware version is MAJOR.MINOR.PATCH, not " + quotedText(text));
    firmware v;
    v.major = static_cast<std::uint8_t>(parseNumber(parts[0], 0, 255, "a version number"));
    v.minor = static_cast<std::uint8_t>(parseNumber(parts[1], 0, 255, "a version number"));
    v.patch = static_cast<std::uint8_t>(parseNumber(parts[2], 0, 255, "a version number"));
    return v;
}

namespace {

// Two entries for one thing would leave the second never matched (a pair is measured once); the file says
// something wrong, so it is refused where the repeat stands.
bool samePair(const pin_pair_record& p, std::int8_t a, std::int8_t b) {
    return (p.pin_a == a && p.pin_b == b) || (p.pin_a == b && p.pin_b == a);
}

void refuseRepeat(const part_description& part, const std::string& kind, const std::vector<std::string>& w) {
    if (kind == "pair") {
        const std::int8_t a = parsePin(w[1]), b = parsePin(w[3]);
        for (const pin_pair_record& p : part.pairs)
            if (samePair(p, a, b))
                throw std::invalid_argument("pair " + w[1] + "-" + w[3] + " is listed twice");
    } else if (kind == "button") {
        const std::int8_t pin = parsePin(w[1]), common = parsePin(w[2]);
        for (const button_spec& b : part.buttons)
            if ((b.pin == pin && b.common == common) || (b.pin == common && b.common == pin))
                throw std::invalid_argument("button " + w[1] + " (common " + w[2] + ") is listed twice");
    } else if (kind == "touch") {
        const std::int8_t pin = parsePin(w[1]);
        for (const touch_pad& t : part.pads)
            if (t.pin == pin)
                throw std::invalid_argument("touch pad " + w[1] + " is listed twice");
    }
}

}  // namespace

void addPartLine(part_description& part, const std::string& line) {
    const std::vector<std::string> w = words(line);
    if (w.empty())
        return;
    const std::string& kind = w[0];
    if (kind == "pair" && w.size() == 7)
        refuseRepeat(part, kind, w);
    else if (kind == "button" && w.size() == 4)
        refuseRepeat(part, kind, w);
    else if (kind == "touch" && w.size() == 3)
        refuseRepeat(part, kind, w);
    if (kind == "firmware") {
        expectWords(w, 2, "firmware MAJOR.MINOR.PATCH");
        part.firmware = parseFirmware(w[1]);
        part.firmwareStated = true;
    } else if (kind == "check") {
        if (part.check)
            throw std::invalid_argument("a second check line (a part has one at most)");
        part.check = parseCheck(w);
    } else if (kind == "pair") {
        expectWords(w, 7, "pair PIN TYPE PIN TYPE VOLTS VOLTS");
        part.pairs.push_back({parsePin(w[1]), parseType(w[2]), parsePin(w[3]), parseType(w[4]),
                              static_cast<std::int8_t>(parseVolts(w[5])),
                              static_cast<std::int8_t>(parseVolts(w[6]))});
    } else if (kind == "button") {
        expectWords(w, 4, "button PIN COMMON on|off");
        part.buttons.push_back({parsePin(w[1]), parsePin(w[2]), parseState(w[3])});
    } else if (kind == "touch") {
        expectWords(w, 3, "touch PIN on|off");
        part.pads.push_back({parsePin(w[1]), parseState(w[2])});
    } else {
        throw std::invalid_argument("unknown item " + quotedText(kind) + " (firmware, check, pair, button or touch)");
    }
    // A measure's record count is one byte.
    if (part.pairs.size() > 255 || part.buttons.size() > 255)
        throw std::invalid_argument("a measure reports at most 255 records");
}

part_description parsePart(std::istream& in, const std::string& name) {
    part_description part;
    int number = 0;
    bool firmwareSeen = false;
    for (std::string line; std::getline(in, line);) {
        ++number;
        try {
            const std::vector<std::string> w = words(line);
            if (!w.empty() && w[0] == "firmware") {
                if (firmwareSeen)
                    throw std::invalid_argument("a second firmware line (a part has one)");
                firmwareSeen = true;
            }
            addPartLine(part, line);
        } catch (const std::invalid_argument& e) {
            throw bad_part_file(name, number, e.what());
        }
    }
    if (in.bad())
        throw unreadable_part_file(name + ": the stream failed while reading");
    return part;
}

part_description readPartFile(const std::string& path) {
    const std::unique_ptr<std::FILE, file_closer> file(std::fopen(path.c_str(), "rb"));
    if (!file)
        throw unreadable_part_file(systemReason(path));
    std::string text;
    char buffer[4096];
    while (text.size() <= largest_file) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file.get());
        text.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    // A directory opens, but reading it fails.
    if (std::ferror(file.get()))
        throw unreadable_part_file(systemReason(path));
    if (text.size() > largest_file)
        throw unreadable_part_file(path + ": larger than 1 MiB, too large for a part file");
    std::istringstream in(text);
    return parsePart(in, path);
}

std::string partText(const part_description& part) {
    std::ostringstream out;
    out << "firmware " << firmwareText(part.firmware) << '\n';
    if (part.check)
        out << checkText(*part.check) << '\n';
    for (const pin_pair_record& p : part.pairs)
        out << "pair " << int(p.pin_a) << ' ' << typeText(p.type_a) << ' ' << int(p.pin_b) << ' '
            << typeText(p.type_b) << ' ' << formatVolts(p.vdrop_ab) << ' ' << formatVolts(p.vdrop_ba) << '\n';
    for (const button_spec& b : part.buttons)
        out << "button " << int(b.pin) << ' ' << int(b.common) << ' ' << (b.pressed ? "on" : "off") << '\n';
    for (const touch_pad& t : part.pads)
        out << "touch " << int(t.pin) << ' ' << (t.touched ? "on" : "off") << '\n';
    return out.str();
}

}  // namespace tarnwell
