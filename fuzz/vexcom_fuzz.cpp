// Input: one flags byte (bit 0: round trip instead of stream, bit 1: one-byte length field, bit 2: byte
// stuffing as transform, bits 3-4: which header), then the mode's own bytes.
#include "vexcom/vexcom_interpreter.h"
#include "vexcom/vexcom_packetizer.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>
#include <tuple>
#include <vector>

namespace {

using bytes = std::vector<std::uint8_t>;

struct frame {
    std::uint8_t endpoint;
    vex_com::acknowledge ack;
    bytes payload;
    bool operator==(const frame& o) const {
        return std::tie(endpoint, ack, payload) == std::tie(o.endpoint, o.ack, o.payload);
    }
};

[[noreturn]] void fail(const char* why) {
    std::fprintf(stderr, "property violated: %s\n", why);
    std::abort();
}

class reader {
public:
    reader(const std::uint8_t* data, std::size_t size) : at(data), left(size) {}
    bool empty() const { return left == 0; }
    std::uint8_t byte() { return left ? (--left, *at++) : 0; }
    bytes take(std::size_t n) {
        n = std::min(n, left);
        bytes out(at, at + n);
        at += n;
        left -= n;
        return out;
    }

private:
    const std::uint8_t* at;
    std::size_t left;
};

// Byte stuffing changes both the bytes and the size of the data part.
constexpr std::uint8_t escape = 0x7D;
bytes stuff(bytes in) {
    bytes out;
    for (std::uint8_t b : in) {
        if (b == escape || b == 0x55) {
            out.push_back(escape);
            b ^= 0x20;
        }
        out.push_back(b);
    }
    return out;
}
bytes unstuff(bytes in) {
    bytes out;
    for (std::size_t i = 0; i < in.size(); ++i) {
        if (in[i] != escape)
            out.push_back(in[i]);
        else if (i + 1 < in.size())  // a trailing escape has nothing to escape
            out.push_back(in[++i] ^ 0x20);
    }
    return out;
}

// Headers that exercise the search: the board's, two distinct bytes, and two that overlap themselves.
const bytes headers[] = {{0x55}, {0xAA, 0xBB}, {0xAA, 0xAA}, {0x55, 0xAA, 0x55}};

std::vector<frame> board_log, whole_log, pieces_log;

vex_com::handler recording(std::vector<frame>& log, unsigned ep) {
    return [&log, ep](vex_com::acknowledge ack, bytes payload) {
        log.push_back({static_cast<std::uint8_t>(ep), ack, std::move(payload)});
    };
}

// Registration checks for duplicates, so 256 handlers cost a quadratic scan: register them once per
// configuration and copy the parsers for each input.
struct setup {
    vex_com::config builder, parser;
    vex_com::interpreter board, whole, pieces;  // board: 0x00-0x0E and 0xFF; the others every endpoint
};

setup make_setup(unsigned index) {
    const bytes& header = headers[index >> 2];
    const std::size_t width = index & 1 ? 1 : 2;
    vex_com::config builder{header, width, {}}, parser{header, width, {}};
    if (index & 2) {
        builder.transform = stuff;
        parser.transform = unstuff;
    }
    setup s{builder, parser, vex_com::interpreter(parser), vex_com::interpreter(parser), vex_com::interpreter(parser)};
    for (unsigned ep = 0; ep <= 0xFF; ++ep) {
        if (ep <= 0x0E || ep == 0xFF)
            s.board.add_handler(static_cast<std::uint8_t>(ep), recording(board_log, ep));
        s.whole.add_handler(static_cast<std::uint8_t>(ep), recording(whole_log, ep));
        s.pieces.add_handler(static_cast<std::uint8_t>(ep), recording(pieces_log, ep));
    }
    return s;
}

const setup& setup_for(std::uint8_t flags) {
    static const std::vector<setup> all = [] {
        std::vector<setup> v;
        for (unsigned i = 0; i < 16; ++i) v.push_back(make_setup(i));
        return v;
    }();
    return all[(flags >> 1) & 15];
}

// Arbitrary chunks, each a size byte and that many bytes. The board's parser may throw only for an
// endpoint without a handler and must then take a fresh frame at once; chunking must not change what a
// parser with every endpoint registered dispatches.
void stream(const setup& s, reader& in) {
    std::vector<bytes> chunks;
    while (!in.empty())
        chunks.push_back(in.take(in.byte()));

    vex_com::interpreter board = s.board, whole = s.whole, pieces = s.pieces;
    const frame probe{0xFF, 1, {0x55, 0x7D, 0x00}};
    const bytes probe_wire =
        vex_com::packetizer(s.builder).packetize(probe.endpoint, probe.ack, probe.payload.data(), probe.payload.size());

    bytes all;
    for (const bytes& chunk : chunks) {
        all.insert(all.end(), chunk.begin(), chunk.end());
        pieces.interpret(chunk.data(), chunk.size());
        try {
            board.interpret(chunk.data(), chunk.size());
        } catch (const vex_com::except& e) {
            if (e.code != 1 || e.endpoint <= 0x0E || e.endpoint == 0xFF)
                fail("exception for a registered endpoint");
            const std::size_t before = board_log.size();
            board.interpret(probe_wire.data(), probe_wire.size());
            if (board_log.size() != before + 1 || !(board_log.back() == probe))
                fail("parser not back at header search after an exception");
        }
    }
    whole.interpret(all.data(), all.size());
    if (whole_log != pieces_log)
        fail("chunking changed what was dispatched");
}

// A frame from the builder, between noise that holds no header byte, is dispatched exactly once, intact.
void round_trip(const setup& s, reader& in) {
    frame f{in.byte(), in.byte(), {}};
    const std::size_t cut = in.byte();
    bytes before = in.take(in.byte() % 64), after = in.take(in.byte() % 64);
    f.payload = in.take(SIZE_MAX);

    const bytes& header = s.parser.header;
    std::uint8_t filler = 0;
    while (std::find(header.begin(), header.end(), filler) != header.end())
        ++filler;
    for (bytes* noise : {&before, &after})
        std::replace_if(noise->begin(), noise->end(),
                        [&](std::uint8_t b) { return std::find(header.begin(), header.end(), b) != header.end(); },
                        filler);

    const std::size_t max = s.builder.length_size == 1 ? 0xFF : 0xFFFF;
    const std::size_t plain = f.payload.size() + 4;  // stuffing at most doubles it
    bytes wire;
    try {
        wire = vex_com::packetizer(s.builder).packetize(f.endpoint, f.ack, f.payload.data(), f.payload.size());
    } catch (const std::length_error&) {
        if (plain * (s.builder.transform ? 2 : 1) <= max)
            fail("length_error for a data part that fits");
        return;
    }
    if (plain > max)
        fail("frame built for a data part that does not fit");

    bytes stream = before;
    stream.insert(stream.end(), wire.begin(), wire.end());
    stream.insert(stream.end(), after.begin(), after.end());
    vex_com::interpreter parser = s.whole;
    const std::size_t step = cut ? cut : stream.size();
    for (std::size_t at = 0; at < stream.size(); at += step)
        parser.interpret(stream.data() + at, std::min(step, stream.size() - at));
    if (whole_log.size() != 1 || !(whole_log.front() == f))
        fail("built frame not dispatched exactly once and intact");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    reader in(data, size);
    const std::uint8_t flags = in.byte();
    board_log.clear();
    whole_log.clear();
    pieces_log.clear();
    if (flags & 1)
        round_trip(setup_for(flags), in);
    else
        stream(setup_for(flags), in);
    return 0;
}
