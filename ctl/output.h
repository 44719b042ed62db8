#pragma once

#include <QByteArray>
#include <QJsonObject>
#include <QString>

#include <functional>

namespace ctl {

// Standard output, a line at a time and flushed at once, so a script reading a pipe sees each report
// as it arrives. Once a write fails (the reader went away), everything after it is dropped and
// closed() says so; the program then winds down instead of writing into the void.
class output {
public:
    void line(const QString& text);  // terminal-safe
    void record(const QJsonObject& object);  // one JSON Lines record
    void write(const QByteArray& bytes);     // as it is
    bool closed() const { return broken; }
    // Called once, at the write that finds the reader gone.
    void onClosed(std::function<void()> handler) { closedHandler = std::move(handler); }

private:
    bool broken = false;
    std::function<void()> closedHandler;
};

// TEXT with every control character but line ends and tabs shown as \xNN, for a terminal.
QString terminalSafe(const QString& text);

// Standard error: "rx48p-ctl: " and the message, terminal-safe.
void diagnose(const QString& message);

}  // namespace ctl
