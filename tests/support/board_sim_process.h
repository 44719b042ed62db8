#pragma once

// rx48p-board-sim in a child process, on a pseudo-terminal of its own. Qt Core only.

#include <QByteArray>
#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <vector>

class BoardSimProcess {
public:
    explicit BoardSimProcess(QString program) : program(std::move(program)) {}
    ~BoardSimProcess();
    BoardSimProcess(const BoardSimProcess&) = delete;
    BoardSimProcess& operator=(const BoardSimProcess&) = delete;

    // Starts the simulator; the path of its pseudo-terminal, or empty on failure.
    QString start(const QStringList& args);
    // SIGTERM, then the exit code (-1 when it did not end normally).
    int stop();
    // The log lines after "listening on" that start with `prefix`, without it.
    QStringList log(const QString& prefix = QString());
    // The frames the board read ("recv" lines) or wrote ("send" lines), as hex text, in order.
    QStringList framesReceived() { return firstWords(QStringLiteral("recv ")); }
    QStringList framesSent() { return firstWords(QStringLiteral("send ")); }

private:
    QStringList firstWords(const QString& prefix);

    QString program;
    QProcess process;
    QByteArray pending;
    QStringList lines;
};
