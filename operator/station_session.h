#pragma once

#include "operator/fixture_session.h"
#include "operator/station_state.h"
#include "recording/station_records.h"
#include "setup/station_setup.h"
#include "operator/part_history.h"

#include "station/board_client.h"
#include "station/run_tally.h"
#include "station/serial_queue.h"
#include "station/station_engine.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace op {

// The top line: what runs where.
struct station_header {
    QString programName;  // the part file's name
    QString programHash;  // the first 8 hex digits of its SHA-256; empty when it cannot be read
    QString port;
    QString station;
    QString database;
    QString server;  // empty: none
    QString firmware;  // once the board said it
};

// The operator window's model on Qt Core: it runs a station engine on each fixture's board and records
// every part as rx48p-ctl station does, and keeps what the window shows. The widgets only draw it and
// pass on the operator's keys; one engine loop, one writer of parts. Trouble on a fixture stops that
// fixture alone; the others go on.
class station_session : public QObject {
    Q_OBJECT
public:
    explicit station_session(QObject* parent = nullptr);
    ~station_session() override;

    // The setup the next start uses; the header and the fixtures follow it.
    void setSetup(const setup::station_setup& setup);
    const setup::station_setup& setup() const { return config; }
    // What the window adds to the setup the audit trail records at each start (the lock's state).
    void setAuditedExtras(const QList<setup::setting_value>& extras) { auditExtras = extras; }

    // A new run on every fixture in service: false, with a cannot_start banner, when the setup or the part
    // file will not do. The runs start once the database is open, in the records' own thread; a database
    // that will not do ends the start with a cannot_start banner then. Also what Reconnect does.
    bool start();
    // Each fixture finishes the part in hand (or ends the wait for the next one, or the start), then the
    // runs end. From then on every write of the journal ends within its busy time-out: a window closing is
    // gone by then, whoever holds the file, and a part whose commit is still waiting is not dropped but
    // written if the file frees within that time (counted NOT RECORDED if the run is abandoned before).
    void stop();
    // Abandons the parts in hand; for a window that must close now.
    void abort();
    // A serial as the scanner typed it: handed to the fixture that has waited longest for one, or held for
    // the first that asks. Why it is refused, or empty.
    QString provideSerial(const QString& text);
    // Takes fixture `index` out of service (it finishes the part in hand) or puts it back (it starts again
    // while the station runs).
    void toggleService(int index);

    bool running() const;
    bool stopRequested() const;
    bool scansSerials() const { return running() && config.serials == setup::serial_mode::scan; }
    // A fixture waits for a serial.
    bool serialWanted() const;
    // The fixture the next scanned serial goes to; none while none waits.
    std::optional<int> nextSerialFixture() const { return serials.next(); }
    // A serial scanned while no fixture waited, for the first that asks.
    QString heldSerial() const { return serials.held(); }

    int fixtureCount() const { return static_cast<int>(fixtureList.size()); }
    const fixture_session& fixture(int index) const { return *fixtureList.at(static_cast<std::size_t>(index)); }

    // The first fixture's tile: the station's only one with a single board.
    tile_state tile() const { return fixture(0).tile(); }
    // What to do next: insert the next part, scan the serial for fixture B, press Enter to start, ...
    station_prompt prompt() const;

    // Trouble of the whole station (and of its single fixture's board); a fixture's own is on its tile.
    banner stationTrouble() const;
    const banner& serverTrouble() const { return server; }
    const station_header& header() const { return head; }
    const station::run_tally& tally() const { return counted; }
    // Percent of the parts at their first attempt that passed; none before the first such part.
    std::optional<double> firstPassYield() const { return counted.firstPassYield(); }
    part_history& history() { return parts; }

signals:
    // Anything above changed.
    void changed();
    // A fixture waits for a serial: the window puts the scanner's field in focus.
    void serialRequested(long number);
    // A part's cycle is over.
    void partCompleted(station::part_result part);
    // The last fixture's run has ended.
    void runFinished(station::station_engine::end_reason reason);

private:
    struct start_request;

    void rebuildFixtures();
    void startFixture(fixture_session& f);
    void onOpened(const QString& problem);
    void onJudged(const results::release_verdict& verdict, const QString& problem);
    void onRunEnded(const QString& problem);
    // Ends a start still waiting for the database, as a run that stopped.
    void cancelOpening();
    bool refuse(const QString& why, banner::kind what = banner::kind::cannot_start);
    void onFixtureFinished(int index);
    void onCompleted(int index, const station::part_result& part);
    void onServer(bool reachable, const QString& reason);
    void onServerTrouble(const QString& reason);
    void onRefused(const QString& part, const QString& reason);
    void onForwarded(long parts, long backlog);

    setup::station_setup config;
    station_header head;
    recording::station_records records;  // before the fixtures: its recorders are their engines'
    std::vector<std::unique_ptr<fixture_session>> fixtureList;
    QList<setup::setting_value> auditExtras;
    std::unique_ptr<start_request> opening;  // waits for the database, then the program's judgement
    std::unique_ptr<start_request> started;  // of the runs in hand: a fixture back in service starts with it
    station::serial_queue serials;
    bool stopping = false;
    run_end ended;  // why the last run ended, for the prompt
    banner trouble;
    banner server;
    bool serverUp = true;  // as the forward last said
    station::run_tally counted;
    part_history parts;
};

}  // namespace op
