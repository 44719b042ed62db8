#pragma once

#include "operator/counters_panel.h"
#include "operator/station_session.h"
#include "operator/supervisor_lock.h"
#include "operator/trouble_banner.h"
#include "operator/verdict_delegate.h"
#include "operator/verdict_tile.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QWidget>

#include <memory>
#include <vector>

class QSettings;

namespace op {

// The operator's window: a verdict tile per fixture (one alone, two side by side, three or four in a 2 x 2
// grid), the serial field, the counters, the last parts, Start and Stop, and trouble as banners. It draws
// the session and passes on the operator's keys: Enter starts every fixture in service, Escape stops them
// all, Ctrl+1..Ctrl+4 takes a fixture out of service or puts it back, a scanner's line and Enter give the
// serial. Closing it stops the links cleanly first. Once a supervisor password is set, Setup and the
// service keys ask for it each time; starting, stopping and scanning never do.
class station_window : public QMainWindow {
    Q_OBJECT
public:
    // `remembered` keeps the setup that the Setup dialog confirms.
    station_window(station_session& session, QSettings& remembered, QWidget* parent = nullptr);

    // Opens the Setup dialog, after the supervisor password when one is set; true when the operator
    // confirmed a setup.
    bool editSetup();
    // Start and Reconnect: a new run, after the Setup dialog when the setup will not do.
    void startRun();

    // For tests: the parts the operator sees.
    const verdict_tile& tile() const { return *tiles.front(); }
    const verdict_tile& tile(int fixture) const { return *tiles.at(static_cast<std::size_t>(fixture)); }
    int tileCount() const { return static_cast<int>(tiles.size()); }
    QString keysHint() const { return keys.text(); }
    const counters_panel& counters() const { return counts; }
    const trouble_banner& stationBanner() const { return stationTrouble; }
    const trouble_banner& serverBanner() const { return serverTrouble; }
    trouble_banner& stationBanner() { return stationTrouble; }
    QLineEdit& serialField() { return serial; }
    QTableView& history() { return table; }
    QPushButton& startButton() { return start; }
    QPushButton& stopButton() { return stop; }
    // The top line's items joined by '|': program, port, station, database and, when there is one, server.
    QString headerText() const;
    QString promptText() const { return prompt.text(); }
    supervisor_lock& supervisorLock() { return guard; }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void refresh();
    void layTiles();
    void showFixtures();
    void onSerialEntered();
    // True when no password is set or the one typed now is right: one action each time.
    bool supervisorAllows(const QString& what);

    station_session& session;
    QSettings& remembered;
    supervisor_lock guard;
    bool closing = false;
    QTimer closeWatch;  // a part that will not finish is abandoned

    QWidget central;
    QVBoxLayout column;
    QGridLayout header;
    QLabel programCaption, programValue, portCaption, portValue, stationCaption, stationValue, databaseCaption,
        databaseValue, serverCaption, serverValue;
    trouble_banner stationTrouble;
    trouble_banner serverTrouble;
    QGridLayout tileGrid;
    std::vector<std::unique_ptr<verdict_tile>> tiles;
    std::vector<std::unique_ptr<QShortcut>> serviceKeys;
    QLabel keys;
    QLabel prompt;
    QHBoxLayout serialRow;
    QLabel serialCaption;
    QLineEdit serial;
    QLabel serialHint;
    counters_panel counts;
    QLabel tableCaption;
    QTableView table;
    verdict_delegate verdicts;
    QHBoxLayout buttons;
    QPushButton setupButton;
    QPushButton start;
    QPushButton stop;
};

}  // namespace op
