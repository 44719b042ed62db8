// The supervisor password: what the settings keep of it, the pause that grows with each wrong one, Setup
// and the service keys behind it, setting it from Setup, and the administrator's command line.

#include "operator_support.h"
#include "program_run.h"

#include "operator/password_dialog.h"
#include "operator/setup_dialog.h"
#include "operator/supervisor_lock.h"

#include <QApplication>
#include <QCryptographicHash>
#include <QDateTime>
#include <QFile>
#include <QLineEdit>
#include <QPasswordDigestor>
#include <QPointer>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>

#include <chrono>
#include <functional>
#include <vector>

using namespace optest;
using namespace std::chrono_literals;
using attempt = op::supervisor_lock::attempt;

namespace {

const QString secret = QStringLiteral("line-9-boss");
const QString passwordKey = QStringLiteral("lock/password");

// Answers each modal dialog as it comes up with the next of `steps`; a dialog past the last step is
// cancelled and counted, so a prompt nobody expected fails the test instead of hanging it. Each step
// closes its dialog.
class modal_answers : public QObject {
public:
    explicit modal_answers(std::vector<std::function<void(QWidget&)>> steps) : steps(std::move(steps)) {
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (busy || !w || !w->isVisible())
                return;
            busy = true;
            seen << QString::fromLatin1(w->metaObject()->className());
            if (next < this->steps.size())
                this->steps[next++](*w);
            else if (auto* d = qobject_cast<QDialog*>(w))
                d->reject();
            busy = false;
        });
        poll.start();
    }
    QStringList seen;  // the dialogs' classes, in order

private:
    std::vector<std::function<void(QWidget&)>> steps;
    std::size_t next = 0;
    bool busy = false;
    QTimer poll;
};

using step = std::function<void(QWidget&)>;

void cancel(QWidget& w) {
    if (auto* d = qobject_cast<QDialog*>(&w))
        d->reject();
}

// A step for a dialog of its kind; a dialog of another kind is cancelled instead, and `seen` tells.
template <typename Dialog>
step on(std::function<void(Dialog&)> answer) {
    return [answer](QWidget& w) {
        if (auto* d = qobject_cast<Dialog*>(&w))
            answer(*d);
        else
            cancel(w);
    };
}
using password = op::password_dialog;

void typeAndEnter(QLineEdit& field, const QString& text) {
    field.setFocus();
    QTest::keyClicks(&field, text);
    QTest::keyClick(&field, Qt::Key_Return);
}

// Every text a person could read in `w` and its children: labels, titles, buttons, fields shown plainly.
QStringList shownTexts(QWidget& w) {
    QStringList texts{w.windowTitle()};
    for (QLabel* l : w.findChildren<QLabel*>())
        texts << l->text();
    for (QAbstractButton* b : w.findChildren<QAbstractButton*>())
        texts << b->text() << b->toolTip();
    for (QLineEdit* e : w.findChildren<QLineEdit*>()) {
        if (e->echoMode() == QLineEdit::Normal)
            texts << e->text();
    }
    return texts;
}

