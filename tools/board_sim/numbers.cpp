#include "numbers.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace board_sim {

long parse_number(const std::string& text, long min, long max, const std::string& what) {
    const auto fail = [&]() {
        return std::invalid_argument(what + " must be a number from " + std::to_string(min) + " to " +
                                     std::to_string(max) + ", not '" + text + "'");
    };
    if (text.empty())
        throw fail();
    const std::size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
    const bool hex = text.size() > start + 2 && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X');
    // strtol would accept leading blanks and read "010" as octal.
    if (text.size() <= start || !(std::isdigit(static_cast<unsigned char>(text[start]))))
        throw fail();
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    if (errno != 0 || *end != '\0' || value < min || value > max)
        throw fail();
    return value;
}

int parse_volts(const std::string& text) {
    std::string number = text;
    if (!number.empty() && (number.back() == 'V' || number.back() == 'v'))
        number.pop_back();
    const auto fail = [&]() {
        return std::invalid_argument("a voltage drop must be in volts from -2.56 to 2.54, not '" + text + "'");
    };
    if (number.empty() || !(std::isdigit(static_cast<unsigned char>(number.back()))))
        throw fail();
    errno = 0;
    char* end = nullptr;
    const double volts = std::strtod(number.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(volts))
        throw fail();
    const double units = std::round(volts / 0.02);
    if (units < -128 || units > 127)
        throw fail();
    return static_cast<int>(units);
}

std::string format_volts(int units) {
    char text[16];
    std::snprintf(text, sizeof text, "%.2f", units * 0.02);
    return text;
}

}  // namespace board_sim
