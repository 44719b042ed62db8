#pragma once

#include <cstdint>

namespace tarnwell {

// A command and its acknowledgement share one endpoint; each measure or detection command has its
// result event on the next higher value. 0x0F to 0xFE are unused.
enum endpoints : std::uint8_t {
    ID = 0x00,
    CFG = 0x01,
    DETECT_INSERT = 0x02,
    ON_INSERT = 0x03,
    MES_STATIC = 0x04,
    ON_STATIC_MES = 0x05,
    MES_BUTTON_MECH = 0x06,
    ON_BUTTON_MECH = 0x07,
    MES_BUTTON_CAP = 0x08,
    ON_BUTTON_CAP = 0x09,
    DETECT_REMOVE = 0x0A,
    ON_REMOVE = 0x0B,
    ON_CALIB_DONE = 0x0C,
    BUZ_ER = 0x0D,
    BUZ_OK = 0x0E,
    IDLE = 0xFF,
};

}  // namespace tarnwell
