#include "operator/station_session.h"


#include "setup/run_info.h"
#include "setup/serial_number.h"
#include "setup/server_url.h"

#include "station/measure_plan.h"
#include "station/part_file_reader.h"
#include "device/reports.h"

#include <QCoreApplication>
#include <QFileInfo>

#include <algorithm>
#include <chrono>
#include <utility>

namespace op {


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
    QString autoPrefix;
    setup::run_info run;  // of the station; each fixture's names it
};

station_session::station_session(QObject* parent) : QObject(parent) {
    qRegisterMetaType<station::part_result>("station::part_result");
    connect(&records, &recording::station_records::serverReachable, this, &station_session::onServer);
    connect(&records, &recording::station_records::serverTrouble, this, &station_session::onServerTrouble);
    connect(&records, &recording::station_records::refused, this, &station_session::onRefused);
    connect(&records, &recording::station_records::forwarded, this, &station_session::onForwarded);
    connect(&records, &recording::station_records::opened, this, &station_session::onOpened);
    connect(&records, &recording::station_records::runEnded, this, &station_session::onRunEnded);
    connect(&records, &recording::station_records::startJudged, this, &station_session::onJudged);
    connect(&serials, &station::serial_queue::assigned, this, [this](int index, const QString& serial) {
        if (index >= 0 && index < fixtureCount())
            fixtureList[static_cast<std::size_t>(index)]->provideSerial(serial);
        emit changed();
    });
    rebuildFixtures();
}

station_session::~station_session() {
    records.hurry(records.busyTime());
    opening.reset();
    for (const auto& f : fixtureList)
        f->abort();
    fixtureList.clear();  // the links' threads are joined here
    records.finishRun();  // the records join their writer within the busy time-out
    // The last part a second to reach the server; what is left goes at the next start, or by a push. A
    // forward still waiting on the server is then cancelled, not waited for.
    if (!config.server.isEmpty() && serverUp)
        records.drain(std::chrono::seconds(1));
}

void station_session::rebuildFixtures() {
    const QList<setup::fixture> wanted = setup::fixturesOf(config);
    bool same = static_cast<int>(fixtureList.size()) == wanted.size();
    for (int i = 0; same && i < wanted.size(); ++i)
        same = fixtureList[static_cast<std::size_t>(i)]->where() == wanted[i];
    if (same || running())
        return;
    fixtureList.clear();
    serials.clear();
    for (int i = 0; i < wanted.size(); ++i) {
        auto f = std::make_unique<fixture_session>(i, wanted[i]);
        if (wanted.size() > 1)
            f->setRestartKey(i + 1);
        connect(f.get(), &fixture_session::changed, this, [this] {
            head.firmware.clear();
            for (const auto& each : fixtureList) {
                if (!each->firmware().isEmpty()) {
                    head.firmware = each->firmware();
                    break;
                }
            }
            emit changed();
        });
        connect(f.get(), &fixture_session::serialNeeded, this, [this](int index, long number) {
            serials.request(index);  // a held serial is handed over from within
            if (fixtureList[static_cast<std::size_t>(index)]->serialWanted()) {
                emit changed();
                emit serialRequested(number);
            }
        });
        connect(f.get(), &fixture_session::partCompleted, this, &station_session::onCompleted);
        connect(f.get(), &fixture_session::finished, this, [this](int index) { onFixtureFinished(index); });
        fixtureList.push_back(std::move(f));
    }
}

