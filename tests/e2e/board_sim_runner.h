#pragma once

// rx48p-board-sim in a child process, with its log gathered as the event loop runs.

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <vector>

class BoardSimRunner {
public:
    BoardSimRunner() = default;
    ~BoardSimRunner();
    BoardSimRunner(const BoardSimRunner&) = delete;
    BoardSimRunner& operator=(const BoardSimRunner&) = delete;

    // Starts the simulator on a pseudo-terminal of its own; the path to open, or empty on failure.
    QString start(const QStringList& args);
    // SIGTERM, then the exit code (-1 when it did not end normally).
    int stop();

    // The log so far, without its "listening on" line.
    QStringList log();
    // The bytes of the frames the board received ("recv" lines), as the terminal's console writes them.
    QStringList receivedFrames();
    // Everything the board put on the line ("send" lines), in order.
    std::vector<std::uint8_t> sentBytes();
    // The decoded part of the "recv" lines, e.g. "CFG sensitivity 64, buzzer 100".
    QStringList receivedCommands();

private:
    void readLog();

    QProcess process;
    QByteArray pending;
    QStringList lines;
};

// "55:0a:ff" back to bytes.
std::vector<std::uint8_t> bytesOfHex(const QString& hex);
