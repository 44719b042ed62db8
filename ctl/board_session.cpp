#include "ctl/board_session.h"

#include "ctl/frame_json.h"

#include "device/endpoint_names.h"
#include "device/incident_feed.h"
#include "device/protocol_config.h"
#include "device/reports.h"
#include "link/hex_text.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSerialPort>
#include <QSerialPortInfo>
#include <QTimer>

namespace ctl {

namespace {

// The endpoints the board answers on: every one but the unused 0x0F to 0xFE.
std::vector<std::uint8_t> boardEndpoints() {
    std::vector<std::uint8_t> out;
    for (int value = tarnwell::ID; value <= tarnwell::BUZ_OK; ++value)
        out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(tarnwell::IDLE);
    return out;
}

// A listed port's system location for its name, a path as it is; empty when neither.
QString portLocation(const QString& port) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName() == port || info.systemLocation() == port)
            return info.systemLocation();
    if (port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\')))
        return port;
    return QString();
}

// The link keeps the system's reason to itself; asking the port once more gives it.
QString openFailureReason(const QString& location) {
    QSerialPort probe(location);
    if (probe.open(QIODevice::ReadWrite)) {
        probe.close();
        return QStringLiteral("the port did not open");
    }
    return probe.errorString();
}

QString describe(tarnwell::endpoints endpoint) {
    switch (endpoint) {
    case tarnwell::ID: return QStringLiteral("the ping reply (ID)");
    case tarnwell::ON_CALIB_DONE: return QStringLiteral("\"calibration done\" (ON_CALIB_DONE)");
    case tarnwell::ON_INSERT: return QStringLiteral("the insertion (ON_INSERT)");
    case tarnwell::ON_REMOVE: return QStringLiteral("the removal (ON_REMOVE)");
    case tarnwell::ON_STATIC_MES: return QStringLiteral("the static measure (ON_STATIC_MES)");
    case tarnwell::ON_BUTTON_MECH: return QStringLiteral("the button measure (ON_BUTTON_MECH)");
    case tarnwell::ON_BUTTON_CAP: return QStringLiteral("the capacitive measure (ON_BUTTON_CAP)");
    default: return QStringLiteral("the acknowledgement of %1").arg(QString::fromLatin1(tarnwell::endpointName(endpoint)));
    }
}

}  // namespace

board_session::board_session(format how, output& out, const link_trouble& trouble, const stop_signals& stops)
    : how(how), out(out), trouble(trouble), stops(stops), parser(tarnwell::protocolConfig()) {
    for (std::uint8_t endpoint : boardEndpoints())
        parser.add_handler(endpoint, [this, endpoint](vex_com::acknowledge ack, std::vector<std::uint8_t> payload) {
            frameReceived(endpoint, ack, payload);
        });
    connect(&link, &rx48p_serialport::connected, this, [this] {
        parser.reset();
        isConnected = true;
    });
    connect(&link, &rx48p_serialport::disconnected, this, [this] { isConnected = false; });
    connect(&link, &rx48p_serialport::dataSent, this, &board_session::frameSent);
    connect(&link, &rx48p_serialport::dataReceived, this, &board_session::chunkReceived);
}

board_session::~board_session() = default;

board_session::answer board_session::open(const QString& port, int timeoutMs) {
    const QString location = portLocation(port);
    if (location.isEmpty())
        return {outcome::port_lost, QStringLiteral("no serial port named '%1' (rx48p-ctl ports lists them)").arg(port), {}};
    portName = port;
    link.connectPort(location);
    answer a = waitFor([this] { return isConnected || trouble.openFailed(); }, timeoutMs,
                       QStringLiteral("%1 to open").arg(port));
    if (a.result == outcome::done && !isConnected) {
        link.disconnectPort();
        a = {outcome::port_lost, QStringLiteral("cannot open %1: %2").arg(port, openFailureReason(location)), {}};
    } else if (a.result == outcome::timed_out) {
        a.result = outcome::port_lost;
        a.message = QStringLiteral("%1 did not open within %2 ms").arg(port).arg(timeoutMs);
    }
    return a;
}

void board_session::close() {
    link.disconnectPort();
}

board_session::answer board_session::exchange(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload,
                                              int answerTimeoutMs, int eventTimeoutMs) {
    arrived.clear();
    link.sendCommand(command, payload);
    answer a = waitFor([this, command] { return arrived.count(command) > 0; }, answerTimeoutMs, describe(command));
    if (a.result != outcome::done)
        return a;
    a.payload = arrived[command];
    const auto event = tarnwell::eventAfter(command);
    if (!event)
        return a;
    a = waitFor([this, event] { return arrived.count(*event) > 0; }, eventTimeoutMs, describe(*event));
    if (a.result == outcome::done)
        a.payload = arrived[*event];
    return a;
}

board_session::answer board_session::waitFor(const std::function<bool()>& done, int timeoutMs, const QString& awaited) {
    // Wakes the loop so time-outs, signals and a lost line are noticed while the board is silent.
    QTimer tick;
    tick.start(10);
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (out.closed())
            return {outcome::output_closed, QString(), {}};
        if (done())
            return {outcome::done, awaited, {}};
        const QString lineError = trouble.lineError();
        if (!lineError.isEmpty())
            return {outcome::port_lost, QStringLiteral("%1 went away (%2)").arg(portName, lineError), {}};
        if (stopLimit > 0 && stops.count() >= stopLimit)
            return {outcome::interrupted, awaited, {}};
        if (timeoutMs != noTimeout && clock.elapsed() >= timeoutMs)
            return {outcome::timed_out, QStringLiteral("waited %1 ms for %2").arg(timeoutMs).arg(awaited), {}};
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

void board_session::chunkReceived(std::vector<std::uint8_t> chunk) {
    if (how == format::raw)
        out.line(QStringLiteral("<= ") + hexText(chunk.data(), chunk.size()));
    tarnwell::interpretReportingIncidents(parser, chunk, [](const QString& incident) { diagnose(incident.trimmed()); });
}

void board_session::frameSent(const QString& hex) {
    if (how == format::raw)
        out.line(QStringLiteral("=> ") + hex);
    else if (how == format::json)
        out.record(sentFrameJson(hex));
}

void board_session::frameReceived(std::uint8_t endpoint, vex_com::acknowledge ack,
                                  const std::vector<std::uint8_t>& payload) {
    // Both throw tarnwell::short_payload before anything is written, so an incomplete reply is an
    // incident only, and the wait for a whole one goes on.
    if (how == format::json)
        out.record(receivedFrameJson(endpoint, ack, payload));
    else if (how == format::quiet)
        tarnwell::report(static_cast<tarnwell::endpoints>(endpoint), payload);  // decoded all the same
    else
        out.line(tarnwell::report(static_cast<tarnwell::endpoints>(endpoint), payload));
    arrived[endpoint] = payload;
}

}  // namespace ctl
