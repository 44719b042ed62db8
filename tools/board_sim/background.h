#pragma once

// --log and --detach: where the log goes, and the move into a background process once the line is
// ready, so that a script's next command finds the line there.

#include <sys/types.h>

#include <string>

namespace board_sim {

// Points standard output, the log, at `path`, replaced. Throws sim_error(proc::exit_usage), as for any
// output file a user names that cannot be written.
void log_to_file(const std::string& path);

// The caller's standard output, kept for the background process's id while the log goes elsewhere.
class id_output {
public:
    id_output();  // throws sim_error(proc::exit_output_closed)
    ~id_output();
    id_output(const id_output&) = delete;
    id_output& operator=(const id_output&) = delete;

    // Writes "PID\n"; false when it could not.
    bool print(pid_t pid) const;
    // The background process lets go of it, so that a reader such as $(...) sees its end.
    void close();

private:
    int fd;
};

// Forks. Returns the background process's id in the caller, and 0 in the background process, which is
// then in a session of its own with standard input from /dev/null and standard error joined to the
// log. Throws sim_error(proc::exit_port) when there can be no such process: nothing would serve the line.
pid_t go_background();

}  // namespace board_sim
