#pragma once

// Runs rx48p-board-sim as a child process and reads its log line by line.

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

class SimProcess {
public:
    explicit SimProcess(const std::vector<std::string>& args) {
        int out[2], err[2];
        if (::pipe(out) != 0 || ::pipe(err) != 0)
            throw std::runtime_error("pipe failed");
        pid = ::fork();
        if (pid == 0) {
            ::dup2(out[1], 1);
            ::dup2(err[1], 2);
            ::close(out[0]);
            ::close(err[0]);
            std::vector<char*> argv{const_cast<char*>(RX48P_BOARD_SIM)};
            for (const std::string& a : args)
                argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        ::close(out[1]);
        ::close(err[1]);
        outFd = out[0];
        errFd = err[0];
    }
    ~SimProcess() {
        if (pid > 0 && !status) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
        }
        ::close(outFd);
        ::close(errFd);
    }
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    // The next log line, or nothing when none comes within `timeout`.
    std::optional<std::string> line(std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        for (;;) {
            const auto nl = buffer.find('\n');
            if (nl != std::string::npos) {
                std::string l = buffer.substr(0, nl);
                buffer.erase(0, nl + 1);
                return l;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{outFd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0)
                return std::nullopt;
            char chunk[4096];
            const ssize_t n = ::read(outFd, chunk, sizeof chunk);
            if (n <= 0)
                return std::nullopt;
            buffer.append(chunk, static_cast<std::size_t>(n));
        }
    }

    // The next log line that starts with `prefix`, skipping others.
    std::optional<std::string> lineStartingWith(const std::string& prefix,
                                                std::chrono::milliseconds timeout = std::chrono::milliseconds(2000)) {
        while (auto l = line(timeout))
            if (l->rfind(prefix, 0) == 0)
                return l;
        return std::nullopt;
    }

    // Waits for the process to end by itself; its exit code, or -1 after a signal or a time-out.
    int wait(std::chrono::milliseconds timeout = std::chrono::milliseconds(3000)) {
        const auto deadline = std::chrono::steady_clock::now() + timeout;
        while (!status) {
            int s = 0;
            if (::waitpid(pid, &s, WNOHANG) == pid)
                status = s;
            else if (std::chrono::steady_clock::now() > deadline)
                return -1;
            else
                ::usleep(5000);
        }
        return WIFEXITED(*status) ? WEXITSTATUS(*status) : -1;
    }

    void signal(int sig) { ::kill(pid, sig); }

    std::string errors() {
        std::string text;
        char chunk[4096];
        ssize_t n;
        ::fcntl(errFd, F_SETFL, O_NONBLOCK);
        while ((n = ::read(errFd, chunk, sizeof chunk)) > 0)
            text.append(chunk, static_cast<std::size_t>(n));
        return text;
    }

private:
    pid_t pid = -1;
    int outFd = -1;
    int errFd = -1;
    std::string buffer;
    std::optional<int> status;
};
