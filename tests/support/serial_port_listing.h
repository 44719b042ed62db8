#pragma once

// The serial ports that this process's enumeration (QSerialPortInfo::availablePorts) finds: the
// devices named here and nothing else, so a pseudo-terminal shows in the window's port list as an
// adapter would, and a click can never reach the machine's own ports.
//
// Qt enumerates through libudev, and no pseudo-terminal is ever in its database. Linking
// serial_port_listing.cpp into a program defines libudev's functions in the program itself; the
// dynamic linker binds Qt's calls to those. Only for test programs on the offscreen or xcb platform
// (eglfs and linuxfb read input devices through libudev too).

#include <string>
#include <vector>

namespace serial_port_listing {

// Replaces the listed devices. Each is listed under its path without "/dev/", "pts/3" for
// "/dev/pts/3", which is also the name QSerialPort gives that path. Never empty (std::invalid_argument):
// finding nothing here, Qt goes on to read the machine's own ports from /sys.
void set(const std::vector<std::string>& devicePaths);

}  // namespace serial_port_listing
