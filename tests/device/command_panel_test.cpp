#include "device/command_panel.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include <functional>
#include <memory>

Q_DECLARE_METATYPE(tarnwell::endpoints)

using PinStates = QList<QPair<int, int>>;  // (row, check state), applied in this order
using Sent = std::pair<int, QByteArray>;   // endpoint, payload

class CommandPanelTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UI_ButtonCmd> panel;

    template <typename W> W* child(std::function<bool(W*)> match) const {
        for (W* w : panel->findChildren<W*>(QString(), Qt::FindDirectChildrenOnly))
            if (match(w))
                return w;
        return nullptr;
    }
    QPushButton* button(const QString& text) const {
        return child<QPushButton>([&](QPushButton* b) { return b->text() == text; });
    }
    QSpinBox* spin(int maximum) const {
        return child<QSpinBox>([&](QSpinBox* s) { return s->maximum() == maximum; });
    }
    // Clicks and returns the one command sent, or why there was not exactly one.
    Sent click(const QString& text) {
        QSignalSpy spy(panel.get(), SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
        if (!button(text))
            return {-1, "no button " + text.toUtf8()};
        QTest::mouseClick(button(text), Qt::LeftButton);
        if (spy.count() != 1)
            return {-1, QByteArray::number(spy.count()) + " commands"};
        const auto data = spy.at(0).at(1).value<std::vector<uint8_t>>();
        return {spy.at(0).at(0).value<tarnwell::endpoints>(),
                QByteArray(reinterpret_cast<const char*>(data.data()), static_cast<int>(data.size()))};
    }

private slots:
    void initTestCase() {
        qRegisterMetaType<std::vector<uint8_t>>("std::vector<uint8_t>");
        qRegisterMetaType<tarnwell::endpoints>("tarnwell::endpoints");
    }
    void init() { panel = std::make_unique<UI_ButtonCmd>(nullptr); }
    void cleanup() { panel.reset(); }

    void look() {
        QStringList labels;
        for (QLabel* l : panel->findChildren<QLabel*>(QString(), Qt::FindDirectChildrenOnly))
            labels << l->text();
        QCOMPARE(labels, (QStringList{"Command pannel", "Configuration:", "Sensitivity:", "Buzzer:", "Capacitive pins:"}));
        QCOMPARE(panel->findChild<QLabel*>()->font().pixelSize(), 14);
        // The stretch keeps the stop button apart at the bottom.
        panel->resize(panel->sizeHint().width(), 3 * panel->sizeHint().height());
        panel->layout()->activate();
        QVERIFY(button("Stop (IDLE)")->y() > button("Buzzer OK (BUZ_OK)")->y() + 2 * button("Stop (IDLE)")->height());

        const QAbstractItemModel* pins = panel->findChild<QComboBox*>()->model();
        QCOMPARE(pins->rowCount() * pins->columnCount(), 25);
        for (int row = 0; row < 25; ++row) {
            QCOMPARE(pins->index(row, 0).data().toString(), QStringLiteral("pin %1").arg(row));
            QCOMPARE(int(pins->flags(pins->index(row, 0))), 48);  // checkable, enabled, not selectable
            QCOMPARE(pins->index(row, 0).data(Qt::CheckStateRole).toInt(), 0);
        }
    }

    void buttonSendsItsCommand_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<Sent>("sent");
        QTest::newRow("ID") << "Ping (ID)" << Sent{0x00, "RX48P"};
        QTest::newRow("CFG") << "Send config (CFG)" << Sent{0x01, "\x40\x64"};
        QTest::newRow("DETECT_INSERT") << "Start insertion detection (DETECT_INSERT)" << Sent{0x02, {}};
        QTest::newRow("MES_STATIC") << "Do static measure (MES_STATIC)" << Sent{0x04, {}};
        QTest::newRow("MES_BUTTON_MECH") << "Start button measure (MES_BUTTON_MECH)" << Sent{0x06, {}};
        QTest::newRow("MES_BUTTON_CAP") << "Start capacitiv measure (MES_BUTTON_CAP)" << Sent{0x08, {}};
        QTest::newRow("DETECT_REMOVE") << "Start remove detection (DETECT_REMOVE)" << Sent{0x0A, {}};
        QTest::newRow("BUZ_ER") << "Buzzer error (BUZ_ER)" << Sent{0x0D, {}};
        QTest::newRow("BUZ_OK") << "Buzzer OK (BUZ_OK)" << Sent{0x0E, {}};
        QTest::newRow("IDLE") << "Stop (IDLE)" << Sent{0xFF, {}};
    }
    void buttonSendsItsCommand() {
        QFETCH(QString, text);
        QFETCH(Sent, sent);
        for (int round = 0; round < 2; ++round)  // a command leaves nothing behind
            QCOMPARE(click(text), sent);
    }

    void configFromSpinBoxes_data() {
        QTest::addColumn<int>("sensitivity");
        QTest::addColumn<int>("buzzer");
        QTest::addColumn<QByteArray>("payload");
        QTest::newRow("upper ends") << 128 << 100 << QByteArray("\x80\x64");
        QTest::newRow("sensitivity max, buzzer off") << 128 << 0 << QByteArray("\x80\x00", 2);
        QTest::newRow("above the ranges") << 255 << 101 << QByteArray("\x80\x64");
        QTest::newRow("below the ranges") << -1 << -300 << QByteArray(2, '\0');
        QTest::newRow("in between") << 7 << 55 << QByteArray("\x07\x37");
    }
    void configFromSpinBoxes() {
        QFETCH(int, sensitivity);
        QFETCH(int, buzzer);
        QFETCH(QByteArray, payload);
        spin(128)->setValue(sensitivity);
        spin(100)->setValue(buzzer);
        QCOMPARE(click("Send config (CFG)"), Sent(0x01, payload));
    }

    void configFromKeyboard() {
        for (int i = 0; i < 70; ++i)
            QTest::keyClick(spin(128), Qt::Key_Up);
        spin(100)->selectAll();
        QTest::keyClicks(spin(100), "1007");  // the last digit is refused
        QCOMPARE(click("Send config (CFG)"), Sent(0x01, "\x80\x64"));
        spin(100)->selectAll();
        QTest::keyClicks(spin(100), "42");
        QTest::keyClick(spin(128), Qt::Key_PageDown);  // ten steps
        QCOMPARE(click("Send config (CFG)"), Sent(0x01, "\x76\x2a"));
    }

    void capacitivePinsInRowOrder_data() {
        QTest::addColumn<PinStates>("states");
        QTest::addColumn<QByteArray>("payload");
        PinStates bottomUp;
        QByteArray all;
        for (int pin = 0; pin < 25; ++pin) {
            bottomUp.prepend({pin, Qt::Checked});
            all += char(pin);
        }
        QTest::newRow("none") << PinStates{} << QByteArray();
        QTest::newRow("pin 3 then pin 0") << PinStates{{3, Qt::Checked}, {0, Qt::Checked}} << QByteArray("\x00\x03", 2);
        QTest::newRow("last row") << PinStates{{24, Qt::Checked}} << QByteArray("\x18");
        QTest::newRow("all, bottom up") << bottomUp << all;
        QTest::newRow("unticked again") << PinStates{{9, Qt::Checked}, {2, Qt::Checked}, {9, Qt::Unchecked}}
                                        << QByteArray("\x02");
        QTest::newRow("partly checked") << PinStates{{1, Qt::PartiallyChecked}, {11, Qt::Checked}} << QByteArray("\x0b");
    }
    void capacitivePinsInRowOrder() {
        QFETCH(PinStates, states);
        QFETCH(QByteArray, payload);
        QAbstractItemModel* model = panel->findChild<QComboBox*>()->model();
        for (const auto& state : states)
            QVERIFY(model->setData(model->index(state.first, 0), state.second, Qt::CheckStateRole));
        for (int round = 0; round < 2; ++round)
            QCOMPARE(click("Start capacitiv measure (MES_BUTTON_CAP)"), Sent(0x08, payload));
    }

    void disabledPanelSendsNothing() {
        panel->setEnabled(false);
        QSignalSpy spy(panel.get(), SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
        const QList<QPushButton*> buttons = panel->findChildren<QPushButton*>();
        QCOMPARE(buttons.size(), 10);
        for (QPushButton* b : buttons)
            QTest::mouseClick(b, Qt::LeftButton);
        QCOMPARE(spy.count(), 0);
    }
};

QTEST_MAIN(CommandPanelTest)
#include "command_panel_test.moc"
