#include "device/command_panel.h"

#include "device/payloads.h"

#include <QFont>
#include <QStandardItem>

namespace {
constexpr int blockSpacing = 10;
}  // namespace

UI_ButtonCmd::UI_ButtonCmd(QWidget* parent)
    : QWidget(parent),
      mainLayout(),
      title(QStringLiteral("Command pannel"), this),
      buttonPing(QStringLiteral("Ping (ID)"), this),
      configBlock(),
      labelConfig(QStringLiteral("Configuration:"), this),
      sensitivityRow(),
      labelSensitivity(QStringLiteral("Sensitivity:"), this),
      spinSensitivity(this),
      buzzerRow(),
      labelBuzzer(QStringLiteral("Buzzer:"), this),
      spinBuzzer(this),
      buttonConfig(QStringLiteral("Send config (CFG)"), this),
      buttonDetectInsert(QStringLiteral("Start insertion detection (DETECT_INSERT)"), this),
      buttonDetectRemove(QStringLiteral("Start remove detection (DETECT_REMOVE)"), this),
      buttonMesStatic(QStringLiteral("Do static measure (MES_STATIC)"), this),
      buttonMesButtonMech(QStringLiteral("Start button measure (MES_BUTTON_MECH)"), this),
      capBlock(),
      capRow(),
      labelCapPins(QStringLiteral("Capacitive pins:"), this),
      capPinList(this),
      buttonMesButtonCap(QStringLiteral("Start capacitiv measure (MES_BUTTON_CAP)"), this),
      buttonBuzError(QStringLiteral("Buzzer error (BUZ_ER)"), this),
      buttonBuzOk(QStringLiteral("Buzzer OK (BUZ_OK)"), this),
      buttonIdle(QStringLiteral("Stop (IDLE)"), this) {
    setLayout(&mainLayout);

    mainLayout.addWidget(&title, 0);
    QFont titleFont = title.font();
    titleFont.setPixelSize(14);
    title.setFont(titleFont);
    mainLayout.addSpacing(blockSpacing);

    mainLayout.addWidget(&buttonPing, 0);
    mainLayout.addLayout(&configBlock);
    configBlock.addWidget(&labelConfig, 0);
    configBlock.addLayout(&sensitivityRow);
    sensitivityRow.addWidget(&labelSensitivity, 0);
    sensitivityRow.addWidget(&spinSensitivity, 0);
    configBlock.addLayout(&buzzerRow);
    buzzerRow.addWidget(&labelBuzzer, 0);
    buzzerRow.addWidget(&spinBuzzer, 0);
    configBlock.addWidget(&buttonConfig, 0);
    mainLayout.addSpacing(blockSpacing);

    mainLayout.addWidget(&buttonDetectInsert, 0);
    mainLayout.addWidget(&buttonDetectRemove, 0);
    mainLayout.addSpacing(blockSpacing);

    mainLayout.addWidget(&buttonMesStatic, 0);
    mainLayout.addWidget(&buttonMesButtonMech, 0);
    mainLayout.addLayout(&capBlock);
    capBlock.addLayout(&capRow);
    capRow.addWidget(&labelCapPins, 0);
    capRow.addWidget(&capPinList, 0);
    capBlock.addWidget(&buttonMesButtonCap, 0);
    mainLayout.addSpacing(blockSpacing);

    mainLayout.addWidget(&buttonBuzError, 0);
    mainLayout.addWidget(&buttonBuzOk, 0);
    mainLayout.addSpacing(blockSpacing);
    mainLayout.addStretch(1);
    mainLayout.addWidget(&buttonIdle, 0);

    // The ranges are what keeps each CFG byte within what the board accepts.
    spinSensitivity.setRange(0, tarnwell::sensitivityMax);
    spinSensitivity.setValue(64);
    spinBuzzer.setRange(0, tarnwell::buzzerMax);
    spinBuzzer.setValue(100);

    capPinModel = std::make_unique<QStandardItemModel>(tarnwell::capPinCount, 1);
    for (int pin = 0; pin < tarnwell::capPinCount; ++pin) {
        auto item = std::make_unique<QStandardItem>(QStringLiteral("pin %0").arg(pin));
        // Checkable but not selectable: picking an item ticks it instead of choosing it.
        item->setFlags(Qt::ItemIsUserCheckable | Qt::ItemIsEnabled);
        item->setData(Qt::Unchecked, Qt::CheckStateRole);
        capPinModel->setItem(pin, 0, item.release());
    }
    capPinList.setModel(capPinModel.get());

    connect(&buttonPing, SIGNAL(clicked()), this, SLOT(on_ID_Clicked()));
    connect(&buttonConfig, SIGNAL(clicked()), this, SLOT(on_CFG_Clicked()));
    connect(&buttonDetectInsert, SIGNAL(clicked()), this, SLOT(on_DETECT_INSERT_Clicked()));
    connect(&buttonMesStatic, SIGNAL(clicked()), this, SLOT(on_MES_STATIC_Clicked()));
    connect(&buttonMesButtonMech, SIGNAL(clicked()), this, SLOT(on_MES_BUTTON_MECH_Clicked()));
    connect(&buttonMesButtonCap, SIGNAL(clicked()), this, SLOT(on_MES_BUTTON_CAP_Clicked()));
    connect(&buttonDetectRemove, SIGNAL(clicked()), this, SLOT(on_DETECT_REMOVE_Clicked()));
    connect(&buttonIdle, SIGNAL(clicked()), this, SLOT(on_set_idle_Clicked()));
    connect(&buttonBuzError, SIGNAL(clicked()), this, SLOT(on_hmi_error_Clicked()));
    connect(&buttonBuzOk, SIGNAL(clicked()), this, SLOT(on_hmi_ok_Clicked()));
}

