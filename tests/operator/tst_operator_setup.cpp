// The station's setup: the Setup dialog from the keyboard, what it remembers through QSettings and what
// a later start reads back, and the command line laid over what is remembered.

#include "operator_support.h"
#include "pty_pair.h"
#include "serial_port_listing.h"

#include "operator/command_line.h"
#include "operator/setup_dialog.h"
#include "operator/setup_store.h"

#include <QApplication>
#include <QTimer>
#include <QtTest>

using namespace optest;
using setup::station_setup;

namespace {

void typeInto(QWidget& field, const QString& text) {
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Backspace);
    QTest::keyClicks(&field, text);
}

QString describe(const setup::station_setup& s) {
    QStringList fixtures;
    for (const setup::fixture& f : s.fixtures)
        fixtures << setup::fixtureText(f);
    return QStringList{fixtures.join(QLatin1Char(',')), s.port, s.program, QString::number(s.sensitivity), QString::number(s.buzzer),
                       QString::number(s.tolerance, 'f', 2), setup::serialModeText(s), s.results, s.server, s.station,
                       QString::number(s.count), s.releasedOnly ? QStringLiteral("released only") : QStringLiteral("any program")}
        .join(QLatin1Char('|'));
}

}  // namespace

class OperatorSetupTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    // Filled in from the keyboard, confirmed with Enter, remembered, and read back by a later start.
    void setupRoundTrip();
    void setupThatWillNotDoIsRefused();
    // Fixtures added, named and removed in the dialog, checked, remembered and read back.
    void fixturesInTheDialog();
    void commandLineOverRemembered();
    void fixturesOnTheCommandLine();
    void badCommandLines_data();
    void badCommandLines();

private:
    PtyPair pty;
    QString listed;  // the pseudo-terminal's name in the port list
};

void OperatorSetupTest::initTestCase() {
    // The dialog lists this test's pseudo-terminal and nothing of the machine's.
    serial_port_listing::set({pty.slavePath()});
    listed = QString::fromStdString(pty.slavePath()).mid(5);
}

void OperatorSetupTest::setupRoundTrip() {
    fixture st;
    QVERIFY(st.show());
    const QString program = partFile(QStringLiteral("missing-pair"));
    const QString results = st.dir.filePath(QStringLiteral("line-3.sqlite"));
    QStringList listedPorts;
    bool filled = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<op::setup_dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        for (int i = 0; i < dialog->portList().count(); ++i)
            listedPorts << dialog->portList().itemText(i);
        typeInto(dialog->portPath(), QString());  // the listed port, not a path
        typeInto(dialog->programFile(), program);
        typeInto(dialog->sensitivityBox(), QStringLiteral("100"));
        typeInto(dialog->buzzerBox(), QStringLiteral("40"));
        typeInto(dialog->toleranceBox(), QStringLiteral("0.25"));
        dialog->serialModes().setFocus();
        QTest::keyClick(&dialog->serialModes(), Qt::Key_End);  // numbered, the last choice
        typeInto(dialog->serialPrefix(), QStringLiteral("LINE3-"));
        typeInto(dialog->resultsFile(), results);
        typeInto(dialog->serverUrl(), QStringLiteral("postgresql://line@db.example/results"));
        typeInto(dialog->stationName(), QStringLiteral("line-3"));
        dialog->releasedOnlyBox().setFocus();
        QTest::keyClick(&dialog->releasedOnlyBox(), Qt::Key_Space);
        filled = true;
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QVERIFY(st.window->editSetup());
    QVERIFY(filled);
    QCOMPARE(listedPorts, QStringList{listed});

    setup::station_setup expected;
    expected.port = listed;
    expected.program = program;
    expected.sensitivity = 100;
    expected.buzzer = 40;
    expected.tolerance = 0.25;
    expected.serials = setup::serial_mode::numbered;
    expected.serialPrefix = QStringLiteral("LINE3-");
    expected.results = results;
    expected.server = QStringLiteral("postgresql://line@db.example/results");
    expected.station = QStringLiteral("line-3");
    expected.releasedOnly = true;
    QCOMPARE(describe(st.session->setup()), describe(expected));
    QVERIFY2(st.window->headerText().startsWith(QLatin1String("missing-pair.device  ")), qPrintable(st.window->headerText()));
    QVERIFY2(st.window->headerText().endsWith(QStringLiteral("|%1|line-3|%2|postgresql://line@db.example/results")
                                                 .arg(listed, results)),
             qPrintable(st.window->headerText()));

    // A later start reads the same setup from the same file, and its dialog shows it.
    const QSettings later(st.remembered.fileName(), QSettings::IniFormat);
    const setup::station_setup read = op::loadSetup(later);
    QCOMPARE(describe(read), describe(expected));
    op::setup_dialog again(read);
    QCOMPARE(again.portList().currentText(), listed);
    QCOMPARE(again.portPath().text(), QString());
    QCOMPARE(describe(again.setup()), describe(expected));

    // A device path that no list holds, such as the simulator's link, is remembered as it is.
    expected.port = st.dir.filePath(QStringLiteral("board"));
    op::saveSetup(st.remembered, expected);
    op::setup_dialog byPath(op::loadSetup(QSettings(st.remembered.fileName(), QSettings::IniFormat)));
    QCOMPARE(byPath.portPath().text(), expected.port);
    QCOMPARE(describe(byPath.setup()), describe(expected));
}

