#include "station/measure_plan.h"

#include "device/payloads.h"

namespace station {

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

std::vector<measure_step> measurePlan(const tarnwell::part_description& part) {
    const tarnwell::check_set checks = tarnwell::checksOf(part);
    std::vector<measure_step> plan;
    if (checks.static_pins)
        plan.push_back({tarnwell::MES_STATIC, {}});
    if (checks.buttons)
        plan.push_back({tarnwell::MES_BUTTON_MECH, {}});
    if (checks.touch) {
        std::vector<std::uint8_t> pins;
        for (const tarnwell::touch_pad& pad : part.pads)
            pins.push_back(static_cast<std::uint8_t>(pad.pin));
        plan.push_back({tarnwell::MES_BUTTON_CAP, tarnwell::capacitivePayload(pins)});
    }
    return plan;
}

void storeMeasure(measured_part& measured, tarnwell::endpoints command, const std::vector<std::uint8_t>& payload) {
    switch (command) {
    case tarnwell::MES_STATIC:
        measured.pairs = tarnwell::decodePinPairs(tarnwell::ON_STATIC_MES, payload);
        break;
    case tarnwell::MES_BUTTON_MECH:
        measured.buttons = tarnwell::decodePinPairs(tarnwell::ON_BUTTON_MECH, payload);
        break;
    case tarnwell::MES_BUTTON_CAP:
        measured.pads = tarnwell::decodeCapPins(payload);
        break;
    default:
        break;
    }
}

}  // namespace station
