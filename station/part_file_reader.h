#pragma once

#include "device/part_file.h"

#include <QString>

namespace station {

// Reads a part file through Qt, which opens any file name the system has, also beyond the local code
// page on Windows. Throws tarnwell::unreadable_part_file or tarnwell::bad_part_file, naming the file.
tarnwell::part_description readPartFile(const QString& path);

}  // namespace station
