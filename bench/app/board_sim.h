#pragma once

// rx48p-board-sim in a child process with a time-stamped log. A thread reads the log as it comes, so
// the board never blocks on a full pipe, and keeps the time of every frame the board sent.

#include <sys/types.h>

#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace bench {

class BoardSim {
public:
    // Starts the simulator with `args` and waits for its pseudo-terminal. Throws std::runtime_error.
    BoardSim(const std::string& program, const std::vector<std::string>& args);
    ~BoardSim();
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    const std::string& path() const { return ptyPath; }
    // When the board wrote each frame whose log text contains `what` (steady clock, seconds), in order.
    std::vector<double> sendTimes(const std::string& what) const;
    // Ends the simulator; its pseudo-terminal closes with it.
    void stop();

private:
    struct sent {
        double time;
        std::string text;
    };
    void readLog();

    pid_t pid = -1;
    int logFd = -1;
    std::string ptyPath;
    std::string pending;
    mutable std::mutex sentMutex;
    std::vector<sent> sentFrames;
    std::thread reader;
};

}  // namespace bench