// rx48p-station for the administrator, its settings in `dir`, with no display to be had.
test_support::Finished runStation(const QTemporaryDir& dir, const QStringList& args, const QByteArray& input) {
    test_support::ProgramRun run(QStringLiteral(RX48P_STATION), args);
    run.env(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    run.env(QStringLiteral("DISPLAY"), QString());
    run.env(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath(QStringLiteral("config")));
    run.input(input);
    run.start();
    return run.finish();
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class OperatorLockTest : public QObject {
    Q_OBJECT
private slots:
    void pauseRule_data();
    void pauseRule();
    // Salted, slow, its iterations read from the text; the state for the audit trail tells none of it.
    void storedTextIsASaltedHash();
    void garbledTextStaysLocked_data();
    void garbledTextStaysLocked();
    // Wrong passwords pause the next try longer each time; a try in the pause is not even checked.
    void wrongPasswordsPauseLonger();
    void setupBehindThePassword();
    void serviceKeysBehindThePassword();
    void passwordFromSetup();
    void administratorsCommandLine();
};

void OperatorLockTest::pauseRule_data() {
    QTest::addColumn<int>("failures");
    QTest::addColumn<int>("baseMs");
    QTest::addColumn<int>("pauseMs");
    QTest::newRow("none yet") << 0 << 1000 << 0;
    QTest::newRow("first") << 1 << 1000 << 1000;
    QTest::newRow("second") << 2 << 1000 << 2000;
    QTest::newRow("third") << 3 << 1000 << 4000;
    QTest::newRow("fifth") << 5 << 1000 << 16000;
    QTest::newRow("sixth, at the ceiling") << 6 << 1000 << 30000;
    QTest::newRow("ever so many") << 1000000 << 1000 << 30000;
    QTest::newRow("a test's base") << 3 << 100 << 400;
    QTest::newRow("a test's ceiling") << 40 << 100 << 3000;
}

void OperatorLockTest::pauseRule() {
    QFETCH(int, failures);
    QFETCH(int, baseMs);
    QFETCH(int, pauseMs);
    QCOMPARE(op::pauseAfter(failures, std::chrono::milliseconds(baseMs)).count(), qint64(pauseMs));
}

void OperatorLockTest::storedTextIsASaltedHash() {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    op::supervisor_lock lock(settings);
    QVERIFY(!lock.isLocked());
    QCOMPARE(op::lockStateText(settings), QStringLiteral("none"));
    QCOMPARE(lock.check(QStringLiteral("anything")).what, attempt::accepted);  // nothing to guard

    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-1);
    QCOMPARE(lock.set(secret, secret).what, attempt::accepted);
    const QDateTime after = QDateTime::currentDateTimeUtc().addSecs(1);
    QVERIFY(lock.isLocked());
    const QString first = settings.value(passwordKey).toString();
    const QRegularExpressionMatch form =
        QRegularExpression(QStringLiteral("^pbkdf2-sha256\\$(\\d+)\\$([A-Za-z0-9+/=]+)\\$([A-Za-z0-9+/=]+)$"))
            .match(first);
    QVERIFY2(form.hasMatch(), qPrintable(first));
    QVERIFY(form.captured(1).toInt() >= 10000);
    QCOMPARE(QByteArray::fromBase64(form.captured(2).toLatin1()).size(), 16);
    QVERIFY(!fileBytes(settings.fileName()).contains(secret.toUtf8()));

    // "set" and the time, nothing of the salt or the hash.
    const QString state = op::lockStateText(settings);
    QVERIFY2(state.startsWith(QLatin1String("set ")) && state.size() == 24, qPrintable(state));
    const QDateTime when = QDateTime::fromString(state.mid(4), Qt::ISODate);
    QVERIFY2(when >= before && when <= after, qPrintable(state));
    for (const QString& piece : {form.captured(2), form.captured(3), secret})
        QVERIFY(!state.contains(piece));

    QCOMPARE(lock.check(secret).what, attempt::accepted);
    QCOMPARE(lock.check(secret.toUpper()).what, attempt::wrong);

    // The same password set again is stored differently.
    QCOMPARE(op::supervisor_lock::store(settings, secret), QString());
    const QString second = settings.value(passwordKey).toString();
    QVERIFY(second != first);
    QVERIFY(second.section(QLatin1Char('$'), 2, 2) != form.captured(2));
    QVERIFY(second.section(QLatin1Char('$'), 3, 3) != form.captured(3));

    // The iterations are the text's own: fewer from an older release still open, and a count altered
    // by hand does not.
    const QByteArray salt("sixteen bytes ok");
    const QByteArray hash =
        QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, secret.toUtf8(), salt, 2000, 32);
    const QString older = QStringLiteral("pbkdf2-sha256$%1$%2$%3");
    settings.setValue(passwordKey,
                      older.arg(2000).arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(hash.toBase64())));
    op::supervisor_lock olderLock(settings);
    QCOMPARE(olderLock.check(secret).what, attempt::accepted);
    settings.setValue(passwordKey,
                      older.arg(2001).arg(QString::fromLatin1(salt.toBase64()), QString::fromLatin1(hash.toBase64())));
    op::supervisor_lock altered(settings);
    QCOMPARE(altered.check(secret).what, attempt::wrong);
}

