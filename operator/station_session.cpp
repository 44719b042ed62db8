#include "operator/station_session.h"

#include "operator/verdict_text.h"

#include "setup/run_info.h"
#include "setup/serial_number.h"
#include "setup/server_url.h"

#include "station/measure_plan.h"
#include "station/part_file_reader.h"
#include "device/reports.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <chrono>
#include <utility>

namespace op {

namespace {

QString partName(long number, const QString& serial) {
    return serial.isEmpty() ? QStringLiteral("part %1").arg(number) : QStringLiteral("part %1  %2").arg(number).arg(serial);
}

}  // namespace

tile_state tileOf(station::verdict verdict) {
    switch (verdict) {
    case station::verdict::pass: return tile_state::passed;
    case station::verdict::fail: return tile_state::failed;
    case station::verdict::not_recorded: break;
    }
    return tile_state::not_recorded;
}

struct station_session::start_request {
    station::station_settings settings;
    setup::run_info info;
    QString autoPrefix;
};

struct station_session::run {
    explicit run(station::station_settings settings) : engine(client, std::move(settings)) {}
    station::board_client client;
    station::station_engine engine;  // after the client it drives, so it goes first
};

station_session::station_session(QObject* parent) : QObject(parent) {
    qRegisterMetaType<station::part_result>("station::part_result");
    connect(&records, &recording::station_records::serverReachable, this, &station_session::onServer);
    connect(&records, &recording::station_records::serverTrouble, this, &station_session::onServerTrouble);
    connect(&records, &recording::station_records::refused, this, &station_session::onRefused);
    connect(&records, &recording::station_records::forwarded, this, &station_session::onForwarded);
    connect(&records, &recording::station_records::opened, this, &station_session::onOpened);
    connect(&records, &recording::station_records::runEnded, this, &station_session::onRunEnded);
}

station_session::~station_session() {
    records.hurry(records.busyTime());
    opening.reset();
    if (running())
        current->engine.abort();
    current.reset();  // the link's threads are joined here
    records.finishRun();  // the records join their writer within the busy time-out
    // The last part a second to reach the server; what is left goes at the next start, or by a push. A
    // forward still waiting on the server is then cancelled, not waited for.
    if (!config.server.isEmpty() && serverUp)
        records.drain(std::chrono::seconds(1));
}

void station_session::setSetup(const setup::station_setup& setup) {
    config = setup;
    head.programName = QFileInfo(setup.program).fileName();
    head.programHash = setup::fileSha256(setup.program).left(8);
    head.port = setup.port;
    head.station = setup::stationNameOf(setup);
    head.database = setup::resultsFileOf(setup);
    head.server.clear();
    if (!setup.server.isEmpty()) {
        // The raw text of a bad one may hold a password.
        head.server = setup::server_url::problem(setup.server).isEmpty()
                          ? setup::server_url::parse(setup.server).display()
                          : QStringLiteral("(not a valid server URL)");
    }
    emit changed();
}

bool station_session::refuse(const QString& why) {
    trouble = {banner::kind::cannot_start, QStringLiteral("Cannot start: %1").arg(why), false};
    emit changed();
    return false;
}

bool station_session::start() {
    if (running())
        return true;
    setSetup(config);  // the part file may have changed since
    const QString problem = setup::setupProblem(config);
    if (!problem.isEmpty())
        return refuse(problem);
    tarnwell::part_description part;
    try {
        part = station::readPartFile(config.program);
    } catch (const tarnwell::part_file_error& e) {
        return refuse(QString::fromStdString(e.what()));
    }
    const QString uncheckable = station::uncheckable(part);
    if (!uncheckable.isEmpty())
        return refuse(config.program + QStringLiteral(": ") + uncheckable);
    auto request = std::make_unique<start_request>();
    request->settings = station::settingsFor(config, std::move(part));
    request->info = setup::runInfoOf(config, QCoreApplication::applicationVersion());
    request->autoPrefix = config.serials == setup::serial_mode::numbered ? config.serialPrefix : QString();

    // The database is opened (and brought up to date) in the records' thread: another program holding
    // it must not freeze the window. The run starts when it is open.
    opening = std::move(request);
    trouble = {};
    step = phase::opening;
    ended.clear();
    records.open(setup::resultsFileOf(config), config.server);
    emit changed();
    return true;
}

void station_session::onOpened(const QString& problem) {
    if (!opening)
        return;  // the start was cancelled meanwhile
    const std::unique_ptr<start_request> request = std::move(opening);
    if (!problem.isEmpty()) {
        step = phase::idle;
        refuse(problem);
        return;
    }
    current.reset();
    current = std::make_unique<run>(std::move(request->settings));
    station::station_engine& engine = current->engine;
    records.attach(engine, request->info, request->autoPrefix);

    connect(&engine, &station::station_engine::boardIdentified, this, [this](const tarnwell::firmware& fw) {
        head.firmware = tarnwell::firmwareName(fw);
        emit changed();
    });
    connect(&engine, &station::station_engine::serialNeeded, this, [this](long n) {
        number = n;
        step = phase::serial;
        if (!queuedSerial.isEmpty()) {
            const QString serial = std::exchange(queuedSerial, QString());
            current->engine.provideSerial(serial);  // straight on to the wait for the part
            return;
        }
        emit changed();
        emit serialRequested(n);
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
        lastDetail = QStringLiteral("part %1").arg(n);
        emit changed();
    });
    connect(&engine, &station::station_engine::partJudged, this, [this](const station::part_result& part) {
        step = phase::removal;
        lastVerdict = station::verdictOf(part);
        lastReasons = partReasons(part);
        lastDetail = partName(part.number, part.serial);
        emit changed();
    });
    connect(&engine, &station::station_engine::partCompleted, this, &station_session::onCompleted);
    connect(&engine, &station::station_engine::trouble, this, &station_session::onTrouble);
    connect(&engine, &station::station_engine::finished, this, &station_session::onFinished);

    head.firmware.clear();
    step = phase::starting;
    number = 0;
    queuedSerial.clear();
    engine.start();
    emit changed();
}

void station_session::cancelOpening() {
    opening.reset();
    step = phase::idle;
    queuedSerial.clear();
    ended = QStringLiteral("Stopped");
    emit changed();
    emit runFinished(station::station_engine::end_reason::stopped);
}

void station_session::stop() {
    if (!running())
        return;
    records.hurry(records.busyTime());
    if (opening)
        return cancelOpening();
    current->engine.stop();
    emit changed();
}

void station_session::abort() {
    if (!running())
        return;
    records.hurry(records.busyTime());
    if (opening)
        return cancelOpening();
    current->engine.abort();
    emit changed();
}

QString station_session::provideSerial(const QString& text) {
    if (!scansSerials())
        return QStringLiteral("the station is not taking serials now");
    const setup::checked_text checked = setup::checkSerial(text);
    if (!checked.problem.isEmpty())
        return checked.problem;
    const QString& serial = checked.text;
    if (step == phase::serial)
        current->engine.provideSerial(serial);
    else
        queuedSerial = serial;
    emit changed();
    return QString();
}

bool station_session::running() const {
    return opening || (current && current->engine.running());
}

bool station_session::stopRequested() const {
    return current && current->engine.running() && current->engine.stopRequested();
}

tile_state station_session::tile() const {
    if (step == phase::testing)
        return tile_state::testing;
    if (lastVerdict)
        return tileOf(*lastVerdict);
    switch (step) {
    case phase::serial:
    case phase::insert:
        return tile_state::waiting;
    case phase::opening:
    case phase::starting:
        return tile_state::starting;
    default:
        return tile_state::stopped;
    }
}

QString station_session::tileWord() const {
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
    }
    return QString();
}

