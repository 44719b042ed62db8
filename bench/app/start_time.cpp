// Start: from launching a process to its main window's first paint, offscreen.

#include "console_watch.h"
#include "figures.h"
#include "stats.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <string>

namespace bench {

namespace {

// Starts `program`, which prints the steady clock's seconds when its window has been painted and exits.
double launchToShown(const std::string& program) {
    int out[2];
    if (::pipe2(out, O_CLOEXEC) != 0)
        throw std::runtime_error("pipe failed");
    std::string path = program;
    char* argv[] = {path.data(), nullptr};
    const double launched = nowSeconds();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execv(argv[0], argv);
        ::_exit(127);
    }
    ::close(out[1]);
    std::string text;
    char buf[128];
    for (;;) {
        pollfd p{out[0], POLLIN, 0};
        if (::poll(&p, 1, 10000) <= 0)
            break;
        const ssize_t n = ::read(out[0], buf, sizeof buf);
        if (n <= 0)
            break;
        text.append(buf, static_cast<std::size_t>(n));
    }
    ::close(out[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (pid < 0 || text.empty() || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        throw std::runtime_error("start: " + program + " did not report its window");
    return std::stod(text) - launched;
}

}  // namespace

Row startTime(const Settings& s) {
    const int runs = s.quick ? 3 : 21;
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i)
        ms.push_back(launchToShown(s.startProbe) * 1000.0);

    Row row;
    row.figure = "start";
    row.how = format("process start -> main window painted (offscreen); %d launches", runs);
    const double med = median(ms);
    row.measured = format("median %.0f ms (min %.0f, max %.0f)", med, percentile(ms, 0), percentile(ms, 100));
    row.goal = "median reported, <= 300 ms";
    row.verdict = med <= 300 ? Row::Verdict::met : Row::Verdict::missed;
    return row;
}

}  // namespace bench