void OperatorLockTest::garbledTextStaysLocked_data() {
    QTest::addColumn<QString>("text");
    const QString salt = QString::fromLatin1(QByteArray("sixteen bytes ok").toBase64());
    const QString hash =
        QString::fromLatin1(QPasswordDigestor::deriveKeyPbkdf2(QCryptographicHash::Sha256, secret.toUtf8(),
                                                               QByteArray("sixteen bytes ok"), 2000, 32)
                                .toBase64());
    const auto text = [&](const QString& scheme, const QString& iterations, const QString& s, const QString& h) {
        return QStringList{scheme, iterations, s, h}.join(QLatin1Char('$'));
    };
    QTest::newRow("empty") << QString();
    QTest::newRow("a word") << QStringLiteral("open");
    QTest::newRow("the password itself") << secret;
    QTest::newRow("another scheme") << text(QStringLiteral("pbkdf2-sha1"), QStringLiteral("2000"), salt, hash);
    QTest::newRow("iterations not a number") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2k"), salt, hash);
    QTest::newRow("iterations too few") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("1"), salt, hash);
    QTest::newRow("iterations to freeze the window")
        << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000000000"), salt, hash);
    QTest::newRow("salt not base64") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000"),
                                             QStringLiteral("*!*"), hash);
    QTest::newRow("salt too short") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000"),
                                            QStringLiteral("c2FsdA=="), hash);
    QTest::newRow("hash cut short") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000"), salt,
                                            hash.left(40));
    QTest::newRow("no hash") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000"), salt, QString());
    QTest::newRow("a field more") << text(QStringLiteral("pbkdf2-sha256"), QStringLiteral("2000"), salt, hash) +
                                         QStringLiteral("$x");
}

void OperatorLockTest::garbledTextStaysLocked() {
    QFETCH(QString, text);
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    settings.setValue(passwordKey, text);
    settings.setValue(QStringLiteral("lock/set_utc"), QStringLiteral("2026-12-01T08:00:00Z"));
    op::supervisor_lock lock(settings, 1ms);
    QVERIFY(lock.isLocked());
    QCOMPARE(op::lockStateText(settings), QStringLiteral("garbled"));
    // No password opens it, not the one it was made from, not the text itself, not none.
    for (const QString& tried : {secret, text, QString()}) {
        QTRY_COMPARE(lock.waitLeft().count(), qint64(0));
        QCOMPARE(lock.check(tried).what, attempt::wrong);
    }
    QCOMPARE(lock.set(QStringLiteral("new-one-1"), QStringLiteral("new-one-1")).what, attempt::refused);
    QCOMPARE(settings.value(passwordKey).toString(), text);
}

void OperatorLockTest::wrongPasswordsPauseLonger() {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    op::supervisor_lock lock(settings, 250ms);
    QCOMPARE(lock.set(secret, secret).what, attempt::accepted);

    const attempt first = lock.check(QStringLiteral("guess-1"));
    QCOMPARE(first.what, attempt::wrong);
    QVERIFY(lock.waitLeft() > 0ms);
    // The right one within the pause is not checked, nor are change and remove.
    QCOMPARE(lock.check(secret).what, attempt::waiting);
    QCOMPARE(lock.remove(secret).what, attempt::waiting);
    QCOMPARE(lock.change(secret, QStringLiteral("other-1"), QStringLiteral("other-1")).what, attempt::waiting);
    QVERIFY(lock.isLocked());
    QTRY_COMPARE_WITH_TIMEOUT(lock.waitLeft().count(), qint64(0), 2000);

    const attempt second = lock.check(QStringLiteral("guess-2"));
    QCOMPARE(second.what, attempt::wrong);
    QVERIFY2(second.wait > first.wait,
             qPrintable(QStringLiteral("%1 then %2 ms").arg(first.wait.count()).arg(second.wait.count())));
    QVERIFY(lock.waitLeft() > first.wait);
    QTRY_COMPARE_WITH_TIMEOUT(lock.waitLeft().count(), qint64(0), 2000);
    // A wrong current password in a change counts as well.
    const attempt third = lock.change(QStringLiteral("guess-3"), QStringLiteral("other-1"), QStringLiteral("other-1"));
    QCOMPARE(third.what, attempt::wrong);
    QVERIFY(third.wait > second.wait);
    QTRY_COMPARE_WITH_TIMEOUT(lock.waitLeft().count(), qint64(0), 2000);
    // The right one starts the count again.
    QCOMPARE(lock.check(secret).what, attempt::accepted);
    QCOMPARE(lock.check(QStringLiteral("guess-4")).wait.count(), first.wait.count());

    // The dialog: the wrong one says so, OK greyed while the window goes on, then open again. A pause
    // long enough for the typing in it on a slow machine.
    op::supervisor_lock slow(settings, 2s);
    op::password_dialog dialog(slow, op::password_task::unlock, QStringLiteral("Setup needs the supervisor password."));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    for (QLineEdit* field : dialog.findChildren<QLineEdit*>())
        QCOMPARE(field->echoMode(), QLineEdit::Password);
    typeAndEnter(dialog.currentField(), QStringLiteral("guess-5"));
    QCOMPARE(dialog.message(), QStringLiteral("Wrong password: wait 2 s"));
    QVERIFY(!dialog.okButton().isEnabled());
    QCOMPARE(dialog.currentField().text(), QString());
    // Enter with the right one in the pause: refused unchecked.
    typeAndEnter(dialog.currentField(), secret);
    dialog.accept();
    QVERIFY(dialog.isVisible());
    QCOMPARE(dialog.message(), QStringLiteral("Too soon: wait 2 s"));
    QVERIFY(QTest::qWaitFor([&] { return dialog.okButton().isEnabled(); }, 3000));
    QCOMPARE(dialog.message(), QStringLiteral("Too soon: try again"));
    typeAndEnter(dialog.currentField(), secret);
    QCOMPARE(dialog.result(), int(QDialog::Accepted));
    QVERIFY(!dialog.isVisible());
    for (const QString& text : shownTexts(dialog))
        QVERIFY2(!text.contains(secret) && !text.contains(QLatin1String("guess")), qPrintable(text));
}

