#include "link/hex_text.h"

QString hexText(const std::uint8_t* data, std::size_t size) {
    static const char digits[] = "0123456789abcdef";
    QString text;
    if (size == 0)
        return text;
    text.resize(static_cast<int>(size * 3 - 1));
    QChar* out = text.data();
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0)
            *out++ = QLatin1Char(':');
        *out++ = QLatin1Char(digits[data[i] >> 4]);
        *out++ = QLatin1Char(digits[data[i] & 0x0F]);
    }
    return text;
}
