#include "device/number_text.h"

#include "device/payloads.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

namespace tarnwell {

namespace {

bool isDigit(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) != 0;
}

}  // namespace

long parseNumber(const std::string& text, long min, long max, const std::string& what) {
    const auto fail = [&]() {
        return std::invalid_argument(what + " must be a number from " + std::to_string(min) + " to " +
                                     std::to_string(max) + ", not " + quotedText(text));
    };
    if (text.empty())
        throw fail();
    const std::size_t start = text[0] == '-' || text[0] == '+' ? 1 : 0;
    const bool hex = text.size() > start + 2 && text[start] == '0' && (text[start + 1] == 'x' || text[start + 1] == 'X');
    // strtol would accept leading blanks and read "010" as octal.
    if (text.size() <= start || !isDigit(text[start]))
        throw fail();
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, hex ? 16 : 10);
    // A NUL inside `text` would end strtol's reading early: the whole text must be the number.
    if (errno != 0 || end != text.c_str() + text.size() || value < min || value > max)
        throw fail();
    return value;
}

int parseVolts(const std::string& text) {
    std::string number = text;
    if (!number.empty() && (number.back() == 'V' || number.back() == 'v'))
        number.pop_back();
    if (number.size() > 1 && number[0] == '+')
        number.erase(0, 1);
    const auto fail = [&]() {
        return std::invalid_argument("a voltage drop must be in volts from -2.56 to 2.54, not " + quotedText(text));
    };
    if (number.empty() || !isDigit(number.back()))
        throw fail();
    // from_chars, unlike strtod, reads "1.80" whatever the locale the program runs in (Qt sets it from
    // the environment).
    double volts = 0;
    const char* const first = number.data();
    const char* const last = first + number.size();
    const auto [end, error] = std::from_chars(first, last, volts);
    if (error != std::errc() || end != last || !std::isfinite(volts))
        throw fail();
    const double steps = std::round(volts / voltsPerStep);
    if (steps < -128 || steps > 127)
        throw fail();
    // Moved to the nearest step, 1.81 would be compared as 1.82 without a word: refused instead.
    if (std::fabs(volts - steps * voltsPerStep) > 1e-9)
        throw std::invalid_argument("a voltage drop is a whole number of the board's 0.02 V steps (" +
                                    formatVolts(static_cast<int>(std::floor(volts / voltsPerStep))) + " or " +
                                    formatVolts(static_cast<int>(std::ceil(volts / voltsPerStep))) + "), not " + quotedText(text));
    return static_cast<int>(steps);
}

// In whole hundredths, so the text needs no floating point and no locale.
std::string formatVolts(int steps) {
    const int hundredths = steps * 2;
    const int magnitude = std::abs(hundredths);
    char text[16];
    std::snprintf(text, sizeof text, "%s%d.%02d", hundredths < 0 ? "-" : "", magnitude / 100, magnitude % 100);
    return text;
}

std::string quotedText(const std::string& text) {
    constexpr std::size_t longest = 40;
    std::string out = "'";
    for (std::size_t i = 0; i < text.size() && i < longest; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (std::isprint(c)) {
            out += static_cast<char>(c);
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", c);
            out += escaped;
        }
    }
    if (text.size() > longest)
        out += "...";
    return out + "'";
}

}  // namespace tarnwell
