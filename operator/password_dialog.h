#pragma once

#include "operator/supervisor_lock.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace op {

enum class password_task { unlock, set, change, remove };

// Asks for the supervisor password (and for set and change, the new one twice), every field hidden as
// typed. OK takes the password through the lock: a wrong one keeps the dialog open, OK greyed and the
// seconds counted down until the lock takes another try; the window keeps running meanwhile.
class password_dialog : public QDialog {
    Q_OBJECT
public:
    // `why` says what the password opens, for unlock.
    password_dialog(supervisor_lock& lock, password_task task, const QString& why = QString(),
                    QWidget* parent = nullptr);

    // For tests and keyboard users alike; a field the task does not ask is never shown.
    QLineEdit& currentField() { return current; }
    QLineEdit& newField() { return fresh; }
    QLineEdit& againField() { return again; }
    QPushButton& okButton() { return *buttons.button(QDialogButtonBox::Ok); }
    QString message() const { return notice.text(); }

    void accept() override;

private:
    void showWait();
    QLineEdit& firstField() { return task == password_task::set ? fresh : current; }

    supervisor_lock& lock;
    password_task task;
    QString failure;  // what the pause follows
    QVBoxLayout outer;
    QLabel prompt;
    QFormLayout form;
    QLineEdit current;
    QLineEdit fresh;
    QLineEdit again;
    QLabel notice;
    QDialogButtonBox buttons;
    QTimer countdown;
};

}  // namespace op
