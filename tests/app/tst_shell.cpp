// The shell as the operator meets it: the window at start, the log console's lines, the About dialog
// and the bundled pictures.

#include "main_window_probe.h"

#include "app/about_dialog.h"
#include "app/app_identity.h"

#include <QDesktopServices>
#include <QImageReader>
#include <QPointer>
#include <QResource>
#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

namespace {

// Qt 6 spells these differently.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
QMetaType typeNamed(const char* name) { return QMetaType::fromName(name); }
constexpr QMetaType::TypeFlag movable = QMetaType::RelocatableType;
QSize pixmapSize(const QLabel* label) { return label->pixmap().size(); }
#else
QMetaType typeNamed(const char* name) { return QMetaType(QMetaType::type(name)); }
constexpr QMetaType::TypeFlag movable = QMetaType::MovableType;
QSize pixmapSize(const QLabel* label) { return label->pixmap(Qt::ReturnByValue).size(); }
#endif

void verifyLine(QTextEdit& console, int line, const QString& text, const QColor& colour) {
    const QTextBlock block = console.document()->findBlockByNumber(line);
    QCOMPARE(block.text(), text);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        QCOMPARE(it.fragment().charFormat().foreground().color(), colour);
        QCOMPARE(it.fragment().charFormat().font().family(), QStringLiteral("Courier New"));
    }
}

QLabel* label(QWidget* dialog, const QString& text) {
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (l->text() == text)
            return l;
    return nullptr;
}

QPushButton* button(QWidget* dialog, const char* text) {
    for (QPushButton* b : dialog->findChildren<QPushButton*>())
        if (b->text() == QLatin1String(text))
            return b;
    return nullptr;
}

AboutDialog* openAbout(MainWindow& w) {
    w.show();
    MainWindowProbe::aboutAction(w)->trigger();
    AboutDialog* dialog = w.findChild<AboutDialog*>();
    return dialog && QTest::qWaitForWindowExposed(dialog) ? dialog : nullptr;
}

}  // namespace

class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls.append(url); }
};

class TestShell : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void startsDisconnected();
    void extraSpaceGoesToConsole_data();
    void extraSpaceGoesToConsole();
    void sentLinesAndClear();
    void selectionKeepsItsColour();
    void aboutDialog();
    void aboutClosesAndDeletesItself_data();
    void aboutClosesAndDeletesItself();
    void bundledPicture_data();
    void bundledPicture();
};

void TestShell::initTestCase() {
    app_identity::apply();  // as main() does before it builds the window
}

void TestShell::startsDisconnected() {
    QCOMPARE(QCoreApplication::organizationDomain(), QStringLiteral("vexalon.example"));
    QCOMPARE(QCoreApplication::organizationName(), QStringLiteral("Vexalon"));
    QCOMPARE(QCoreApplication::applicationName(), QStringLiteral("RX48P-Term"));
    QCOMPARE(QCoreApplication::applicationVersion(), QStringLiteral("0.0.0.0"));

    MainWindow w;
    QTextEdit& console = MainWindowProbe::console(w);
    QVERIFY(console.isReadOnly());
    QCOMPARE(console.tabStopDistance(), 30.0);
    QCOMPARE(console.fontFamily(), QStringLiteral("Courier New"));
    QCOMPARE(MainWindowProbe::clearButton(w).text(), QStringLiteral("Clear"));

    const QList<QAction*> menu = w.menuBar()->actions();  // one entry that acts at once
    QCOMPARE(menu.size(), 1);
    QCOMPARE(menu.first()->text(), QStringLiteral("About"));
    QVERIFY(!menu.first()->menu());

    // Queued signals name these types; a wrong name silently stops their delivery.
    QCOMPARE(typeNamed("std::vector<uint8_t>").id(), qMetaTypeId<std::vector<uint8_t>>());
    const QMetaType endpoints = typeNamed("tarnwell::endpoints");
    QCOMPARE(endpoints.sizeOf(), 1);
    QVERIFY(endpoints.flags().testFlag(QMetaType::IsEnumeration) && endpoints.flags().testFlag(movable));
}

