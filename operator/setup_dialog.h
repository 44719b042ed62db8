#pragma once

#include "setup/station_setup.h"

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
#include <QVBoxLayout>

namespace op {

// The station's setup: the port (a listed one, or any device path, such as the simulator's
// pseudo-terminal), the part program, the board's settings, serials and where parts are recorded.
// OK takes it only when it will do; the window remembers it.
class setup_dialog : public QDialog {
    Q_OBJECT
public:
    explicit setup_dialog(const setup::station_setup& setup, QWidget* parent = nullptr);

    setup::station_setup setup() const;

    // For tests and keyboard users alike: the fields by what they hold.
    QComboBox& portList() { return ports; }
    QLineEdit& portPath() { return path; }
    QLineEdit& programFile() { return program; }
    QSpinBox& sensitivityBox() { return sensitivity; }
    QSpinBox& buzzerBox() { return buzzer; }
    QDoubleSpinBox& toleranceBox() { return tolerance; }
    QComboBox& serialModes() { return serials; }
    QLineEdit& serialPrefix() { return prefix; }
    QLineEdit& resultsFile() { return results; }
    QLineEdit& serverUrl() { return server; }
    QLineEdit& stationName() { return station; }
    QString problem() const { return error.text(); }

    void accept() override;

private:
    void browseProgram();
    void browseResults();

    setup::station_setup passedThrough;  // the count of the start in hand and the time-out
    QVBoxLayout outer;
    QFormLayout form;
    QComboBox ports;
    QLineEdit path;
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
    QLabel error;
    QDialogButtonBox buttons;
};

}  // namespace op
