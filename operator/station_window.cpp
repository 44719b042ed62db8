#include "operator/station_window.h"

#include "operator/password_dialog.h"
#include "operator/setup_dialog.h"
#include "operator/setup_store.h"
#include "operator/window_texts.h"

#include "setup/serial_number.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLocale>
#include <QScreen>
#include <QSettings>

namespace op {

namespace {

constexpr int closeWaitMs = 5000;
// The top line's share of the width per item: the program and the station keep their own width; a long
// port, path or URL is cut rather than widening the window.
constexpr int share[] = {0, 3, 0, 3, 2};
constexpr int serverColumn = 4;

QFont points(int size, bool bold = false) {
    QFont f;
    f.setPointSize(size);
    f.setBold(bold);
    return f;
}

void setIfChanged(QLabel& label, const QString& text) {
    if (label.text() != text)
        label.setText(text);
}

}  // namespace

station_window::station_window(station_session& session, QSettings& remembered, QWidget* parent)
    : QMainWindow(parent), session(session), remembered(remembered), guard(remembered), central(this), column(&central),
      programCaption(tr("Program")), portCaption(tr("Port")),
      stationCaption(tr("Station")), databaseCaption(tr("Database")),
      serverCaption(tr("Server")), serialCaption(tr("Serial")),
      tableCaption(tr("Last parts")), verdicts(&table), setupButton(tr("Setup…  (F2)")),
      start(tr("Start  (Enter)")), stop(tr("Stop  (Esc)")) {
    setWindowTitle(tr("RX48P Station"));
    setCentralWidget(&central);
    column.setContentsMargins(16, 12, 16, 12);
    column.setSpacing(10);

    // What runs where, in one calm row: captions small and grey, values plain.
    const QFont captionFont = points(10);
    const QFont valueFont = points(12, true);
    int at = 0;
    for (auto [caption, value] : {std::pair{&programCaption, &programValue}, std::pair{&portCaption, &portValue},
                                   std::pair{&stationCaption, &stationValue},
                                   std::pair{&databaseCaption, &databaseValue}, std::pair{&serverCaption, &serverValue}}) {
        caption->setFont(captionFont);
        QPalette grey = caption->palette();
        grey.setColor(QPalette::WindowText, QColor(0x6b, 0x6b, 0x6b));
        caption->setPalette(grey);
        value->setFont(valueFont);
        value->setTextInteractionFlags(Qt::TextSelectableByMouse);
        value->setTextFormat(Qt::PlainText);  // names and paths from outside
        if (share[at] > 0)
            value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        header.addWidget(caption, 0, at);
        header.addWidget(value, 1, at);
        header.setColumnStretch(at, share[at]);
        ++at;
    }
    header.setHorizontalSpacing(28);
    header.setVerticalSpacing(0);
    column.addLayout(&header);
    column.addWidget(&stationTrouble);
    column.addWidget(&serverTrouble);

    prompt.setFont(points(18));
    prompt.setAlignment(Qt::AlignCenter);
    // The prompt quotes the next serial and the hint the scanned one: never markup.
    prompt.setTextFormat(Qt::PlainText);
    serialHint.setTextFormat(Qt::PlainText);
    serialCaption.setFont(points(16, true));
    serial.setFont(points(20));
    serial.setPlaceholderText(tr("scan the part's serial"));
    serial.setMinimumWidth(360);
    serialHint.setFont(points(13));
    serialCaption.setBuddy(&serial);
    serialRow.addStretch(1);
    serialRow.addWidget(&serialCaption);
    serialRow.addWidget(&serial);
    serialRow.addWidget(&serialHint);
    serialRow.addStretch(1);
    tileGrid.setSpacing(8);
    column.addLayout(&tileGrid, 3);
    column.addWidget(&prompt);
    column.addLayout(&serialRow);
    column.addWidget(&counts);

    tableCaption.setFont(points(12, true));
    column.addWidget(&tableCaption);
    table.setModel(&session.history());
    table.setItemDelegate(&verdicts);
    table.setFont(points(12));
    table.verticalHeader()->setVisible(false);
    table.verticalHeader()->setDefaultSectionSize(30);
    table.horizontalHeader()->setStretchLastSection(true);
    table.horizontalHeader()->setHighlightSections(false);
    table.setSelectionMode(QAbstractItemView::NoSelection);
    table.setEditTriggers(QAbstractItemView::NoEditTriggers);
    table.setFocusPolicy(Qt::NoFocus);
    table.setAlternatingRowColors(true);
    table.setColumnWidth(part_history::time, 110);
    table.setColumnWidth(part_history::serial, 200);
    table.setColumnWidth(part_history::verdict, 100);
    table.setColumnWidth(part_history::cycle, 110);
    table.setMinimumHeight(150);
    table.horizontalHeader()->moveSection(part_history::fixture, 1);
    table.setColumnWidth(part_history::fixture, 90);
    column.addWidget(&table, 2);

    for (QPushButton* b : {&setupButton, &start, &stop}) {
        b->setFont(points(14, b != &setupButton));
        b->setMinimumHeight(48);
        b->setMinimumWidth(180);
        b->setAutoDefault(false);
    }
    setupButton.setShortcut(QKeySequence(Qt::Key_F2));
    buttons.addWidget(&setupButton);
    keys.setFont(points(11));
    keys.setWordWrap(true);
    keys.setAlignment(Qt::AlignCenter);
    buttons.addWidget(&keys, 1);
    buttons.addWidget(&start);
    buttons.addWidget(&stop);
    column.addLayout(&buttons);

    connect(&setupButton, &QPushButton::clicked, this, &station_window::editSetup);
    connect(&start, &QPushButton::clicked, this, &station_window::startRun);
    connect(&stop, &QPushButton::clicked, &session, &station_session::stop);
    connect(&stationTrouble, &trouble_banner::reconnectClicked, this, &station_window::startRun);
    connect(&serial, &QLineEdit::returnPressed, this, &station_window::onSerialEntered);
    connect(&session, &station_session::changed, this, &station_window::refresh);
    connect(&session, &station_session::serialRequested, this, [this] { serial.setFocus(Qt::OtherFocusReason); });
    closeWatch.setSingleShot(true);
    connect(&closeWatch, &QTimer::timeout, &session, &station_session::abort);
    connect(&session, &station_session::runFinished, this, [this] {
        if (closing)
            close();
    });
    for (int i = 0; i < setup::maxFixtures; ++i) {
        serviceKeys.push_back(std::make_unique<QShortcut>(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_1 + i)), this));
        connect(serviceKeys.back().get(), &QShortcut::activated, this, [this, i] {
            if (i < this->session.fixtureCount() &&
                supervisorAllows(tr("Taking fixture %1 out of service or back needs the supervisor password.").arg(i + 1)))
                this->session.toggleService(i);
        });
    }
    resize(1180, 780);
    refresh();
}

