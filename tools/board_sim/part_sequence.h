#pragma once

// The parts of a production run, one after another in the fixture: the board measures the current one,
// its removal brings the next, and after the last the first comes again.

#include "device_model.h"

#include <string>
#include <vector>

namespace board_sim {

struct run_part {
    std::string file;  // where it was read from, for the log; empty for the built-in device
    device_model device;
};

class part_sequence {
public:
    // Throws std::invalid_argument when `parts` is empty.
    explicit part_sequence(std::vector<run_part> parts);

    const device_model& current() const { return parts[index].device; }

    // The log lines for the board's detection events. A single part has no sequence to tell of, so
    // then they are empty.
    std::string inserted() const;
    std::string removed();  // and the next part takes this one's place

private:
    std::string describe(const char* what) const;

    std::vector<run_part> parts;
    std::size_t index = 0;
    unsigned long number = 1;  // of the current part in the run, counting every removal
};

}  // namespace board_sim