void OperatorSetupTest::setupThatWillNotDoIsRefused() {
    fixture st;
    QVERIFY(st.show());
    setup::station_setup before = st.setupFor(QStringLiteral("/dev/pts/nowhere"));
    st.session->setSetup(before);
    op::saveSetup(st.remembered, before);
    QString problem;
    bool stillOpen = false;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<op::setup_dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        dialog->serialModes().setFocus();
        QTest::keyClick(&dialog->serialModes(), Qt::Key_End);
        typeInto(dialog->serialPrefix(), QString());
        QTest::keyClick(dialog, Qt::Key_Return);
        problem = dialog->problem();
        stillOpen = dialog->isVisible();
        QTest::keyClick(dialog, Qt::Key_Escape);
    });
    QVERIFY(!st.window->editSetup());
    QVERIFY(stillOpen);
    QCOMPARE(problem, QStringLiteral("numbered serials need a prefix: auto:PREFIX"));
    QCOMPARE(describe(st.session->setup()), describe(before));
    before.count = 0;  // never remembered
    QCOMPARE(describe(op::loadSetup(QSettings(st.remembered.fileName(), QSettings::IniFormat))), describe(before));
}

void OperatorSetupTest::fixturesInTheDialog() {
    fixture st;
    QVERIFY(st.show());
    setup::station_setup before = st.setupFor(QStringLiteral("/dev/pts/one"));
    st.session->setSetup(before);
    QStringList problems;
    bool addAtFour = true;
    QTimer::singleShot(0, this, [&] {
        auto* dialog = qobject_cast<op::setup_dialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        QApplication::setActiveWindow(dialog);  // its keys reach it only then
        // Alt+I adds a fixture named by its place, the cursor in its port.
        for (int i = 0; i < 4; ++i) {
            QTest::keyClick(dialog, Qt::Key_I, Qt::AltModifier);
            if (!QTest::qWaitFor([&] { return dialog->fixtureCount() == i + 1; }, 2000)) {  // a mnemonic's click is animated
                return dialog->reject();
            }
            QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("/dev/pts/f%1").arg(i));
        }
        addAtFour = dialog->addFixtureButton().isEnabled();
        // The same name twice will not do, nor the same port.
        typeInto(dialog->fixtureName(1), QStringLiteral("A"));
        QTest::keyClick(dialog, Qt::Key_Return);
        problems << dialog->problem();
        typeInto(dialog->fixtureName(1), QStringLiteral("left"));
        typeInto(dialog->fixturePort(3), QStringLiteral("/dev/pts/f0"));
        QTest::keyClick(dialog, Qt::Key_Return);
        problems << dialog->problem();
        // Alt+V removes the last; three are left.
        QTest::keyClick(dialog, Qt::Key_V, Qt::AltModifier);
        if (!QTest::qWaitFor([&] { return dialog->fixtureCount() == 3; }, 2000))
            return dialog->reject();
        QTest::keyClick(dialog, Qt::Key_Return);
    });
    QVERIFY(st.window->editSetup());
    QVERIFY(!addAtFour);
    QCOMPARE(problems, (QStringList{"two fixtures are named A", "fixtures A and D are both on /dev/pts/f0"}));
    setup::station_setup expected = before;
    expected.fixtures = {{"A", "/dev/pts/f0"}, {"left", "/dev/pts/f1"}, {"C", "/dev/pts/f2"}};
    QCOMPARE(describe(st.session->setup()), describe(expected));
    QCOMPARE(st.window->tileCount(), 3);

    // Remembered, and shown again by a later dialog; all removed, the port alone is back.
    const setup::station_setup read = op::loadSetup(QSettings(st.remembered.fileName(), QSettings::IniFormat));
    QCOMPARE(describe(read), describe(expected));
    op::setup_dialog again(read);
    QCOMPARE(again.fixtureCount(), 3);
    QCOMPARE(again.fixtureName(1).text(), QStringLiteral("left"));
    for (int i = 0; i < 3; ++i)
        again.removeFixtureButton().click();
    QVERIFY(!again.removeFixtureButton().isEnabled());
    QCOMPARE(describe(again.setup()), describe(before));

    // A remembered list that a hand garbled is dropped whole, never half used.
    QSettings garbled(st.remembered.fileName(), QSettings::IniFormat);
    garbled.setValue(QStringLiteral("line/fixtures"), QStringList{"A=/dev/pts/f0", "B C=/dev/pts/f1"});
    garbled.sync();
    QCOMPARE(op::loadSetup(garbled).fixtures, QList<setup::fixture>());
}

