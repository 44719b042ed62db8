// The port row's widgets on their own: the connect button's texts and looks, and what the row emits.

#include "link/connect_button.h"
#include "link/port_manager.h"

#include <QSignalSpy>
#include <QtTest>

namespace {
const QString green = QStringLiteral("QPushButton:hover{background-color: #B6D7A8;}");
const QString red = QStringLiteral("QPushButton:hover{background-color: #EA9999;}");

enum class Step { None, Enter, Leave, ToConnected, ToDisconnected };
}  // namespace
Q_DECLARE_METATYPE(Step)

class PortRowTest : public QObject {
    Q_OBJECT
private slots:
    void connectButtonTextAndLook_data() {
        QTest::addColumn<bool>("startConnected");
        QTest::addColumn<bool>("underMouse");
        QTest::addColumn<Step>("step");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("sheet");
        QTest::newRow("new") << false << false << Step::None << "Disconnected" << green;
        QTest::newRow("new, same state again") << false << true << Step::ToDisconnected << "Disconnected" << green;
        QTest::newRow("disconnected, enter") << false << false << Step::Enter << "Connect" << green;
        QTest::newRow("disconnected, leave") << false << false << Step::Leave << "Disconnected" << green;
        QTest::newRow("connects, pointer elsewhere") << false << false << Step::ToConnected << "Disconnected" << red;
        QTest::newRow("connects, pointer over") << false << true << Step::ToConnected << "Disconnect" << red;
        QTest::newRow("connected, enter") << true << false << Step::Enter << "Disconnect" << red;
        QTest::newRow("connected, leave") << true << false << Step::Leave << "Connected" << red;
        QTest::newRow("disconnects, pointer over") << true << true << Step::ToDisconnected << "Connect" << green;
        QTest::newRow("disconnects, pointer elsewhere") << true << false << Step::ToDisconnected << "Connected"
                                                        << green;
    }
    void connectButtonTextAndLook() {
        QFETCH(bool, startConnected);
        QFETCH(bool, underMouse);
        QFETCH(Step, step);
        QFETCH(QString, text);
        QFETCH(QString, sheet);

        Connect_button button(nullptr);
        if (startConnected) {
            button.setConnectedState(true);
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&button, &leave);
        }
        button.setAttribute(Qt::WA_UnderMouse, underMouse);
        QEvent enter(QEvent::Enter), leave(QEvent::Leave);
        switch (step) {
        case Step::None: break;
        case Step::Enter: QApplication::sendEvent(&button, &enter); break;
        case Step::Leave: QApplication::sendEvent(&button, &leave); break;
        case Step::ToConnected: button.setConnectedState(true); break;
        case Step::ToDisconnected: button.setConnectedState(false); break;
        }
        QCOMPARE(button.text(), text);
        QCOMPARE(button.styleSheet(), sheet);
    }

    void rowListsPortsAndAsksToConnect_data() {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("two, unsorted") << QStringList{"ttyUSB1", "ttyACM0"};
        QTest::newRow("duplicates kept") << QStringList{"COM3", "COM3"};
    }
    void rowListsPortsAndAsksToConnect() {
        QFETCH(QStringList, names);
        UI_comPortManager row(nullptr);
        auto* refresh = row.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
        auto* combo = row.findChild<QComboBox*>();
        auto* connectButton = row.findChild<Connect_button*>();
        QCOMPARE(refresh->text(), QStringLiteral("Refresh"));
        QSignalSpy refreshed(&row, SIGNAL(refreshList()));
        QSignalSpy toConnect(&row, SIGNAL(connectToCOM(QString)));
        QSignalSpy toDisconnect(&row, SIGNAL(disconnectCOM()));

        row.updatePortList({"stale"});
        row.updatePortList(names);
        QStringList listed;
        for (int i = 0; i < combo->count(); ++i)
            listed << combo->itemText(i);
        QCOMPARE(listed, names);
        QCOMPARE(connectButton->isEnabled(), !names.isEmpty());
        connectButton->click();  // disabled when there is nothing to pick
        QCOMPARE(toConnect.count(), names.isEmpty() ? 0 : 1);
        if (!names.isEmpty())
            QCOMPARE(toConnect.takeFirst().at(0).toString(), names.first());

        row.setConnected();  // the link reported a connection: only Disconnect is usable
        refresh->click();
        connectButton->click();
        QVERIFY(!combo->isEnabled());
        QCOMPARE(refreshed.count(), 0);
        QCOMPARE(toDisconnect.count(), 1);

        row.setDisconnected();  // connect enabled even with an empty list; the click then names no port
        refresh->click();
        connectButton->click();
        QVERIFY(combo->isEnabled());
        QCOMPARE(refreshed.count(), 1);
        QCOMPARE(toConnect.count(), 1);
        QCOMPARE(toConnect.takeFirst().at(0).toString(), names.value(0));
        QCOMPARE(toDisconnect.count(), 1);
    }
};

QTEST_MAIN(PortRowTest)
#include "tst_port_row.moc"
