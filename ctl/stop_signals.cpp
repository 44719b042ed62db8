#include "ctl/stop_signals.h"

namespace ctl {

void stop_signals::deliver(int signal) {
    ++received;
    last = signal;
    emit stopRequested(signal);
}

}  // namespace ctl