void station_session::setSetup(const setup::station_setup& setup) {
    config = setup;
    rebuildFixtures();
    head.programName = QFileInfo(setup.program).fileName();
    head.programHash = setup::fileSha256(setup.program).left(8);
    if (setup.fixtures.isEmpty()) {
        head.port = setup.port;
    } else {
        QStringList ports;
        for (const setup::fixture& f : setup.fixtures)
            ports << f.name + QLatin1Char(' ') + f.port;
        head.port = ports.join(QStringLiteral(", "));
    }
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

bool station_session::refuse(const QString& why, banner::kind what) {
    trouble = {what, {why}, 0, 0, false};
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
    if (std::none_of(fixtureList.begin(), fixtureList.end(), [](const auto& f) { return f->inService(); }))
        return refuse(QString(), banner::kind::all_out_of_service);
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
    request->autoPrefix = config.serials == setup::serial_mode::numbered ? config.serialPrefix : QString();
    request->run = setup::runInfoOf(config, QCoreApplication::applicationVersion());

    // The database is opened (and brought up to date) in the records' thread: another program holding
    // it must not freeze the window. The runs start when it is open.
    opening = std::move(request);
    started.reset();
    trouble = {};
    for (const auto& f : fixtureList) {
        f->clearTrouble();
        f->setPending(f->inService());
    }
    stopping = false;
    ended = {};
    serials.clear();
    records.open(setup::resultsFileOf(config), config.server);
    emit changed();
    return true;
}

void station_session::startFixture(fixture_session& f) {
    setup::run_info run = started->run;
    run.fixture = f.where().name;
    f.start(started->settings, records, run, started->autoPrefix);
}

void station_session::onOpened(const QString& problem) {
    if (!opening)
        return;  // the start was cancelled meanwhile
    if (!problem.isEmpty()) {
        opening.reset();
        for (const auto& f : fixtureList)
            f->setPending(false);
        refuse(problem);
        return;
    }
    // The program is judged, and the start put on the audit trail, before any part.
    const setup::run_info& run = opening->run;
    records.judgeStart({run.station, setup::auditedSettings(config, run.programSha256) + auditExtras, run.programPath, run.programSha256,
                        config.releasedOnly});
}

void station_session::onJudged(const results::release_verdict& verdict, const QString& problem) {
    if (!opening)
        return;  // the start was cancelled meanwhile
    std::unique_ptr<start_request> request = std::move(opening);
    const QString refusal = verdict.refusal(request->run.programPath, request->run.programSha256);
    if (!problem.isEmpty() || (config.releasedOnly && !refusal.isEmpty())) {
        for (const auto& f : fixtureList)
            f->setPending(false);
        if (!problem.isEmpty()) {
            refuse(problem);
        } else {
            trouble = {banner::kind::not_released, {refusal}, 0, 0, false};
            emit changed();
        }
        return;
    }
    if (verdict.state != results::release_state::never_seen)
        request->run.released = verdict.state == results::release_state::released;
    started = std::move(request);
    head.firmware.clear();
    for (const auto& f : fixtureList) {
        if (f->inService())
            startFixture(*f);
    }
    emit changed();
}

void station_session::cancelOpening() {
    opening.reset();
    for (const auto& f : fixtureList)
        f->setPending(false);
    serials.clear();
    ended = {run_end::kind::stopped, 0};
    emit changed();
    emit runFinished(station::station_engine::end_reason::stopped);
}

void station_session::stop() {
    if (!running())
        return;
    records.hurry(records.busyTime());
    stopping = true;
    if (opening)
        return cancelOpening();
    for (const auto& f : fixtureList)
        f->stop();
    emit changed();
}

void station_session::abort() {
    if (!running())
        return;
    records.hurry(records.busyTime());
    stopping = true;
    if (opening)
        return cancelOpening();
    for (const auto& f : fixtureList)
        f->abort();
    emit changed();
}

void station_session::toggleService(int index) {
    if (index < 0 || index >= fixtureCount())
        return;
    fixture_session& f = *fixtureList[static_cast<std::size_t>(index)];
    if (f.inService()) {
        f.setInService(false);
        serials.withdraw(index);
        f.stop();  // the part in hand is finished first
    } else {
        f.setInService(true);
        f.clearTrouble();
        if (started && !opening && !stopping && running() && !f.running())
            startFixture(f);
    }
    emit changed();
}

QString station_session::provideSerial(const QString& text) {
    if (!scansSerials())
        return tr("the station is not taking serials now");
    const setup::checked_text checked = setup::checkSerial(text);
    if (!checked.problem.isEmpty())
        return checked.problem;
    serials.scan(checked.text);
    emit changed();
    return QString();
}

bool station_session::running() const {
    return opening || std::any_of(fixtureList.begin(), fixtureList.end(), [](const auto& f) { return f->running(); });
}

bool station_session::stopRequested() const {
    bool any = false;
    for (const auto& f : fixtureList) {
        if (!f->running())
            continue;
        if (!f->stopRequested())
            return false;
        any = true;
    }
    return any && stopping;
}

bool station_session::serialWanted() const {
    return std::any_of(fixtureList.begin(), fixtureList.end(), [](const auto& f) { return f->serialWanted(); });
}

banner station_session::stationTrouble() const {
    if (trouble.what != banner::kind::none || fixtureList.size() != 1)
        return trouble;
    return fixtureList.front()->trouble();
}

station_prompt station_session::prompt() const {
    station_prompt p;
    p.heldSerial = serials.held();
    if (stopRequested()) {
        p.what = station_prompt::kind::stopping;
    } else if (!running()) {
        p.what = station_prompt::kind::press_enter;
        p.ended = ended;
        p.heldSerial.clear();
    } else if (opening) {
        p.what = station_prompt::kind::opening;
        p.database = head.database;
        p.heldSerial.clear();
    } else if (fixtureList.size() == 1) {
        p.what = station_prompt::kind::step;
        p.step = fixtureList.front()->nextStep();
        p.port = fixtureList.front()->where().port;
    } else if (config.serials == setup::serial_mode::scan && serials.next()) {
        p.what = station_prompt::kind::scan_for;
        p.fixture = fixture(*serials.next()).where().name;
        p.heldSerial.clear();
    }
    // Else each tile says what to do at its fixture.
    return p;
}

void station_session::onCompleted(int index, const station::part_result& part) {
    counted.add(part);
    parts.add(part, fixture(index).where().name);
    emit changed();
    emit partCompleted(part);
}

void station_session::onFixtureFinished(int index) {
    using end = station::station_engine::end_reason;
    serials.withdraw(index);
    if (running()) {
        emit changed();
        return;
    }
    serials.clear();
    // The station's end: one fixture's words when it is alone; else done only when each that ran was done.
    std::optional<end> reason;
    long tested = 0;
    bool allDone = true;
    bool troubled = false;
    for (const auto& f : fixtureList) {
        if (!f->endReason())
            continue;
        tested += f->runParts();
        allDone = allDone && *f->endReason() == end::completed;
        troubled = troubled || *f->endReason() == end::trouble;
    }
    if (fixtureList.size() == 1) {
        ended = fixtureList.front()->endedAs();
        reason = fixtureList.front()->endReason();
    } else if (allDone) {
        ended = {run_end::kind::done, tested};
        reason = end::completed;
    } else {
        ended = {troubled ? run_end::kind::stopped_by_trouble : run_end::kind::stopped, tested};
        reason = troubled ? end::trouble : end::stopped;
    }
    emit changed();
    emit runFinished(reason.value_or(end::stopped));
}

void station_session::onRunEnded(const QString& problem) {
    if (problem.isEmpty() || stationTrouble().what != banner::kind::none)
        return;
    trouble = {banner::kind::run_end_not_recorded, {problem, head.database}, 0, 0, false};
    emit changed();
}

void station_session::onServer(bool reachable, const QString& reason) {
    if (!reachable)
        server = {banner::kind::server_out_of_reach, {reason, head.database}, 0, 0, false};
    else if (server.what != banner::kind::none)
        server = {banner::kind::server_back, {}, 0, 0, false};
    serverUp = reachable;
    emit changed();
}

void station_session::onServerTrouble(const QString& reason) {
    server = {banner::kind::server_trouble, {reason, head.database}, 0, 0, false};
    serverUp = false;
    emit changed();
}

void station_session::onRefused(const QString& part, const QString& reason) {
    server = {banner::kind::part_refused, {part, reason, head.database}, 0, 0, false};
    emit changed();
}

void station_session::onForwarded(long, long backlog) {
    if (serverUp && backlog == 0 && server.what != banner::kind::none) {
        server = {};
        emit changed();
    }
}

}  // namespace op
