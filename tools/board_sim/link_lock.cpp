#include "link_lock.h"

#include "sim_error.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace board_sim {

namespace {

// A lock file that keeps vanishing under us is somebody's game, not a race; give up after this many.
constexpr int max_attempts = 100;

// The process id a lock file names, or nothing: anybody may write the file, so only digits are believed.
std::string holder_named(int fd) {
    char buffer[16];
    const ssize_t n = ::pread(fd, buffer, sizeof buffer, 0);
    std::string digits;
    for (ssize_t i = 0; i < n && buffer[i] >= '0' && buffer[i] <= '9'; ++i)
        digits += buffer[i];
    return digits.size() <= 10 ? digits : std::string();
}

bool names_this_file(const std::string& path, int fd) {
    struct stat held {};
    struct stat named {};
    return ::fstat(fd, &held) == 0 && ::lstat(path.c_str(), &named) == 0 && held.st_dev == named.st_dev &&
           held.st_ino == named.st_ino;
}

}  // namespace

link_lock::link_lock(const std::string& link_path) : path(link_path + ".lock") {
    const std::string what = "cannot make the link '" + link_path + "': its lock file '" + path + "' ";
    for (int attempt = 0;; ++attempt) {
        // No following a link planted at the name, no waiting on a FIFO there.
        fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0644);
        if (fd < 0)
            throw sim_error(proc::exit_port, what + "cannot be opened: " + std::strerror(errno));
        struct stat st {};
        if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
            release();
            throw sim_error(proc::exit_port, what + "is not a regular file");
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            const std::string holder = holder_named(fd);
            release();
            if (error != EWOULDBLOCK)
                throw sim_error(proc::exit_port, what + "cannot be locked: " + std::strerror(error));
            throw sim_error(proc::exit_port, "'" + link_path + "' is the link of a simulator that is still running" +
                                                 (holder.empty() ? std::string() : " (process " + holder + ")") +
                                                 "; stop it or choose another --link");
        }
        // A simulator on its way out removes the file it holds; one that opened the file just before and
        // locked it just after holds a name nobody else sees, and starts again.
        if (names_this_file(path, fd))
            break;
        release();
        if (attempt + 1 == max_attempts)
            throw sim_error(proc::exit_port, what + "keeps being replaced");
    }
    name_holder(::getpid());
}

link_lock::~link_lock() {
    if (fd >= 0 && names_this_file(path, fd))
        ::unlink(path.c_str());
    release();
}

void link_lock::name_holder(pid_t pid) {
    // Only for the refusal's message: the lock itself is what counts, so a failed write is no failure.
    const std::string text = std::to_string(pid) + "\n";
    if (::ftruncate(fd, 0) == 0)
        (void)!::pwrite(fd, text.data(), text.size(), 0);
}

void link_lock::release() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

}  // namespace board_sim
