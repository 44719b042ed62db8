#pragma once

#include <QObject>
#include <QSocketNotifier>

#include <memory>

namespace ctl {

// Ctrl-C and SIGTERM, turned from a signal handler into an ordinary Qt signal on the main thread
// through a socket pair (the handler only writes one byte). SIGPIPE is ignored, so a reader that goes
// away shows up as a failed write instead of killing the process mid-way.
class stop_signals : public QObject {
    Q_OBJECT
public:
    stop_signals();
    ~stop_signals() override;

    int count() const { return received; }
    int lastSignal() const { return last; }

signals:
    void stopRequested();

private:
    void readSignal();

    std::unique_ptr<QSocketNotifier> notifier;
    int received = 0;
    int last = 0;
};

}  // namespace ctl
