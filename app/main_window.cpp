#include "app/main_window.h"

#include "app/about_dialog.h"
#include "app/selection_set_aside.h"
#include "device/incident_feed.h"
#include "device/protocol_config.h"
#include "device/reports.h"
#include "link/hex_text.h"

#include <QMetaType>

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent),
      mainMenu(this),
      actionAbout(nullptr),
      mainWidget(this),
      mainLayout(),
      portManager(&mainWidget),
      workRow(),
      logColumn(),
      logConsole(&mainWidget),
      clearRow(),
      buttonClear(QStringLiteral("Clear"), &mainWidget),
      buttonCmd(&mainWidget),
      ports(),
      serial(),
      interpreter(tarnwell::protocolConfig()) {
    qRegisterMetaType<std::vector<uint8_t>>("std::vector<uint8_t>");
    qRegisterMetaType<tarnwell::endpoints>("tarnwell::endpoints");

    setMenuBar(&mainMenu);
    actionAbout = mainMenu.addAction(QStringLiteral("About"));

    setCentralWidget(&mainWidget);
    mainWidget.setLayout(&mainLayout);

    mainLayout.addWidget(&portManager, 0);
    mainLayout.addLayout(&workRow, 0);
    workRow.addLayout(&logColumn, 1);
    logColumn.addWidget(&logConsole, 1);
    logConsole.setMinimumWidth(400);
    logColumn.addLayout(&clearRow, 0);
    clearRow.addStretch(1);
    clearRow.addWidget(&buttonClear, 0);
    workRow.addWidget(&buttonCmd, 0);

    buttonCmd.setEnabled(false);
    logConsole.setEnabled(false);
    logConsole.setFontFamily(QStringLiteral("Courier New"));
    logConsole.setReadOnly(true);
    logConsole.setTabStopDistance(30);
    buttonClear.setEnabled(false);

    connect(&portManager, SIGNAL(refreshList()), this, SLOT(onRefreshCOM()));
    connect(&portManager, SIGNAL(connectToCOM(QString)), this, SLOT(onConnectToCOM(QString)));
    connect(&portManager, SIGNAL(disconnectCOM()), this, SLOT(onDisconnectCOM()));
    connect(&buttonCmd, SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)), this,
            SLOT(onSendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
    connect(&serial, SIGNAL(dataReceived(std::vector<uint8_t>)), this, SLOT(onDataReceived(std::vector<uint8_t>)));
    connect(&serial, SIGNAL(dataSent(QString)), this, SLOT(onDataSent(QString)));
    connect(&serial, SIGNAL(connected()), this, SLOT(onRX48PConneted()));
    connect(&serial, SIGNAL(disconnected()), this, SLOT(onRX48PDisconneted()));
    connect(&buttonClear, SIGNAL(clicked()), this, SLOT(onButtonClearClicked()));
    connect(actionAbout, SIGNAL(triggered()), this, SLOT(helpOnline()));

    registerReportHandlers();
    onRefreshCOM();
}

MainWindow::~MainWindow() {
    delete actionAbout;
}

void MainWindow::registerReportHandlers() {
    using Handler = void (MainWindow::*)(vex_com::acknowledge, std::vector<uint8_t>);
    struct Entry {
        tarnwell::endpoints endpoint;
        Handler handler;
    };
    static const Entry table[] = {
        {tarnwell::IDLE, &MainWindow::onAckIdle},
        {tarnwell::ID, &MainWindow::onPingEcho},
        {tarnwell::CFG, &MainWindow::onAckConfig},
        {tarnwell::DETECT_INSERT, &MainWindow::onAckDetectInsert},
        {tarnwell::MES_STATIC, &MainWindow::onAckMesStatic},
        {tarnwell::MES_BUTTON_MECH, &MainWindow::onAckMesButtonMech},
        {tarnwell::MES_BUTTON_CAP, &MainWindow::onAckMesButtonCap},
        {tarnwell::DETECT_REMOVE, &MainWindow::onAckDetectRemove},
        {tarnwell::BUZ_ER, &MainWindow::onAckBuzEr},
        {tarnwell::BUZ_OK, &MainWindow::onAckBuzOk},
        {tarnwell::ON_INSERT, &MainWindow::onInsertDetected},
        {tarnwell::ON_STATIC_MES, &MainWindow::onStaticMeasure},
        {tarnwell::ON_BUTTON_MECH, &MainWindow::onButtonMeasure},
        {tarnwell::ON_BUTTON_CAP, &MainWindow::onCapacitiveMeasure},
        {tarnwell::ON_REMOVE, &MainWindow::onRemoveDetected},
        {tarnwell::ON_CALIB_DONE, &MainWindow::onCalibrationDone},
    };
    for (const Entry& entry : table) {
        const Handler handler = entry.handler;
        interpreter.add_handler(entry.endpoint, [this, handler](vex_com::acknowledge ack, std::vector<uint8_t> payload) {
            (this->*handler)(ack, std::move(payload));
        });
    }
}

