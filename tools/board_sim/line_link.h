#pragma once

// --link: a fixed name for the line, as a symbolic link, for as long as the simulator serves it.

#include <string>

namespace board_sim {

class line_link {
public:
    // Makes `path` a symbolic link to `target`. Replaces a symbolic link at `path`, refuses anything
    // else there; throws sim_error(proc::exit_port). The caller holds the name's link_lock, so a link
    // there is stale, not another running simulator's.
    line_link(std::string path, std::string target);
    // Removes the link if it still points at `target`: another simulator may have taken the name over.
    ~line_link();
    line_link(const line_link&) = delete;
    line_link& operator=(const line_link&) = delete;

    // Leaves the link to another process (the background one of --detach), which removes it.
    void release() { path.clear(); }

private:
    std::string path;
    std::string target;
};

}  // namespace board_sim
