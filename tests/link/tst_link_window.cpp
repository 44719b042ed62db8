// The port row in the real window, following a link that serves a pseudo-terminal.

#include "link_test_util.h"
#include "main_window_probe.h"
#include "pty_pair.h"
#include "serial_port_listing.h"

#include "link/hex_text.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <ctime>

using Bytes = std::vector<uint8_t>;

namespace {

// Refresh, list, connect button (the row's widgets in their order), then command panel, console, Clear.
QString enabledStates(MainWindow& w) {
    QList<QWidget*> widgets = MainWindowProbe::portRow(w).findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    widgets << &MainWindowProbe::commandPanel(w) << &MainWindowProbe::console(w) << &MainWindowProbe::clearButton(w);
    QString s;
    for (const QWidget* widget : widgets)
        s += widget->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

const QString disconnectedStates = QStringLiteral("111000");
const QString connectedStates = QStringLiteral("001111");

// The name the port list shows for the line, and the link's diagnostics too.
QString portName(const PtyPair& pty) { return QString::fromStdString(pty.slavePath()).mid(5); }

Connect_button& button(MainWindow& w) { return *MainWindowProbe::portRow(w).findChild<Connect_button*>(); }
QPushButton& refreshButton(MainWindow& w) {
    return *MainWindowProbe::portRow(w).findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly);
}
QComboBox& portList(MainWindow& w) { return *MainWindowProbe::portRow(w).findChild<QComboBox*>(); }

// The line becomes the machine's only port; Refresh, then the connect button once the list shows it.
bool connectThroughTheList(MainWindow& w, const PtyPair& pty) {
    serial_port_listing::set({pty.slavePath()});
    QTest::mouseClick(&refreshButton(w), Qt::LeftButton);
    if (portList(w).currentText() != portName(pty))
        return false;
    QTest::mouseClick(&button(w), Qt::LeftButton);
    return true;
}

QStringList listed(MainWindow& w) {
    QStringList names;
    for (int i = 0; i < portList(w).count(); ++i)
        names << portList(w).itemText(i);
    return names;
}

// The bytes of every "<= " line, in order, as one hex text.
QString received(MainWindow& w) {
    QStringList hex;
    for (const QString& line : MainWindowProbe::console(w).toPlainText().split(QLatin1Char('\n')))
        if (line.startsWith(QLatin1String("<= ")))
            hex << line.mid(3);
    return hex.join(QLatin1Char(':'));
}

}  // namespace

class LinkWindowTest : public QObject {
    Q_OBJECT
private slots:
    // As an operator connects: the line appears in the list on Refresh, is picked, and the connect
    // button opens that one by its name.
    void followsTheLinkThroughACycle() {
        DiagnosticLog log;
        PtyPair other, board;
        serial_port_listing::set({other.slavePath()});
        MainWindow w;
        Connect_button& b = button(w);
        QCOMPARE(listed(w), QStringList{portName(other)});

        serial_port_listing::set({other.slavePath(), board.slavePath()});
        QTest::mouseClick(&refreshButton(w), Qt::LeftButton);
        QCOMPARE(listed(w), (QStringList{portName(other), portName(board)}));
        QCOMPARE(enabledStates(w), disconnectedStates);
        portList(w).setCurrentIndex(1);
        QTest::mouseClick(&b, Qt::LeftButton);
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QCOMPARE(DiagnosticLog::lines(), QStringList{"Connected and open port \"" + portName(board) + "\""});

        b.click();
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
        b.click();
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QVERIFY(board.write({0x55, 0x00, 0x04, 0x0e, 0x01, 0x2e, 0x21}));  // ACK BUZ_OK, on the line picked
        QTRY_VERIFY(MainWindowProbe::console(w).toPlainText().endsWith(QLatin1String("\tACK BUZ_OK")));
    }

    // The line goes while a frame is under way: its first bytes are shown, yet the next connection's
    // first frame is read from its header. Either the cut frame was handed over before Disconnect, or
    // it was still queued behind a burst of chunks when the connection ended.
    void aFrameCutOffByADisconnectIsAbandoned_data() {
        QTest::addColumn<int>("chunksAhead");
        QTest::newRow("cut frame already shown") << 0;
        QTest::newRow("cut frame still queued") << 60;
    }
    void aFrameCutOffByADisconnectIsAbandoned() {
        QFETCH(int, chunksAhead);
        PtyPair board;
        MainWindow w;
        QVERIFY(connectThroughTheList(w, board));
        QTRY_COMPARE(enabledStates(w), connectedStates);

        Bytes sent;
        const auto chunk = [&](const Bytes& bytes) {
            sent.insert(sent.end(), bytes.begin(), bytes.end());
            return board.feed(bytes);
        };
        for (int i = 0; i < chunksAhead; ++i)
            QVERIFY(chunk({0x0a}));
        QVERIFY(chunk({0x55, 0x00}));
        if (chunksAhead == 0) {
            QTRY_VERIFY(received(w).endsWith(QLatin1String("55:00")));
        } else {  // the dispatcher hands over one chunk a tick: most of the burst is still waiting
            QCoreApplication::processEvents();
            QVERIFY(received(w).count(QLatin1String("0a")) < chunksAhead / 2);
        }

        QTest::mouseClick(&button(w), Qt::LeftButton);
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
        QTest::mouseClick(&button(w), Qt::LeftButton);
        QTRY_COMPARE(enabledStates(w), connectedStates);
        const Bytes buzzerOk{0x55, 0x00, 0x04, 0x0e, 0x01, 0x2e, 0x21};  // the command and its ACK alike
        for (QPushButton* command : MainWindowProbe::commandPanel(w).findChildren<QPushButton*>())
            if (command->text() == QLatin1String("Buzzer OK (BUZ_OK)"))
                QTest::mouseClick(command, Qt::LeftButton);
        QCOMPARE(board.read(buzzerOk.size(), std::chrono::milliseconds(2000)), buzzerOk);
        QVERIFY(chunk(buzzerOk));
        QTRY_VERIFY(MainWindowProbe::console(w).toPlainText().endsWith(QLatin1String("\tACK BUZ_OK")));
        QCOMPARE(received(w), hexText(sent.data(), sent.size()));
    }

    // The adapter is pulled while connected: the link must not spin, the window must keep serving
    // events, and Disconnect must still end the connection.
    void boardGoingAwayDoesNotSpin() {
        DiagnosticLog log;
        PtyPair pty;
        MainWindow w;
        QVERIFY(connectThroughTheList(w, pty));
        QTRY_COMPARE(enabledStates(w), connectedStates);

        pty.closeMaster();
        QTest::qWait(200);
        qint64 longestGap = 0;
        QElapsedTimer sinceTick, clock;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] { longestGap = std::max(longestGap, sinceTick.restart()); });
        const std::clock_t cpuBefore = std::clock();  // all threads of the process
        clock.start();
        sinceTick.start();
        ticker.start(10);
        QTest::qWait(1500);
        const double share = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC / (double(clock.elapsed()) / 1000.0);
        ticker.stop();
        QVERIFY2(share < 0.10, qPrintable(QString::number(share * 100.0) + "% of a core"));
        QVERIFY2(longestGap < 200, qPrintable(QString::number(longestGap) + " ms without events"));
        QCOMPARE(DiagnosticLog::lines().filter(QStringLiteral("- ERROR serialport ")).size(), 1);
        QCOMPARE(enabledStates(w), connectedStates);  // no reopen, no signal: it lasts until Disconnect

        clock.restart();
        button(w).click();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed()) + " ms to disconnect"));
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
    }
};

QTEST_MAIN(LinkWindowTest)
#include "tst_link_window.moc"
