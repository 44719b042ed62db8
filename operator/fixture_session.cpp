#include "operator/fixture_session.h"

#include "operator/verdict_text.h"

#include "device/reports.h"

#include <utility>

namespace op {

namespace {

QString partName(long number, const QString& serial) {
    return serial.isEmpty() ? QStringLiteral("part %1").arg(number) : QStringLiteral("part %1  %2").arg(number).arg(serial);
}

}  // namespace

struct fixture_session::run {
    explicit run(station::station_settings settings) : engine(client, std::move(settings)) {}
    station::board_client client;
    station::station_engine engine;  // after the client it drives, so it goes first
};

fixture_session::fixture_session(int index, setup::fixture where, QObject* parent)
    : QObject(parent), at(index), place(std::move(where)) {}

fixture_session::~fixture_session() {
    if (running())
        current->engine.abort();
    current.reset();  // the link's threads are joined here
}

QString fixture_session::title() const {
    return place.name.isEmpty() ? QStringLiteral("the station") : QStringLiteral("fixture ") + place.name;
}

void fixture_session::start(station::station_settings settings, recording::station_records& into,
                            const setup::run_info& info, const QString& autoPrefix) {
    if (running())
        return;
    settings.port = place.port;
    records = &into;
    current.reset();
    current = std::make_unique<run>(std::move(settings));
    station::station_engine& engine = current->engine;
    into.attach(engine, info, autoPrefix);

    connect(&engine, &station::station_engine::boardIdentified, this, [this](const tarnwell::firmware& version) {
        fw = tarnwell::firmwareName(version);
        emit changed();
    });
    connect(&engine, &station::station_engine::serialNeeded, this, [this](long n) {
        number = n;
        step = phase::serial;
        serial.clear();
        emit changed();
        emit serialNeeded(at, n);
    });
    connect(&engine, &station::station_engine::waitingForPart, this, [this](long n) {
        number = n;
        step = phase::insert;
        emit changed();
    });
    connect(&engine, &station::station_engine::partInserted, this, [this](long n) {
        number = n;
        step = phase::testing;
        lastVerdict.reset();
        lastReasons.clear();
        lastDetail = partName(n, serial);
        emit changed();
    });
    connect(&engine, &station::station_engine::partJudged, this, [this](const station::part_result& part) {
        step = phase::removal;
        lastVerdict = station::verdictOf(part);
        lastReasons = partReasons(part);
        lastDetail = partName(part.number, part.serial);
        emit changed();
    });
    connect(&engine, &station::station_engine::partCompleted, this, &fixture_session::onCompleted);
    connect(&engine, &station::station_engine::trouble, this, &fixture_session::onTrouble);
    connect(&engine, &station::station_engine::finished, this, &fixture_session::onFinished);

    fw.clear();
    problem = {};
    ended.clear();
    endedBy.reset();
    step = phase::starting;
    number = 0;
    serial.clear();
    engine.start();
    emit changed();
}

void fixture_session::setPending(bool pending) {
    if (running())
        return;
    step = pending ? phase::starting : phase::idle;
    // How its last run ended belongs to that run, not to the start in hand.
    endedBy.reset();
    tested = 0;
    emit changed();
}

void fixture_session::stop() {
    if (running())
        current->engine.stop();
    emit changed();
}

void fixture_session::abort() {
    if (running())
        current->engine.abort();
}

void fixture_session::provideSerial(const QString& given) {
    if (step != phase::serial || !running())
        return;
    serial = given;
    current->engine.provideSerial(given);  // on to the wait for the part, which shows the serial
}

bool fixture_session::running() const {
    return current && current->engine.running();
}

bool fixture_session::stopRequested() const {
    return running() && current->engine.stopRequested();
}

tile_state fixture_session::tile() const {
    if (step == phase::testing)
        return tile_state::testing;
    if (!service && step == phase::idle)
        return tile_state::out_of_service;
    if (lastVerdict)
        return tileOf(*lastVerdict);
    switch (step) {
    case phase::serial:
    case phase::insert:
        return tile_state::waiting;
    case phase::starting:
        return tile_state::starting;
    default:
        return tile_state::stopped;
    }
}

QString fixture_session::tileWord() const {
    switch (tile()) {
    case tile_state::stopped:
        return QStringLiteral("STOPPED");
    case tile_state::starting:
        return QStringLiteral("STARTING");
    case tile_state::waiting:
        return QStringLiteral("WAITING FOR PART");
    case tile_state::testing:
        return QStringLiteral("TESTING");
    case tile_state::passed:
        return QStringLiteral("PASS");
    case tile_state::failed:
        return QStringLiteral("FAIL");
    case tile_state::not_recorded:
        return QStringLiteral("NOT RECORDED");
    case tile_state::out_of_service:
        return QStringLiteral("OUT OF SERVICE");
    }
    return QString();
}

QString fixture_session::tileDetail() const {
    if (tile() == tile_state::out_of_service)
        return QString();
    // The serial it got shows before the part goes in, so the operator puts that part in this fixture.
    if (step == phase::insert && !serial.isEmpty())
        return QStringLiteral("next: ") + serial;
    return step == phase::testing || lastVerdict ? lastDetail : QString();
}

QString fixture_session::nextStep() const {
    if (stopRequested())
        return service ? QStringLiteral("Stopping after this part") : QStringLiteral("Out of service after this part");
    switch (step) {
    case phase::idle:
        return service ? QString() : QStringLiteral("Ctrl+%1 puts it back in service").arg(at + 1);
    case phase::starting:
        return QStringLiteral("Connecting to the board on %1").arg(place.port);
    case phase::serial:
        return QStringLiteral("Scan the serial of the next part");
    case phase::insert:
        return lastVerdict ? QStringLiteral("Insert the next part") : QStringLiteral("Insert a part");
    case phase::testing:
        return QStringLiteral("Testing: leave the part in the fixture");
    case phase::removal:
        return QStringLiteral("Remove the part");
    }
    return QString();
}

void fixture_session::onCompleted(const station::part_result& part) {
    counted.add(part);
    emit changed();
    emit partCompleted(at, part);
}

void fixture_session::onTrouble(station::trouble_kind kind, const QString& message) {
    using station::trouble_kind;
    switch (kind) {
    case trouble_kind::not_recorded:
        problem = {banner::kind::not_recorded,
                   QStringLiteral("Part %1 could not be recorded, so %2 stopped: %3. Check the database "
                                  "%4 (free space, access), then %5.")
                       .arg(number)
                       .arg(title(), message, records ? records->file() : QString(),
                            place.name.isEmpty() ? QStringLiteral("press Start") : reconnectHint),
                   false};
        break;
    case trouble_kind::wrong_firmware:
        problem = {banner::kind::wrong_firmware,
                   QStringLiteral("This part file is not for this board: %1. Choose the program for this board in "
                                  "Setup, or use a board with that firmware.")
                       .arg(message),
                   false};
        break;
    case trouble_kind::timed_out:
        problem = {banner::kind::board_gone,
                   QStringLiteral("The board stopped answering (%1). Check its power and cable, then %2.")
                       .arg(message, reconnectHint),
                   true};
        break;
    case trouble_kind::no_such_port:
    case trouble_kind::open_failed:
    case trouble_kind::line_lost:
        problem = {banner::kind::board_gone,
                   QStringLiteral("The board is gone (%1). Check its cable and power, then %2.").arg(message, reconnectHint),
                   true};
        break;
    }
    emit changed();
}

void fixture_session::onFinished(station::station_engine::end_reason reason) {
    using end = station::station_engine::end_reason;
    step = phase::idle;
    if (records && current)
        records->finishRun(current->engine);
    tested = current ? current->engine.tally().parts() : 0;
    switch (reason) {
    case end::completed:
        ended = tested == 1 ? QStringLiteral("Done: 1 part tested") : QStringLiteral("Done: %1 parts tested").arg(tested);
        break;
    case end::stopped:
    case end::aborted:
        ended = QStringLiteral("Stopped");
        break;
    case end::trouble:
        ended = QStringLiteral("Stopped by trouble");
        break;
    }
    endedBy = reason;
    emit changed();
    emit finished(at, reason);
}

}  // namespace op
