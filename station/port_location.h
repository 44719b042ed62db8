#pragma once

#include <QString>

namespace station {

// The device to open for PORT: a device path as it is, without enumerating anything (a pseudo-terminal
// is never listed, and listing can be slow); a name that the system lists (ttyUSB0, COM3) as its system
// location. Empty when PORT is a name the system does not list.
QString portLocation(const QString& port);

}  // namespace station
