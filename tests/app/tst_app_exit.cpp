// Closing the main window ends the program with exit code 0: in process, through the event loop; and
// for the real executable on a private Xvfb display, closed as a window manager closes it
// (WM_DELETE_WINDOW), since main() carries nothing for tests.

#include "main_window_probe.h"
#include "program_run.h"

#include "app/about_dialog.h"

#include <QPointer>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

using namespace test_support;

class TestAppExit : public QObject {
    Q_OBJECT
private slots:
    void closingWindowEndsEventLoop_data();
    void closingWindowEndsEventLoop();
    void programExitsZeroWhenClosed();
};

void TestAppExit::closingWindowEndsEventLoop_data() {
    QTest::addColumn<bool>("aboutFirst");
    QTest::newRow("fresh window") << false;
    QTest::newRow("after the About dialog") << true;
}

void TestAppExit::closingWindowEndsEventLoop() {
    QFETCH(bool, aboutFirst);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    if (aboutFirst) {
        MainWindowProbe::aboutAction(w)->trigger();
        QPointer<AboutDialog> dialog = w.findChild<AboutDialog*>();
        QVERIFY(dialog && QTest::qWaitForWindowExposed(dialog.data()));
        dialog->close();
        QTRY_VERIFY(dialog.isNull());
    }
    QTimer::singleShot(0, &w, [&w] { w.windowHandle()->close(); });
    QTimer guard;  // a window that will not close fails the test instead of hanging it
    connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    guard.start(10000);
    QCOMPARE(QApplication::exec(), 0);
}

void TestAppExit::programExitsZeroWhenClosed() {
#ifndef RX48P_XWIN
    QSKIP("built without xcb, so there is no window helper");
#else
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        QSKIP("Xvfb is not installed");
    ProgramRun server(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    ProgramRun app(QStringLiteral(RX48P_TERM), {});  // declared last, so ended first
    // -displayfd picks a free display and names it once the server accepts clients.
    QVERIFY2(server.start() && server.waitForOutputLine(10000), "Xvfb did not start");
    qputenv("DISPLAY", ':' + server.peekOut().trimmed());  // for the program and the window helper alike
    QVERIFY(app.env(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb")).start());
    const QString window =
        run(QStringLiteral(RX48P_XWIN), {"find", QString::number(app.pid()), "RX48P-Term", "15000"}).out.section(' ', 0, 0);
    QVERIFY2(!window.isEmpty(), "the main window did not appear");
    QCOMPARE(run(QStringLiteral(RX48P_XWIN), {"icon", window}).out.trimmed(), QStringLiteral("256 256"));

    QCOMPARE(run(QStringLiteral(RX48P_XWIN), {"close", window}).code, 0);
    const Finished ended = app.finish();
    QVERIFY2(ended.exited(), "the program did not end when its window was closed");
    QVERIFY2(ended.code == 0, qPrintable(ended.err));
    QVERIFY2(!ended.err.contains(QLatin1String("QObject::connect")), qPrintable(ended.err));
#endif
}

QTEST_MAIN(TestAppExit)
#include "tst_app_exit.moc"
