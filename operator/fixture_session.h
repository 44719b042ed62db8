#pragma once

#include "operator/station_state.h"

#include "recording/station_records.h"
#include "setup/run_info.h"
#include "setup/station_setup.h"

#include "station/board_client.h"
#include "station/run_tally.h"
#include "station/station_engine.h"

#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

namespace op {

// One fixture of the station: its board, its engine's run on record, and what its tile shows. Trouble
// here stops this fixture alone; the station session decides what is shared (records, serials, totals).
class fixture_session : public QObject {
    Q_OBJECT
public:
    fixture_session(int index, setup::fixture where, QObject* parent = nullptr);
    ~fixture_session() override;

    int index() const { return at; }
    const setup::fixture& where() const { return place; }

    // A new run on the board with `settings` (the port is this fixture's), recorded through `records`.
    void start(station::station_settings settings, recording::station_records& records, const setup::run_info& info,
               const QString& autoPrefix);
    // The station is opening its database for a start that includes this fixture, or one without it, or
    // gave the start up.
    void setPending(bool pending);
    void stop();
    void abort();
    // The serial of the part this fixture asked for.
    void provideSerial(const QString& serial);

    bool running() const;
    bool stopRequested() const;
    bool serialWanted() const { return step == phase::serial; }

    // Out of service: the part in hand is finished, then the fixture rests until it is back.
    bool inService() const { return service; }
    void setInService(bool on) { service = on; emit changed(); }

    tile_state tile() const;
    // The part judged last, whose reasons the tile shows; none while a part is tested.
    const station::part_result& tilePart() const { return lastPart; }
    tile_detail tileDetail() const;
    // What to do at this fixture now.
    fixture_step nextStep() const;
    // The serial handed to the part awaited or in hand; empty when none.
    QString givenSerial() const { return serial; }
    // Why the last run ended, for the station's prompt; none before the first.
    run_end endedAs() const { return ended; }
    std::optional<station::station_engine::end_reason> endReason() const { return endedBy; }
    // The parts of the last run that ended.
    long runParts() const { return tested; }

    const banner& trouble() const { return problem; }
    void clearTrouble() { problem = {}; }
    // The key (Ctrl+N, twice) that starts this fixture again after trouble; 0: Reconnect, as the only one.
    void setRestartKey(int key) { restartKey = key; }

    const station::run_tally& tally() const { return counted; }
    std::optional<double> firstPassYield() const { return counted.firstPassYield(); }
    // The board's firmware, once it said it.
    QString firmware() const { return fw; }
    // The number of the part in hand or awaited.
    long partNumber() const { return number; }

signals:
    void changed();
    void serialNeeded(int fixture, long number);
    void partCompleted(int fixture, station::part_result part);
    void finished(int fixture, station::station_engine::end_reason reason);

private:
    enum class phase { idle, starting, serial, insert, testing, removal };
    struct run;

    void onTrouble(station::trouble_kind kind, const QString& message);
    void onFinished(station::station_engine::end_reason reason);
    void onCompleted(const station::part_result& part);

    const int at;
    const setup::fixture place;
    recording::station_records* records = nullptr;  // of the run in hand
    std::unique_ptr<run> current;
    phase step = phase::idle;
    long number = 0;
    QString serial;
    std::optional<station::verdict> lastVerdict;
    station::part_result lastPart;
    tile_detail lastDetail;
    run_end ended;
    std::optional<station::station_engine::end_reason> endedBy;
    long tested = 0;
    banner problem;
    int restartKey = 0;
    QString fw;
    bool service = true;
    station::run_tally counted;
};

}  // namespace op
