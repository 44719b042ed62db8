// The port row's widgets on their own: the connect button's texts and looks, and what the row emits.

#include "link/connect_button.h"
#include "link/port_manager.h"

#include <QSignalSpy>
#include <QtTest>

class PortRowTest : public QObject {
    Q_OBJECT
private slots:
    // Under the pointer the text names what a click does; elsewhere it keeps its value until Leave.
    // In a laid-out row the button keeps one place through all four looks, wide enough for each text,
    // also after a change of font.
    void connectButtonThroughCycles_data() {
        QTest::addColumn<bool>("largerFont");
        QTest::newRow("font as started") << false;
        QTest::newRow("larger font") << true;
    }
    void connectButtonThroughCycles() {
        QFETCH(bool, largerFont);
        const QString green = QStringLiteral("QPushButton:hover{background-color: #B6D7A8;}");
        const QString red = QStringLiteral("QPushButton:hover{background-color: #EA9999;}");
        const struct {
            const char* step;
            const char* text;
            bool connected;
        } steps[] = {{"", "Disconnected", false},        {"over", "Disconnected", false},
                     {"off", "Disconnected", false},     {"enter", "Connect", false},
                     {"leave", "Disconnected", false},   {"away", "Disconnected", false},
                     {"on", "Disconnected", true},       {"enter", "Disconnect", true},
                     {"leave", "Connected", true},       {"off", "Connected", false},
                     {"over", "Connected", false},       {"on", "Disconnect", true},
                     {"off", "Connect", false}};
        UI_comPortManager row(nullptr);
        row.show();
        QVERIFY(QTest::qWaitForWindowExposed(&row));
        Connect_button& button = *row.findChild<Connect_button*>();
        if (largerFont) {  // on the button itself: its style sheet keeps it from following the row's font
            QFont font = button.font();
            font.setPixelSize(QFontInfo(font).pixelSize() * 2);
            button.setFont(font);
        }
        QApplication::processEvents();
        const QRect place = button.geometry();
        for (const auto& s : steps) {
            const QByteArray step = s.step;
            if (step == "over" || step == "away") {
                button.setAttribute(Qt::WA_UnderMouse, step == "over");
            } else if (step == "enter" || step == "leave") {
                QEvent e(step == "enter" ? QEvent::Enter : QEvent::Leave);
                QApplication::sendEvent(&button, &e);
            } else if (!step.isEmpty()) {
                button.setConnectedState(step == "on");
            }
            QCOMPARE(button.text(), QString::fromLatin1(s.text));
            QCOMPARE(button.styleSheet(), s.connected ? red : green);
            QApplication::processEvents();
            QCOMPARE(button.geometry(), place);
            QPushButton alone(button.text());  // what the text needs in a button of its own
            alone.setFont(button.font());
            alone.setStyleSheet(button.styleSheet());
            alone.setAttribute(Qt::WA_UnderMouse, button.underMouse());
            QVERIFY2(alone.sizeHint().width() <= place.width(), s.text);
        }
    }

    void rowListsPortsAndAsksToConnect_data() {
        QTest::addColumn<QStringList>("names");
        QTest::newRow("none") << QStringList{};
        QTest::newRow("two, unsorted") << QStringList{"ttyUSB1", "ttyACM0"};
    }
    void rowListsPortsAndAsksToConnect() {
        QFETCH(QStringList, names);
        UI_comPortManager row(nullptr);
        auto* refresh = row.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
        auto* combo = row.findChild<QComboBox*>();
        auto* connectButton = row.findChild<Connect_button*>();
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

        row.setConnected();  // only Disconnect is usable
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
        QCOMPARE(toConnect.count(), names.isEmpty() ? 1 : 2);
        QCOMPARE(toConnect.last().at(0).toString(), names.value(0));
        QCOMPARE(toDisconnect.count(), 1);
    }
};

QTEST_MAIN(PortRowTest)
#include "tst_port_row.moc"
