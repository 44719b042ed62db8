#include "operator/trouble_banner.h"

#include "operator/window_texts.h"

namespace op {

trouble_banner::trouble_banner(QWidget* parent) : QFrame(parent), row(this), reconnect(tr("&Reconnect")) {
    setAutoFillBackground(true);
    setFrameShape(QFrame::NoFrame);
    row.setContentsMargins(16, 10, 16, 10);
    QFont f;
    f.setPointSize(15);
    f.setBold(true);
    message.setFont(f);
    message.setWordWrap(true);
    message.setTextFormat(Qt::PlainText);  // it quotes serials, paths and what a server said
    reconnect.setFont(f);
    reconnect.setMinimumHeight(44);
    row.addWidget(&message, 1);
    row.addWidget(&reconnect);
    connect(&reconnect, &QPushButton::clicked, this, &trouble_banner::reconnectClicked);
    setVisible(false);
    reconnect.setVisible(false);
}

void trouble_banner::display(const banner& b) {
    const bool visible = b.what != banner::kind::none;
    const QString text = window_texts::bannerText(b);
    if (message.text() != text)
        message.setText(text);
    reconnect.setVisible(b.offersReconnect);
    if (b.what != shown) {
        // Amber for the server, which the station works around; red for what stopped it.
        const bool warning = b.warning();
        QPalette p = palette();
        p.setColor(QPalette::Window, warning ? QColor(0xff, 0xe0, 0x82) : QColor(0xb7, 0x1c, 0x1c));
        p.setColor(QPalette::WindowText, warning ? QColor(0x33, 0x29, 0x00) : QColor(Qt::white));
        setPalette(p);
        shown = b.what;
    }
    setVisible(visible);
}

}  // namespace op
