#pragma once

#include "operator/password_dialog.h"
#include "operator/supervisor_lock.h"
#include "setup/station_setup.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include <array>
#include <QVBoxLayout>

namespace op {

// The station's setup: the port (a listed one, or any device path, such as the simulator's
// pseudo-terminal) or up to four named fixtures each on its port, the part program, the board's settings, serials and where parts are recorded.
// OK takes it only when it will do; the window remembers it. Given the window's lock, it also sets, changes
// and removes the supervisor password, at once and whatever OK or Cancel later says.
class setup_dialog : public QDialog {
    Q_OBJECT
public:
    explicit setup_dialog(const setup::station_setup& setup, supervisor_lock* lock = nullptr, QWidget* parent = nullptr);

    setup::station_setup setup() const;

    // For tests and keyboard users alike: the fields by what they hold.
    QComboBox& portList() { return ports; }
    QLineEdit& portPath() { return path; }
    // The fixtures, a row each (name, port), the first `fixtureCount()` shown; none: the one board on the
    // port above.
    int fixtureCount() const { return shownFixtures; }
    QLineEdit& fixtureName(int row) { return fixtureRows.at(static_cast<std::size_t>(row)).name; }
    QLineEdit& fixturePort(int row) { return fixtureRows.at(static_cast<std::size_t>(row)).port; }
    QPushButton& addFixtureButton() { return addFixture; }
    QPushButton& removeFixtureButton() { return removeFixture; }
    QLineEdit& programFile() { return program; }
    QSpinBox& sensitivityBox() { return sensitivity; }
    QSpinBox& buzzerBox() { return buzzer; }
    QDoubleSpinBox& toleranceBox() { return tolerance; }
    QComboBox& serialModes() { return serials; }
    QLineEdit& serialPrefix() { return prefix; }
    QLineEdit& resultsFile() { return results; }
    QLineEdit& serverUrl() { return server; }
    QLineEdit& stationName() { return station; }
    QCheckBox& releasedOnlyBox() { return releasedOnly; }
    // The window's language: a code of windowLanguages(), or empty for the system's. Applies at the next
    // start; the window remembers it apart from the setup.
    QComboBox& languageBox() { return languages; }
    void setLanguage(const QString& code);
    QString language() const { return languages.currentData().toString(); }
    QString problem() const { return error.text(); }
    QPushButton& setPasswordButton() { return setPassword; }
    QPushButton& changePasswordButton() { return changePassword; }
    QPushButton& removePasswordButton() { return removePassword; }
    QString passwordState() const { return lockState.text(); }

    void accept() override;

private:
    void browseProgram();
    void browseResults();
    void showFixtureRows(int count);
    void editPassword(password_task task);
    void showLock();

    setup::station_setup passedThrough;  // the count of the start in hand and the time-out
    QVBoxLayout outer;
    QFormLayout form;
    QComboBox ports;
    QLineEdit path;
    struct fixture_row {
        QHBoxLayout row;
        QLineEdit name;
        QLineEdit port;
    };
    QVBoxLayout fixtureBox;
    std::array<fixture_row, setup::maxFixtures> fixtureRows;
    int shownFixtures = 0;
    QHBoxLayout fixtureButtons;
    QPushButton addFixture;
    QPushButton removeFixture;
    QHBoxLayout programRow;
    QLineEdit program;
    QPushButton programBrowse;
    QSpinBox sensitivity;
    QSpinBox buzzer;
    QDoubleSpinBox tolerance;
    QHBoxLayout serialRow;
    QComboBox serials;
    QLineEdit prefix;
    QHBoxLayout resultsRow;
    QLineEdit results;
    QPushButton resultsBrowse;
    QLineEdit server;
    QLineEdit station;
    QCheckBox releasedOnly;
    QHBoxLayout languageRow;
    QLabel languageLabel;
    QComboBox languages;
    QLabel languageNote;
    supervisor_lock* lock;
    QHBoxLayout lockRow;
    QLabel lockState;
    QPushButton setPassword;
    QPushButton changePassword;
    QPushButton removePassword;
    QLabel error;
    QDialogButtonBox buttons;
};

}  // namespace op
