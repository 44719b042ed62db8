#pragma once

// The text form of a part, one item a line; '#' starts a comment, blank lines are ignored:
//   firmware 1.4.2
//   check static button touch
//   pair 1 anode 2 cathode 1.80 -0.02
//   button 12 14 on
//   touch 0 on

#include "device/part_description.h"

#include <iosfwd>
#include <stdexcept>
#include <string>

namespace tarnwell {

class part_file_error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// "FILE: reason": the file could not be opened or read.
class unreadable_part_file : public part_file_error {
public:
    using part_file_error::part_file_error;
};

// "FILE:LINE: reason": a line that says something wrong.
class bad_part_file : public part_file_error {
public:
    bad_part_file(const std::string& name, int line, const std::string& reason);
    int line;  // counted from 1
    std::string reason;
};

// Adds one line to `part`. Throws std::invalid_argument with the reason when the line is wrong.
void addPartLine(part_description& part, const std::string& line);

// Throws bad_part_file, naming the part `name`, or unreadable_part_file when the stream fails.
part_description parsePart(std::istream& in, const std::string& name);
// Throws unreadable_part_file or bad_part_file, naming the file `path`.
part_description readPartFile(const std::string& path);

// "MAJOR.MINOR.PATCH"; throws std::invalid_argument.
firmware parseFirmware(const std::string& text);

// `part` in the file form: firmware, check (if the part has one), pairs, buttons, touch pads. It reads
// back to the same part, as long as a check it has names at least one measure.
std::string partText(const part_description& part);

}  // namespace tarnwell
