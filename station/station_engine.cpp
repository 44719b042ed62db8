#include "station/station_engine.h"

#include "device/payloads.h"
#include "device/reports.h"

#include <utility>

namespace station {

station_engine::station_engine(board_client& client, station_settings settings, QObject* parent)
    : QObject(parent), client(client), settings(std::move(settings)) {
    qRegisterMetaType<station::part_result>("station::part_result");
    qRegisterMetaType<station::station_engine::end_reason>("station::station_engine::end_reason");
    qRegisterMetaType<tarnwell::firmware>("tarnwell::firmware");
    connect(&client, &board_client::opened, this, &station_engine::onOpened);
    connect(&client, &board_client::answered, this, &station_engine::onAnswered);
    connect(&client, &board_client::trouble, this, &station_engine::onTrouble);
}

void station_engine::start() {
    if (phase != step::not_started)
        return;
    phase = step::opening;
    client.open(settings.port, settings.timeoutMs);
}

void station_engine::stop() {
    stopping = true;
    switch (phase) {
    case step::waiting:
        client.cancel();
        endRun(end_reason::stopped);
        break;
    case step::awaiting_serial:
        endRun(end_reason::stopped);
        break;
    case step::removing:
        client.cancel();
        completePart(false);
        endRun(end_reason::stopped);
        break;
    case step::measuring:
    case step::recording:
    case step::buzzing:
        if (settings.how == station_settings::mode::single_check)
            abort();
        break;  // the part in hand is finished first
    case step::opening:
    case step::identifying:
    case step::configuring:
        abort();
        break;
    case step::not_started:
    case step::idling:
    case step::finished:
        break;
    }
}

void station_engine::abort() {
    stopping = true;
    switch (phase) {
    case step::not_started:
    case step::idling:
    case step::finished:
        return;
    default:
        break;
    }
    client.cancel();
    if (inHand)
        completePart(false);
    endRun(end_reason::aborted);
}

void station_engine::ask(step next, tarnwell::endpoints command, const std::vector<std::uint8_t>& payload,
                         int eventTimeoutMs) {
    phase = next;
    client.request(command, payload, settings.timeoutMs, eventTimeoutMs);
}

void station_engine::onOpened() {
    if (phase != step::opening)
        return;
    ask(step::identifying, tarnwell::ID, tarnwell::pingPayload(), settings.timeoutMs);
}

void station_engine::checkPartInFixture() {
    current = part_result{};
    current.number = 1;
    current.serial = nextSerial;
    current.started = QDateTime::currentDateTimeUtc();
    cycle.start();
    test.start();
    measureIndex = 0;
    measureNext();
}

QString station_engine::firmwareMismatch(const tarnwell::firmware& board) const {
    if (!settings.expected || !settings.expected->firmwareStated || settings.expected->firmware == board)
        return QString();
    return QStringLiteral("the board runs firmware %1, the part file is for firmware %2")
        .arg(tarnwell::firmwareName(board),
             tarnwell::firmwareName(settings.expected->firmware));
}

void station_engine::onAnswered(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload) {
    // A listener may stop or abort the run from any signal below; then the step it was in is over.
    const step was = phase;
    const auto stillIn = [this, was] { return phase == was; };
    switch (phase) {
    case step::identifying: {
        const tarnwell::firmware board = tarnwell::decodeFirmware(payload);
        emit boardIdentified(board);
        if (!stillIn())
            return;
        if (const QString wrong = firmwareMismatch(board); !wrong.isEmpty()) {
            emit trouble(trouble_kind::wrong_firmware, wrong);
            if (stillIn())
                endRun(end_reason::trouble);
            return;
        }
        tarnwell::board_config config;
        config.sensitivity = static_cast<std::uint8_t>(settings.sensitivity);
        config.buzzer = static_cast<std::uint8_t>(settings.buzzer);
        ask(step::configuring, tarnwell::CFG, tarnwell::configPayload(config), settings.timeoutMs);
        break;
    }
    case step::configuring:
        emit configured(settings.sensitivity, settings.buzzer);
        if (!stillIn())
            return;
        if (settings.how == station_settings::mode::single_check)
            checkPartInFixture();
        else
            nextPart();
        break;
    case step::waiting:
        test.start();
        emit partInserted(current.number);
        if (!stillIn())
            return;
        measureIndex = 0;
        measureNext();
        break;
    case step::measuring:
        storeMeasure(current.measured, command, payload);
        ++measureIndex;
        measureNext();
        break;
    case step::buzzing:
        emit buzzerSounded(verdictOf(*inHand) == verdict::pass);
        if (!stillIn())
            return;
        if (!inHand->recordProblem.isEmpty()) {
            completePart(false);
            endRun(end_reason::trouble);
        } else if (stopping) {
            // The verdict stands; the removal is not worth waiting for.
            completePart(false);
            endRun(end_reason::stopped);
        } else {
            waitForRemoval();
        }
        break;
    case step::removing:
        emit partRemoved(inHand->number);
        if (!stillIn())
            return;
        completePart(true);
        afterPart();
        break;
    case step::idling:
        finish();
        break;
    case step::not_started:
    case step::opening:
    case step::awaiting_serial:
    case step::recording:
    case step::finished:
        break;
    }
}

void station_engine::provideSerial(const QString& serial) {
    if (phase == step::not_started && settings.how == station_settings::mode::single_check) {
        nextSerial = serial;
    } else if (phase == step::awaiting_serial) {
        nextSerial = serial;
        waitForPart();
    }
}

void station_engine::nextPart() {
    if (stopping)
        return endRun(end_reason::stopped);
    if (!settings.serialFirst)
        return waitForPart();
    phase = step::awaiting_serial;
    emit serialNeeded(done.parts() + 1);
}

void station_engine::waitForPart() {
    if (stopping)
        return endRun(end_reason::stopped);
    current = part_result{};
    current.number = done.parts() + 1;
    current.serial = nextSerial;
    nextSerial.clear();
    current.started = QDateTime::currentDateTimeUtc();
    cycle.start();
    emit waitingForPart(current.number);
    ask(step::waiting, tarnwell::DETECT_INSERT, {}, board_client::noTimeout);
}

void station_engine::measureNext() {
    phase = step::measuring;
    if (measureIndex < settings.plan.size()) {
        const measure_step& m = settings.plan[measureIndex];
        ask(step::measuring, m.command, m.payload, settings.timeoutMs);
        return;
    }
    judge();
}

void station_engine::judge() {
    if (settings.expected)
        current.comparisons = comparePart(*settings.expected, current.measured, settings.tolerance);
    current.passed = failedCount(current.comparisons) == 0;
    current.testSeconds = static_cast<double>(test.elapsed()) / 1000.0;
    current.ended = QDateTime::currentDateTimeUtc();
    inHand = current;
    // On record before the buzzer says anything: a part the operator heard judged is a part on record.
    phase = step::recording;
    if (!keep)
        return afterRecord();
    awaitingRecord = true;
    keep(*inHand);  // may answer at once, through recorded()
}

void station_engine::recorded(const part_result& part) {
    if (!awaitingRecord || !inHand || part.number != inHand->number)
        return;  // a late answer for a part already completed, or for another run
    awaitingRecord = false;
    inHand->serial = part.serial;
    inHand->attempt = part.attempt;
    inHand->recordId = part.recordId;
    inHand->recordProblem = part.recordProblem;
    afterRecord();
}

void station_engine::afterRecord() {
    const QString recordTrouble = inHand->recordProblem;
    if (!recordTrouble.isEmpty())
        emit trouble(trouble_kind::not_recorded, recordTrouble);
    if (phase != step::recording)
        return;  // a listener ended the run
    emit partJudged(*inHand);
    if (phase != step::recording)
        return;
    if (settings.how == station_settings::mode::single_check) {
        completePart(false);
        return endRun(recordTrouble.isEmpty() ? end_reason::completed : end_reason::trouble);
    }
    ask(step::buzzing, verdictOf(*inHand) == verdict::pass ? tarnwell::BUZ_OK : tarnwell::BUZ_ER, {},
        settings.timeoutMs);
}

void station_engine::waitForRemoval() {
    ask(step::removing, tarnwell::DETECT_REMOVE, {}, board_client::noTimeout);
}

void station_engine::completePart(bool removed) {
    if (!inHand)
        return;
    part_result part = std::move(*inHand);
    inHand.reset();
    // Its write goes on and may still commit, but nobody heard that it did: never counted as on record.
    if (std::exchange(awaitingRecord, false))
        part.recordProblem = QStringLiteral("the run ended before its record was confirmed");
    if (removed)
        part.cycleSeconds = static_cast<double>(cycle.elapsed()) / 1000.0;
    done.add(part);
    emit partCompleted(part);
}

void station_engine::afterPart() {
    if (phase != step::removing)
        return;  // a listener ended the run
    if (settings.count > 0 && done.parts() >= settings.count)
        return endRun(end_reason::completed);
    if (stopping)
        return endRun(end_reason::stopped);
    nextPart();
}

void station_engine::onTrouble(trouble_kind kind, const QString& message) {
    if (phase == step::not_started || phase == step::finished)
        return;
    if (phase == step::idling)
        return finish();  // the run has ended already; going idle is a courtesy
    completePart(false);
    emit trouble(kind, message);
    if (phase == step::idling || phase == step::finished)
        return;
    // A board that stopped answering is still asked to go idle; a line that is gone is not.
    if (kind == trouble_kind::timed_out) {
        endRun(end_reason::trouble);
    } else {
        ending = end_reason::trouble;
        finish();
    }
}

void station_engine::endRun(end_reason reason) {
    if (phase == step::idling || phase == step::finished)
        return;
    ending = reason;
    client.cancel();
    if (settings.how == station_settings::mode::single_check || !client.isOpen())
        return finish();
    // Back to idle whatever ended the run.
    ask(step::idling, tarnwell::IDLE, {}, settings.timeoutMs);
}

void station_engine::finish() {
    if (phase == step::finished)
        return;
    phase = step::finished;
    client.close();
    emit finished(ending);
}

}  // namespace station
