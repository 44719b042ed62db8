#pragma once

// Who serves a --link name. Beside the link PATH lies a lock file, PATH.lock, that a simulator holds with
// flock() for as long as it runs and that names its process id. The kernel lets go of the lock however
// the process ends, SIGKILL included, so a link whose lock nobody holds is stale and may be replaced,
// while one whose lock is held belongs to a live board that a second simulator must not steal.

#include <sys/types.h>

#include <string>

namespace board_sim {

class link_lock {
public:
    // Takes the lock of the link `link_path`. Throws sim_error(proc::exit_port) when a running simulator
    // holds it, naming that process, or when the lock file cannot be made.
    explicit link_lock(const std::string& link_path);
    // Removes the lock file while it still holds the lock, so nobody takes a name on its way out.
    ~link_lock();
    link_lock(const link_lock&) = delete;
    link_lock& operator=(const link_lock&) = delete;

    // Names `pid` as the holder: the background process of --detach.
    void name_holder(pid_t pid);
    // Leaves the lock to another process that shares it (the background one of --detach), which removes
    // the file: this process only closes its own descriptor.
    void release();

private:
    std::string path;  // the lock file
    int fd = -1;
};

}  // namespace board_sim
