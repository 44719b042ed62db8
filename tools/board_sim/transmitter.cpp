#include "transmitter.h"

#include <algorithm>

namespace board_sim {

transmitter::transmitter(std::size_t chunk, std::chrono::milliseconds pause) : chunk(chunk), pause(pause) {}

transmitter transmitter::paced(unsigned baud) {
    transmitter tx(0, {});
    tx.byte_time = std::chrono::duration_cast<clock::duration>(std::chrono::seconds(10)) / baud;
    return tx;
}

void transmitter::queue(const std::vector<std::uint8_t>& bytes) {
    pending.insert(pending.end(), bytes.begin(), bytes.end());
}

void transmitter::pump(clock::time_point now, const line_writer& write) {
    if (byte_time.count() > 0) {
        pump_paced(now, write);
        return;
    }
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

// Each byte falls due one byte time after the one before, not after the loop got round to it, so the
// rate holds however late the loop wakes; bytes that are late go out back to back, as from a UART's
// FIFO. After a quiet spell, or a full line, the schedule starts again from now.
void transmitter::pump_paced(clock::time_point now, const line_writer& write) {
    if (pending.empty())
        return;
    if (line_quiet) {
        earliest = std::max(earliest, now);
        line_quiet = false;
    }
    while (!pending.empty() && now >= earliest) {
        const std::uint8_t byte = pending.front();
        if (write(&byte, 1) == 0) {
            line_quiet = true;
            return;
        }
        pending.pop_front();
        earliest += byte_time;
    }
    if (pending.empty())
        line_quiet = true;
}

std::size_t transmitter::discard() {
    const std::size_t dropped = pending.size();
    pending.clear();
    chunk_left = 0;
    line_quiet = true;
    return dropped;
}

}  // namespace board_sim
