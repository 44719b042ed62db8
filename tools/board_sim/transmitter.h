#pragma once

// Paces the bytes that go on the line: as fast as the line takes them, in chunks of N bytes with a
// pause between chunks, so the terminal has to put frames together from pieces, or one byte at a time
// at a UART's rate.

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
    // Every byte on its own, 10 bits (start, 8 data, stop) at `baud` bits a second.
    static transmitter paced(unsigned baud);

    void queue(const std::vector<std::uint8_t>& bytes);
    bool idle() const { return pending.empty(); }
    // When pump() can next write; only meaningful when not idle.
    clock::time_point next_write() const { return earliest; }
    void pump(clock::time_point now, const line_writer& write);
    // Drops everything not yet written and returns how many bytes that was.
    std::size_t discard();

private:
    void pump_paced(clock::time_point now, const line_writer& write);

    std::size_t chunk;
    std::chrono::milliseconds pause;
    clock::duration byte_time{};  // non-zero: paced
    std::deque<std::uint8_t> pending;
    std::size_t chunk_left = 0;  // bytes of the current chunk still to write
    clock::time_point earliest{};
    bool line_quiet = true;  // paced: the schedule starts afresh with the next byte (idle, or the line was full)
};

}  // namespace board_sim
