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
    // A prefix of exactly one name ("--tol" for "--tolerance", "--no-e" for "--no-event") is what the user
    // meant, even where a shorter name is fewer edits away ("--noise" for "--no-e").
    if (typed.size() >= 3) {
        std::string extended;
        bool several = false;
        for (const std::string& name : known) {
            if (name == typed)
                return name;
            if (name.size() > typed.size() && name.compare(0, typed.size(), typed) == 0) {
                several = several || (!extended.empty() && extended != name);
                extended = name;
            }
        }
        if (!extended.empty() && !several)
            return extended;
    }
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
    return tie ? std::string() : best;
}

}  // namespace proc
