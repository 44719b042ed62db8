#pragma once

// Paces the bytes that go on the line: as fast as the line takes them, or in chunks of N bytes with a
// pause between chunks, so the terminal has to put frames together from pieces.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <vector>

namespace board_sim {

class transmitter {
public:
    using clock = std::chrono::steady_clock;
    // Writes what it can and returns how many bytes the line took.
    using line_writer = std::function<std::size_t(const std::uint8_t*, std::size_t)>;

    // chunk 0: no chunking.
    transmitter(std::size_t chunk, std::chrono::milliseconds pause);

    void queue(const std::vector<std::uint8_t>& bytes);
    bool idle() const { return pending.empty(); }
    // When pump() can next write; only meaningful when not idle.
    clock::time_point next_write() const { return earliest; }
    void pump(clock::time_point now, const line_writer& write);
    // Drops everything not yet written and returns how many bytes that was.
    std::size_t discard();

private:
    std::size_t chunk;
    std::chrono::milliseconds pause;
    std::deque<std::uint8_t> pending;
    std::size_t chunk_left = 0;  // bytes of the current chunk still to write
    clock::time_point earliest{};
};

}  // namespace board_sim
