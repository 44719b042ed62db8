#pragma once

// The real main window, shown (offscreen under QT_QPA_PLATFORM=offscreen), driven as the operator would
// except for opening the line: a pseudo-terminal is not in the port list, so that goes through the link.

#include "app/main_window.h"

#include <QPushButton>
#include <QString>
#include <QTextEdit>

#include <string>

namespace bench {

class BenchWindow {
public:
    BenchWindow();
    BenchWindow(const BenchWindow&) = delete;
    BenchWindow& operator=(const BenchWindow&) = delete;

    MainWindow& window() { return main; }
    QTextEdit& console();
    // Opens `path` and waits for the window's connected look; false on time-out.
    bool connectTo(const std::string& path, int timeoutMs = 3000);
    // The command panel's button with this text; throws std::runtime_error when there is none.
    QPushButton& button(const QString& text);

private:
    MainWindow main;
};

}  // namespace bench