void OperatorLockTest::setupBehindThePassword() {
    fixture st;
    QVERIFY(st.show());
    // No password: Setup opens at once.
    {
        modal_answers answers({cancel});
        QVERIFY(!st.window->editSetup());
        QCOMPARE(answers.seen, QStringList{"op::setup_dialog"});
    }
    QCOMPARE(st.window->supervisorLock().set(secret, secret).what, attempt::accepted);

    // A wrong one leaves Setup closed.
    QString said;
    {
        modal_answers answers({on<password>([&](password& d) {
            typeAndEnter(d.currentField(), QStringLiteral("not-it"));
            said = d.message();
            d.reject();
        })});
        QVERIFY(!st.window->editSetup());
        QCOMPARE(answers.seen, QStringList{"op::password_dialog"});
    }
    QCOMPARE(said, QStringLiteral("Wrong password: wait 1 s"));
    QTRY_COMPARE_WITH_TIMEOUT(st.window->supervisorLock().waitLeft().count(), qint64(0), 3000);

    // The right one opens it, and a change confirmed there is taken.
    {
        modal_answers answers({on<password>([](password& d) { typeAndEnter(d.currentField(), secret); }),
                               on<op::setup_dialog>([&](op::setup_dialog& setup) {
                                   setup.stationName().setText(QStringLiteral("line-9"));
                                   setup.portPath().setText(QStringLiteral("/dev/pts/nowhere"));
                                   setup.programFile().setText(partFile(QStringLiteral("good")));
                                   setup.resultsFile().setText(st.resultsFile());
                                   setup.accept();
                               })});
        QVERIFY(st.window->editSetup());
        QCOMPARE(answers.seen, (QStringList{"op::password_dialog", "op::setup_dialog"}));
    }
    QCOMPARE(st.session->setup().station, QStringLiteral("line-9"));

    // Once per opening; and a start whose setup will not do asks before its Setup.
    {
        modal_answers answers({});
        QVERIFY(!st.window->editSetup());
        st.session->setSetup(setup::station_setup());
        st.window->startRun();
        QCOMPARE(answers.seen, (QStringList{"op::password_dialog", "op::password_dialog"}));
    }
    QVERIFY(!st.session->running());
}

