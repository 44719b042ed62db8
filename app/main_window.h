#pragma once

#include "device/command_panel.h"
#include "device/endpoints.h"
#include "link/port_manager.h"
#include "link/rx48p_serialport.h"
#include "vexcom/vexcom_interpreter.h"

#include <QAction>
#include <QHBoxLayout>
#include <QList>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QWidget>

#include <cstdint>
#include <vector>

class MainWindowProbe;  // test access to the members

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    QString pinTypeName(uint8_t code);

public slots:
    void onRefreshCOM();
    void onConnectToCOM(QString port_name);
    void onRX48PConneted();
    void onRX48PDisconneted();
    void onDisconnectCOM();
    void onSendCmd(tarnwell::endpoints cmd, std::vector<uint8_t> data);
    void onDataReceived(std::vector<uint8_t> data);
    void onDataSent(QString txt);
    void onButtonClearClicked();
    void helpOnline();

private:
    friend class MainWindowProbe;

    // Report handlers, called by the frame parser with each frame's acknowledge and payload.
    void onAckIdle(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onPingEcho(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckConfig(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckDetectInsert(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckMesStatic(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckMesButtonMech(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckMesButtonCap(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckDetectRemove(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckBuzEr(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onAckBuzOk(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onInsertDetected(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onStaticMeasure(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onButtonMeasure(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onCapacitiveMeasure(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onRemoveDetected(vex_com::acknowledge ack, std::vector<uint8_t> payload);
    void onCalibrationDone(vex_com::acknowledge ack, std::vector<uint8_t> payload);

    void registerReportHandlers();
    void interpretReportingIncidents(const std::vector<uint8_t>& data);

    QMenuBar mainMenu;
    QAction* actionAbout;
    QWidget mainWidget;
    QVBoxLayout mainLayout;
    UI_comPortManager portManager;
    QHBoxLayout workRow;
    QVBoxLayout logColumn;
    QTextEdit logConsole;
    QHBoxLayout clearRow;
    QPushButton buttonClear;
    UI_ButtonCmd buttonCmd;
    QList<QSerialPortInfo> ports;
    rx48p_serialport serial;
    vex_com::interpreter interpreter;
};
