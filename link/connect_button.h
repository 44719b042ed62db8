#pragma once

#include <QPushButton>

// Shows the connection state the link reported; under the pointer it names what a click would do.
// Its width fits the widest of its texts, so the text a hover brings never moves it from under the
// pointer.
class Connect_button : public QPushButton {
    Q_OBJECT
public:
    explicit Connect_button(QWidget* parent);

    void setConnectedState(bool state);

protected:
    bool event(QEvent* e) override;

private:
    void fitWidestText();

    bool isConnected;
};