QString station_window::headerText() const {
    QStringList items{programValue.text(), portValue.text(), stationValue.text(), databaseValue.text()};
    if (!session.header().server.isEmpty())
        items << serverValue.text();
    return items.join(QLatin1Char('|'));
}

void station_window::refresh() {
    const station_header& h = session.header();
    setIfChanged(programValue, h.programHash.isEmpty() ? h.programName
                                                       : h.programName + QStringLiteral("  ") + h.programHash);
    setIfChanged(portValue, h.firmware.isEmpty() ? h.port : tr("%1  (firmware %2)").arg(h.port, h.firmware));
    setIfChanged(stationValue, h.station);
    setIfChanged(databaseValue, h.database);
    setIfChanged(serverValue, h.server);
    serverCaption.setVisible(!h.server.isEmpty());
    serverValue.setVisible(!h.server.isEmpty());
    header.setColumnStretch(serverColumn, h.server.isEmpty() ? 0 : share[serverColumn]);
    const QString title = h.programName.isEmpty() ? tr("RX48P Station") : tr("RX48P Station - %1").arg(h.programName);
    if (windowTitle() != title)
        setWindowTitle(title);

    if (tileCount() != session.fixtureCount())
        layTiles();
    showFixtures();
    setIfChanged(prompt, window_texts::prompt(session.prompt()));
    prompt.setVisible(!prompt.text().isEmpty());
    counts.display(session);
    stationTrouble.display(session.stationTrouble());
    serverTrouble.display(session.serverTrouble());

    const bool scanning = session.setup().serials == setup::serial_mode::scan;
    for (QWidget* w : {static_cast<QWidget*>(&serialCaption), static_cast<QWidget*>(&serial),
                       static_cast<QWidget*>(&serialHint)})
        w->setVisible(scanning);
    serial.setEnabled(session.scansSerials());
    const bool running = session.running();
    start.setEnabled(!running);
    stop.setEnabled(running && !session.stopRequested());
    setupButton.setEnabled(!running);
}

