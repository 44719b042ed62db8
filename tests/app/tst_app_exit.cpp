// Closing the main window ends the program with exit code 0: in process, through the event loop; and
// for the real executable on a private Xvfb display, closed as a window manager closes it
// (WM_DELETE_WINDOW), since main() carries nothing for tests.

#include "main_window_probe.h"

#include "app/about_dialog.h"

#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <QtTest>

namespace {

// Runs the window helper; returns its output, or "" when it fails.
QString xwin(const QProcessEnvironment& env, const QStringList& args) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(QStringLiteral(RX48P_XWIN), args);
    const bool ok = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return ok ? QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed() : QString();
}

}  // namespace

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
    QProcess server, app;  // declared first, so ended last; QProcess kills what still runs
    // -displayfd picks a free display and names it once the server accepts clients.
    server.start(xvfb, {"-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"});
    QByteArray display;
    while (!display.contains('\n') && server.waitForReadyRead(10000))
        display += server.readAllStandardOutput();
    QVERIFY2(display.contains('\n'), "Xvfb did not start");

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), QLatin1Char(':') + QString::fromLatin1(display.trimmed()));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    app.setProcessEnvironment(env);
    app.start(QStringLiteral(RX48P_TERM), QStringList());
    const QString window = xwin(env, {"find", QString::number(app.processId()), "RX48P-Term", "15000"})
                               .section(QLatin1Char(' '), 0, 0);
    QVERIFY2(!window.isEmpty(), "the main window did not appear");
    QCOMPARE(xwin(env, {"icon", window}), QStringLiteral("256 256"));

    xwin(env, {"close", window});
    QVERIFY2(app.waitForFinished(15000), "the program did not end when its window was closed");
    const QByteArray warnings = app.readAllStandardError();
    QCOMPARE(app.exitStatus(), QProcess::NormalExit);
    QVERIFY2(app.exitCode() == 0, warnings.constData());
    QVERIFY2(!warnings.contains("QObject::connect"), warnings.constData());
    server.terminate();
    server.waitForFinished(5000);
#endif
}

QTEST_MAIN(TestAppExit)
#include "tst_app_exit.moc"
