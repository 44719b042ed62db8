#pragma once

#include "ctl/link_trouble.h"
#include "ctl/output.h"
#include "ctl/stop_signals.h"

#include "device/endpoints.h"
#include "link/rx48p_serialport.h"
#include "vexcom/vexcom_interpreter.h"

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

namespace ctl {

// The board on one serial port, through the terminal's own link and parser: frames go out and come
// back, each reported on standard output as the terminal's log console shows it (or as JSON Lines),
// incidents on standard error. Every wait ends for one of the reasons in `outcome`.
class board_session : public QObject {
    Q_OBJECT
public:
    enum class format { reports, raw, json, quiet };
    enum class outcome { done, timed_out, interrupted, port_lost, output_closed };
    struct answer {
        outcome result = outcome::done;
        QString message;                    // what was awaited, or why the port is gone
        std::vector<std::uint8_t> payload;  // the event's (or for a ping the reply's) payload
    };
    static constexpr int noTimeout = -1;

    board_session(format how, output& out, const link_trouble& trouble, const stop_signals& stops);
    ~board_session() override;

    // PORT is a name that the system lists (ttyUSB0, COM3) or a device path (/dev/pts/4).
    answer open(const QString& port, int timeoutMs);
    void close();

    // Sends `command` and waits for its answer and, where the board sends one, its event (for CFG,
    // "calibration done").
    answer exchange(tarnwell::endpoints command, const std::vector<std::uint8_t>& payload, int answerTimeoutMs,
                    int eventTimeoutMs);

    // Waits end as interrupted once this many stop requests (Ctrl-C, SIGTERM) have come; 1 unless a
    // caller lets a first request finish the work in hand. 0: never.
    void setStopLimit(int requests) { stopLimit = requests; }

private:
    void chunkReceived(std::vector<std::uint8_t> chunk);
    void frameSent(const QString& hex);
    void frameReceived(std::uint8_t endpoint, vex_com::acknowledge ack, const std::vector<std::uint8_t>& payload);
    answer waitFor(const std::function<bool()>& done, int timeoutMs, const QString& awaited);

    format how;
    output& out;
    const link_trouble& trouble;
    const stop_signals& stops;
    QString portName;
    bool isConnected = false;
    int stopLimit = 1;
    std::map<std::uint8_t, std::vector<std::uint8_t>> arrived;  // since the last command, by endpoint
    vex_com::interpreter parser;
    rx48p_serialport link;
};

}  // namespace ctl
