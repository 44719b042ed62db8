#pragma once

#include "station/received_frame.h"

#include <QJsonObject>

namespace ctl {

// One frame as a JSON Lines record: time, direction, endpoint by name and value, acknowledge, the bytes
// as they crossed the line, the payload, and what the payload means.
QJsonObject receivedFrameJson(const station::received_frame& frame);
QJsonObject sentFrameJson(const station::sent_frame& frame);

}  // namespace ctl
