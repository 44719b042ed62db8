// The port row in the real window, following a link that serves a pseudo-terminal.

#include "link_test_util.h"
#include "main_window_probe.h"
#include "pty_pair.h"

#include <QElapsedTimer>
#include <QTimer>
#include <QtTest>

namespace {

struct Row {
    QPushButton* refresh;
    QComboBox* combo;
    Connect_button* connect;
};

Row row(MainWindow& w) {
    UI_comPortManager& r = MainWindowProbe::portRow(w);
    return {r.findChild<QPushButton*>(QString(), Qt::FindDirectChildrenOnly), r.findChild<QComboBox*>(),
            r.findChild<Connect_button*>()};
}

// Refresh, list, connect button, then command panel, console, Clear.
QString enabledStates(MainWindow& w) {
    const Row r = row(w);
    const QWidget* widgets[] = {r.refresh, r.combo, r.connect, &MainWindowProbe::commandPanel(w),
                                &MainWindowProbe::console(w), &MainWindowProbe::clearButton(w)};
    QString s;
    for (const QWidget* widget : widgets)
        s += widget->isEnabled() ? QLatin1Char('1') : QLatin1Char('0');
    return s;
}

const QString disconnectedStates = QStringLiteral("111000");
const QString connectedStates = QStringLiteral("001111");

void sendEnterLeave(QWidget* widget, QEvent::Type type) {
    QEvent e(type);
    QApplication::sendEvent(widget, &e);
}

}  // namespace

class LinkWindowTest : public QObject {
    Q_OBJECT
private slots:
    void startsDisconnectedWithThePortsFound() {
        MainWindow w;
        QStringList found, listed;
        for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
            found << info.portName();
        const Row r = row(w);
        for (int i = 0; i < r.combo->count(); ++i)
            listed << r.combo->itemText(i);
        QCOMPARE(listed, found);
        QCOMPARE(enabledStates(w), found.isEmpty() ? QStringLiteral("110000") : disconnectedStates);
        QCOMPARE(r.connect->text(), QStringLiteral("Disconnected"));
    }

    void followsTheLinkThroughACycle() {
        PtyPair pty;
        MainWindow w;
        const Row r = row(w);
        MainWindowProbe::link(w).connectPort(QString::fromStdString(pty.slavePath()));
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QCOMPARE(r.connect->text(), QStringLiteral("Disconnected"));  // pointer elsewhere: unchanged
        sendEnterLeave(r.connect, QEvent::Enter);
        QCOMPARE(r.connect->text(), QStringLiteral("Disconnect"));
        sendEnterLeave(r.connect, QEvent::Leave);
        QCOMPARE(r.connect->text(), QStringLiteral("Connected"));

        r.connect->setAttribute(Qt::WA_UnderMouse, true);
        r.connect->click();
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
        QCOMPARE(r.connect->text(), QStringLiteral("Connect"));

        MainWindowProbe::link(w).connectPort(QString::fromStdString(pty.slavePath()));
        QTRY_COMPARE(enabledStates(w), connectedStates);
        QCOMPARE(r.connect->text(), QStringLiteral("Disconnect"));
    }

    // The adapter is pulled while connected: the link must not spin, the window must keep serving
    // events, and Disconnect must still end the connection.
    void boardGoingAwayDoesNotSpin() {
        DiagnosticLog log;
        PtyPair pty;
        MainWindow w;
        const Row r = row(w);
        MainWindowProbe::link(w).connectPort(QString::fromStdString(pty.slavePath()));
        QTRY_COMPARE(enabledStates(w), connectedStates);

        pty.closeMaster();
        QTest::qWait(200);
        qint64 longestGap = 0;
        QElapsedTimer sinceTick, clock;
        QTimer ticker;
        QObject::connect(&ticker, &QTimer::timeout, [&] {
            longestGap = std::max(longestGap, sinceTick.restart());
        });
        const double cpuBefore = processCpuSeconds();
        clock.start();
        sinceTick.start();
        ticker.start(10);
        QTest::qWait(1500);
        const double share = (processCpuSeconds() - cpuBefore) / (static_cast<double>(clock.elapsed()) / 1000.0);
        ticker.stop();
        std::fprintf(stderr, "CPU after the board went away: %.1f%% of a core, longest event gap %lld ms\n",
                     share * 100.0, static_cast<long long>(longestGap));
        QVERIFY2(share < 0.10, qPrintable(QString::number(share * 100.0) + "% of a core"));
        QVERIFY2(longestGap < 200, qPrintable(QString::number(longestGap) + " ms without events"));
        QCOMPARE(DiagnosticLog::count(QStringLiteral("- ERROR serialport ")), 1);
        QCOMPARE(enabledStates(w), connectedStates);  // no reopen, no signal: it lasts until Disconnect

        MainWindowProbe::console(w).append(QStringLiteral("still here"));
        MainWindowProbe::clearButton(w).click();
        QVERIFY(MainWindowProbe::console(w).toPlainText().isEmpty());

        clock.restart();
        r.connect->click();
        QVERIFY2(clock.elapsed() < 500, qPrintable(QString::number(clock.elapsed()) + " ms to disconnect"));
        QTRY_COMPARE(enabledStates(w), disconnectedStates);
    }
};

QTEST_MAIN(LinkWindowTest)
#include "tst_link_window.moc"
