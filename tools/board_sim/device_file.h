#pragma once

// The text form of a device under test, one item a line:
//   firmware 1.4.2
//   pair 1 anode 2 cathode 1.80 -0.02
//   button 12 14 on
//   touch 0 on
// '#' starts a comment; blank lines are ignored.

#include "device_model.h"

#include <string>

namespace board_sim {

// Adds one line to `device`. Throws std::invalid_argument saying what is wrong with it.
void add_device_line(device_model& device, const std::string& line);

// Throws sim_error: exit_cannot_open when the file cannot be read, exit_bad_input with "FILE:LINE: ..."
// for a bad line.
device_model read_device_file(const std::string& path);

firmware_version parse_firmware(const std::string& text);

// The device in the file format, so it can be saved and edited.
std::string device_text(const device_model& device);

}  // namespace board_sim
