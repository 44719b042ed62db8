#include "operator/setup_dialog.h"

#include "operator/language.h"
#include "setup/default_location.h"

#include "device/payloads.h"

#include <QDateTime>
#include <QFileDialog>
#include <QLocale>
#include <QSerialPortInfo>
#include <QSysInfo>

#include <algorithm>

namespace op {

setup_dialog::setup_dialog(const setup::station_setup& s, supervisor_lock* lock, QWidget* parent)
    : QDialog(parent), passedThrough(s), outer(this), addFixture(tr("Add f&ixture")),
      removeFixture(tr("Remo&ve fixture")), programBrowse(tr("&Browse…")),
      resultsBrowse(tr("B&rowse…")), lock(lock), setPassword(tr("Set…")),
      changePassword(tr("Change…")), removePassword(tr("Remove…")),
      buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel) {
    setWindowTitle(tr("RX48P Station - Setup"));
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        ports.addItem(info.portName());
    const int listed = ports.findText(s.port);
    if (listed >= 0)
        ports.setCurrentIndex(listed);
    else
        path.setText(s.port);
    path.setPlaceholderText(tr("a device path, e.g. /dev/pts/3 or /tmp/rx48p-board"));

    for (std::size_t i = 0; i < fixtureRows.size(); ++i) {
        fixture_row& r = fixtureRows[i];
        r.name.setPlaceholderText(tr("name"));
        r.name.setMaximumWidth(140);
        r.name.setMaxLength(setup::maxFixtureName);
        r.port.setPlaceholderText(tr("its port or device path"));
        r.row.addWidget(&r.name);
        r.row.addWidget(&r.port, 1);
        fixtureBox.addLayout(&r.row);
        if (static_cast<int>(i) < s.fixtures.size()) {
            r.name.setText(s.fixtures[static_cast<int>(i)].name);
            r.port.setText(s.fixtures[static_cast<int>(i)].port);
        }
    }
    addFixture.setToolTip(tr("Up to %1 boards tested side by side, each named and on its port; none: the "
                                         "one board on the port above")
                              .arg(setup::maxFixtures));
    // Enter confirms the dialog, also right after a fixture was added or removed.
    addFixture.setAutoDefault(false);
    removeFixture.setAutoDefault(false);
    fixtureButtons.addWidget(&addFixture);
    fixtureButtons.addWidget(&removeFixture);
    fixtureButtons.addStretch(1);
    fixtureBox.addLayout(&fixtureButtons);
    connect(&addFixture, &QPushButton::clicked, this, [this] {
        fixture_row& r = fixtureRows[static_cast<std::size_t>(shownFixtures)];
        if (r.name.text().isEmpty())
            r.name.setText(QString(QChar(QLatin1Char('A').unicode() + shownFixtures)));
        showFixtureRows(shownFixtures + 1);
        r.port.setFocus();
    });
    connect(&removeFixture, &QPushButton::clicked, this, [this] {
        fixture_row& r = fixtureRows[static_cast<std::size_t>(shownFixtures - 1)];
        r.name.clear();
        r.port.clear();
        showFixtureRows(shownFixtures - 1);
    });
    showFixtureRows(std::min<int>(s.fixtures.size(), setup::maxFixtures));

    program.setText(s.program);
    program.setPlaceholderText(tr("the expected part's file"));
    programRow.addWidget(&program, 1);
    programRow.addWidget(&programBrowse);

    sensitivity.setRange(0, tarnwell::sensitivityMax);
    sensitivity.setValue(s.sensitivity);
    buzzer.setRange(0, tarnwell::buzzerMax);
    buzzer.setValue(s.buzzer);
    tolerance.setRange(0.0, setup::maxTolerance);
    tolerance.setDecimals(2);
    tolerance.setSingleStep(0.01);
    tolerance.setSuffix(QStringLiteral(" V"));
    tolerance.setValue(s.tolerance);

    serials.addItem(QStringLiteral("None"), QStringLiteral("none"));
    serials.addItem(QStringLiteral("Scanned before each part"), QStringLiteral("scan"));
    serials.addItem(QStringLiteral("Numbered: prefix and six digits"), QStringLiteral("auto"));
    serials.setCurrentIndex(static_cast<int>(s.serials));
    prefix.setText(s.serialPrefix);
    prefix.setPlaceholderText(tr("prefix, e.g. LINE1-"));
    prefix.setEnabled(s.serials == setup::serial_mode::numbered);
    serialRow.addWidget(&serials, 1);
    serialRow.addWidget(&prefix, 1);
    connect(&serials, QOverload<int>::of(&QComboBox::currentIndexChanged), this,
            [this](int index) { prefix.setEnabled(index == static_cast<int>(setup::serial_mode::numbered)); });

    results.setText(s.results);
    results.setPlaceholderText(setup::defaultResultsFile());
    resultsRow.addWidget(&results, 1);
    resultsRow.addWidget(&resultsBrowse);
    server.setText(s.server);
    server.setPlaceholderText(tr("none; or postgresql://USER@HOST/DBNAME"));
    station.setText(s.station);
    station.setPlaceholderText(QSysInfo::machineHostName());
    releasedOnly.setText(tr("Released programs &only"));
    releasedOnly.setChecked(s.releasedOnly);
    releasedOnly.setToolTip(tr("Refuse a part program whose content is not released on the results server"));

    form.addRow(tr("&Port"), &ports);
    form.addRow(tr("or &device path"), &path);
    form.addRow(tr("or fixtures"), &fixtureBox);
    form.addRow(tr("Part &program"), &programRow);
    form.addRow(tr("&Sensitivity"), &sensitivity);
    form.addRow(tr("B&uzzer"), &buzzer);
    form.addRow(tr("&Tolerance"), &tolerance);
    form.addRow(tr("Se&rials"), &serialRow);
    form.addRow(tr("D&atabase"), &resultsRow);
    form.addRow(tr("S&erver"), &server);
    form.addRow(tr("Statio&n name"), &station);
    form.addRow(QString(), &releasedOnly);
    if (lock) {
        lockState.setTextFormat(Qt::PlainText);
        lockRow.addWidget(&lockState, 1);
        for (auto [button, task] : {std::pair{&setPassword, password_task::set}, std::pair{&changePassword, password_task::change},
                                    std::pair{&removePassword, password_task::remove}}) {
            button->setAutoDefault(false);
            lockRow.addWidget(button);
            connect(button, &QPushButton::clicked, this, [this, task = task] { editPassword(task); });
        }
        setPassword.setToolTip(tr("Setup and taking fixtures out of service then ask for it"));
        form.addRow(tr("Supervisor password"), &lockRow);
        showLock();
    }
    // Each language under its own name, so that an operator finds theirs whatever the window speaks.
    languages.addItem(
        tr("System (%1)").arg(languageName(pickLanguage(QString(), QString(), QLocale::system().uiLanguages()))),
        QString());
    for (const QString& code : windowLanguages())
        languages.addItem(languageName(code), code);
    languageNote.setText(tr("Applies at the next start of the window."));
    languageRow.addWidget(&languages);
    languageRow.addWidget(&languageNote, 1);
    languageLabel.setText(tr("&Language"));
    languageLabel.setBuddy(&languages);
    form.addRow(&languageLabel, &languageRow);
    error.setWordWrap(true);
    error.setTextFormat(Qt::PlainText);
    QPalette red = error.palette();
    red.setColor(QPalette::WindowText, QColor(0xb7, 0x1c, 0x1c));
    error.setPalette(red);
    outer.addLayout(&form);
    outer.addWidget(&error);
    outer.addWidget(&buttons);
    connect(&buttons, &QDialogButtonBox::accepted, this, &setup_dialog::accept);
    connect(&buttons, &QDialogButtonBox::rejected, this, &setup_dialog::reject);
    connect(&programBrowse, &QPushButton::clicked, this, &setup_dialog::browseProgram);
    connect(&resultsBrowse, &QPushButton::clicked, this, &setup_dialog::browseResults);
    resize(640, sizeHint().height());
}

