#include "simulator.h"

#include "frame_text.h"
#include "device/protocol_config.h"
#include "line_log.h"

#include "device/endpoints.h"

#include <poll.h>

#include <algorithm>
#include <ctime>
#include <thread>

namespace board_sim {

namespace {

// How long the loop sleeps while the terminal has the pseudo-terminal closed: the master then polls as
// hung up at once, so it cannot be waited on.
constexpr auto closed_line_nap = std::chrono::milliseconds(10);
// Bounds a poll so a signal that lands just before it is seen soon.
constexpr auto max_poll = std::chrono::milliseconds(100);

}  // namespace

simulator::simulator(const options& opts, serial_line& line)
    : line(line),
      log_raw(opts.raw),
      dut_board(part_sequence(opts.parts), opts.timing, opts.no_reply, opts.no_event, opts.drop_shift),
      encoder(opts.faults),
      tx(opts.pace > 0 ? transmitter::paced(opts.pace) : transmitter(opts.chunk, opts.chunk_pause)),
      parser(tarnwell::protocolConfig()),
      terminal_open(!line.is_pseudo_terminal()),
      stream_total(opts.stream_count) {
    if (opts.stream_rate > 0)
        stream_period = std::chrono::duration_cast<clock::duration>(std::chrono::seconds(1)) / opts.stream_rate;
    // The board hears every endpoint; what is not a command is logged as such.
    for (int endpoint = 0; endpoint <= 0xFF; ++endpoint) {
        const auto ep = static_cast<std::uint8_t>(endpoint);
        parser.add_handler(ep, [this, ep](vex_com::acknowledge ack, std::vector<std::uint8_t> payload) {
            on_frame(ep, ack, std::move(payload));
        });
    }
}

void simulator::run(const volatile std::sig_atomic_t& stop) {
    while (!stop) {
        const bool open = line.peer_open();
        if (open && !terminal_open)
            terminal_opened();
        else if (!open && terminal_open)
            terminal_closed();
        if (!terminal_open) {
            std::this_thread::sleep_for(closed_line_nap);
            continue;
        }

        const auto now = clock::now();
        short events = POLLIN;
        if (!tx.idle() && tx.next_write() <= now)
            events |= POLLOUT;
        pollfd p{line.fd(), events, 0};
        // Nanoseconds, not poll()'s milliseconds: a paced byte falls due every millisecond or so.
        const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(poll_timeout(now));
        const timespec timeout{static_cast<time_t>(wait.count() / 1000000000), static_cast<long>(wait.count() % 1000000000)};
        if (::ppoll(&p, 1, &timeout, nullptr) > 0 && (p.revents & POLLIN))
            read_line();

        send_due(clock::now());
        send_stream(clock::now());
        tx.pump(clock::now(), [this](const std::uint8_t* data, std::size_t size) { return line.write(data, size); });
    }
}

simulator::clock::duration simulator::poll_timeout(clock::time_point now) const {
    clock::time_point wake = now + max_poll;
    for (const scheduled& s : schedule)
        wake = std::min(wake, s.due);
    // A write already due waits on POLLOUT instead: counting it here would spin while the line is full.
    if (!tx.idle() && tx.next_write() > now)
        wake = std::min(wake, tx.next_write());
    if (stream_left > 0)
        wake = std::min(wake, stream_next);
    return std::max(wake - now, clock::duration::zero());
}

void simulator::read_line() {
    std::uint8_t buffer[4096];
    for (std::size_t n; (n = line.read(buffer, sizeof buffer)) > 0;) {
        if (log_raw)
            log_line("read " + hex_text({buffer, buffer + n}));
        parser.interpret(buffer, n);
    }
}

void simulator::on_frame(std::uint8_t endpoint, vex_com::acknowledge ack, std::vector<std::uint8_t> payload) {
    const answer a = dut_board.on_command(endpoint, payload);
    std::string text = "recv " + hex_text(frame_bytes(endpoint, ack, payload)) + "  " +
                       describe_command(endpoint, ack, payload);
    if (!a.note.empty())
        text += " -- " + a.note;
    log_line(text);

    if (a.cancels_events) {
        const auto pending = std::remove_if(schedule.begin(), schedule.end(),
                                            [](const scheduled& s) { return s.frame.event; });
        const auto cancelled = static_cast<std::size_t>(schedule.end() - pending);
        schedule.erase(pending, schedule.end());
        if (cancelled > 0)
            log_line("IDLE cancels " + std::to_string(cancelled) + (cancelled == 1 ? " pending event" : " pending events"));
    }
    const auto now = clock::now();
    for (const reply& r : a.replies)
        schedule.push_back({now + r.delay, made++, r});
}

void simulator::send_due(clock::time_point now) {
    for (;;) {
        const auto next = std::min_element(schedule.begin(), schedule.end(), [](const scheduled& a, const scheduled& b) {
            return a.due != b.due ? a.due < b.due : a.order < b.order;
        });
        if (next == schedule.end() || next->due > now)
            return;
        const reply r = next->frame;
        schedule.erase(next);
        for (const outgoing& piece : encoder.encode(r.endpoint, r.payload)) {
            log_line("send " + hex_text(piece.bytes) + "  " + piece.text);
            tx.queue(piece.bytes);
        }
        if (r.event) {
            if (const std::string part = dut_board.event_sent(r.endpoint); !part.empty())
                log_line(part);
        }
    }
}

// Each event falls due one period after the one before, not after it was sent, so the rate holds
// however late the loop wakes.
void simulator::send_stream(clock::time_point now) {
    while (stream_left > 0 && stream_next <= now) {
        for (const outgoing& piece : encoder.encode(tarnwell::ON_INSERT, {})) {
            log_line("send " + hex_text(piece.bytes) + "  " + piece.text);
            tx.queue(piece.bytes);
        }
        stream_next += stream_period;
        --stream_left;
    }
}

void simulator::terminal_opened() {
    terminal_open = true;
    parser.reset();
    log_line("terminal opened the line");
    if (stream_period.count() > 0) {
        stream_next = clock::now();
        stream_left = stream_total > 0 ? stream_total : static_cast<unsigned long>(-1);
    }
}

void simulator::terminal_closed() {
    read_line();  // what the terminal wrote before it went
    terminal_open = false;
    stream_left = 0;
    const std::size_t replies = schedule.size();
    const std::size_t bytes = tx.discard();
    schedule.clear();
    line.drop_unread();
    std::string text = "terminal closed the line";
    if (replies > 0 || bytes > 0)
        text += "; dropped " + std::to_string(replies) + " pending replies and " + std::to_string(bytes) +
                " unsent bytes";
    log_line(text);
}

}  // namespace board_sim
