#pragma once

// rx48p-board-sim as a child of the test, standard output and error on pipes, plain POSIX. The
// destructor stops a child that is still running, so a failed assertion leaves no board behind.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

class SimChild {
public:
    using clock = std::chrono::steady_clock;

    explicit SimChild(const std::vector<std::string>& args) {
        int out[2];
        int err[2];
        if (::pipe2(out, O_CLOEXEC) != 0 || ::pipe2(err, O_CLOEXEC) != 0)
            throw std::runtime_error("pipe failed");
        std::vector<std::string> words{RX48P_BOARD_SIM};
        words.insert(words.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& w : words)
            argv.push_back(w.data());
        argv.push_back(nullptr);
        child = ::fork();
        if (child == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::dup2(err[1], STDERR_FILENO);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        outFd = out[0];
        errFd = err[0];
        if (child < 0)
            throw std::runtime_error("fork failed");
    }
    ~SimChild() {
        if (child > 0 && !status) {
            ::kill(child, SIGKILL);
            ::waitpid(child, nullptr, 0);
        }
        ::close(outFd);
        ::close(errFd);
    }
    SimChild(const SimChild&) = delete;
    SimChild& operator=(const SimChild&) = delete;

    pid_t pid() const { return child; }

    // One line of standard output without its newline; empty when none came within `timeout`.
    std::string readLine(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        const auto deadline = clock::now() + timeout;
        for (;;) {
            if (const auto nl = out.find('\n'); nl != std::string::npos) {
                std::string line = out.substr(0, nl);
                out.erase(0, nl + 1);
                return line;
            }
            if (!readSome(outFd, out, deadline))
                return {};
        }
    }

    // Standard output up to its end, or nothing when it has not ended within `timeout`: whoever still
    // holds the pipe open keeps a reader such as the shell's $(...) waiting.
    std::optional<std::string> readToEnd(std::chrono::milliseconds timeout) {
        return drain(outFd, out, timeout);
    }
    std::optional<std::string> readErrorToEnd(std::chrono::milliseconds timeout) {
        return drain(errFd, err, timeout);
    }

    // SIGTERM, or another signal.
    void signal(int sig = SIGTERM) { ::kill(child, sig); }

    // The exit status as a shell shows it, or nothing when the child did not end within `timeout`.
    std::optional<int> wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(5000)) {
        return waitFor(child, timeout, status);
    }

    // Also for a grandchild that has become the test's own child (PR_SET_CHILD_SUBREAPER).
    static std::optional<int> waitFor(pid_t pid, std::chrono::milliseconds timeout, std::optional<int>& status) {
        const auto deadline = clock::now() + timeout;
        while (!status) {
            int s = 0;
            const pid_t r = ::waitpid(pid, &s, WNOHANG);
            if (r == pid)
                status = s;
            else if (r < 0 || clock::now() > deadline)
                return std::nullopt;
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        // As a shell shows it: 128 and the signal for a child a signal ended.
        if (WIFSIGNALED(*status))
            return 128 + WTERMSIG(*status);
        return WEXITSTATUS(*status);
    }

private:
    // False once the deadline has passed or the pipe has ended.
    static bool readSome(int fd, std::string& into, clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
        if (left <= 0)
            return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0)
            return false;
        char buffer[4096];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        into.append(buffer, static_cast<std::size_t>(n));
        return true;
    }

    static std::optional<std::string> drain(int fd, std::string& pending, std::chrono::milliseconds timeout) {
        const auto deadline = clock::now() + timeout;
        for (;;) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - clock::now()).count();
            pollfd p{fd, POLLIN, 0};
            if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0)
                return std::nullopt;
            char buffer[4096];
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n == 0)
                return std::exchange(pending, {});
            if (n > 0)
                pending.append(buffer, static_cast<std::size_t>(n));
        }
    }

    pid_t child = -1;
    int outFd = -1;
    int errFd = -1;
    std::string out;
    std::string err;
    std::optional<int> status;
};