QString station_session::tileDetail() const {
    return step == phase::testing || lastVerdict ? lastDetail : QString();
}

QString station_session::prompt() const {
    if (stopRequested())
        return QStringLiteral("Stopping after this part");
    QString next;
    switch (step) {
    case phase::idle:
        return (ended.isEmpty() ? QString() : ended + QStringLiteral(". ")) + QStringLiteral("Press Enter to start.");
    case phase::opening:
        return QStringLiteral("Opening the database %1").arg(head.database);
    case phase::starting:
        return QStringLiteral("Connecting to the board on %1").arg(config.port);
    case phase::serial:
        return QStringLiteral("Scan the serial of the next part");
    case phase::insert:
        next = lastVerdict ? QStringLiteral("Insert the next part") : QStringLiteral("Insert a part");
        break;
    case phase::testing:
        next = QStringLiteral("Testing: leave the part in the fixture");
        break;
    case phase::removal:
        next = QStringLiteral("Remove the part");
        break;
    }
    if (!queuedSerial.isEmpty())
        next += QStringLiteral("  (next serial: %1)").arg(queuedSerial);
    return next;
}

std::optional<double> station_session::firstPassYield() const {
    if (firstAttempts == 0)
        return std::nullopt;
    return 100.0 * static_cast<double>(firstPassed) / static_cast<double>(firstAttempts);
}