void station_window::layTiles() {
    for (const auto& t : tiles)
        tileGrid.removeWidget(t.get());
    tiles.clear();
    const int count = session.fixtureCount();
    // Side by side for two; a 2 x 2 grid for three or four.
    const int across = count == 1 ? 1 : 2;
    for (int i = 0; i < count; ++i) {
        tiles.push_back(std::make_unique<verdict_tile>());
        tiles.back()->setCompact(count > 1);
        tileGrid.addWidget(tiles.back().get(), i / across, i % across);
    }
    for (int r = 0; r < 2; ++r)
        tileGrid.setRowStretch(r, r < (count + across - 1) / across ? 1 : 0);
    for (int c = 0; c < 2; ++c)
        tileGrid.setColumnStretch(c, c < across ? 1 : 0);
    const bool several = count > 1;
    table.setColumnHidden(part_history::fixture, !several);
    // Several tiles take the height; the table keeps room for the last few parts.
    table.setMinimumHeight(several ? 130 : 150);
    table.setMaximumHeight(several ? 160 : QWIDGETSIZE_MAX);
    column.setStretchFactor(&table, several ? 0 : 2);
    keys.setText(several ? tr("Enter starts all, Esc stops all; Ctrl+1..Ctrl+%1 takes fixture 1..%1 out of "
                                          "service after its part, and back")
                               .arg(count)
                         : QString());
    keys.setVisible(several);
    // Several tiles want the room a line's 1280 x 800 screen has, where the screen has it.
    if (several && screen()) {
        const QSize room = screen()->availableSize().boundedTo(QSize(1280, 800));
        if (width() < room.width() || height() < room.height())
            resize(size().expandedTo(room));
    }
}

void station_window::showFixtures() {
    const bool several = session.fixtureCount() > 1;
    const std::optional<int> nextSerial = session.nextSerialFixture();
    for (int i = 0; i < session.fixtureCount(); ++i) {
        const fixture_session& f = session.fixture(i);
        verdict_tile& t = *tiles[static_cast<std::size_t>(i)];
        t.display(f.tile(), window_texts::tileWord(f.tile()), window_texts::detail(f.tileDetail()),
                  window_texts::reasons(f.tilePart()));
        if (!several)
            continue;
        QString next = window_texts::step(f.nextStep(), f.where().port, i + 1);
        if (f.serialWanted())
            next = nextSerial == i ? tr("Scan its serial: the next scan goes here") : tr("Waits for a serial after the others");
        const station::run_tally& tally = f.tally();
        const QString counts = tr("passed %1   failed %2   yield %3")
                                   .arg(QLocale().toString(tally.passed()), QLocale().toString(tally.failed()),
                                        window_texts::percent(f.firstPassYield()));
        t.displayFixture(QStringLiteral("%1.  %2").arg(i + 1).arg(f.where().name), next,
                         window_texts::bannerText(f.trouble()), counts);
    }
}

void station_window::startRun() {
    if (session.running())
        return;
    if (!setup::setupProblem(session.setup()).isEmpty() && !editSetup())
        return;
    serialHint.clear();
    // The lock's state goes on the audit trail with the setup: whether one is set, and since when.
    session.setAuditedExtras({{QStringLiteral("supervisor password"), lockStateText(remembered)}});
    if (session.start() && session.setup().serials == setup::serial_mode::scan)
        serial.setFocus(Qt::OtherFocusReason);
}

bool station_window::editSetup() {
    if (session.running() || !supervisorAllows(tr("Setup needs the supervisor password.")))
        return false;
    setup_dialog dialog(session.setup(), &guard, this);
    dialog.setLanguage(loadLanguage(remembered));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    session.setSetup(dialog.setup());
    saveSetup(remembered, dialog.setup());
    saveLanguage(remembered, dialog.language());
    return true;
}

bool station_window::supervisorAllows(const QString& what) {
    if (!guard.isLocked())
        return true;
    password_dialog dialog(guard, password_task::unlock, what, this);
    return dialog.exec() == QDialog::Accepted;
}

void station_window::onSerialEntered() {
    const std::optional<int> to = session.nextSerialFixture();
    const QString why = session.provideSerial(serial.text());
    if (why.isEmpty()) {
        QString where;
        if (session.fixtureCount() > 1)
            where = to ? QStringLiteral("  → ") + session.fixture(*to).where().name : tr("  held for the next");
        serialHint.setText(QStringLiteral("✓ ") + setup::checkSerial(serial.text()).text + where);
        serial.clear();
    } else {
        serialHint.setText(why);
        serial.selectAll();
    }
}

void station_window::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // The serial field takes its own Enter; elsewhere Enter starts.
        if (!session.running() && focusWidget() != &serial)
            startRun();
        return;
    case Qt::Key_Escape:
        session.stop();
        return;
    default:
        QMainWindow::keyPressEvent(event);
    }
}

void station_window::closeEvent(QCloseEvent* event) {
    if (!session.running()) {
        closeWatch.stop();
        event->accept();
        return;
    }
    // The part in hand is finished and the board sent to idle before the window goes.
    event->ignore();
    if (closing)
        return;
    closing = true;
    session.stop();
    closeWatch.start(closeWaitMs);
}

}  // namespace op
