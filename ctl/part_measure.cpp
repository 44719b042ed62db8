#include "ctl/part_measure.h"

#include "device/payloads.h"

namespace ctl {

QString uncheckable(const tarnwell::part_description& part) {
    const tarnwell::check_set checks = tarnwell::checksOf(part);
    if (!checks.static_pins && !checks.buttons && !checks.touch)
        return QStringLiteral("the part lists nothing to check (no pair, button or touch pad, no check line)");
    if (checks.touch)
        for (const tarnwell::touch_pad& pad : part.pads)
            if (pad.pin < 0 || pad.pin >= tarnwell::capPinCount)
                return QStringLiteral("touch pad %1 is beyond the capacitive pins (0 to %2)")
                    .arg(pad.pin)
                    .arg(tarnwell::capPinCount - 1);
    return QString();
}

board_session::answer measurePart(board_session& session, const tarnwell::part_description& part, int timeoutMs,
                                  measured_part& measured) {
    const tarnwell::check_set checks = tarnwell::checksOf(part);
    board_session::answer a;
    if (checks.static_pins) {
        a = session.exchange(tarnwell::MES_STATIC, {}, timeoutMs, timeoutMs);
        if (a.result != board_session::outcome::done)
            return a;
        measured.pairs = tarnwell::decodePinPairs(tarnwell::ON_STATIC_MES, a.payload);
    }
    if (checks.buttons) {
        a = session.exchange(tarnwell::MES_BUTTON_MECH, {}, timeoutMs, timeoutMs);
        if (a.result != board_session::outcome::done)
            return a;
        measured.buttons = tarnwell::decodePinPairs(tarnwell::ON_BUTTON_MECH, a.payload);
    }
    if (checks.touch) {
        std::vector<std::uint8_t> pins;
        for (const tarnwell::touch_pad& pad : part.pads)
            pins.push_back(static_cast<std::uint8_t>(pad.pin));
        a = session.exchange(tarnwell::MES_BUTTON_CAP, tarnwell::capacitivePayload(pins), timeoutMs, timeoutMs);
        if (a.result != board_session::outcome::done)
            return a;
        measured.pads = tarnwell::decodeCapPins(a.payload);
    }
    return a;
}

}  // namespace ctl
