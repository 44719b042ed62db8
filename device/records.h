#pragma once

// The board's payload records. Standard C++ only: the board simulator shares them.

#include <array>
#include <cstdint>
#include <mutex>
#include <vector>

namespace tarnwell {

// The board's name: the whole payload of the ID command and the first bytes of its reply.
inline const std::vector<std::uint8_t>& idPrefix() {
    static const std::vector<std::uint8_t> prefix{'R', 'X', '4', '8', 'P'};
    return prefix;
}

struct board_config {
    std::uint8_t sensitivity = 64;
    std::uint8_t buzzer = 100;
};

enum pin_type : std::uint8_t {
    NOT_CONNECTED = 0,
    LED_ANODE = 1,
    LED_CATHODE = 2,
    LED_BIDIRECTIONAL = 3,
    SHORTCUT = 4,
    COMMON = 5,
    BUTTON_OFF = 0x10,
    BUTTON_ON = 0x11,
    TOUCH_OFF = 0x20,
    TOUCH_ON = 0x21,
};

struct pin_pair_record {
    static constexpr std::size_t size = 6;
    std::int8_t pin_a = -1;  // 255 as stored on the wire
    std::uint8_t type_a = 0;
    std::int8_t pin_b = -1;
    std::uint8_t type_b = 0;
    std::int8_t vdrop_ab = 0;  // units of 0.02 V
    std::int8_t vdrop_ba = 0;
};

struct cap_pin_record {
    static constexpr std::size_t size = 2;
    std::int8_t pin = 0;
    std::uint8_t type = 0;
};

struct fw_version {
    fw_version() {
        std::lock_guard<std::mutex> lock(mutex);
        major = minor = patch = 255;
    }
    std::uint8_t major;
    std::uint8_t minor;
    std::uint8_t patch;
    std::mutex mutex;
};

}  // namespace tarnwell
