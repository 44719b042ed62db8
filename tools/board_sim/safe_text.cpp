#include "safe_text.h"

#include <cstdio>

namespace board_sim {

namespace {

unsigned char at(const std::string& text, std::size_t i) {
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
}

// The length of the UTF-8 sequence starting at `i` that is a printable character, or 0.
std::size_t printable_sequence(const std::string& text, std::size_t i) {
    const unsigned char c = at(text, i);
    if (c >= 0x20 && c < 0x7f)
        return 1;
    const std::size_t length = c >= 0xc2 && c < 0xe0 ? 2 : c >= 0xe0 && c < 0xf0 ? 3 : c >= 0xf0 && c < 0xf5 ? 4 : 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((at(text, i + k) & 0xc0) != 0x80)
            return 0;
    }
    // U+0080 to U+009F: the C1 controls, CSI among them.
    if (c == 0xc2 && at(text, i + 1) < 0xa0)
        return 0;
    return length;
}

}  // namespace

std::string terminal_safe(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t n = printable_sequence(text, i); n > 0) {
            out.append(text, i, n);
            i += n;
        } else {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02x", at(text, i));
            out += escaped;
            ++i;
        }
    }
    return out;
}

}  // namespace board_sim
