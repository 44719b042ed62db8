#include "process/stop_signals.h"

namespace proc {

void stop_signals::deliver(int signal) {
    ++received;
    last = signal;
    emit stopRequested(signal);
}

}  // namespace proc
