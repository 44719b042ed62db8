#pragma once

#include <QObject>

#include <memory>

namespace proc {

// Ctrl-C and SIGTERM (on Windows the console's Ctrl-C, Ctrl-Break and close events) as an ordinary Qt
// signal on the main thread, so the link is stopped cleanly instead of the process dying mid-frame. A
// reader that goes away shows up as a failed write, not as SIGPIPE. Only one instance may live at a time:
// it owns the process's handlers. rx48p-ctl and the station's window share it.
class stop_signals : public QObject {
    Q_OBJECT
public:
    stop_signals();
    ~stop_signals() override;
    stop_signals(const stop_signals&) = delete;
    stop_signals& operator=(const stop_signals&) = delete;

    int count() const { return received; }
    int lastSignal() const { return last; }

    // Ends the process by `signal` as if it had never been caught, so a shell sees the interruption
    // (and stops a loop around the program). Call it once everything is cleaned up; it does not return.
    [[noreturn]] static void endBy(int signal);

signals:
    void stopRequested(int signal);

private:
    struct platform;
    // Runs on the main thread for each signal received.
    Q_INVOKABLE void deliver(int signal);

    std::unique_ptr<platform> impl;
    int received = 0;
    int last = 0;
};

}  // namespace proc
