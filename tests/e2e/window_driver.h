#pragma once

// Drives the real main window as an operator would: buttons by their text, the spin boxes beside their
// labels, the capacitive pins by their check state. Only the opening of the line goes through the link
// itself, since a pseudo-terminal is not in the port list.

#include "app/main_window.h"

#include <QPushButton>
#include <QSpinBox>
#include <QString>
#include <QStringList>

#include <vector>

namespace e2e {

// Opens `path` through the link and waits for the window's connected look.
bool connectTo(MainWindow& w, const QString& path, int timeoutMs = 3000);
// Clicks the port row's connect button while connected and waits for the disconnected look.
bool disconnectWithButton(MainWindow& w, int timeoutMs = 3000);
bool looksConnected(MainWindow& w);

QPushButton* buttonByText(QWidget& root, const QString& text);
// False when there is no enabled button with that text.
bool click(QWidget& root, const QString& text);
QSpinBox* spinBoxBeside(QWidget& root, const QString& label);
// Selects the box's text and types `text` over it, then Enter.
void typeInto(QSpinBox& box, const QString& text);
// Ticks the capacitive pins, in the order given.
void tickPins(MainWindow& w, const std::vector<int>& pins);

// Each console line as "blue|=> ..." or "red|\tACK ...": the colour its characters are written in, then
// the text. A report with line feeds gives one entry per line.
QStringList consoleLines(MainWindow& w);
// The console lines in `colour`, without it, and without the raw "=> " and "<= " lines when
// `reportsOnly`.
QStringList linesIn(const QStringList& lines, const QString& colour, bool reportsOnly);
// The bytes of every "<= " line, joined in order.
std::vector<std::uint8_t> receivedBytes(const QStringList& lines);

}  // namespace e2e
