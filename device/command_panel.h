#pragma once

#include "device/endpoints.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <vector>

// The column of command buttons: each builds its command's payload and emits sendCmd.
class UI_ButtonCmd : public QWidget {
    Q_OBJECT
public:
    explicit UI_ButtonCmd(QWidget* parent);
    ~UI_ButtonCmd() override;

signals:
    void sendCmd(tarnwell::endpoints cmd, std::vector<uint8_t> data);

private slots:
    void on_ID_Clicked();
    void on_CFG_Clicked();
    void on_DETECT_INSERT_Clicked();
    void on_MES_STATIC_Clicked();
    void on_MES_BUTTON_MECH_Clicked();
    void on_MES_BUTTON_CAP_Clicked();
    void on_DETECT_REMOVE_Clicked();
    void on_set_idle_Clicked();
    void on_hmi_error_Clicked();
    void on_hmi_ok_Clicked();

private:
    QVBoxLayout mainLayout;
    QLabel title;
    QPushButton buttonPing;
    QVBoxLayout configBlock;
    QLabel labelConfig;
    QHBoxLayout sensitivityRow;
    QLabel labelSensitivity;
    QSpinBox spinSensitivity;
    QHBoxLayout buzzerRow;
    QLabel labelBuzzer;
    QSpinBox spinBuzzer;
    QPushButton buttonConfig;
    QPushButton buttonDetectInsert;
    QPushButton buttonDetectRemove;
    QPushButton buttonMesStatic;
    QPushButton buttonMesButtonMech;
    QVBoxLayout capBlock;
    QHBoxLayout capRow;
    QLabel labelCapPins;
    QComboBox capPinList;
    QPushButton buttonMesButtonCap;
    QPushButton buttonBuzError;
    QPushButton buttonBuzOk;
    QPushButton buttonIdle;
    // Made without a parent and kept for the panel's whole life.
    std::unique_ptr<QStandardItemModel> capPinModel;
};