void OperatorLockTest::serviceKeysBehindThePassword() {
    fixture st;
    setup::station_setup s = st.setupFor(QString());
    s.fixtures = {{"A", "/dev/pts/nowhere-a"}, {"B", "/dev/pts/nowhere-b"}};
    st.session->setSetup(s);
    QVERIFY(st.show());
    const auto ctrl = [&](int key) {
        // The offscreen platform does not give the window back its activation when a dialog closes.
        QApplication::setActiveWindow(st.window.get());
        QTest::keyClick(st.window.get(), static_cast<Qt::Key>(Qt::Key_0 + key), Qt::ControlModifier);
    };
    const auto inService = [&](int i) { return st.session->fixture(i).inService(); };

    // Without a password the key alone does it.
    {
        modal_answers answers({});
        ctrl(2);
        QVERIFY(!inService(1));
        ctrl(2);
        QVERIFY(inService(1));
        QCOMPARE(answers.seen, QStringList());
    }
    QCOMPARE(st.window->supervisorLock().set(secret, secret).what, attempt::accepted);
    {
        // Asked and cancelled: B stays; asked and given: B goes, and coming back asks again. Ctrl+3 has
        // no fixture to ask for.
        const step give = on<password>([](password& d) { typeAndEnter(d.currentField(), secret); });
        modal_answers answers({cancel, give, cancel, give});
        ctrl(2);
        QVERIFY(inService(1));
        ctrl(2);
        QVERIFY(!inService(1));
        ctrl(3);
        ctrl(2);
        QVERIFY(!inService(1));
        ctrl(2);
        QVERIFY(inService(1));
        QVERIFY(inService(0));
        QCOMPARE(answers.seen, (QStringList{"op::password_dialog", "op::password_dialog", "op::password_dialog",
                                            "op::password_dialog"}));
    }
    // Starting and stopping never ask (the boards here are nowhere: the start ends at once).
    {
        modal_answers answers({});
        QTest::keyClick(st.window.get(), Qt::Key_Return);
        QVERIFY(QTest::qWaitFor([&] { return !st.session->running(); }, 10000));
        QTest::keyClick(st.window.get(), Qt::Key_Escape);
        QTest::qWait(50);
        QCOMPARE(answers.seen, QStringList());
    }
}

void OperatorLockTest::passwordFromSetup() {
    QTemporaryDir dir;
    QSettings settings(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat);
    op::supervisor_lock lock(settings, 100ms);
    op::setup_dialog setup(setup::station_setup(), &lock);
    setup.show();
    QVERIFY(QTest::qWaitForWindowExposed(&setup));
    QCOMPARE(setup.passwordState(), QStringLiteral("none: anyone may open Setup"));
    QVERIFY(setup.setPasswordButton().isEnabled());
    QVERIFY(!setup.changePasswordButton().isEnabled());
    QVERIFY(!setup.removePasswordButton().isEnabled());

    QStringList said;
    QStringList shown;
    const auto fill = [&](op::password_dialog& d, const QString& current, const QString& fresh, const QString& again) {
        d.currentField().setText(current);
        d.newField().setText(fresh);
        d.againField().setText(again);
        shown << shownTexts(d);
        QTest::keyClick(&d, Qt::Key_Return);
        said << (d.isVisible() ? d.message() : QStringLiteral("(taken)"));
        shown << shownTexts(d);
    };
    {
        // Too short, typed differently, then taken.
        modal_answers answers({on<password>([&](password& d) {
            for (QLineEdit* field : d.findChildren<QLineEdit*>())
                QCOMPARE(field->echoMode(), QLineEdit::Password);
            fill(d, QString(), QStringLiteral("short"), QStringLiteral("short"));
            fill(d, QString(), secret, secret + QLatin1Char('.'));
            fill(d, QString(), secret, secret);
            if (d.isVisible())
                d.reject();
        })});
        setup.setPasswordButton().click();
        QCOMPARE(answers.seen, QStringList{"op::password_dialog"});
    }
    QCOMPARE(said,
             (QStringList{"the password needs at least 6 characters", "the two passwords typed differ", "(taken)"}));
    QVERIFY(op::supervisor_lock(settings).check(secret).what == attempt::accepted);
    // When, in the window's language and local time.
    QVERIFY2(setup.passwordState().startsWith(QLatin1String("set on ")), qPrintable(setup.passwordState()));
    QVERIFY(!setup.setPasswordButton().isEnabled());

    // Changed: a wrong current one waits; the right one takes the new.
    const QString next = QStringLiteral("second-secret");
    said.clear();
    {
        modal_answers answers({on<password>([&](password& d) {
            fill(d, QStringLiteral("not-it"), next, next);
            if (!QTest::qWaitFor([&] { return d.okButton().isEnabled(); }, 3000))
                return d.reject();
            fill(d, secret, next, next);
            if (d.isVisible())
                d.reject();
        })});
        setup.changePasswordButton().click();
    }
    QCOMPARE(said, (QStringList{"Wrong password: wait 1 s", "(taken)"}));
    QCOMPARE(op::supervisor_lock(settings).check(secret).what, attempt::wrong);
    QCOMPARE(op::supervisor_lock(settings).check(next).what, attempt::accepted);

    // Removed with the current one.
    {
        modal_answers answers({on<password>([&](password& d) { fill(d, next, QString(), QString()); })});
        setup.removePasswordButton().click();
        QCOMPARE(answers.seen, QStringList{"op::password_dialog"});
    }
    QVERIFY(!lock.isLocked());
    QCOMPARE(setup.passwordState(), QStringLiteral("none: anyone may open Setup"));
    for (const QString& text : shownTexts(setup) + shown)
        QVERIFY2(!text.contains(secret) && !text.contains(next), qPrintable(text));
}

