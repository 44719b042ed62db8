#pragma once

#include "recording/station_records.h"
#include "operator/line_setup.h"
#include "operator/part_history.h"

#include "station/board_client.h"
#include "station/run_tally.h"
#include "station/station_engine.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace op {

// What the verdict tile says.
enum class tile_state { stopped, starting, waiting, testing, passed, failed, not_recorded };
// The tile of a judged part, also the colour of its verdict in the table.
tile_state tileOf(station::verdict verdict);

// Trouble the operator must act on, in the words of what to do.
struct banner {
    enum class kind { none, cannot_start, board_gone, wrong_firmware, not_recorded, server_out_of_reach, server_trouble,
                      part_refused };
    kind what = kind::none;
    QString text;
    bool offersReconnect = false;
};

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

// The operator window's model on Qt Core: it runs the station engine on the board and records every
// part as rx48p-ctl station does, and keeps what the window shows. The widgets only draw it and pass
// on the operator's keys; one engine loop, one writer of parts.
class station_session : public QObject {
    Q_OBJECT
public:
    explicit station_session(QObject* parent = nullptr);
    ~station_session() override;

    // The setup the next start uses; the header follows it.
    void setSetup(const line_setup& setup);
    const line_setup& setup() const { return config; }

    // A new run with the setup: false, with a cannot_start banner, when the setup or the part file will
    // not do. The run starts once the database is open, in the records' own thread; a database that will
    // not do ends the start with a cannot_start banner then. Also what Reconnect does.
    bool start();
    // Finishes the part in hand (or ends the wait for the next one, or the start), then the run ends.
    // From then on every write of the journal ends within its busy time-out: a window closing is gone by
    // then, whoever holds the file, and a part whose commit is still waiting is not dropped but written
    // if the file frees within that time (counted NOT RECORDED if the run is abandoned before).
    void stop();
    // Abandons the part in hand; for a window that must close now.
    void abort();
    // A serial as the scanner typed it: handed to the station now or when it asks for the next one.
    // Why it is refused, or empty.
    QString provideSerial(const QString& text);

    bool running() const;
    bool stopRequested() const;
    bool scansSerials() const { return running() && config.serials == line_setup::serial_mode::scan; }
    bool serialWanted() const { return step == phase::serial; }

    tile_state tile() const;
    QString tileWord() const;
    QStringList tileReasons() const { return lastReasons; }
    // The part the tile speaks of: "part 3  SN-1002  1.014 s"; empty before the first.
    QString tileDetail() const;
    // What to do next: "Insert the next part", "Scan the serial", "Press Enter to start".
    QString prompt() const;

    const banner& stationTrouble() const { return trouble; }
    const banner& serverTrouble() const { return server; }
    const station_header& header() const { return head; }
    const station::run_tally& tally() const { return counted; }
    // Percent of the parts at their first attempt that passed; none before the first such part.
    std::optional<double> firstPassYield() const;
    part_history& history() { return parts; }

signals:
    // Anything above changed.
    void changed();
    // The station waits for a serial: the window puts the scanner's field in focus.
    void serialRequested(long number);
    // A part's cycle is over.
    void partCompleted(station::part_result part);
    void runFinished(station::station_engine::end_reason reason);

private:
    enum class phase { idle, opening, starting, serial, insert, testing, removal };
    struct run;
    struct start_request;

    void onOpened(const QString& problem);
    void onRunEnded(const QString& problem);
    // Ends a start still waiting for the database, as a run that stopped.
    void cancelOpening();
    bool refuse(const QString& why);
    void onTrouble(station::trouble_kind kind, const QString& message);
    void onFinished(station::station_engine::end_reason reason);
    void onCompleted(const station::part_result& completed);
    void onServer(bool reachable, const QString& reason);
    void onServerTrouble(const QString& reason);
    void onRefused(const QString& part, const QString& reason);
    void onForwarded(long parts, long backlog);

    line_setup config;
    station_header head;
    recording::station_records records;  // before the run: its recorder is the engine's
    std::unique_ptr<run> current;
    std::unique_ptr<start_request> opening;  // waits for the database
    phase step = phase::idle;
    long number = 0;  // the part in hand or awaited
    QString queuedSerial;  // scanned ahead of the station's question
    std::optional<station::verdict> lastVerdict;
    QStringList lastReasons;
    QString lastDetail;
    QString ended;  // why the last run ended, for the prompt
    banner trouble;
    banner server;
    bool serverUp = true;  // as the forward last said
    station::run_tally counted;
    long firstAttempts = 0;
    long firstPassed = 0;
    part_history parts;
};

}  // namespace op
