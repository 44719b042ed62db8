#pragma once

// rx48p-board-sim in a child process, and the real main window driven as an operator would: buttons by
// their text. Only the opening of the line goes through the link itself, since a pseudo-terminal is not
// in the port list.

#include "app/main_window.h"
#include "board_sim.h"

#include <QStringList>

#include <cstdint>
#include <vector>

namespace e2e {

using Bytes = std::vector<std::uint8_t>;

using BoardSim = test_support::BoardSim;

// Opens `path` through the link and waits for the window's connected look.
bool connectTo(MainWindow& w, const QString& path);
// False when there is no enabled button with that text under `root`.
bool click(QWidget& root, const QString& text);
// Each console line as "blue|=> ..." or "red|\tACK ...": the colour its characters are written in, then
// the text; a line in two colours shows as "red+blue|...".
QStringList consoleLines(MainWindow& w);
// The bytes of every red "<= " line, joined in order.
Bytes receivedBytes(const QStringList& consoleLines);

}  // namespace e2e
