#include "process/stop_signals.h"

#include <QSocketNotifier>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace proc {

namespace {

// The write end of the live instance's pair, for the handler; -1 while none lives.
std::atomic<int> handlerFd{-1};

extern "C" void forwardSignal(int sig) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(sig);
    // Non-blocking: a burst of signals that fills the pair loses bytes, never hangs the handler.
    [[maybe_unused]] const ssize_t n = ::write(handlerFd.load(), &byte, 1);
    errno = saved;
}

}  // namespace

struct stop_signals::platform {
    int fds[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> notifier;
    ~platform() {
        for (int fd : fds)
            if (fd >= 0)
                ::close(fd);
    }
};

stop_signals::stop_signals() : impl(std::make_unique<platform>()) {
    if (handlerFd.load() >= 0)
        throw std::logic_error("one stop_signals at a time: it owns the process's signal handlers");
    std::signal(SIGPIPE, SIG_IGN);
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, impl->fds) != 0)
        return;  // without the pair, the signals keep their default: the process ends
    ::fcntl(impl->fds[1], F_SETFL, ::fcntl(impl->fds[1], F_GETFL) | O_NONBLOCK);
    ::fcntl(impl->fds[0], F_SETFL, ::fcntl(impl->fds[0], F_GETFL) | O_NONBLOCK);
    handlerFd.store(impl->fds[1]);
    impl->notifier = std::make_unique<QSocketNotifier>(impl->fds[0], QSocketNotifier::Read);
    connect(impl->notifier.get(), &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(impl->fds[0], &byte, 1) == 1)
            deliver(byte);
    });
    struct sigaction action {};
    action.sa_handler = forwardSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

stop_signals::~stop_signals() {
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
    handlerFd.store(-1);
}

void stop_signals::endBy(int signal) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    std::_Exit(128 + signal);  // only if the signal was blocked
}

}  // namespace proc
