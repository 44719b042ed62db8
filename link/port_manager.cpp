#include "link/port_manager.h"

UI_comPortManager::UI_comPortManager(QWidget* parent)
    : QWidget(parent), layout(), refreshButton(QStringLiteral("Refresh"), this), portCombo(this), connectButton(this) {
    setLayout(&layout);
    layout.addWidget(&refreshButton, 0);
    layout.addWidget(&portCombo, 1);
    layout.addWidget(&connectButton, 0);
    setDisconnected();
    connect(&connectButton, SIGNAL(clicked()), this, SLOT(onButtonConnectClicked()));
    connect(&refreshButton, SIGNAL(clicked()), this, SLOT(onButtonRefreshClicked()));
}

void UI_comPortManager::updatePortList(QStringList names) {
    portCombo.clear();
    for (const QString& name : names)
        portCombo.addItem(name);
    connectButton.setEnabled(!names.isEmpty());
}

void UI_comPortManager::setConnected() {
    isConnected = true;
    refreshButton.setEnabled(false);
    portCombo.setEnabled(false);
    connectButton.setConnectedState(true);
    connectButton.setEnabled(true);
}

// The connect button stays usable even with an empty list; a click then names no port and does nothing.
void UI_comPortManager::setDisconnected() {
    isConnected = false;
    refreshButton.setEnabled(true);
    portCombo.setEnabled(true);
    connectButton.setConnectedState(false);
    connectButton.setEnabled(true);
}

void UI_comPortManager::onButtonRefreshClicked() {
    emit refreshList();
}

// Follows the state the link reported, not the last click: a second click while opening is another connect.
void UI_comPortManager::onButtonConnectClicked() {
    if (isConnected)
        emit disconnectCOM();
    else
        emit connectToCOM(portCombo.currentText());
}
