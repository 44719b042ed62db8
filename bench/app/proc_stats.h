#pragma once

// What the kernel accounts for this process: CPU time (in its clock ticks, usually 10 ms) and memory.

#include <sys/types.h>

#include <map>
#include <string>

namespace bench {

pid_t currentThreadId();
// User plus system time, in seconds.
double processCpuSeconds();
// The same from a stat file: /proc/PID/stat for another process.
double cpuSecondsOf(const std::string& statPath);
double threadCpuSeconds(pid_t tid);
// CPU seconds and wake-ups of every thread of the process, by thread id, with the thread's name.
struct ThreadCpu {
    std::string name;
    double seconds;
    long wakeups;  // voluntary context switches: how often the thread slept and woke again
};
std::map<pid_t, ThreadCpu> threadCpuTable();

// Resident set, in MiB, of this process or another one ("1234").
double residentMiB(const std::string& process = "self");

}  // namespace bench
