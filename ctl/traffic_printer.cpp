#include "ctl/traffic_printer.h"

#include "ctl/frame_json.h"

#include "link/hex_text.h"

#include <utility>

namespace ctl {

traffic_printer::traffic_printer(station::board_client& client, format how, output& out, QString label)
    : how(how), out(out), label(std::move(label)) {
    connect(&client, &station::board_client::incident, this,
            [this](const QString& text) { diagnose(this->label + text.trimmed()); });
    if (how == format::quiet)
        return;
    connect(&client, &station::board_client::frameSent, this, [this](const station::sent_frame& frame) {
        if (this->how == format::raw)
            this->line(QStringLiteral("=> ") + hexText(frame.bytes.data(), frame.bytes.size()));
        else if (this->how == format::json)
            this->out.record(sentFrameJson(frame));
    });
    connect(&client, &station::board_client::chunkReceived, this, [this](const std::vector<std::uint8_t>& chunk) {
        if (this->how == format::raw)
            this->line(QStringLiteral("<= ") + hexText(chunk.data(), chunk.size()));
    });
    connect(&client, &station::board_client::frameReceived, this, [this](const station::received_frame& frame) {
        if (this->how == format::json)
            this->out.record(receivedFrameJson(frame));
        else
            this->line(frame.report);
    });
}

traffic_printer::format trafficFormat(bool json, bool raw, traffic_printer::format otherwise) {
    return json ? traffic_printer::format::json : raw ? traffic_printer::format::raw : otherwise;
}

}  // namespace ctl