void TestShell::extraSpaceGoesToConsole_data() {
    QTest::addColumn<QSize>("grow");
    QTest::newRow("wider") << QSize(300, 0);
    QTest::newRow("taller") << QSize(0, 200);
    QTest::newRow("squeezed") << QSize(-2000, 0);
}

void TestShell::extraSpaceGoesToConsole() {
    QFETCH(QSize, grow);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTextEdit& console = MainWindowProbe::console(w);
    const QSize consoleBefore = console.size();
    const int panelWidth = MainWindowProbe::commandPanel(w).width();
    const QSize target = w.size() + grow;
    w.resize(target);
    QTRY_COMPARE(w.size(), target.expandedTo(w.minimumSizeHint()));

    QCOMPARE(MainWindowProbe::commandPanel(w).width(), panelWidth);
    QCOMPARE(console.width(), qMax(400, consoleBefore.width() + grow.width()));
    QCOMPARE(console.height(), consoleBefore.height() + grow.height());
    const QRect clear = MainWindowProbe::clearButton(w).geometry();
    QCOMPARE(clear.right(), console.geometry().right());
    QVERIFY(clear.top() > console.geometry().bottom());
}

void TestShell::sentLinesAndClear() {
    MainWindow w;
    QTextEdit& console = MainWindowProbe::console(w);
    console.setTextColor(Qt::red);  // as after a received chunk
    console.append(QStringLiteral("<= 55"));
    w.onDataSent(QStringLiteral("55:00:0a:ff:01:c1:ea"));
    verifyLine(console, 0, QStringLiteral("<= 55"), Qt::red);
    verifyLine(console, 1, QStringLiteral("=> 55:00:0a:ff:01:c1:ea"), Qt::blue);

    MainWindowProbe::clearButton(w).setEnabled(true);  // as while connected
    QTest::mouseClick(&MainWindowProbe::clearButton(w), Qt::LeftButton);
    QVERIFY(console.document()->isEmpty());
    console.append(QStringLiteral("\tACK IDLE"));  // a report line sets no colour of its own
    verifyLine(console, 0, QStringLiteral("\tACK IDLE"), Qt::blue);
}

// An operator selecting log text to copy it must not see it recoloured by the next line.
void TestShell::selectionKeepsItsColour() {
    MainWindow w;
    w.show();
    QTextEdit& console = MainWindowProbe::console(w);
    for (int i = 0; i < 60; ++i)
        w.onDataSent(QStringLiteral("55:00:04:ff:01:0e:d1"));
    QTextCursor selection(console.document()->findBlockByNumber(1));
    selection.movePosition(QTextCursor::EndOfBlock, QTextCursor::KeepAnchor);
    console.setTextCursor(selection);
    QScrollBar* bar = console.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    const int scrolled = bar->value();

    w.onDataReceived({0x55, 0x00, 0x04, 0xff, 0x01, 0x0e, 0xd1});
    verifyLine(console, 1, QStringLiteral("=> 55:00:04:ff:01:0e:d1"), Qt::blue);
    w.onDataSent(QStringLiteral("55:00:04:04:01:c1:ea"));

    verifyLine(console, 60, QStringLiteral("<= 55:00:04:ff:01:0e:d1"), Qt::red);
    verifyLine(console, 61, QStringLiteral("\tACK IDLE"), Qt::red);
    verifyLine(console, 62, QStringLiteral("=> 55:00:04:04:01:c1:ea"), Qt::blue);
    QCOMPARE(console.textCursor().selectedText(), QStringLiteral("=> 55:00:04:ff:01:0e:d1"));
    QCOMPARE(bar->value(), scrolled);
}

