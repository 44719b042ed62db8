#include "device/command_panel.h"

#include <QComboBox>
#include <QSignalSpy>
#include <QtTest>

#include <memory>

Q_DECLARE_METATYPE(tarnwell::endpoints)

class CommandPanelTest : public QObject {
    Q_OBJECT
    std::unique_ptr<UI_ButtonCmd> panel;

    // The commands one click on the button sends, as "endpoint:payload hex".
    QStringList click(const QString& text) {
        QSignalSpy spy(panel.get(), SIGNAL(sendCmd(tarnwell::endpoints,std::vector<uint8_t>)));
        for (QPushButton* b : panel->findChildren<QPushButton*>())
            if (b->text() == text)
                QTest::mouseClick(b, Qt::LeftButton);
        QStringList sent;
        for (const QList<QVariant>& s : spy) {
            const auto data = s.at(1).value<std::vector<uint8_t>>();
            sent << QString::number(s.at(0).value<tarnwell::endpoints>(), 16) + ':' +
                        QByteArray(reinterpret_cast<const char*>(data.data()), int(data.size())).toHex();
        }
        return sent;
    }

private slots:
    void initTestCase() {
        qRegisterMetaType<std::vector<uint8_t>>("std::vector<uint8_t>");
        qRegisterMetaType<tarnwell::endpoints>("tarnwell::endpoints");
    }
    void init() { panel = std::make_unique<UI_ButtonCmd>(nullptr); }

    void look() {
        QStringList labels;
        for (QLabel* l : panel->findChildren<QLabel*>())
            labels << l->text();
        QCOMPARE(labels, (QStringList{"Command pannel", "Configuration:", "Sensitivity:", "Buzzer:", "Capacitive pins:"}));
        const QAbstractItemModel* pins = panel->findChild<QComboBox*>()->model();
        QCOMPARE(pins->rowCount() * pins->columnCount(), 25);
        for (int row = 0; row < 25; ++row) {
            QCOMPARE(pins->index(row, 0).data().toString(), QStringLiteral("pin %1").arg(row));
            QCOMPARE(int(pins->flags(pins->index(row, 0))), 48);  // checkable, enabled, not selectable
            QCOMPARE(pins->index(row, 0).data(Qt::CheckStateRole).toInt(), 0);
        }
    }

    void buttonSendsItsCommand_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("sent");
        const QString cfg = QStringLiteral("Send config (CFG)"), cap = QStringLiteral("Start capacitiv measure (MES_BUTTON_CAP)");
        QTest::newRow("ID") << QStringList() << "Ping (ID)" << "0:5258343850";
        QTest::newRow("CFG as started") << QStringList() << cfg << "1:4064";
        QTest::newRow("CFG above the ranges") << QStringList{"sensitivity 255", "buzzer 101"} << cfg << "1:8064";
        QTest::newRow("CFG below the ranges") << QStringList{"sensitivity -1", "buzzer -300"} << cfg << "1:0000";
        QTest::newRow("CFG 128, 0") << QStringList{"sensitivity 128", "buzzer 0"} << cfg << "1:8000";
        QTest::newRow("CFG in between") << QStringList{"sensitivity 7", "buzzer 55"} << cfg << "1:0737";
        QTest::newRow("DETECT_INSERT") << QStringList() << "Start insertion detection (DETECT_INSERT)" << "2:";
        QTest::newRow("MES_STATIC") << QStringList() << "Do static measure (MES_STATIC)" << "4:";
        QTest::newRow("MES_BUTTON_MECH") << QStringList() << "Start button measure (MES_BUTTON_MECH)" << "6:";
        QTest::newRow("DETECT_REMOVE") << QStringList() << "Start remove detection (DETECT_REMOVE)" << "a:";
        QTest::newRow("BUZ_ER") << QStringList() << "Buzzer error (BUZ_ER)" << "d:";
        QTest::newRow("BUZ_OK") << QStringList() << "Buzzer OK (BUZ_OK)" << "e:";
        QTest::newRow("IDLE") << QStringList() << "Stop (IDLE)" << "ff:";
        QTest::newRow("CAP none") << QStringList() << cap << "8:";
        QTest::newRow("CAP 3 then 0, last row") << QStringList{"tick 3", "tick 0", "tick 24"} << cap << "8:000318";
        QTest::newRow("CAP unticked, partly") << QStringList{"tick 9", "tick 2", "untick 9", "partly 1"} << cap << "8:02";
        QStringList bottomUp;
        QByteArray all;
        for (int pin = 0; pin < 25; ++pin) {
            bottomUp.prepend(QStringLiteral("tick %1").arg(pin));
            all += char(pin);
        }
        QTest::newRow("CAP all, bottom up") << bottomUp << cap << QString::fromLatin1("8:" + all.toHex());
    }
    // Each click sends once and keeps nothing; a disabled panel sends nothing.
    void buttonSendsItsCommand() {
        QFETCH(QStringList, setup);
        QFETCH(QString, button);
        QFETCH(QString, sent);
        QAbstractItemModel* pins = panel->findChild<QComboBox*>()->model();
        for (const QString& step : setup) {
            const QString verb = step.section(' ', 0, 0);
            const int value = step.section(' ', 1).toInt();
            if (verb == "sensitivity" || verb == "buzzer")
                panel->findChildren<QSpinBox*>().at(verb == "buzzer")->setValue(value);  // sensitivity first
            else
                pins->setData(pins->index(value, 0), verb == "tick" ? Qt::Checked : verb == "untick" ? Qt::Unchecked : Qt::PartiallyChecked,
                              Qt::CheckStateRole);
        }
        QCOMPARE(click(button), QStringList{sent});
        QCOMPARE(click(button), QStringList{sent});
        panel->setEnabled(false);
        QCOMPARE(click(button), QStringList());
    }
};

QTEST_MAIN(CommandPanelTest)
#include "command_panel_test.moc"