void OperatorLockTest::administratorsCommandLine() {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("config/Vexalon/RX48P-Station.conf"));
    const QByteArray password = "admin-pw-77";

    const test_support::Finished set = runStation(dir, {"--set-password"}, password + '\n' + password + '\n');
    QCOMPARE(set.code, 0);
    QCOMPARE(set.out, QStringLiteral("supervisor password set in %1\n").arg(file));
    QCOMPARE(set.err, QString());
    const QByteArray written = fileBytes(file);
    QVERIFY(!written.contains(password));
    {
        QSettings settings(file, QSettings::NativeFormat);
        const QString stored = settings.value(passwordKey).toString();
        QVERIFY2(stored.startsWith(QLatin1String("pbkdf2-sha256$")), qPrintable(stored));
        for (const QString& piece : stored.split(QLatin1Char('$')).mid(2))
            QVERIFY(!set.out.contains(piece));
        op::supervisor_lock lock(settings);
        QCOMPARE(lock.check(QString::fromLatin1(password)).what, attempt::accepted);
    }

    // Refused, and the file as it was: typed differently, too short, the input ending early, both options.
    const QList<std::pair<QStringList, QByteArray>> refusals{{{"--set-password"}, "admin-pw-78\nadmin-pw-79\n"},
                                                             {{"--set-password"}, "abc\nabc\n"},
                                                             {{"--set-password"}, "admin-pw-80\n"},
                                                             {{"--set-password", "--remove-password"}, ""}};
    for (const auto& [args, input] : refusals) {
        const test_support::Finished no = runStation(dir, args, input);
        QCOMPARE(no.code, 2);
        QCOMPARE(no.out, QString());
        QVERIFY2(no.err.startsWith(QLatin1String("rx48p-station: ")) && no.err.count(QLatin1Char('\n')) <= 2,
                 qPrintable(no.err));
        QVERIFY2(!no.err.contains(QLatin1String("admin-pw")) && !no.err.contains(QLatin1String("abc")),
                 qPrintable(no.err));
        QCOMPARE(fileBytes(file), written);
    }

    // Removed without a password; removing none is said so.
    const test_support::Finished removed = runStation(dir, {"--remove-password"}, QByteArray());
    QCOMPARE(removed.code, 0);
    QCOMPARE(removed.out, QStringLiteral("supervisor password removed from %1\n").arg(file));
    QCOMPARE(op::lockStateText(QSettings(file, QSettings::NativeFormat)), QStringLiteral("none"));
    const test_support::Finished again = runStation(dir, {"--remove-password"}, QByteArray());
    QCOMPARE(again.code, 0);
    QCOMPARE(again.out, QStringLiteral("no supervisor password was set in %1\n").arg(file));

    const test_support::Finished help = runStation(dir, {"--help"}, QByteArray());
    QVERIFY(help.out.contains(QLatin1String("--set-password")) &&
            help.out.contains(QLatin1String("--remove-password")));
}

QTEST_MAIN(OperatorLockTest)
#include "tst_operator_lock.moc"