void TestShell::aboutDialog() {
    MainWindow w;
    AboutDialog* dialog = openAbout(w);
    QVERIFY(dialog);
    QCOMPARE(QApplication::activeModalWidget(), dialog);
    QCOMPARE(dialog->windowTitle(), QStringLiteral("RX48P-Term - About"));
    QVERIFY(!(dialog->windowFlags() & Qt::WindowContextHelpButtonHint));
    QVERIFY(button(dialog, "OK")->isDefault());
    QLabel* logo = nullptr;
    for (QLabel* l : dialog->findChildren<QLabel*>())
        if (!pixmapSize(l).isEmpty())
            logo = l;
    QVERIFY(logo);
    QCOMPARE(pixmapSize(logo).width(), 100);
    QVERIFY(qAbs(pixmapSize(logo).height() - 1170 * 100 / 2000) <= 1);
    QLabel* title = label(dialog, QStringLiteral("<center>RX48P-Term<br>By VEXALON</center>"));
    QVERIFY(title);
    QCOMPARE(title->font().pixelSize(), 24);

    // Every widget in its cell, centred: row, column, rows and columns spanned.
    const auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    QVERIFY(grid);
    const struct {
        QWidget* widget;
        QList<int> cell;
    } cells[] = {
        {logo, {0, 0, 2, 1}},
        {title, {0, 1, 1, 2}},
        {label(dialog, QStringLiteral("RX48P-Term version 0.0.0.0")), {1, 1, 1, 2}},
        {label(dialog, QStringLiteral("Copyright (C) VEXALON. All rights reserved.\n"
                                      "Made with Qt by the VEXALON test engineering team.")),
         {2, 0, 1, 3}},
        {button(dialog, "See VEXALON online"), {3, 0, 1, 2}},
        {button(dialog, "OK"), {3, 2, 1, 1}},
    };
    for (const auto& c : cells) {
        const int index = c.widget ? grid->indexOf(c.widget) : -1;
        QVERIFY2(index >= 0, qPrintable(QString::number(c.cell[0]) + "," + QString::number(c.cell[1])));
        QList<int> cell{0, 0, 0, 0};
        grid->getItemPosition(index, &cell[0], &cell[1], &cell[2], &cell[3]);
        QCOMPARE(cell, c.cell);
        QCOMPARE(grid->itemAt(index)->alignment(), Qt::Alignment(Qt::AlignCenter));
    }
    QCOMPARE(grid->count(), 6);

    // The link button opens the maker's site each time, and the dialog stays.
    UrlCatcher catcher;  // stands in for the desktop's browser
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QTest::mouseClick(button(dialog, "See VEXALON online"), Qt::LeftButton);
    QTest::mouseClick(button(dialog, "See VEXALON online"), Qt::LeftButton);
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    const QUrl site(QStringLiteral("https://www.vexalon.example/"));
    QCOMPARE(catcher.urls, QList<QUrl>({site, site}));
    QVERIFY(dialog->isVisible());
}

void TestShell::aboutClosesAndDeletesItself_data() {
    QTest::addColumn<int>("how");
    QTest::newRow("OK clicked") << 0;
    QTest::newRow("Enter pressed") << 1;
    QTest::newRow("title bar close") << 2;
}

void TestShell::aboutClosesAndDeletesItself() {
    QFETCH(int, how);
    MainWindow w;
    QPointer<AboutDialog> dialog = openAbout(w);
    QVERIFY(dialog);
    if (how == 0)
        QTest::mouseClick(button(dialog, "OK"), Qt::LeftButton);
    else if (how == 1)  // Enter goes to the focus, which must not sit on the link button
        QTest::keyClick(dialog->focusWidget() ? dialog->focusWidget() : dialog.data(), Qt::Key_Return);
    else
        dialog->windowHandle()->close();
    QTRY_VERIFY(dialog.isNull());
    QVERIFY(!QApplication::activeModalWidget());
}

void TestShell::bundledPicture_data() {
    QTest::addColumn<QString>("path");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("palette");
    QTest::newRow("logo") << ":/logo_vexalon.png" << QSize(2000, 1170) << true;
    QTest::newRow("icon") << ":/rx48p-term.ico" << QSize(256, 256) << false;
}

void TestShell::bundledPicture() {
    QFETCH(QString, path);
    QFETCH(QSize, size);
    QFETCH(bool, palette);
    QCOMPARE(QResource(path).compressionAlgorithm(), QResource::NoCompression);
    QImageReader reader(path);
    QCOMPARE(reader.imageCount(), 1);
    const QImage image = reader.read();
    QCOMPARE(image.size(), size);
    QCOMPARE(image.format() == QImage::Format_Indexed8, palette);
    QCOMPARE(qAlpha(image.pixel(0, 0)), 0);  // both are drawn on a see-through ground
}

QTEST_MAIN(TestShell)
#include "tst_shell.moc"