void station_session::onCompleted(const station::part_result& part) {
    counted.add(part);
    // A retested serial is not a first pass; a part without a serial is its own first attempt.
    if (part.attempt <= 1) {
        ++firstAttempts;
        firstPassed += station::verdictOf(part) == station::verdict::pass ? 1 : 0;
    }
    parts.add(part);
    emit changed();
    emit partCompleted(part);
}

void station_session::onTrouble(station::trouble_kind kind, const QString& message) {
    using station::trouble_kind;
    switch (kind) {
    case trouble_kind::not_recorded:
        trouble = {banner::kind::not_recorded,
                   QStringLiteral("Part %1 could not be recorded, so the station stopped: %2. Check the database "
                                  "%3 (free space, access), then press Start.")
                       .arg(number)
                       .arg(message, head.database),
                   false};
        break;
    case trouble_kind::wrong_firmware:
        trouble = {banner::kind::wrong_firmware,
                   QStringLiteral("This part file is not for this board: %1. Choose the program for this board in "
                                  "Setup, or use a board with that firmware.")
                       .arg(message),
                   false};
        break;
    case trouble_kind::timed_out:
        trouble = {banner::kind::board_gone,
                   QStringLiteral("The board stopped answering (%1). Check its power and cable, then press "
                                  "Reconnect.")
                       .arg(message),
                   true};
        break;
    case trouble_kind::no_such_port:
    case trouble_kind::open_failed:
    case trouble_kind::line_lost:
        trouble = {banner::kind::board_gone,
                   QStringLiteral("The board is gone (%1). Check its cable and power, then press Reconnect.")
                       .arg(message),
                   true};
        break;
    }
    emit changed();
}

void station_session::onFinished(station::station_engine::end_reason reason) {
    using end = station::station_engine::end_reason;
    step = phase::idle;
    queuedSerial.clear();
    records.finishRun();
    const long tested = current ? current->engine.tally().parts() : 0;
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
    emit changed();
    emit runFinished(reason);
}

void station_session::onRunEnded(const QString& problem) {
    if (problem.isEmpty() || trouble.what != banner::kind::none)
        return;
    trouble = {banner::kind::not_recorded,
               QStringLiteral("The end of the run could not be recorded: %1. Check the database %2.")
                   .arg(problem, head.database),
               false};
    emit changed();
}

void station_session::onServer(bool reachable, const QString& reason) {
    if (!reachable)
        server = {banner::kind::server_out_of_reach,
                  QStringLiteral("The results server is out of reach (%1). The station goes on and keeps every "
                                 "part in %2; they go to the server when it is back.")
                      .arg(reason, head.database),
                  false};
    else if (server.what != banner::kind::none)
        server.text = QStringLiteral("The results server is back: forwarding the parts recorded meanwhile.");
    serverUp = reachable;
    emit changed();
}

void station_session::onServerTrouble(const QString& reason) {
    server = {banner::kind::server_trouble,
              QStringLiteral("The results server cannot take the parts (%1): tell the line's engineer. The station goes "
                             "on and keeps every part in %2.")
                  .arg(reason, head.database),
              false};
    serverUp = false;
    emit changed();
}

void station_session::onRefused(const QString& part, const QString& reason) {
    server = {banner::kind::part_refused,
              QStringLiteral("The results server refused part %1 (%2). It stays in %3; tell the line's engineer.")
                  .arg(part, reason, head.database),
              false};
    emit changed();
}

void station_session::onForwarded(long, long backlog) {
    if (serverUp && backlog == 0 && server.what != banner::kind::none) {
        server = {};
        emit changed();
    }
}

}  // namespace op
