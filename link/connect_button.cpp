#include "link/connect_button.h"

#include <QEvent>
#include <QStyle>
#include <QStyleOptionButton>

namespace {
const char* const disconnectedSheet = "QPushButton:hover{background-color: #B6D7A8;}";
const char* const connectedSheet = "QPushButton:hover{background-color: #EA9999;}";
const char* const allTexts[] = {"Connect", "Disconnect", "Connected", "Disconnected"};
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
    const bool result = QPushButton::event(e);
    // After the push button's own handling: polishing may have changed the font or the style.
    if (e->type() == QEvent::FontChange || e->type() == QEvent::StyleChange || e->type() == QEvent::Polish)
        fitWidestText();
    return result;
}

// The width the style gives a push button around each text, in the current font, with and without the
// pointer over it; the widest of them.
void Connect_button::fitWidestText() {
    QStyleOptionButton option;
    initStyleOption(&option);
    int widest = 0;
    for (const bool hovered : {false, true}) {
        option.state.setFlag(QStyle::State_MouseOver, hovered);
        for (const char* text : allTexts) {
            option.text = QString::fromLatin1(text);
            const QSize contents = fontMetrics().size(Qt::TextShowMnemonic, option.text);
            widest = qMax(widest, style()->sizeFromContents(QStyle::CT_PushButton, &option, contents, this).width());
        }
    }
    setFixedWidth(widest);
}
