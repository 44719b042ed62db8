#pragma once

#include <QPushButton>

// Shows the connection state the link reported; under the pointer it names what a click would do.
class Connect_button : public QPushButton {
    Q_OBJECT
public:
    explicit Connect_button(QWidget* parent);

    void setConnectedState(bool state);

protected:
    bool event(QEvent* e) override;

private:
    bool isConnected;
};
