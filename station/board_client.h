#pragma once

#include "station/received_frame.h"
#include "station/trouble.h"

#include "device/endpoints.h"
#include "link/rx48p_serialport.h"
#include "vexcom/vexcom_interpreter.h"

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <deque>
#include <optional>
#include <set>
#include <vector>

namespace station {

// The board on one serial port, asynchronously: a command goes out, and its answer (and, where the
// board sends one, its event) comes back as answered(), or the wait ends in trouble(). One request is
// outstanding at a time. Every frame both ways and every chunk is also signalled, for front ends that
// show or record the traffic.
class board_client : public QObject {
    Q_OBJECT
public:
    static constexpr int noTimeout = -1;

    explicit board_client(QObject* parent = nullptr);
    ~board_client() override;

    // PORT is a name that the system lists (ttyUSB0, COM3) or a device path (/dev/pts/4). Ends in
    // opened() or trouble(); an open that takes longer than `timeoutMs` is trouble too.
    void open(const QString& port, int timeoutMs);
    // Stops the link and joins its threads; no signal follows. Safe to call at any time.
    void close();
    bool isOpen() const { return state == link_state::open; }
    QString port() const { return portName; }

    // Sends COMMAND and waits up to `answerTimeoutMs` for its acknowledgement (for ID: the reply), then,
    // where the board sends one, up to `eventTimeoutMs` for its event. Either may be noTimeout.
    void request(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload, int answerTimeoutMs,
                 int eventTimeoutMs);
    // Forgets the outstanding request: neither answered() nor its time-out follows.
    void cancel();
    bool busy() const { return pending.has_value(); }

signals:
    void opened();
    // The payload is the event's where the command has one, else the answer's.
    void answered(tarnwell::endpoints command, std::vector<std::uint8_t> payload);
    void trouble(station::trouble_kind kind, QString message);

    void frameSent(station::sent_frame frame);
    void chunkReceived(std::vector<std::uint8_t> chunk);
    void frameReceived(station::received_frame frame);
    // A frame that cannot be reported: an unknown endpoint, a payload too short for its layout.
    void incident(QString text);

private:
    enum class link_state { closed, opening, open };
    struct outstanding {
        tarnwell::endpoints command = tarnwell::IDLE;
        std::optional<tarnwell::endpoints> event;
        int eventTimeoutMs = 0;
        bool answerSeen = false;
        std::vector<std::uint8_t> eventPayload;
        bool eventSeen = false;
    };

    void onConnected();
    void onOpenFailed(const QString& reason);
    void onLineLost(const QString& error);
    void onDataSent(const QString& hex);
    void onChunk(const std::vector<std::uint8_t>& chunk);
    void onFrame(std::uint8_t endpoint, std::uint8_t ack, std::vector<std::uint8_t> payload);
    void onTimeout();
    void finishRequest(std::vector<std::uint8_t> payload);
    void failRequest(trouble_kind kind, const QString& message);

    QString portName;
    link_state state = link_state::closed;
    std::optional<outstanding> pending;
    QString awaited;  // for the time-out's message
    int awaitedMs = 0;
    QTimer timer;
    std::deque<sent_frame> written;  // queued on the link, not yet reported as sent
    std::vector<std::uint8_t> recent;  // the bytes fed to the parser since the last frame
    vex_com::interpreter parser;
    rx48p_serialport link;
};

// "the acknowledgement of MES_STATIC", "the insertion (ON_INSERT)": what a wait is for.
QString awaitedText(tarnwell::endpoints endpoint);

}  // namespace station
