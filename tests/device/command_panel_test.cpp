#include "device/command_panel.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(tarnwell::endpoints)

using PinStates = QList<QPair<int, int>>;  // (row, check state), applied in this order

class CommandPanelTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void membersInOrder();
    void capacitivePinItems();
    void buttonSendsItsCommand_data();
    void buttonSendsItsCommand();
    void configFromSpinBoxes_data();
    void configFromSpinBoxes();
    void configFromKeyboard();
    void capacitivePinsInRowOrder_data();
    void capacitivePinsInRowOrder();
    void disabledPanelSendsNothing();

private:
    QPushButton* button(const QString& text) const;
    QSpinBox* spin(int maximum) const;
    // Clicks and returns the one command the click sent.
    std::pair<int, QByteArray> click(const QString& text);

    std::unique_ptr<UI_ButtonCmd> panel;
};

void CommandPanelTest::initTestCase() {
    qRegisterMetaType<std::vector<uint8_t>>("std::vector<uint8_t>");
    qRegisterMetaType<tarnwell::endpoints>("tarnwell::endpoints");
}

void CommandPanelTest::init() {
    panel = std::make_unique<UI_ButtonCmd>(nullptr);
}

void CommandPanelTest::cleanup() {
    panel.reset();
}

QPushButton* CommandPanelTest::button(const QString& text) const {
    for (QPushButton* b : panel->findChildren<QPushButton*>()) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

QSpinBox* CommandPanelTest::spin(int maximum) const {
    for (QSpinBox* s : panel->findChildren<QSpinBox*>()) {
        if (s->maximum() == maximum)
            return s;
    }
    return nullptr;
}

std::pair<int, QByteArray> CommandPanelTest::click(const QString& text) {
    QPushButton* b = button(text);
    if (!b)
        return {-1, "no such button: " + text.toUtf8()};
    QSignalSpy spy(panel.get(), SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
    QTest::mouseClick(b, Qt::LeftButton);
    if (spy.count() != 1)
        return {-1, "signals: " + QByteArray::number(spy.count())};
    const auto data = spy.at(0).at(1).value<std::vector<uint8_t>>();
    return {spy.at(0).at(0).value<tarnwell::endpoints>(),
            QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()))};
}

void CommandPanelTest::membersInOrder() {
    QStringList labels;
    for (QLabel* l : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
        labels << l->text();
    QCOMPARE(labels, (QStringList{"Command pannel", "Configuration:", "Sensitivity:", "Buzzer:", "Capacitive pins:"}));
    QCOMPARE(panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly).first()->font().pixelSize(), 14);

    QStringList buttons;
    for (QPushButton* b : panel->findChildren<QPushButton*>(QString(), Qt::FindDirectChildrenOnly))
        buttons << b->text();
    QCOMPARE(buttons, (QStringList{"Ping (ID)", "Send config (CFG)", "Start insertion detection (DETECT_INSERT)",
                                   "Start remove detection (DETECT_REMOVE)", "Do static measure (MES_STATIC)",
                                   "Start button measure (MES_BUTTON_MECH)",
                                   "Start capacitiv measure (MES_BUTTON_CAP)", "Buzzer error (BUZ_ER)",
                                   "Buzzer OK (BUZ_OK)", "Stop (IDLE)"}));

    // The stop button sits alone at the bottom, below the stretch.
    panel->resize(panel->sizeHint().width(), 3 * panel->sizeHint().height());
    panel->layout()->activate();
    QVERIFY(button("Stop (IDLE)")->y() > button("Buzzer OK (BUZ_OK)")->y() + 2 * button("Stop (IDLE)")->height());

    const QList<QSpinBox*> spins = panel->findChildren<QSpinBox*>();
    QCOMPARE(spins.size(), 2);
    QCOMPARE((QList<int>{spins[0]->minimum(), spins[0]->maximum(), spins[0]->value()}), (QList<int>{0, 128, 64}));
    QCOMPARE((QList<int>{spins[1]->minimum(), spins[1]->maximum(), spins[1]->value()}), (QList<int>{0, 100, 100}));
}

void CommandPanelTest::capacitivePinItems() {
    const QAbstractItemModel* model = panel->findChild<QComboBox*>()->model();
    QCOMPARE(model->rowCount(), 25);
    QCOMPARE(model->columnCount(), 1);
    for (int row = 0; row < 25; ++row) {
        const QModelIndex index = model->index(row, 0);
        QCOMPARE(index.data().toString(), QStringLiteral("pin ") + QString::number(row));
        QCOMPARE(int(model->flags(index)), 48);
        QCOMPARE(index.data(Qt::CheckStateRole).toInt(), 0);
    }
}

