#pragma once

// rx48p-board-sim in a child process on a pseudo-terminal of its own, and what its log says it read
// and wrote. Qt Core only. The destructor stops a board still running, so a failed check leaves none.

#include <QProcess>
#include <QStringList>

#include <cstdint>
#include <vector>

namespace test_support {

class BoardSim {
public:
    BoardSim();  // the simulator built with the tests
    explicit BoardSim(QString program);
    ~BoardSim();
    BoardSim(const BoardSim&) = delete;
    BoardSim& operator=(const BoardSim&) = delete;

    // Starts the simulator; the path of its pseudo-terminal, or empty on failure.
    QString start(const QStringList& args);
    // SIGTERM, then 0 when it ended by that signal after its clean stop, the exit code when it exited on
    // its own, -1 when it had to be killed.
    int stop();

    // The log lines after "listening on" that start with `prefix`, without it.
    QStringList log(const QString& prefix = QString());
    // The frames the board read ("recv" lines) or wrote ("send" lines), as hex text, in order.
    QStringList framesReceived() { return firstWords(QStringLiteral("recv ")); }
    QStringList framesSent() { return firstWords(QStringLiteral("send ")); }
    // Every byte the board wrote, in order.
    std::vector<std::uint8_t> sentBytes();
    // The command names it read ("PING", "MES_STATIC", ...), in order; how often it read one.
    QStringList commandsReceived();
    int received(const QString& command) { return static_cast<int>(commandsReceived().count(command)); }
    // The buzzer commands, "BUZ_OK" or "BUZ_ER", one a judged part.
    QStringList buzzers();
    // True once the board has read `command` `count` times, false after `ms`.
    bool waitForReceived(const QString& command, int count = 1, int ms = 20000);

private:
    QStringList firstWords(const QString& prefix);

    QString program;
    QProcess process;
    QByteArray pending;
    QStringList lines;
};

}  // namespace test_support