void OperatorSetupTest::commandLineOverRemembered() {
    setup::station_setup remembered;
    remembered.port = QStringLiteral("ttyUSB0");
    remembered.program = QStringLiteral("/parts/a.device");
    remembered.results = QStringLiteral("/data/line.sqlite");
    remembered.station = QStringLiteral("line-1");

    const op::launch plain = op::parseLaunch({"rx48p-station"}, remembered);
    QCOMPARE(plain.error, QString());
    QVERIFY(!plain.start);
    QCOMPARE(describe(plain.setup), describe(remembered));

    const op::launch full = op::parseLaunch(
        {"rx48p-station", "--port", "/tmp/rx48p-board", "--results", "/tmp/r.sqlite", "--server",
         "postgresql://u@h/db", "--station", "line-9", "--serial", "auto:L9-", "--sensitivity", "128", "--buzzer", "0",
         "--tolerance", "0.3", "--start", "--count", "12", "--released-only", "/parts/b.device"},
        remembered);
    QCOMPARE(full.error, QString());
    QVERIFY(full.start);
    QCOMPARE(describe(full.setup),
             QStringLiteral("|/tmp/rx48p-board|/parts/b.device|128|0|0.30|auto:L9-|/tmp/r.sqlite|postgresql://u@h/db|line-9|12|"
                            "released only"));

    const op::launch scan = op::parseLaunch({"rx48p-station", "--serial", "scan"}, remembered);
    QCOMPARE(setup::serialModeText(scan.setup), QStringLiteral("scan"));
    QCOMPARE(scan.setup.program, remembered.program);

    // The options spelled as rx48p-ctl spells them: a remembered mode turned off, -p, the time-out.
    const op::launch none = op::parseLaunch({"rx48p-station", "--serial", "none", "-p", "/dev/pts/9", "--timeout", "500"},
                                            full.setup);
    QCOMPARE(none.error, QString());
    QCOMPARE(none.setup.serials, setup::serial_mode::none);
    QCOMPARE(none.setup.port, QStringLiteral("/dev/pts/9"));
    QCOMPARE(none.setup.timeoutMs, 500);
}

