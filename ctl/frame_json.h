#pragma once

#include <QJsonObject>
#include <QString>

#include <cstdint>
#include <vector>

namespace ctl {

// One frame as a JSON Lines record: time, direction, endpoint by name and value, acknowledge, bytes,
// and what the payload means. Decoding may throw tarnwell::short_payload, before anything is built.
QJsonObject receivedFrameJson(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload);
// `hex` as the link reports a frame it wrote ("55:00:04:04:01:c1:ea").
QJsonObject sentFrameJson(const QString& hex);

}  // namespace ctl
