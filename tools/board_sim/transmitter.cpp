#include "transmitter.h"

#include <algorithm>

namespace board_sim {

transmitter::transmitter(std::size_t chunk, std::chrono::milliseconds pause) : chunk(chunk), pause(pause) {}

void transmitter::queue(const std::vector<std::uint8_t>& bytes) {
    pending.insert(pending.end(), bytes.begin(), bytes.end());
}

void transmitter::pump(clock::time_point now, const line_writer& write) {
    while (!pending.empty() && now >= earliest) {
        if (chunk_left == 0)
            chunk_left = chunk > 0 ? chunk : pending.size();
        const std::size_t want = std::min(chunk_left, pending.size());
        const std::vector<std::uint8_t> bytes(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(want));
        const std::size_t written = write(bytes.data(), bytes.size());
        pending.erase(pending.begin(), pending.begin() + static_cast<std::ptrdiff_t>(written));
        chunk_left -= written;
        if (written < want)
            return;  // the line is full; try again when it has room
        if (chunk > 0) {
            chunk_left = 0;
            earliest = now + pause;
        }
    }
}

std::size_t transmitter::discard() {
    const std::size_t dropped = pending.size();
    pending.clear();
    chunk_left = 0;
    return dropped;
}

}  // namespace board_sim
