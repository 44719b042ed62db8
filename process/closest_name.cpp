#include "process/closest_name.h"

#include <algorithm>

namespace proc {

namespace {

// Optimal string alignment distance: insertions, deletions, substitutions, adjacent swaps.
std::size_t editDistance(const std::string& a, const std::string& b) {
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = a[i - 1] == b[j - 1] ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string closestName(const std::string& typed, const std::vector<std::string>& known) {
    // A long typed text is not a slip of a short name: no table bigger than the names themselves.
    if (typed.empty() || typed.size() > 64)
        return {};
    const std::size_t allowed = typed.size() <= 4 ? 1 : 2;
    std::string best;
    std::size_t bestDistance = allowed + 1;
    bool tie = false;
    for (const std::string& name : known) {
        const std::size_t distance = editDistance(typed, name);
        if (distance < bestDistance) {
            best = name;
            bestDistance = distance;
            tie = false;
        } else if (distance == bestDistance && name != best) {
            tie = true;
        }
    }
    // A prefix of exactly one name ("--tol" for "--tolerance") is what the user meant too.
    if (best.empty()) {
        for (const std::string& name : known) {
            if (typed.size() >= 3 && name.compare(0, typed.size(), typed) == 0) {
                if (!best.empty() && best != name)
                    return {};
                best = name;
            }
        }
        return best;
    }
    return tie ? std::string() : best;
}

}  // namespace proc
