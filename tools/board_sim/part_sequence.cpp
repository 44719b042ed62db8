#include "part_sequence.h"

#include <stdexcept>
#include <utility>

namespace board_sim {

part_sequence::part_sequence(std::vector<run_part> parts) : parts(std::move(parts)) {
    if (this->parts.empty())
        throw std::invalid_argument("a run needs at least one part");
}

std::string part_sequence::describe(const char* what) const {
    if (parts.size() < 2)
        return {};
    return "part " + std::to_string(number) + " " + what + ": " + parts[index].file + " (file " +
           std::to_string(index + 1) + " of " + std::to_string(parts.size()) + ")";
}

std::string part_sequence::inserted() const {
    return describe("inserted");
}

std::string part_sequence::removed() {
    std::string line = describe("removed");
    index = (index + 1) % parts.size();
    ++number;
    return line;
}

}  // namespace board_sim
