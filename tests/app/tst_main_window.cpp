// The main window as the operator first sees it, and the log console's lines.

#include "main_window_probe.h"

#include <QScrollBar>
#include <QTextBlock>
#include <QtTest>

namespace {

// Colour and font family of every fragment of one console line.
struct LineFormat {
    QList<QColor> colours;
    QStringList families;
};

LineFormat lineFormat(QTextEdit& console, int line) {
    LineFormat f;
    const QTextBlock block = console.document()->findBlockByNumber(line);
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextCharFormat cf = it.fragment().charFormat();
        f.colours.append(cf.foreground().color());
        f.families.append(cf.font().family());
    }
    return f;
}

// Type lookup by name and the movable flag are spelt differently from Qt 6 on.
#if QT_VERSION >= QT_VERSION_CHECK(6, 0, 0)
QMetaType typeNamed(const char* name) { return QMetaType::fromName(name); }
constexpr QMetaType::TypeFlag movable = QMetaType::RelocatableType;
#else
QMetaType typeNamed(const char* name) { return QMetaType(QMetaType::type(name)); }
constexpr QMetaType::TypeFlag movable = QMetaType::MovableType;
#endif

void verifyLine(QTextEdit& console, int line, const QString& text, const QColor& colour) {
    QCOMPARE(console.document()->findBlockByNumber(line).text(), text);
    const LineFormat f = lineFormat(console, line);
    QVERIFY(!f.colours.isEmpty());
    for (int i = 0; i < f.colours.size(); ++i) {
        QCOMPARE(f.colours[i], colour);
        QCOMPARE(f.families[i], QStringLiteral("Courier New"));
    }
}

}  // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void startsDisconnected();
    void signalTypesKnownByTheirNames();
    void menuBarHasOnlyAbout();
    void extraSpaceGoesToConsole_data();
    void extraSpaceGoesToConsole();
    void sentFrameIsBlueLine();
    void clearKeepsColourAndFont();
    void appendFollowsEndOnlyFromEnd_data();
    void appendFollowsEndOnlyFromEnd();
};

void TestMainWindow::startsDisconnected() {
    MainWindow w;
    QTextEdit& console = MainWindowProbe::console(w);
    QVERIFY(!console.isEnabled());
    QVERIFY(!MainWindowProbe::clearButton(w).isEnabled());
    QVERIFY(!MainWindowProbe::commandPanel(w).isEnabled());
    QVERIFY(console.isReadOnly());
    QVERIFY(console.document()->isEmpty());
    QCOMPARE(console.tabStopDistance(), 30.0);
    QCOMPARE(console.fontFamily(), QStringLiteral("Courier New"));
    QCOMPARE(MainWindowProbe::clearButton(w).text(), QStringLiteral("Clear"));
}

// Queued signals name these types; a missing or misspelt name silently stops their delivery.
void TestMainWindow::signalTypesKnownByTheirNames() {
    MainWindow w;
    QCOMPARE(typeNamed("std::vector<uint8_t>").id(), qMetaTypeId<std::vector<uint8_t>>());
    const QMetaType endpoints = typeNamed("tarnwell::endpoints");
    QVERIFY(endpoints.isValid());
    QCOMPARE(endpoints.sizeOf(), 1);
    QVERIFY(endpoints.flags() & QMetaType::IsEnumeration);
    QVERIFY(endpoints.flags() & movable);
}

void TestMainWindow::menuBarHasOnlyAbout() {
    MainWindow w;
    QCOMPARE(w.menuBar(), &MainWindowProbe::menuBar(w));
    const QList<QAction*> actions = w.menuBar()->actions();
    QCOMPARE(actions.size(), 1);
    QCOMPARE(actions.first(), MainWindowProbe::aboutAction(w));
    QCOMPARE(actions.first()->text(), QStringLiteral("About"));
    QVERIFY(!actions.first()->menu());  // a click acts at once, no drop-down
}

void TestMainWindow::extraSpaceGoesToConsole_data() {
    QTest::addColumn<QSize>("grow");
    QTest::newRow("wider") << QSize(300, 0);
    QTest::newRow("taller") << QSize(0, 200);
    QTest::newRow("both") << QSize(250, 150);
    QTest::newRow("squeezed") << QSize(-2000, 0);
}

void TestMainWindow::extraSpaceGoesToConsole() {
    QFETCH(QSize, grow);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QTextEdit& console = MainWindowProbe::console(w);
    const QSize consoleBefore = console.size();
    const QSize panelBefore = MainWindowProbe::commandPanel(w).size();
    const QSize target = w.size() + grow;
    w.resize(target);
    QTRY_VERIFY(w.size() == target.expandedTo(w.minimumSizeHint()));

    const QSize panel = MainWindowProbe::commandPanel(w).size();
    QCOMPARE(panel.width(), panelBefore.width());
    if (grow.width() >= 0)
        QCOMPARE(console.width(), consoleBefore.width() + grow.width());
    QVERIFY(console.width() >= 400);
    QCOMPARE(console.height(), consoleBefore.height() + grow.height());
    const QRect clear = MainWindowProbe::clearButton(w).geometry();
    QCOMPARE(clear.right(), console.geometry().right());
    QVERIFY(clear.top() > console.geometry().bottom());
}

void TestMainWindow::sentFrameIsBlueLine() {
    MainWindow w;
    QTextEdit& console = MainWindowProbe::console(w);
    console.setTextColor(Qt::red);  // a received line came before
    console.append(QStringLiteral("<= 55"));
    w.onDataSent(QStringLiteral("55:00:0a:ff:01:c1:ea"));
    verifyLine(console, 0, QStringLiteral("<= 55"), Qt::red);
    verifyLine(console, 1, QStringLiteral("=> 55:00:0a:ff:01:c1:ea"), Qt::blue);
    QCOMPARE(console.document()->blockCount(), 2);
}

void TestMainWindow::clearKeepsColourAndFont() {
    MainWindow w;
    QTextEdit& console = MainWindowProbe::console(w);
    QPushButton& clear = MainWindowProbe::clearButton(w);
    w.onDataSent(QStringLiteral("55:00:04"));
    w.onDataSent(QStringLiteral("55:00:04"));
    clear.setEnabled(true);  // as while connected
    QTest::mouseClick(&clear, Qt::LeftButton);
    QCOMPARE(console.toPlainText(), QString());

    console.append(QStringLiteral("\tACK IDLE"));  // a report sets no colour of its own
    verifyLine(console, 0, QStringLiteral("\tACK IDLE"), Qt::blue);
}

void TestMainWindow::appendFollowsEndOnlyFromEnd_data() {
    QTest::addColumn<bool>("atEnd");
    QTest::newRow("at the end") << true;
    QTest::newRow("scrolled up") << false;
}

void TestMainWindow::appendFollowsEndOnlyFromEnd() {
    QFETCH(bool, atEnd);
    MainWindow w;
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
    QScrollBar* bar = MainWindowProbe::console(w).verticalScrollBar();
    for (int i = 0; i < 200; ++i)
        w.onDataSent(QStringLiteral("55:00:04:04:01:c1:ea"));
    QTRY_VERIFY(bar->maximum() > 0);
    const int before = atEnd ? bar->maximum() : bar->maximum() / 2;
    bar->setValue(before);
    const int maxBefore = bar->maximum();

    w.onDataSent(QStringLiteral("55:00:04:04:01:c1:ea"));
    QTRY_VERIFY(bar->maximum() > maxBefore);
    QCOMPARE(bar->value(), atEnd ? bar->maximum() : before);
}

QTEST_MAIN(TestMainWindow)
#include "tst_main_window.moc"
