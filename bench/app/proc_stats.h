#pragma once

// What the kernel accounts for this process: CPU time (in its clock ticks, usually 10 ms) and memory.

#include <sys/types.h>

namespace bench {

pid_t currentThreadId();
// User plus system time, in seconds.
double processCpuSeconds();
double threadCpuSeconds(pid_t tid);
// Resident set, in MiB.
double residentMiB();

}  // namespace bench
