#pragma once

// Lets the GUI thread's event loop run, as the program's own loop would, for a time or until something
// has happened.

#include <functional>

namespace bench {

// One timer, no polling: the loop sleeps unless the program has work.
void runFor(int ms);
// Checks `done` every `pollMs`; false when `timeoutMs` passed first. Not for CPU measurements.
bool runUntil(const std::function<bool()>& done, int timeoutMs, int pollMs = 2);

}  // namespace bench
