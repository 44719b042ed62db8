#pragma once

// "did you mean --port?" for a mistyped option. Standard C++ only: the simulator uses it too.

#include <string>
#include <vector>

namespace proc {

// The one name among `known` nearest to `typed` by edit distance (a swap of two neighbours counts as one
// edit), when it is near enough to be a slip: at most 1 edit for short names, 2 for longer ones. Empty
// when none is, or when two are equally near.
std::string closestName(const std::string& typed, const std::vector<std::string>& known);

}  // namespace proc
