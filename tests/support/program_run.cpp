#include "program_run.h"

#include <QTest>

#include <csignal>

namespace test_support {

ProgramRun::~ProgramRun() {
    if (running()) {
        process.kill();
        process.waitForFinished(5000);
    }
}

ProgramRun& ProgramRun::input(const QByteArray& bytes) {
    stdinBytes = bytes;
    hasInput = true;
    return *this;
}

ProgramRun& ProgramRun::env(const QString& name, const QString& value) {
    if (!hasEnvironment)
        environment = QProcessEnvironment::systemEnvironment();
    hasEnvironment = true;
    environment.insert(name, value);
    return *this;
}

ProgramRun& ProgramRun::folder(const QString& path) {
    workingFolder = path;
    return *this;
}

ProgramRun& ProgramRun::timeout(int ms) {
    limitMs = ms;
    return *this;
}

bool ProgramRun::start() {
    if (hasEnvironment)
        process.setProcessEnvironment(environment);
    if (!workingFolder.isEmpty())
        process.setWorkingDirectory(workingFolder);
    clock.start();
    process.start(program, args);
    if (!process.waitForStarted(5000))
        return false;
    if (hasInput) {
        process.write(stdinBytes);
        process.closeWriteChannel();
    }
    return true;
}

void ProgramRun::signal(int sig) {
    if (const qint64 pid = process.processId(); pid > 0 && running())
        ::kill(static_cast<pid_t>(pid), sig);
}

bool ProgramRun::waitForOutputLine(int ms) {
    return QTest::qWaitFor([&] { return process.canReadLine(); }, ms);
}

Finished ProgramRun::finish() {
    Finished f;
    const qint64 left = limitMs - clock.elapsed();
    if (running() && !process.waitForFinished(static_cast<int>(std::max<qint64>(left, 1)))) {
        f.timedOut = true;
        process.kill();
        process.waitForFinished(5000);
    }
    f.ms = clock.elapsed();
    if (process.exitStatus() == QProcess::NormalExit && !f.timedOut) {
        f.code = process.exitCode();
    } else {
        f.signal = process.exitCode();  // QProcess gives the signal's number for a process a signal ended
        if (f.signal == 0)
            f.signal = SIGKILL;
    }
    f.out = QString::fromUtf8(process.readAllStandardOutput());
    f.err = QString::fromUtf8(process.readAllStandardError());
    return f;
}

Finished run(const QString& program, const QStringList& args, int timeoutMs) {
    ProgramRun p(program, args);
    p.timeout(timeoutMs).start();
    return p.finish();
}

Finished runInto(const QString& program, const QStringList& args, const QString& reader, int timeoutMs) {
    const QString pipeline = QStringLiteral("\"$0\" \"$@\" | %1; exit ${PIPESTATUS[0]}").arg(reader);
    return run(QStringLiteral("bash"), QStringList{"-c", pipeline, program} + args, timeoutMs);
}

}  // namespace test_support
