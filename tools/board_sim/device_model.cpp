#include "device_model.h"

#include "device/endpoints.h"
#include "device/records.h"

#include <algorithm>

namespace board_sim {

namespace {

// The record count is one byte: a device can never report more than this.
constexpr std::size_t max_records = 255;

std::uint8_t byte(std::int8_t value) {
    return static_cast<std::uint8_t>(value);
}

void append_pair(std::vector<std::uint8_t>& out, const tarnwell::pin_pair_record& p) {
    out.insert(out.end(), {byte(p.pin_a), p.type_a, byte(p.pin_b), p.type_b, byte(p.vdrop_ab), byte(p.vdrop_ba)});
}

std::int8_t shifted(std::int8_t drop, int steps) {
    return static_cast<std::int8_t>(std::clamp(drop + steps, -128, 127));
}

std::vector<std::uint8_t> pair_payload(const std::vector<tarnwell::pin_pair_record>& pairs) {
    const std::size_t count = std::min(pairs.size(), max_records);
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(count)};
    for (std::size_t i = 0; i < count; ++i)
        append_pair(out, pairs[i]);
    return out;
}

}  // namespace

device_model builtin_device() {
    using namespace tarnwell;
    device_model d;
    d.pairs = {
        {1, LED_ANODE, 2, LED_CATHODE, 90, -1},                   // red LED, 1.80 V
        {3, LED_ANODE, 4, LED_CATHODE, 105, -1},                  // green LED, 2.10 V
        {5, LED_BIDIRECTIONAL, 6, LED_BIDIRECTIONAL, 98, 99},     // bicolour LED
        {7, SHORTCUT, 8, SHORTCUT, 0, 0},                         // wire link
        {9, COMMON, 10, LED_CATHODE, 92, -1},                     // RGB LED, common anode: red
        {9, COMMON, 11, LED_CATHODE, 126, -1},                    // blue, 2.52 V
    };
    d.buttons = {{12, 14, true}, {13, 14, false}};
    d.pads = {{0, true}, {3, false}, {7, true}};
    return d;
}

std::vector<std::uint8_t> id_reply_payload(const device_model& device) {
    std::vector<std::uint8_t> out = tarnwell::idPrefix();
    out.insert(out.end(), {device.firmware.major, device.firmware.minor, device.firmware.patch});
    return out;
}

std::vector<std::uint8_t> static_measure_payload(const device_model& device, int drop_shift) {
    std::vector<tarnwell::pin_pair_record> pairs = device.pairs;
    for (tarnwell::pin_pair_record& p : pairs) {
        p.vdrop_ab = shifted(p.vdrop_ab, drop_shift);
        p.vdrop_ba = shifted(p.vdrop_ba, drop_shift);
    }
    return pair_payload(pairs);
}

std::vector<std::uint8_t> button_measure_payload(const device_model& device) {
    std::vector<tarnwell::pin_pair_record> pairs;
    for (const tarnwell::button_spec& b : device.buttons)
        pairs.push_back({b.pin, b.pressed ? tarnwell::BUTTON_ON : tarnwell::BUTTON_OFF, b.common,
                         tarnwell::COMMON, 0, 0});
    return pair_payload(pairs);
}

std::vector<std::uint8_t> capacitive_measure_payload(const device_model& device,
                                                     const std::vector<std::uint8_t>& pins) {
    const std::size_t count = std::min(pins.size(), max_records);
    std::vector<std::uint8_t> out{static_cast<std::uint8_t>(count)};
    for (std::size_t i = 0; i < count; ++i) {
        const auto pad = std::find_if(device.pads.begin(), device.pads.end(),
                                      [&](const tarnwell::touch_pad& t) { return byte(t.pin) == pins[i]; });
        std::uint8_t type = tarnwell::NOT_CONNECTED;
        if (pad != device.pads.end())
            type = pad->touched ? tarnwell::TOUCH_ON : tarnwell::TOUCH_OFF;
        out.insert(out.end(), {pins[i], type});
    }
    return out;
}

}  // namespace board_sim