void CommandPanelTest::buttonSendsItsCommand_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("endpoint");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("ID") << "Ping (ID)" << 0x00 << QByteArray("RX48P");
    QTest::newRow("CFG") << "Send config (CFG)" << 0x01 << QByteArray("\x40\x64");
    QTest::newRow("DETECT_INSERT") << "Start insertion detection (DETECT_INSERT)" << 0x02 << QByteArray();
    QTest::newRow("MES_STATIC") << "Do static measure (MES_STATIC)" << 0x04 << QByteArray();
    QTest::newRow("MES_BUTTON_MECH") << "Start button measure (MES_BUTTON_MECH)" << 0x06 << QByteArray();
    QTest::newRow("MES_BUTTON_CAP") << "Start capacitiv measure (MES_BUTTON_CAP)" << 0x08 << QByteArray();
    QTest::newRow("DETECT_REMOVE") << "Start remove detection (DETECT_REMOVE)" << 0x0A << QByteArray();
    QTest::newRow("BUZ_ER") << "Buzzer error (BUZ_ER)" << 0x0D << QByteArray();
    QTest::newRow("BUZ_OK") << "Buzzer OK (BUZ_OK)" << 0x0E << QByteArray();
    QTest::newRow("IDLE") << "Stop (IDLE)" << 0xFF << QByteArray();
}

void CommandPanelTest::buttonSendsItsCommand() {
    QFETCH(QString, text);
    QFETCH(int, endpoint);
    QFETCH(QByteArray, payload);
    // Twice: nothing the first command does may change the second.
    for (int round = 0; round < 2; ++round)
        QCOMPARE(click(text), std::make_pair(endpoint, payload));
}

void CommandPanelTest::configFromSpinBoxes_data() {
    QTest::addColumn<int>("sensitivity");
    QTest::addColumn<int>("buzzer");
    QTest::addColumn<QByteArray>("payload");
    QTest::newRow("upper ends") << 128 << 100 << QByteArray("\x80\x64");
    QTest::newRow("lower ends") << 0 << 0 << QByteArray(2, '\0');
    QTest::newRow("sensitivity max, buzzer off") << 128 << 0 << QByteArray("\x80\x00", 2);
    QTest::newRow("above the ranges") << 255 << 101 << QByteArray("\x80\x64");
    QTest::newRow("below the ranges") << -1 << -300 << QByteArray(2, '\0');
    QTest::newRow("in between") << 7 << 55 << QByteArray("\x07\x37");
}

void CommandPanelTest::configFromSpinBoxes() {
    QFETCH(int, sensitivity);
    QFETCH(int, buzzer);
    QFETCH(QByteArray, payload);
    spin(128)->setValue(sensitivity);
    spin(100)->setValue(buzzer);
    QCOMPARE(click("Send config (CFG)"), std::make_pair(0x01, payload));
}

void CommandPanelTest::configFromKeyboard() {
    for (int i = 0; i < 70; ++i)
        QTest::keyClick(spin(128), Qt::Key_Up);
    spin(100)->selectAll();
    QTest::keyClicks(spin(100), "1007");  // the last digit is refused
    QCOMPARE(click("Send config (CFG)"), std::make_pair(0x01, QByteArray("\x80\x64")));

    spin(100)->selectAll();
    QTest::keyClicks(spin(100), "42");
    QTest::keyClick(spin(100), Qt::Key_Enter);
    QTest::keyClick(spin(128), Qt::Key_PageDown);  // ten steps
    QCOMPARE(click("Send config (CFG)"), std::make_pair(0x01, QByteArray("\x76\x2a")));
}

void CommandPanelTest::capacitivePinsInRowOrder_data() {
    QTest::addColumn<PinStates>("states");
    QTest::addColumn<QByteArray>("payload");
    const int on = Qt::Checked;
    PinStates bottomUp;
    QByteArray all;
    for (int pin = 24; pin >= 0; --pin)
        bottomUp << qMakePair(pin, on);
    for (char pin = 0; pin < 25; ++pin)
        all += pin;
    QTest::newRow("none") << PinStates{} << QByteArray();
    QTest::newRow("pin 3 then pin 0") << PinStates{{3, on}, {0, on}} << QByteArray("\x00\x03", 2);
    QTest::newRow("last row") << PinStates{{24, on}} << QByteArray("\x18");
    QTest::newRow("all, bottom up") << bottomUp << all;
    QTest::newRow("ticked then unticked") << PinStates{{9, on}, {2, on}, {9, Qt::Unchecked}} << QByteArray("\x02");
    QTest::newRow("partly checked is not ticked") << PinStates{{1, Qt::PartiallyChecked}, {11, on}} << QByteArray("\x0b");
}

void CommandPanelTest::capacitivePinsInRowOrder() {
    QFETCH(PinStates, states);
    QFETCH(QByteArray, payload);
    QAbstractItemModel* model = panel->findChild<QComboBox*>()->model();
    for (const auto& state : states)
        QVERIFY(model->setData(model->index(state.first, 0), state.second, Qt::CheckStateRole));
    for (int round = 0; round < 2; ++round)
        QCOMPARE(click("Start capacitiv measure (MES_BUTTON_CAP)"), std::make_pair(0x08, payload));
}

void CommandPanelTest::disabledPanelSendsNothing() {
    panel->setEnabled(false);
    QSignalSpy spy(panel.get(), SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
    const QList<QPushButton*> buttons = panel->findChildren<QPushButton*>();
    QCOMPARE(buttons.size(), 10);
    for (QPushButton* b : buttons)
        QTest::mouseClick(b, Qt::LeftButton);
    QCOMPARE(spy.count(), 0);
}

QTEST_MAIN(CommandPanelTest)
#include "command_panel_test.moc"
