#include "line_link.h"

#include "sim_error.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <utility>

namespace board_sim {

namespace {

std::string link_target(const std::string& path) {
    char buffer[4096];
    const ssize_t n = ::readlink(path.c_str(), buffer, sizeof buffer);
    return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : std::string();
}

}  // namespace

line_link::line_link(std::string link_path, std::string link_target_path)
    : target(std::move(link_target_path)) {
    struct stat st {};
    if (::lstat(link_path.c_str(), &st) == 0 && !S_ISLNK(st.st_mode))
        throw sim_error(proc::exit_port, "'" + link_path + "' exists and is not a symbolic link; not replacing it");
    // Made under another name and renamed over the old link, so a reader never finds the name missing.
    const std::string fresh = link_path + ".rx48p-board-sim." + std::to_string(::getpid());
    ::unlink(fresh.c_str());
    if (::symlink(target.c_str(), fresh.c_str()) != 0 || ::rename(fresh.c_str(), link_path.c_str()) != 0) {
        const std::string reason = std::strerror(errno);
        ::unlink(fresh.c_str());
        throw sim_error(proc::exit_port, "cannot make the link '" + link_path + "': " + reason);
    }
    path = std::move(link_path);
}

line_link::~line_link() {
    if (!path.empty() && link_target(path) == target)
        ::unlink(path.c_str());
}

}  // namespace board_sim
