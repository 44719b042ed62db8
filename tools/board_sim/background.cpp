#include "background.h"

#include "sim_error.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace board_sim {

namespace {

std::string reason() {
    return std::strerror(errno);
}

}  // namespace

void log_to_file(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0)
        throw sim_error(proc::exit_usage, "cannot open the log file '" + path + "': " + reason());
    std::fflush(stdout);
    const bool moved = ::dup2(fd, STDOUT_FILENO) >= 0;
    ::close(fd);
    if (!moved)
        throw sim_error(proc::exit_usage, "cannot write the log to '" + path + "': " + reason());
}

id_output::id_output() : fd(::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3)) {
    if (fd < 0)
        throw sim_error(proc::exit_output_closed, "no standard output for the process id: " + reason());
}

id_output::~id_output() {
    close();
}

bool id_output::print(pid_t pid) const {
    const std::string line = std::to_string(pid) + "\n";
    return fd >= 0 && ::write(fd, line.data(), line.size()) == static_cast<ssize_t>(line.size());
}

void id_output::close() {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

pid_t go_background() {
    // Whatever is still buffered would otherwise be written twice, once by each process.
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0)
        throw sim_error(proc::exit_port, "cannot start the background process: " + reason());
    if (pid > 0)
        return pid;
    // Away from the caller's terminal: its hang-up or Ctrl-C no longer reaches the board.
    ::setsid();
    const int null = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (null >= 0) {
        ::dup2(null, STDIN_FILENO);
        ::close(null);
    }
    // Standard error must not hold the caller's pipe open either.
    ::dup2(STDOUT_FILENO, STDERR_FILENO);
    return 0;
}

}  // namespace board_sim
