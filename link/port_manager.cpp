#include "link/port_manager.h"

UI_comPortManager::UI_comPortManager(QWidget* parent) : QWidget(parent), connectButton(this) {}
void UI_comPortManager::updatePortList(QStringList) {}
void UI_comPortManager::setConnected() {}
void UI_comPortManager::setDisconnected() {}
void UI_comPortManager::onButtonRefreshClicked() {}
void UI_comPortManager::onButtonConnectClicked() {}
