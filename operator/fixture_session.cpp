#include "operator/fixture_session.h"

#include "device/reports.h"

#include <utility>

namespace op {

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
        lastPart = station::part_result{};
        lastDetail = {tile_detail::kind::part, n, serial};
        emit changed();
    });
    connect(&engine, &station::station_engine::partJudged, this, [this](const station::part_result& part) {
        step = phase::removal;
        lastVerdict = station::verdictOf(part);
        lastPart = part;
        lastDetail = {tile_detail::kind::part, part.number, part.serial};
        emit changed();
    });
    connect(&engine, &station::station_engine::partCompleted, this, &fixture_session::onCompleted);
    connect(&engine, &station::station_engine::trouble, this, &fixture_session::onTrouble);
    connect(&engine, &station::station_engine::finished, this, &fixture_session::onFinished);

    fw.clear();
    problem = {};
    ended = {};
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

tile_detail fixture_session::tileDetail() const {
    if (tile() == tile_state::out_of_service)
        return {};
    // The serial it got shows before the part goes in, so the operator puts that part in this fixture.
    if (step == phase::insert && !serial.isEmpty())
        return {tile_detail::kind::next_serial, number, serial};
    return step == phase::testing || lastVerdict ? lastDetail : tile_detail{};
}

fixture_step fixture_session::nextStep() const {
    if (stopRequested())
        return service ? fixture_step::stopping : fixture_step::leaving_service;
    switch (step) {
    case phase::idle:
        return service ? fixture_step::none : fixture_step::back_in_service;
    case phase::starting:
        return fixture_step::connecting;
    case phase::serial:
        return fixture_step::scan_serial;
    case phase::insert:
        return lastVerdict ? fixture_step::insert_next : fixture_step::insert_first;
    case phase::testing:
        return fixture_step::testing;
    case phase::removal:
        return fixture_step::remove;
    }
    return fixture_step::none;
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
        problem = {banner::kind::not_recorded, {place.name, message, records ? records->file() : QString()}, number,
                   restartKey, false};
        break;
    case trouble_kind::wrong_firmware:
        problem = {banner::kind::wrong_firmware, {message}, 0, 0, false};
        break;
    case trouble_kind::timed_out:
        problem = {banner::kind::board_silent, {message}, 0, restartKey, true};
        break;
    case trouble_kind::no_such_port:
    case trouble_kind::open_failed:
    case trouble_kind::line_lost:
        problem = {banner::kind::board_gone, {message}, 0, restartKey, true};
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
        ended = {run_end::kind::done, tested};
        break;
    case end::stopped:
    case end::aborted:
        ended = {run_end::kind::stopped, tested};
        break;
    case end::trouble:
        ended = {run_end::kind::stopped_by_trouble, tested};
        break;
    }
    endedBy = reason;
    emit changed();
    emit finished(at, reason);
}

}  // namespace op
