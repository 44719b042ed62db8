#pragma once

#include "vexcom/vexcom_packetizer.h"

namespace board_sim {

// The framing the terminal uses on the line: header 0x55, a 2-byte length, no transform.
inline vex_com::config line_config() {
    vex_com::config cfg;
    cfg.header = {0x55};
    cfg.length_size = 2;
    return cfg;
}

}  // namespace board_sim
