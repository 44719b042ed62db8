#pragma once

#include "link/connect_button.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QStringList>
#include <QWidget>

// The port row: Refresh, the list of port names, and the connect button.
class UI_comPortManager : public QWidget {
    Q_OBJECT
public:
    explicit UI_comPortManager(QWidget* parent);

    void updatePortList(QStringList names);
    void setConnected();
    void setDisconnected();

signals:
    void refreshList();
    void connectToCOM(QString port_name);
    void disconnectCOM();

private slots:
    void onButtonRefreshClicked();
    void onButtonConnectClicked();

private:
    bool isConnected = false;
    QHBoxLayout layout;
    QPushButton refreshButton;
    QComboBox portCombo;
    Connect_button connectButton;
};