UI_ButtonCmd::~UI_ButtonCmd() = default;

void UI_ButtonCmd::on_ID_Clicked() {
    emit sendCmd(tarnwell::ID, tarnwell::pingPayload());
}

void UI_ButtonCmd::on_CFG_Clicked() {
    tarnwell::board_config config;
    config.sensitivity = static_cast<std::uint8_t>(spinSensitivity.value() & 0xFF);
    config.buzzer = static_cast<std::uint8_t>(spinBuzzer.value() & 0xFF);
    emit sendCmd(tarnwell::CFG, tarnwell::configPayload(config));
}

void UI_ButtonCmd::on_DETECT_INSERT_Clicked() {
    emit sendCmd(tarnwell::DETECT_INSERT, {});
}

void UI_ButtonCmd::on_MES_STATIC_Clicked() {
    emit sendCmd(tarnwell::MES_STATIC, {});
}

void UI_ButtonCmd::on_MES_BUTTON_MECH_Clicked() {
    emit sendCmd(tarnwell::MES_BUTTON_MECH, {});
}

void UI_ButtonCmd::on_MES_BUTTON_CAP_Clicked() {
    std::vector<std::uint8_t> pins;
    for (int pin = 0; pin < tarnwell::capPinCount; ++pin) {
        if (capPinModel->index(pin, 0).data(Qt::CheckStateRole).toInt() == Qt::Checked)
            pins.push_back(static_cast<std::uint8_t>(pin));
    }
    emit sendCmd(tarnwell::MES_BUTTON_CAP, pins);
}

void UI_ButtonCmd::on_DETECT_REMOVE_Clicked() {
    emit sendCmd(tarnwell::DETECT_REMOVE, {});
}

void UI_ButtonCmd::on_set_idle_Clicked() {
    emit sendCmd(tarnwell::IDLE, {});
}

void UI_ButtonCmd::on_hmi_error_Clicked() {
    emit sendCmd(tarnwell::BUZ_ER, {});
}

void UI_ButtonCmd::on_hmi_ok_Clicked() {
    emit sendCmd(tarnwell::BUZ_OK, {});
}
