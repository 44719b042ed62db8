#include "board_sim.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <stdexcept>

namespace bench {

namespace {

// "12.345678 send 55:..  ack BUZ_OK" -> 12.345678 and the rest.
bool splitStamp(const std::string& line, double& time, std::string& text) {
    const auto blank = line.find(' ');
    if (blank == std::string::npos)
        return false;
    try {
        time = std::stod(line.substr(0, blank));
    } catch (const std::exception&) {
        return false;
    }
    text = line.substr(blank + 1);
    return true;
}

}  // namespace

BoardSim::BoardSim(const std::string& program, const std::vector<std::string>& args) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::vector<std::string> all{program, "--timestamps"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(out[1]);
    logFd = out[0];
    if (pid < 0) {
        ::close(logFd);
        throw std::runtime_error("fork failed");
    }

    // The first line names the pseudo-terminal.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (pending.find('\n') == std::string::npos && std::chrono::steady_clock::now() < deadline) {
        pollfd p{logFd, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        char buf[512];
        const ssize_t n = ::read(logFd, buf, sizeof buf);
        if (n <= 0)
            break;
        pending.append(buf, static_cast<std::size_t>(n));
    }
    const auto nl = pending.find('\n');
    const std::string marker = "listening on ";
    const auto at = pending.find(marker);
    if (nl == std::string::npos || at == std::string::npos || at > nl) {
        stop();
        throw std::runtime_error("rx48p-board-sim did not start: " + pending);
    }
    ptyPath = pending.substr(at + marker.size(), nl - at - marker.size());
    pending.erase(0, nl + 1);
    reader = std::thread(&BoardSim::readLog, this);
}

BoardSim::~BoardSim() {
    stop();
}

void BoardSim::stop() {
    if (pid > 0) {
        ::kill(pid, SIGTERM);
        ::waitpid(pid, nullptr, 0);
        pid = -1;
    }
    // The pipe ends with the process, and with it the reader.
    if (reader.joinable())
        reader.join();
    if (logFd >= 0) {
        ::close(logFd);
        logFd = -1;
    }
}

std::vector<double> BoardSim::sendTimes(const std::string& what) const {
    std::lock_guard<std::mutex> lock(sentMutex);
    std::vector<double> times;
    for (const sent& s : sentFrames)
        if (s.text.find(what) != std::string::npos)
            times.push_back(s.time);
    return times;
}

void BoardSim::readLog() {
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(logFd, buf, sizeof buf);
        if (n <= 0)
            return;
        pending.append(buf, static_cast<std::size_t>(n));
        for (auto nl = pending.find('\n'); nl != std::string::npos; nl = pending.find('\n')) {
            double time = 0;
            std::string text;
            if (splitStamp(pending.substr(0, nl), time, text) && text.rfind("send ", 0) == 0) {
                std::lock_guard<std::mutex> lock(sentMutex);
                sentFrames.push_back({time, std::move(text)});
            }
            pending.erase(0, nl + 1);
        }
    }
}

}  // namespace bench
