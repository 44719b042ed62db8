#pragma once

#include "station/board_client.h"
#include "station/part_result.h"
#include "station/run_tally.h"
#include "station/station_settings.h"

#include "device/payloads.h"

#include <QElapsedTimer>
#include <QObject>

#include <functional>
#include <optional>

namespace station {

// The test station's loop on a board client. It only asks and decides; what it did is told by its
// signals, and front ends print, record and draw from them. Every judged part is completed (counted
// and signalled) exactly once, however the run then ends.
class station_engine : public QObject {
    Q_OBJECT
public:
    enum class end_reason {
        completed,  // the count was reached, or the single check was done
        stopped,    // stop(): the part in hand was finished
        aborted,    // abort(): the part in hand was abandoned
        trouble,    // the port or the board failed; trouble() said how
    };
    Q_ENUM(end_reason)

    station_engine(board_client& client, station_settings settings, QObject* parent = nullptr);

    // Puts a judged part on record before its buzzer sounds: it starts the write and returns at once, and
    // the outcome comes back through recorded() on this engine's thread, perhaps from within the call.
    // Until then the engine waits, the event loop free; the buzzer follows the outcome. A part that
    // cannot be recorded counts as not recorded, gets the error buzzer and ends the run: the station
    // never tests on without a record.
    using recorder = std::function<void(const part_result& part)>;
    void setRecorder(recorder record) { keep = std::move(record); }
    // The outcome of the write the recorder started: the part as recorded (its serial, attempt and record
    // id set) or with recordProblem saying why it is not on record; nothing else of it is taken. Ignored
    // unless the part in hand (by its number) awaits it.
    void recorded(const station::part_result& part);
    // The serial of the part about to be tested, after serialNeeded() (settings.serialFirst), or for a
    // single check before start(). Ignored at any other time.
    void provideSerial(const QString& serial);

    void start();
    // Finishes the part in hand (or ends the wait for the next one), then ends the run.
    void stop();
    // Abandons the part in hand; the board is returned to idle.
    void abort();

    const run_tally& tally() const { return done; }
    bool running() const { return phase != step::not_started && phase != step::finished; }
    bool stopRequested() const { return stopping; }

signals:
    void boardIdentified(tarnwell::firmware firmware);
    void configured(int sensitivity, int buzzer);
    void serialNeeded(long number);
    void waitingForPart(long number);
    void partInserted(long number);
    // Measured and judged; comparisons are empty when the run has no expected part.
    void partJudged(station::part_result part);
    void buzzerSounded(bool ok);
    void partRemoved(long number);
    // Once per judged part, when its cycle is over: after the removal, or where the run ended instead.
    void partCompleted(station::part_result part);
    void trouble(station::trouble_kind kind, QString message);
    void finished(station::station_engine::end_reason reason);

private:
    enum class step { not_started, opening, identifying, configuring, awaiting_serial, waiting, measuring, recording,
                      buzzing, removing, idling, finished };

    void onOpened();
    void onAnswered(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload);
    void onTrouble(trouble_kind kind, const QString& message);
    void checkPartInFixture();
    // Why the board's firmware does not fit the expected part, or empty.
    QString firmwareMismatch(const tarnwell::firmware& board) const;
    void nextPart();
    void waitForPart();
    void measureNext();
    void judge();
    void afterRecord();
    void waitForRemoval();
    void completePart(bool removed);
    void afterPart();
    void endRun(end_reason reason);
    void finish();
    void ask(step next, tarnwell::endpoints command, const std::vector<std::uint8_t>& payload, int eventTimeoutMs);

    recorder keep;
    QString nextSerial;
    board_client& client;
    station_settings settings;
    step phase = step::not_started;
    end_reason ending = end_reason::completed;
    bool stopping = false;
    std::size_t measureIndex = 0;
    std::optional<part_result> inHand;  // judged, not yet completed
    bool awaitingRecord = false;         // its write is out, its outcome not in
    part_result current;
    QElapsedTimer cycle;  // from the wait for the part
    QElapsedTimer test;   // from its insertion
    run_tally done;
};

}  // namespace station

Q_DECLARE_METATYPE(station::station_engine::end_reason)
