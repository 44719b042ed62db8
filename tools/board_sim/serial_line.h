#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace board_sim {

// The simulator's end of the serial line: the master of a pseudo-terminal it created, or a serial device
// it was given. Raw, non-blocking, closed on destruction.
class serial_line {
public:
    // Throws sim_error(proc::exit_port) with the reason.
    static serial_line pseudo_terminal();
    static serial_line device(const std::string& path, unsigned baud);

    serial_line(serial_line&& other) noexcept;
    serial_line& operator=(serial_line&&) = delete;
    serial_line(const serial_line&) = delete;
    ~serial_line();

    int fd() const { return handle; }
    // The path the terminal opens: the pseudo-terminal's slave, or the device given.
    const std::string& path() const { return line_path; }
    // Only a pseudo-terminal tells when the terminal closes its end.
    bool is_pseudo_terminal() const { return pty; }

    // Whether the terminal has the line open. A device always counts as open.
    bool peer_open() const;
    // Bytes read, 0 when none are waiting.
    std::size_t read(std::uint8_t* buffer, std::size_t size);
    // Bytes written, 0 when the line cannot take more now.
    std::size_t write(const std::uint8_t* data, std::size_t size);
    // What the terminal did not read before it closed would reach it on its next open: throw it away.
    void drop_unread();

private:
    serial_line(int fd, std::string path, bool pty);

    int handle;
    std::string line_path;
    bool pty;
};

}  // namespace board_sim
