#include "ctl/frame_json.h"

#include "device/endpoint_names.h"
#include "device/payloads.h"
#include "device/protocol_config.h"
#include "device/reports.h"
#include "link/hex_text.h"

#include <QByteArray>
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

QJsonObject receivedFrameJson(std::uint8_t endpoint, std::uint8_t ack, const std::vector<std::uint8_t>& payload) {
    const auto ep = static_cast<tarnwell::endpoints>(endpoint);
    // Decoded first: a short payload throws before the record exists.
    const QString report = tarnwell::report(ep, payload);
    QJsonObject record = frameJson("received", endpoint, ack,
                                   vex_com::packetizer(tarnwell::protocolConfig())
                                       .packetize(endpoint, ack, payload.data(), payload.size()),
                                   payload);
    record.insert(QStringLiteral("report"), report);
    switch (ep) {
    case tarnwell::ID: {
        const tarnwell::firmware fw = tarnwell::decodeFirmware(payload);
        record.insert(QStringLiteral("firmware"),
                      QJsonObject{{QStringLiteral("major"), fw.major},
                                  {QStringLiteral("minor"), fw.minor},
                                  {QStringLiteral("patch"), fw.patch},
                                  {QStringLiteral("version"),
                                   QStringLiteral("%1.%2.%3").arg(fw.major).arg(fw.minor).arg(fw.patch)}});
        break;
    }
    case tarnwell::ON_STATIC_MES:
    case tarnwell::ON_BUTTON_MECH:
        record.insert(QStringLiteral("pairs"), pairsJson(tarnwell::decodePinPairs(ep, payload)));
        break;
    case tarnwell::ON_BUTTON_CAP:
        record.insert(QStringLiteral("pins"), capPinsJson(tarnwell::decodeCapPins(payload)));
        break;
    default:
        break;
    }
    return record;
}

QJsonObject sentFrameJson(const QString& hexFrame) {
    const QByteArray raw = QByteArray::fromHex(QString(hexFrame).remove(QLatin1Char(':')).toLatin1());
    const std::vector<std::uint8_t> bytes(raw.begin(), raw.end());
    // header, two length bytes, endpoint ... acknowledge, two CRC bytes: the link only writes whole frames.
    constexpr std::size_t before = 4, after = 3;
    if (bytes.size() < before + after)
        return frameJson("sent", 0, 0, bytes, {});
    const std::vector<std::uint8_t> payload(bytes.begin() + before, bytes.end() - after);
    const std::uint8_t endpoint = bytes[3];
    QJsonObject record = frameJson("sent", endpoint, bytes[bytes.size() - after], bytes, payload);
    if (endpoint == tarnwell::CFG && payload.size() == 2)
        record.insert(QStringLiteral("config"), QJsonObject{{QStringLiteral("sensitivity"), payload[0]},
                                                            {QStringLiteral("buzzer"), payload[1]}});
    if (endpoint == tarnwell::MES_BUTTON_CAP) {
        QJsonArray pins;
        for (std::uint8_t pin : payload)
            pins.append(pin);
        record.insert(QStringLiteral("pins"), pins);
    }
    return record;
}

}  // namespace ctl
