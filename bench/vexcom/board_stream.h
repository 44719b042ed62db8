#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// What the board sends during a busy session, cut the way serial reads cut it.
struct board_stream {
    std::vector<std::uint8_t> bytes;
    std::vector<std::size_t> chunk_sizes;  // 1 to 64 bytes each, summing to bytes.size()
    std::size_t good_frames = 0;           // frames the parser must dispatch
};

board_stream make_board_stream(std::size_t at_least);
