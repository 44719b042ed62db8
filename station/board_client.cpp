#include "station/board_client.h"

#include "station/port_location.h"

#include "device/endpoint_names.h"
#include "device/protocol_config.h"
#include "device/reports.h"
#include "link/hex_text.h"

#include <utility>

namespace station {

namespace {

// The endpoints the board sends on: every command's acknowledgement and every event.
std::vector<std::uint8_t> boardEndpoints() {
    std::vector<std::uint8_t> out;
    for (int value = tarnwell::ID; value <= tarnwell::BUZ_OK; ++value)
        out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(tarnwell::IDLE);
    return out;
}

// Header, length field, endpoint, acknowledge and CRC around the payload.
std::size_t frameOverhead() {
    const vex_com::config cfg = tarnwell::protocolConfig();
    return cfg.header.size() + cfg.length_size + 1 + 1 + 2;
}

// The longest frame the length field allows; older bytes cannot belong to a frame still to come.
std::size_t longestFrame() {
    const vex_com::config cfg = tarnwell::protocolConfig();
    return cfg.header.size() + cfg.length_size + ((std::size_t{1} << (8 * cfg.length_size)) - 1);
}

}  // namespace

QString awaitedText(tarnwell::endpoints endpoint) {
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

board_client::board_client(QObject* parent)
    : QObject(parent), parser(tarnwell::protocolConfig()), link(link_timing::promptly()) {
    qRegisterMetaType<station::trouble_kind>("station::trouble_kind");
    qRegisterMetaType<station::received_frame>("station::received_frame");
    qRegisterMetaType<station::sent_frame>("station::sent_frame");
    qRegisterMetaType<tarnwell::endpoints>("tarnwell::endpoints");
    for (std::uint8_t endpoint : boardEndpoints())
        parser.add_handler(endpoint, [this, endpoint](vex_com::acknowledge ack, std::vector<std::uint8_t> payload) {
            onFrame(endpoint, ack, std::move(payload));
        });
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &board_client::onTimeout);
    connect(&link, &rx48p_serialport::connected, this, &board_client::onConnected);
    connect(&link, &rx48p_serialport::openFailed, this, &board_client::onOpenFailed);
    connect(&link, &rx48p_serialport::lineLost, this, &board_client::onLineLost);
    connect(&link, &rx48p_serialport::dataSent, this, &board_client::onDataSent);
    connect(&link, &rx48p_serialport::dataReceived, this, &board_client::onChunk);
}

board_client::~board_client() {
    // The link's threads end before the members they post to are gone.
    link.disconnectPort();
}

void board_client::open(const QString& port, int timeoutMs) {
    close();
    portName = port;
    const QString location = portLocation(port);
    if (location.isEmpty()) {
        emit trouble(trouble_kind::no_such_port, QStringLiteral("no serial port named '%1'").arg(port));
        return;
    }
    state = link_state::opening;
    awaited = QStringLiteral("%1 to open").arg(port);
    awaitedMs = timeoutMs;
    timer.start(timeoutMs);
    link.connectPort(location);
}

void board_client::close() {
    timer.stop();
    pending.reset();
    state = link_state::closed;
    link.disconnectPort();
    // What the link posted before it stopped belongs to the connection that is gone.
    written.clear();
}

void board_client::request(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload,
                           int answerTimeoutMs, int eventTimeoutMs) {
    pending.emplace();
    pending->command = command;
    pending->event = tarnwell::eventAfter(command);
    pending->eventTimeoutMs = eventTimeoutMs;
    awaited = awaitedText(command);
    awaitedMs = answerTimeoutMs;
    timer.stop();
    if (answerTimeoutMs != noTimeout)
        timer.start(answerTimeoutMs);
    static const vex_com::packetizer packetizer(tarnwell::protocolConfig());
    written.push_back({command, 1, payload, packetizer.packetize(command, 1, payload.data(), payload.size())});
    link.sendCommand(command, payload);
}

void board_client::cancel() {
    timer.stop();
    pending.reset();
}

void board_client::onConnected() {
    if (state != link_state::opening)
        return;
    timer.stop();
    state = link_state::open;
    parser.reset();
    recent.clear();
    emit opened();
}

void board_client::onOpenFailed(const QString& reason) {
    if (state != link_state::opening)
        return;
    close();
    emit trouble(trouble_kind::open_failed, QStringLiteral("cannot open %1: %2").arg(portName, reason));
}

void board_client::onLineLost(const QString& error) {
    if (state != link_state::open)
        return;
    timer.stop();
    pending.reset();
    emit trouble(trouble_kind::line_lost, QStringLiteral("%1 went away (%2)").arg(portName, error));
}

void board_client::onDataSent(const QString& hex) {
    // The link writes frames in the order they were queued, so the oldest one is the one just written.
    if (written.empty())
        return;
    sent_frame frame = std::move(written.front());
    written.pop_front();
    Q_ASSERT(hexText(frame.bytes.data(), frame.bytes.size()) == hex);
    Q_UNUSED(hex);
    emit frameSent(frame);
}

void board_client::onChunk(const std::vector<std::uint8_t>& chunk) {
    if (state != link_state::open)
        return;
    emit chunkReceived(chunk);
    // One byte per call: the parser abandons the rest of what it was given when it throws, and a good
    // frame behind one that cannot be reported must still be read.
    for (const std::uint8_t& byte : chunk) {
        recent.push_back(byte);
        if (recent.size() > 2 * longestFrame())
            recent.erase(recent.begin(), recent.end() - static_cast<std::ptrdiff_t>(longestFrame()));
        try {
            parser.interpret(&byte, 1);
        } catch (const vex_com::except& e) {
            recent.clear();
            emit incident(tarnwell::unknownEndpointIncident(e.endpoint));
        } catch (const tarnwell::short_payload& e) {
            recent.clear();
            emit incident(tarnwell::shortPayloadIncident(e.endpoint));
        }
    }
}

void board_client::onFrame(std::uint8_t endpoint, std::uint8_t ack, std::vector<std::uint8_t> payload) {
    received_frame frame;
    // Throws short_payload before anything is signalled: an incomplete reply is an incident only, and
    // the wait for a whole one goes on.
    frame.report = tarnwell::report(static_cast<tarnwell::endpoints>(endpoint), payload);
    frame.endpoint = endpoint;
    frame.acknowledge = ack;
    const std::size_t size = payload.size() + frameOverhead();
    frame.bytes.assign(recent.end() - static_cast<std::ptrdiff_t>(std::min(size, recent.size())), recent.end());
    recent.clear();
    frame.payload = std::move(payload);
    emit frameReceived(frame);

    if (!pending)
        return;
    if (endpoint == pending->command && !pending->answerSeen) {
        pending->answerSeen = true;
        if (!pending->event)
            return finishRequest(frame.payload);
        if (!pending->eventSeen) {
            awaited = awaitedText(*pending->event);
            awaitedMs = pending->eventTimeoutMs;
            timer.stop();
            if (awaitedMs != noTimeout)
                timer.start(awaitedMs);
        }
    } else if (pending->event && endpoint == *pending->event && !pending->eventSeen) {
        pending->eventSeen = true;
        pending->eventPayload = frame.payload;
    }
    if (pending->answerSeen && pending->eventSeen)
        finishRequest(pending->eventPayload);
}

void board_client::finishRequest(std::vector<std::uint8_t> payload) {
    timer.stop();
    const tarnwell::endpoints command = pending->command;
    pending.reset();
    emit answered(command, std::move(payload));
}

void board_client::onTimeout() {
    if (state == link_state::opening) {
        close();
        emit trouble(trouble_kind::open_failed,
                     QStringLiteral("%1 did not open within %2 ms").arg(portName).arg(awaitedMs));
        return;
    }
    if (!pending)
        return;
    pending.reset();
    emit trouble(trouble_kind::timed_out, QStringLiteral("waited %1 ms for %2").arg(awaitedMs).arg(awaited));
}

}  // namespace station
