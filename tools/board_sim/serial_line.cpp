#include "serial_line.h"

#include "sim_error.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace board_sim {

namespace {

std::string reason() {
    return std::strerror(errno);
}

bool make_raw(int fd, speed_t speed) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0)
        return false;
    ::cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cc[VMIN] = 1;
    t.c_cc[VTIME] = 0;
    ::cfsetispeed(&t, speed);
    ::cfsetospeed(&t, speed);
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

speed_t speed_of(unsigned baud) {
    switch (baud) {
    case 1200: return B1200;
    case 2400: return B2400;
    case 4800: return B4800;
    case 9600: return B9600;
    case 19200: return B19200;
    case 38400: return B38400;
    case 57600: return B57600;
    case 115200: return B115200;
    case 230400: return B230400;
    case 460800: return B460800;
    case 921600: return B921600;
    default: return B0;
    }
}

}  // namespace

serial_line::serial_line(int fd, std::string path, bool pty) : handle(fd), line_path(std::move(path)), pty(pty) {}

serial_line::serial_line(serial_line&& other) noexcept
    : handle(std::exchange(other.handle, -1)), line_path(std::move(other.line_path)), pty(other.pty) {}

serial_line::~serial_line() {
    if (handle >= 0)
        ::close(handle);
}

serial_line serial_line::pseudo_terminal() {
    const int master = ::posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master < 0)
        throw sim_error(proc::exit_port, "cannot create a pseudo-terminal: " + reason());
    serial_line line(master, {}, true);  // closes the master on any failure below
    const char* name = ::ptsname(master);
    if (::grantpt(master) != 0 || ::unlockpt(master) != 0 || !name)
        throw sim_error(proc::exit_port, "cannot set up the pseudo-terminal: " + reason());
    line.line_path = name;
    // The terminal makes its end raw when it opens it; until then an echoing slave would send our own
    // replies back to us.
    const int slave = ::open(name, O_RDWR | O_NOCTTY);
    if (slave < 0)
        throw sim_error(proc::exit_port, "cannot open " + line.line_path + ": " + reason());
    const bool raw = make_raw(slave, B9600);
    ::close(slave);
    if (!raw)
        throw sim_error(proc::exit_port, "cannot make " + line.line_path + " raw: " + reason());
    return line;
}

serial_line serial_line::device(const std::string& path, unsigned baud) {
    const speed_t speed = speed_of(baud);
    if (speed == B0)
        throw sim_error(proc::exit_usage, "unsupported baud rate " + std::to_string(baud));
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw sim_error(proc::exit_port, "cannot open '" + path + "': " + reason());
    serial_line line(fd, path, false);
    if (!::isatty(fd))
        throw sim_error(proc::exit_port, "'" + path + "' is not a serial line");
    if (!make_raw(fd, speed))
        throw sim_error(proc::exit_port, "cannot set up '" + path + "': " + reason());
    return line;
}

bool serial_line::peer_open() const {
    if (!pty)
        return true;
    pollfd p{handle, POLLIN, 0};
    return ::poll(&p, 1, 0) < 1 || !(p.revents & POLLHUP);
}

std::size_t serial_line::read(std::uint8_t* buffer, std::size_t size) {
    const ssize_t n = ::read(handle, buffer, size);
    // EIO: the terminal has closed the pseudo-terminal; peer_open() says so.
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

std::size_t serial_line::write(const std::uint8_t* data, std::size_t size) {
    const ssize_t n = ::write(handle, data, size);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
}

void serial_line::drop_unread() {
    ::tcflush(handle, TCIOFLUSH);
}

}  // namespace board_sim
