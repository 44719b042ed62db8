#pragma once

#include "vexcom/vexcom_packetizer.h"

namespace tarnwell {

// The board's framing: header 0x55, a two-byte length, no transform. The same on both sides of the line.
inline vex_com::config protocolConfig() {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return cfg;
}

}  // namespace tarnwell