setup::station_setup setup_dialog::setup() const {
    setup::station_setup s = passedThrough;  // what the dialog does not show stays as it was
    s.port = path.text().trimmed().isEmpty() ? ports.currentText() : path.text().trimmed();
    s.fixtures.clear();
    for (int i = 0; i < shownFixtures; ++i) {
        const fixture_row& r = fixtureRows[static_cast<std::size_t>(i)];
        s.fixtures.append({r.name.text().trimmed(), r.port.text().trimmed()});
    }
    s.program = program.text().trimmed();
    s.sensitivity = sensitivity.value();
    s.buzzer = buzzer.value();
    s.tolerance = tolerance.value();
    s.serials = static_cast<setup::serial_mode>(serials.currentIndex());
    s.serialPrefix = prefix.text().trimmed();
    s.results = results.text().trimmed();
    s.server = server.text().trimmed();
    s.station = station.text().trimmed();
    s.releasedOnly = releasedOnly.isChecked();
    return s;
}

void setup_dialog::accept() {
    const setup::station_setup s = setup();
    const QString why = setup::setupProblem(s);
    error.setText(why);
    if (why.isEmpty())
        QDialog::accept();
}

void setup_dialog::setLanguage(const QString& code) {
    languages.setCurrentIndex(std::max(0, languages.findData(code)));
}

void setup_dialog::showFixtureRows(int count) {
    shownFixtures = count;
    for (int i = 0; i < setup::maxFixtures; ++i) {
        fixture_row& r = fixtureRows[static_cast<std::size_t>(i)];
        r.name.setVisible(i < count);
        r.port.setVisible(i < count);
    }
    addFixture.setEnabled(count < setup::maxFixtures);
    removeFixture.setEnabled(count > 0);
}

void setup_dialog::editPassword(password_task task) {
    password_dialog dialog(*lock, task, QString(), this);
    dialog.exec();
    showLock();
}

void setup_dialog::showLock() {
    const QString state = lock->stateText();
    const QDateTime since = QDateTime::fromString(state.mid(4), Qt::ISODate);
    lockState.setText(state == QLatin1String("none")      ? tr("none: anyone may open Setup")
                      : state == QLatin1String("garbled") ? tr("unreadable: set it again from the command line")
                      : since.isValid()                   ? tr("set on %1").arg(QLocale().toString(since.toLocalTime(), QLocale::ShortFormat))
                                                          : tr("set"));
    setPassword.setEnabled(!lock->isLocked());
    changePassword.setEnabled(lock->isLocked());
    removePassword.setEnabled(lock->isLocked());
}

void setup_dialog::browseProgram() {
    const QString file = QFileDialog::getOpenFileName(this, tr("Part program"), program.text(),
                                                      tr("Part files (*.device);;All files (*)"));
    if (!file.isEmpty())
        program.setText(file);
}

void setup_dialog::browseResults() {
    const QString file = QFileDialog::getSaveFileName(this, tr("Results database"),
                                                      results.text().isEmpty() ? results.placeholderText() : results.text(),
                                                      tr("SQLite databases (*.sqlite);;All files (*)"),
                                                      nullptr, QFileDialog::DontConfirmOverwrite);
    if (!file.isEmpty())
        results.setText(file);
}

}  // namespace op
