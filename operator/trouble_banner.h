#pragma once

#include "operator/station_session.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace op {

// Trouble across the window in words that say what to do, with Reconnect where a new run is the cure.
// Hidden while there is none.
class trouble_banner : public QFrame {
    Q_OBJECT
public:
    explicit trouble_banner(QWidget* parent = nullptr);
    void display(const banner& b);
    QString text() const { return message.text(); }
    QPushButton& reconnectButton() { return reconnect; }

signals:
    void reconnectClicked();

private:
    QHBoxLayout row;
    QLabel message;
    QPushButton reconnect;
    banner::kind shown = banner::kind::none;
};

}  // namespace op
