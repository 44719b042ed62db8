#include "operator/password_dialog.h"

namespace op {

namespace {

constexpr int tickMs = 200;

QString titleOf(password_task task) {
    switch (task) {
        case password_task::unlock:
            return password_dialog::tr("RX48P Station - Supervisor password");
        case password_task::set:
            return password_dialog::tr("RX48P Station - Set the supervisor password");
        case password_task::change:
            return password_dialog::tr("RX48P Station - Change the supervisor password");
        case password_task::remove:
            return password_dialog::tr("RX48P Station - Remove the supervisor password");
    }
    return QString();
}

}  // namespace

password_dialog::password_dialog(supervisor_lock& lock, password_task task, const QString& why, QWidget* parent)
    : QDialog(parent), lock(lock), task(task), outer(this), buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel) {
    setWindowTitle(titleOf(task));
    const bool asksCurrent = task != password_task::set;
    const bool asksNew = task == password_task::set || task == password_task::change;
    QString text = why;
    if (task == password_task::set || task == password_task::change)
        text = tr("The new password: at least %1 characters, typed twice.")
                   .arg(supervisor_lock::minPasswordLength);
    else if (task == password_task::remove)
        text = tr("Without a password anyone at the station may change the setup.");
    prompt.setText(text);
    prompt.setTextFormat(Qt::PlainText);
    prompt.setWordWrap(true);
    for (QLineEdit* field : {&current, &fresh, &again}) {
        field->setEchoMode(QLineEdit::Password);
        field->setMinimumWidth(260);
    }
    if (asksCurrent)
        form.addRow(task == password_task::change ? tr("&Current password") : tr("&Password"),
                    &current);
    if (asksNew) {
        form.addRow(tr("&New password"), &fresh);
        form.addRow(tr("&Again"), &again);
    }
    notice.setTextFormat(Qt::PlainText);
    notice.setWordWrap(true);
    QPalette red = notice.palette();
    red.setColor(QPalette::WindowText, QColor(0xb7, 0x1c, 0x1c));
    notice.setPalette(red);
    outer.addWidget(&prompt);
    outer.addLayout(&form);
    outer.addWidget(&notice);
    outer.addWidget(&buttons);
    connect(&buttons, &QDialogButtonBox::accepted, this, &password_dialog::accept);
    connect(&buttons, &QDialogButtonBox::rejected, this, &password_dialog::reject);
    countdown.setInterval(tickMs);
    connect(&countdown, &QTimer::timeout, this, &password_dialog::showWait);
    firstField().setFocus();
    // A pause from an earlier dialog still holds.
    if (lock.waitLeft().count() > 0) {
        failure = tr("Too soon");
        showWait();
    }
}

void password_dialog::accept() {
    supervisor_lock::attempt a;
    switch (task) {
        case password_task::unlock:
            a = lock.check(current.text());
            break;
        case password_task::set:
            a = lock.set(fresh.text(), again.text());
            break;
        case password_task::change:
            a = lock.change(current.text(), fresh.text(), again.text());
            break;
        case password_task::remove:
            a = lock.remove(current.text());
            break;
    }
    for (QLineEdit* field : {&current, &fresh, &again})
        field->clear();
    switch (a.what) {
        case supervisor_lock::attempt::accepted:
            QDialog::accept();
            return;
        case supervisor_lock::attempt::wrong:
            failure = tr("Wrong password");
            break;
        case supervisor_lock::attempt::waiting:
            failure = tr("Too soon");
            break;
        case supervisor_lock::attempt::refused:
            notice.setText(a.problem);
            firstField().setFocus();
            return;
    }
    showWait();
}

void password_dialog::showWait() {
    const qint64 left = lock.waitLeft().count();
    okButton().setEnabled(left == 0);
    if (left > 0) {
        // Whole seconds, rounded up: "wait 0 s" would read as a lie.
        notice.setText(tr("%1: wait %2 s").arg(failure).arg((left + 999) / 1000));
        if (!countdown.isActive())
            countdown.start();
        return;
    }
    countdown.stop();
    notice.setText(tr("%1: try again").arg(failure));
    firstField().setFocus();
}

}  // namespace op
