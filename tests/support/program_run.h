#pragma once

// A program under test as a child process: arguments, and optionally standard input, environment and
// working folder; a time-out after which it is killed; signals; and what it left when it ended.

#include <QByteArray>
#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

namespace test_support {

// Long enough for a board run under the sanitizers; a test that waits on purpose says so per call.
constexpr int defaultTimeoutMs = 30000;

struct Finished {
    int code = -1;         // the exit code; -1 when a signal ended the program
    int signal = 0;        // the signal that ended it, 0 when it exited
    bool timedOut = false; // still running at its time-out, and killed
    QString out, err;
    qint64 ms = 0;         // from the start to the end
    bool exited() const { return signal == 0 && !timedOut; }
};

class ProgramRun {
public:
    ProgramRun(QString program, QStringList args) : program(std::move(program)), args(std::move(args)) {}
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    // Set before start(). The input is written whole, then standard input is closed.
    ProgramRun& input(const QByteArray& bytes);
    ProgramRun& env(const QString& name, const QString& value);
    ProgramRun& folder(const QString& path);
    ProgramRun& timeout(int ms);

    bool start();
    // To the running program only: never to pid 0, this test's own process group, once it has ended.
    void signal(int sig);
    bool running() const { return process.state() != QProcess::NotRunning; }
    qint64 pid() const { return process.processId(); }
    // What it has written to standard output so far, left to be read by finish().
    QByteArray peekOut() { return process.peek(1 << 20); }
    bool waitForOutputLine(int ms);
    Finished finish();

private:
    QString program;
    QStringList args;
    QByteArray stdinBytes;
    bool hasInput = false;
    QProcessEnvironment environment;
    bool hasEnvironment = false;
    QString workingFolder;
    int limitMs = defaultTimeoutMs;
    QProcess process;
    QElapsedTimer clock;
};

// Starts `program` and waits for its end.
Finished run(const QString& program, const QStringList& args, int timeoutMs = defaultTimeoutMs);
// `program` with its standard output piped into the shell command `reader`, as a script does it: the
// program's exit status as the shell sees it (128 + N when signal N ended it), and what the reader printed.
Finished runInto(const QString& program, const QStringList& args, const QString& reader,
                 int timeoutMs = defaultTimeoutMs);

}  // namespace test_support
