#include "link/connect_button.h"

#include <QEvent>

namespace {
const char* const disconnectedSheet = "QPushButton:hover{background-color: #B6D7A8;}";
const char* const connectedSheet = "QPushButton:hover{background-color: #EA9999;}";
}  // namespace

Connect_button::Connect_button(QWidget* parent) : QPushButton(parent), isConnected(true) {
    // Starts from the opposite state so the call below really applies the disconnected look.
    setConnectedState(false);
    setText(QStringLiteral("Disconnected"));
}

void Connect_button::setConnectedState(bool state) {
    if (state == isConnected)
        return;
    const QString sheet = QString::fromLatin1(state ? connectedSheet : disconnectedSheet);
    // Under the pointer the text names the action a click would now take; elsewhere it waits for Leave.
    if (testAttribute(Qt::WA_UnderMouse))
        setText(state ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    setStyleSheet(sheet);
    isConnected = state;
    update();
}

bool Connect_button::event(QEvent* e) {
    if (e->type() == QEvent::Enter)
        setText(isConnected ? QStringLiteral("Disconnect") : QStringLiteral("Connect"));
    else if (e->type() == QEvent::Leave)
        setText(isConnected ? QStringLiteral("Connected") : QStringLiteral("Disconnected"));
    return QPushButton::event(e);
}