// --- port row and link ---------------------------------------------------------------------------

void MainWindow::onRefreshCOM() {
    ports = QSerialPortInfo::availablePorts();
    QStringList names;
    for (const QSerialPortInfo& info : ports)
        names.append(info.portName());
    portManager.updatePortList(names);
}

void MainWindow::onConnectToCOM(QString port_name) {
    for (const QSerialPortInfo& info : ports) {
        if (info.portName() == port_name)
            serial.connectPort(info);
    }
}

void MainWindow::onRX48PConneted() {
    interpreter.reset();
    portManager.setConnected();
    buttonCmd.setEnabled(true);
    logConsole.setEnabled(true);
    buttonClear.setEnabled(true);
}

void MainWindow::onRX48PDisconneted() {
    portManager.setDisconnected();
    buttonCmd.setEnabled(false);
    logConsole.setEnabled(false);
    buttonClear.setEnabled(false);
}

void MainWindow::onDisconnectCOM() {
    serial.disconnectPort();
}

void MainWindow::onSendCmd(tarnwell::endpoints cmd, std::vector<uint8_t> data) {
    serial.sendCommand(static_cast<uint8_t>(cmd), data);
}

// --- log console ---------------------------------------------------------------------------------

void MainWindow::onDataReceived(std::vector<uint8_t> data) {
    const SelectionSetAside keepSelection(logConsole);
    logConsole.setTextColor(Qt::red);
    logConsole.append(QStringLiteral("<= ") + hexText(data.data(), data.size()));
    interpretReportingIncidents(data);
}

void MainWindow::interpretReportingIncidents(const std::vector<uint8_t>& data) {
    tarnwell::interpretReportingIncidents(interpreter, data, [this](const QString& line) { logConsole.append(line); });
}

void MainWindow::onDataSent(QString txt) {
    const SelectionSetAside keepSelection(logConsole);
    logConsole.setTextColor(Qt::blue);
    logConsole.append(QStringLiteral("=> ") + txt);
}

void MainWindow::onButtonClearClicked() {
    logConsole.clear();
}

void MainWindow::helpOnline() {
    auto* dialog = new AboutDialog(this);  // deletes itself on close
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setModal(true);
    dialog->show();
}

// --- reports -------------------------------------------------------------------------------------

QString MainWindow::pinTypeName(uint8_t code) {
    return tarnwell::pinTypeName(code);
}

void MainWindow::onAckIdle(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::IDLE));
}
void MainWindow::onPingEcho(vex_com::acknowledge, std::vector<uint8_t> payload) {
    logConsole.append(tarnwell::pingReport(payload));
}
void MainWindow::onAckConfig(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::CFG));
}
void MainWindow::onAckDetectInsert(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::DETECT_INSERT));
}
void MainWindow::onAckMesStatic(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::MES_STATIC));
}
void MainWindow::onAckMesButtonMech(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::MES_BUTTON_MECH));
}
void MainWindow::onAckMesButtonCap(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::MES_BUTTON_CAP));
}
void MainWindow::onAckDetectRemove(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::DETECT_REMOVE));
}
void MainWindow::onAckBuzEr(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::BUZ_ER));
}
void MainWindow::onAckBuzOk(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::BUZ_OK));
}
void MainWindow::onInsertDetected(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::ON_INSERT));
}
void MainWindow::onStaticMeasure(vex_com::acknowledge, std::vector<uint8_t> payload) {
    logConsole.append(tarnwell::pinPairReport(tarnwell::ON_STATIC_MES, payload));
}
void MainWindow::onButtonMeasure(vex_com::acknowledge, std::vector<uint8_t> payload) {
    logConsole.append(tarnwell::pinPairReport(tarnwell::ON_BUTTON_MECH, payload));
}
void MainWindow::onCapacitiveMeasure(vex_com::acknowledge, std::vector<uint8_t> payload) {
    logConsole.append(tarnwell::capacitiveReport(payload));
}
void MainWindow::onRemoveDetected(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::ON_REMOVE));
}
void MainWindow::onCalibrationDone(vex_com::acknowledge, std::vector<uint8_t>) {
    logConsole.append(tarnwell::fixedReport(tarnwell::ON_CALIB_DONE));
}
