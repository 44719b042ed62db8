#include "proc_stats.h"

#include <dirent.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace bench {

// Fields 14 and 15 of a stat file (utime, stime). The command name in field 2 may hold blanks, so
// counting starts after its closing parenthesis.
double cpuSecondsOf(const std::string& statPath) {
    std::ifstream in(statPath);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto close = text.rfind(')');
    if (close == std::string::npos)
        return 0;
    std::istringstream rest(text.substr(close + 1));
    std::vector<std::string> fields{std::istream_iterator<std::string>(rest), std::istream_iterator<std::string>()};
    if (fields.size() < 13)
        return 0;
    const double ticks = std::stod(fields[11]) + std::stod(fields[12]);  // fields 14 and 15
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}


pid_t currentThreadId() {
    return static_cast<pid_t>(::syscall(SYS_gettid));
}

double processCpuSeconds() {
    return cpuSecondsOf("/proc/self/stat");
}

double threadCpuSeconds(pid_t tid) {
    return cpuSecondsOf("/proc/self/task/" + std::to_string(tid) + "/stat");
}

std::map<pid_t, ThreadCpu> threadCpuTable() {
    std::map<pid_t, ThreadCpu> table;
    DIR* dir = ::opendir("/proc/self/task");
    if (!dir)
        return table;
    while (const dirent* entry = ::readdir(dir)) {
        if (entry->d_name[0] == '.')
            continue;
        const std::string base = std::string("/proc/self/task/") + entry->d_name;
        std::ifstream comm(base + "/comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream status(base + "/status");
        long wakeups = 0;
        for (std::string line; std::getline(status, line);)
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0)
                wakeups = std::stol(line.substr(line.find(':') + 1));
        table[static_cast<pid_t>(std::stol(entry->d_name))] = {name, cpuSecondsOf(base + "/stat"), wakeups};
    }
    ::closedir(dir);
    return table;
}

double residentMiB(const std::string& process) {
    std::ifstream in("/proc/" + process + "/statm");
    long size = 0, resident = 0;
    in >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(::sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}

}  // namespace bench
