#include "process/stop_signals.h"

#include <QMetaObject>

#include <windows.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <stdexcept>

namespace proc {

namespace {

// The live instance, for the handler, which Windows runs on a thread of its own.
std::atomic<stop_signals*> handlerTarget{nullptr};

BOOL WINAPI forwardConsoleEvent(DWORD event) {
    stop_signals* target = handlerTarget.load();
    if (!target)
        return FALSE;
    const int sig = event == CTRL_C_EVENT ? SIGINT : SIGTERM;
    // Queued into the main thread's event loop, like the POSIX side's socket pair.
    QMetaObject::invokeMethod(target, "deliver", Qt::QueuedConnection, Q_ARG(int, sig));
    return TRUE;
}

}  // namespace

struct stop_signals::platform {};

stop_signals::stop_signals() : impl(std::make_unique<platform>()) {
    stop_signals* none = nullptr;
    if (!handlerTarget.compare_exchange_strong(none, this))
        throw std::logic_error("one stop_signals at a time: it owns the process's console handler");
    SetConsoleCtrlHandler(forwardConsoleEvent, TRUE);
}

stop_signals::~stop_signals() {
    SetConsoleCtrlHandler(forwardConsoleEvent, FALSE);
    handlerTarget.store(nullptr);
}

void stop_signals::endBy(int signal) {
    // A console program ended by Ctrl-C reports STATUS_CONTROL_C_EXIT, which cmd and PowerShell know.
    std::_Exit(signal == SIGINT ? static_cast<int>(STATUS_CONTROL_C_EXIT) : 128 + signal);
}

}  // namespace proc
