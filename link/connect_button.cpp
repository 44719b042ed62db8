#include "link/connect_button.h"

Connect_button::Connect_button(QWidget* parent) : QPushButton(parent), isConnected(false) {}
void Connect_button::setConnectedState(bool state) { isConnected = state; }
bool Connect_button::event(QEvent* e) { return QPushButton::event(e); }
