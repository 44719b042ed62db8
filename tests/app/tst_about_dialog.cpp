// The About dialog as the "About" menu entry opens it.

#include "main_window_probe.h"

#include "app/about_dialog.h"

#include <QDesktopServices>
#include <QPointer>
#include <QUrl>
#include <QtTest>

namespace {

// QLabel::pixmap() hands out a pointer before Qt 6 and a value from Qt 6 on.
QSize pixmapSize(const QLabel* label) {
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
    return label->pixmap().size();
#elif QT_VERSION >= QT_VERSION_CHECK(5, 15, 0)
    return label->pixmap(Qt::ReturnByValue).size();
#else
    return label->pixmap() ? label->pixmap()->size() : QSize();
#endif
}

QPushButton* button(QWidget* dialog, const char* text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QLatin1String(text))
            return b;
    return nullptr;
}

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestAboutDialog : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void opensModalFromMenu();
    void closesAndDeletesItself_data();
    void closesAndDeletesItself();
    void linkOpensMakerSiteAndStaysOpen();

private:
    std::unique_ptr<MainWindow> window;
    QPointer<AboutDialog> dialog;
};

void TestAboutDialog::init() {
    window = std::make_unique<MainWindow>();
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    MainWindowProbe::aboutAction(*window)->trigger();
    dialog = window->findChild<AboutDialog*>();
    QVERIFY(dialog);
    QVERIFY(QTest::qWaitForWindowExposed(dialog.data()));
}

void TestAboutDialog::cleanup() { window.reset(); }

void TestAboutDialog::opensModalFromMenu() {
    QCOMPARE(QApplication::activeModalWidget(), dialog.data());
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(dialog->windowTitle(), QStringLiteral("RX48P-Term - About"));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(button(dialog, "OK")->isDefault());

    QStringList texts;
    QSize logo;
    for (const QLabel* label : dialog->findChildren<QLabel*>()) {
        texts.append(label->text());
        if (!pixmapSize(label).isEmpty())
            logo = pixmapSize(label);
    }
    QVERIFY(texts.contains(QStringLiteral("<center>RX48P-Term<br>By VEXALON</center>")));
    QVERIFY(texts.contains(QStringLiteral("RX48P-Term version 0.0.0.0")));
    QCOMPARE(logo.width(), 100);
    QVERIFY(qAbs(logo.height() - 1170 * 100 / 2000) <= 1);
}

void TestAboutDialog::closesAndDeletesItself_data() {
    QTest::addColumn<QString>("how");
    QTest::newRow("OK clicked") << "click";
    QTest::newRow("Enter pressed") << "enter";
    QTest::newRow("title bar close") << "close";
}

void TestAboutDialog::closesAndDeletesItself() {
    QFETCH(QString, how);
    if (how == QLatin1String("click")) {
        QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    } else if (how == QLatin1String("enter")) {
        // Enter goes to whatever has the focus, so the focus must not sit on the link button.
        QWidget* target = dialog->focusWidget() ? dialog->focusWidget() : dialog.data();
        QTest::keyClick(target, Qt::Key_Return);
    } else {
        dialog->windowHandle()->close();
    }
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestAboutDialog::linkOpensMakerSiteAndStaysOpen() {
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QPushButton* link = button(dialog, "See VEXALON online");
    QTest::mouseClick(link, Qt::LeftButton);
    QTest::mouseClick(link, Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));

    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls.first(), QUrl(QStringLiteral("https://www.vexalon.example/")));
    QVERIFY(dialog && dialog->isVisible());
}

QTEST_MAIN(TestAboutDialog)
#include "tst_about_dialog.moc"
