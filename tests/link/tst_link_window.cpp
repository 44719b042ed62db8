// The port row in the real window, following a link that serves a pseudo-terminal.

#include "link_test_util.h"
#include "main_window_probe.h"
#include "pty_pair.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

#include <ctime>

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

void open(MainWindow& w, const PtyPair& pty) {
    MainWindowProbe::link(w).connectPort(QString::fromStdString(pty.slavePath()));
}
Connect_button& button(MainWindow& w) { return *MainWindowProbe::portRow(w).findChild<Connect_button*>(); }

}  // namespace

class LinkWindowTest : public QObject {
    Q_OBJECT
private slots:
    void followsTheLinkThroughACycle() {
        PtyPair pty;
        MainWindow w;
        QComboBox& list = *MainWindowProbe::portRow(w).findChild<QComboBox*>();
        Connect_button& b = button(w);
        QStringList found, listed;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            found << info.portName();
        for (int i = 0; i < list.count(); ++i)
            listed << list.itemText(i);
        QCOMPARE(listed, found);
        QCOMPARE(enabledStates(w), found.isEmpty() ? QStringLiteral("110000") : disconnectedStates);

        open(w, pty);
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QCOMPARE(b.text(), QStringLiteral("Disconnected"));  // pointer elsewhere: unchanged
        b.setAttribute(Qt::WA_UnderMouse, true);
        b.click();
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
        QCOMPARE(b.text(), QStringLiteral("Connect"));
        open(w, pty);
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QCOMPARE(b.text(), QStringLiteral("Disconnect"));
    }

    // The adapter is pulled while connected: the link must not spin, the window must keep serving
    // events, and Disconnect must still end the connection.
    void boardGoingAwayDoesNotSpin() {
        DiagnosticLog log;
        PtyPair pty;
        MainWindow w;
        open(w, pty);
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
