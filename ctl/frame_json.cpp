#include "ctl/frame_json.h"

#include "device/endpoint_names.h"
#include "device/payloads.h"
#include "device/reports.h"
#include "link/hex_text.h"

#include <QDateTime>
#include <QJsonArray>

namespace ctl {

namespace {

QString hex(const std::vector<std::uint8_t>& bytes) {
    return hexText(bytes.data(), bytes.size());
}

QJsonObject pinType(std::uint8_t code) {
    return {{QStringLiteral("code"), code}, {QStringLiteral("name"), tarnwell::pinTypeName(code)}};
}

QJsonObject frameJson(const char* direction, std::uint8_t endpoint, std::uint8_t ack,
                      const std::vector<std::uint8_t>& bytes, const std::vector<std::uint8_t>& payload) {
    const char* name = tarnwell::endpointName(endpoint);
    return {
        {QStringLiteral("time"), QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs)},
        {QStringLiteral("direction"), QString::fromLatin1(direction)},
        {QStringLiteral("endpoint"),
         QJsonObject{{QStringLiteral("name"), name ? QJsonValue(QString::fromLatin1(name)) : QJsonValue()},
                     {QStringLiteral("value"), endpoint}}},
        {QStringLiteral("acknowledge"), ack},
        {QStringLiteral("bytes"), hex(bytes)},
        {QStringLiteral("payload"), hex(payload)},
    };
}

QJsonArray pairsJson(const std::vector<tarnwell::pin_pair_record>& pairs) {
    QJsonArray out;
    for (const tarnwell::pin_pair_record& p : pairs)
        out.append(QJsonObject{{QStringLiteral("pin_a"), p.pin_a},
                               {QStringLiteral("type_a"), pinType(p.type_a)},
                               {QStringLiteral("pin_b"), p.pin_b},
                               {QStringLiteral("type_b"), pinType(p.type_b)},
                               {QStringLiteral("vdrop_ab"), tarnwell::dropVolts(p.vdrop_ab)},
                               {QStringLiteral("vdrop_ba"), tarnwell::dropVolts(p.vdrop_ba)}});
    return out;
}

QJsonArray capPinsJson(const std::vector<tarnwell::cap_pin_record>& pins) {
    QJsonArray out;
    for (const tarnwell::cap_pin_record& p : pins) {
        QJsonValue touched;  // null: the pin has no touch pad
        if (p.type == tarnwell::TOUCH_ON || p.type == tarnwell::TOUCH_OFF)
            touched = p.type == tarnwell::TOUCH_ON;
        out.append(QJsonObject{{QStringLiteral("pin"), p.pin},
                               {QStringLiteral("type"), pinType(p.type)},
                               {QStringLiteral("touched"), touched}});
    }
    return out;
}

}  // namespace

QJsonObject receivedFrameJson(const station::received_frame& frame) {
    const auto ep = static_cast<tarnwell::endpoints>(frame.endpoint);
    QJsonObject record = frameJson("received", frame.endpoint, frame.acknowledge, frame.bytes, frame.payload);
    record.insert(QStringLiteral("report"), frame.report);
    switch (ep) {
    case tarnwell::ID: {
        const tarnwell::firmware fw = tarnwell::decodeFirmware(frame.payload);
        record.insert(QStringLiteral("firmware"),
                      QJsonObject{{QStringLiteral("major"), fw.major},
                                  {QStringLiteral("minor"), fw.minor},
                                  {QStringLiteral("patch"), fw.patch},
                                  {QStringLiteral("version"),
                                   tarnwell::firmwareName(fw)}});
        break;
    }
    case tarnwell::ON_STATIC_MES:
    case tarnwell::ON_BUTTON_MECH:
        record.insert(QStringLiteral("pairs"), pairsJson(tarnwell::decodePinPairs(ep, frame.payload)));
        break;
    case tarnwell::ON_BUTTON_CAP:
        record.insert(QStringLiteral("pins"), capPinsJson(tarnwell::decodeCapPins(frame.payload)));
        break;
    default:
        break;
    }
    return record;
}

QJsonObject sentFrameJson(const station::sent_frame& frame) {
    QJsonObject record = frameJson("sent", frame.endpoint, frame.acknowledge, frame.bytes, frame.payload);
    if (frame.endpoint == tarnwell::CFG && frame.payload.size() == 2)
        record.insert(QStringLiteral("config"), QJsonObject{{QStringLiteral("sensitivity"), frame.payload[0]},
                                                            {QStringLiteral("buzzer"), frame.payload[1]}});
    if (frame.endpoint == tarnwell::MES_BUTTON_CAP) {
        QJsonArray pins;
        for (std::uint8_t pin : frame.payload)
            pins.append(pin);
        record.insert(QStringLiteral("pins"), pins);
    }
    return record;
}

}  // namespace ctl
