#pragma once

// A pseudo-terminal pair for tests. The code under test opens slavePath() like a serial port; the test
// plays the board on the master side. Both ends are raw, the master is non-blocking, and the helper
// keeps its own slave descriptor open so the line survives the code under test closing and reopening it.

#include <pty.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>
#include <fcntl.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

class PtyPair {
public:
    PtyPair() {
        char name[128] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        path = name;
        makeRaw(master);
        makeRaw(slave);
        ::fcntl(master, F_SETFL, ::fcntl(master, F_GETFL) | O_NONBLOCK);
    }
    ~PtyPair() {
        closeMaster();
        if (slave >= 0)
            ::close(slave);
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    const std::string& slavePath() const { return path; }
    int masterFd() const { return master; }
    bool masterOpen() const { return master >= 0; }

    // The board goes away: whoever has the slave open sees a hang-up.
    void closeMaster() {
        if (master >= 0)
            ::close(master);
        master = -1;
    }

    // Bytes written to the line that the code under test has not read yet.
    int unread() const {
        // A write reaches the slave's queue through a kernel worker; polling the slave first waits
        // for that, so bytes on their way are not taken for bytes already read.
        pollfd p{slave, POLLIN, 0};
        ::poll(&p, 1, 0);
        int n = 0;
        return ::ioctl(slave, FIONREAD, &n) == 0 ? n : -1;
    }

    // Writes all of `bytes` to the line, waiting up to `timeout` for room. False if not all went out.
    bool write(const std::vector<std::uint8_t>& bytes,
               std::chrono::milliseconds timeout = std::chrono::milliseconds(1000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::size_t done = 0;
        while (done < bytes.size()) {
            if (master < 0)
                return false;
            const ssize_t n = ::write(master, bytes.data() + done, bytes.size() - done);
            if (n > 0) {
                done += static_cast<std::size_t>(n);
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EINTR)
                return false;
            if (!waitFor(POLLOUT, deadline))
                return false;
        }
        return true;
    }

    // Writes `bytes` and waits until the code under test has read them, so that each call reaches it
    // as a read of its own. False if they did not all go out and get read within `timeout`.
    bool feed(const std::vector<std::uint8_t>& bytes,
              std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        if (!write(bytes, timeout))
            return false;
        while (unread() != 0) {
            if (std::chrono::steady_clock::now() > deadline)
                return false;
            ::usleep(100);
        }
        return true;
    }

    // Reads until `count` bytes have arrived or `timeout` has passed; returns what arrived.
    std::vector<std::uint8_t> read(std::size_t count,
                                   std::chrono::milliseconds timeout = std::chrono::milliseconds(1000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        std::vector<std::uint8_t> got;
        while (got.size() < count && master >= 0) {
            std::uint8_t buf[256];
            const std::size_t want = std::min(sizeof buf, count - got.size());
            const ssize_t n = ::read(master, buf, want);
            if (n > 0) {
                got.insert(got.end(), buf, buf + n);
                continue;
            }
            // EIO: nobody has the slave open at the moment; keep waiting like for silence.
            if (n < 0 && errno != EAGAIN && errno != EINTR && errno != EIO)
                break;
            if (!waitFor(POLLIN, deadline))
                break;
        }
        return got;
    }

    // Everything that arrives within `timeout`.
    std::vector<std::uint8_t> readFor(std::chrono::milliseconds timeout) {
        return read(static_cast<std::size_t>(-1), timeout);
    }

private:
    static void makeRaw(int fd) {
        termios t{};
        if (::tcgetattr(fd, &t) == 0) {
            ::cfmakeraw(&t);
            ::tcsetattr(fd, TCSANOW, &t);
        }
    }

    // Waits for `events` on the master until `deadline`; false once the deadline has passed.
    bool waitFor(short events, std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0)
            return false;
        pollfd p{master, events, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<long long>(left.count(), 10)));
        // With no slave open the master polls as hung up at once; sleep the slice instead of spinning.
        if (r > 0 && (p.revents & (POLLHUP | POLLERR)) && !(p.revents & events))
            ::usleep(10000);
        return true;
    }

    int master = -1;
    int slave = -1;
    std::string path;
};