void OperatorSetupTest::fixturesOnTheCommandLine() {
    setup::station_setup remembered;
    remembered.port = QStringLiteral("ttyUSB0");
    remembered.fixtures = {{"old", "/dev/pts/7"}};
    remembered.program = QStringLiteral("/parts/a.device");

    const op::launch kept = op::parseLaunch({"rx48p-station", "--count", "2"}, remembered);
    QCOMPARE(kept.setup.fixtures, remembered.fixtures);

    // Named here, they replace the remembered ones, in the order given.
    const op::launch named =
        op::parseLaunch({"rx48p-station", "--fixture", "L=/dev/pts/1", "--fixture", "R=/tmp/board-r"}, remembered);
    QCOMPARE(named.error, QString());
    QCOMPARE(named.setup.fixtures, (QList<setup::fixture>{{"L", "/dev/pts/1"}, {"R", "/tmp/board-r"}}));

    // A port given here is the one board again.
    const op::launch port = op::parseLaunch({"rx48p-station", "--port", "/dev/pts/9"}, remembered);
    QCOMPARE(port.error, QString());
    QCOMPARE(port.setup.fixtures, QList<setup::fixture>());
    QCOMPARE(setup::fixturesOf(port.setup), (QList<setup::fixture>{{QString(), "/dev/pts/9"}}));

    const QList<std::pair<QStringList, QString>> refused{
        {{"--port", "/dev/pts/9", "--fixture", "A=/dev/pts/1"}, "--port and --fixture exclude each other"},
        {{"--fixture", "A"}, "--fixture: a fixture is NAME=PORT, not 'A'"},
        {{"--fixture", "A=/dev/pts/1", "--fixture", "A=/dev/pts/2"}, "--fixture: two fixtures are named A"},
        {{"--fixture", "a=1", "--fixture", "b=2", "--fixture", "c=3", "--fixture", "d=4", "--fixture", "e=5"},
         "--fixture: a station drives at most 4 fixtures, not 5"},
    };
    for (const auto& [args, error] : refused) {
        const op::launch l = op::parseLaunch(QStringList{"rx48p-station"} + args, remembered);
        QVERIFY2(l.error.startsWith(error), qPrintable(l.error));
    }
}

void OperatorSetupTest::badCommandLines_data() {
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("error");
    // Every value goes through the settings' one definition, whose checks rx48p-ctl's suites cover.
    QTest::newRow("tolerance") << QStringList{"--tolerance", "6"} << "--tolerance: 6 is out of range (0.00 to 5.12)";
    QTest::newRow("two programs") << QStringList{"a.device", "b.device"} << "one part program at most, not 2";
    QTest::newRow("unknown") << QStringList{"--speed", "3"} << "unknown option '--speed'";
    QTest::newRow("mistyped") << QStringList{"--tolerence", "0.2"}
                              << "unknown option '--tolerence'; did you mean --tolerance?";
    QTest::newRow("rx48p-ctl's own option") << QStringList{"--junit", "r.xml"} << "unknown option '--junit'";
}

void OperatorSetupTest::badCommandLines() {
    QFETCH(QStringList, args);
    QFETCH(QString, error);
    const op::launch l = op::parseLaunch(QStringList{"rx48p-station"} + args, setup::station_setup());
    QVERIFY2(l.error.startsWith(error) && !l.error.isEmpty(), qPrintable(l.error));
}

QTEST_MAIN(OperatorSetupTest)
#include "tst_operator_setup.moc"
