#include "device/reports.h"

#include "device/records.h"

#include <algorithm>
#include <mutex>

namespace tarnwell {

namespace {

// Every decoded byte goes through here, so a short payload throws before any text exists.
std::uint8_t byteAt(const std::vector<std::uint8_t>& payload, std::size_t offset, endpoints endpoint) {
    if (offset >= payload.size())
        throw short_payload(endpoint);
    return payload[offset];
}

QString pinText(std::int8_t pin) {
    return QString::number(static_cast<int>(pin));
}

// A step is 0.02 V, so three decimals show every drop exactly, whatever the rounding of the product.
QString voltsText(std::int8_t drop) {
    return QString::number(drop * 0.02, 'f', 3);
}

QString endpointHex(std::uint8_t endpoint) {
    return QStringLiteral("0x%1").arg(static_cast<uint>(endpoint), 2, 16, QLatin1Char('0'));
}

// The record count sits in byte 0, the records follow it back to back.
template <typename Record, typename Store>
std::vector<Record> readRecords(const std::vector<std::uint8_t>& payload, endpoints endpoint, Store store) {
    const std::size_t count = byteAt(payload, 0, endpoint);
    std::vector<Record> records;
    records.reserve(count);
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t bytes[Record::size];
        for (std::size_t b = 0; b < Record::size; ++b)
            bytes[b] = byteAt(payload, 1 + Record::size * i + b, endpoint);
        Record record;
        store(record, bytes);
        records.push_back(record);
    }
    return records;
}

QString decodedName(endpoints endpoint) {
    switch (endpoint) {
    case ID: return QStringLiteral("ping echo (ID)");
    case ON_STATIC_MES: return QStringLiteral("static measure (ON_STATIC_MES)");
    case ON_BUTTON_MECH: return QStringLiteral("button measure (ON_BUTTON_MECH)");
    case ON_BUTTON_CAP: return QStringLiteral("capacitive measure (ON_BUTTON_CAP)");
    default: return QStringLiteral("message (endpoint %1)").arg(endpointHex(endpoint));
    }
}

}  // namespace

short_payload::short_payload(endpoints endpoint) : std::out_of_range("short payload"), endpoint(endpoint) {}

QString pinTypeName(std::uint8_t code) {
    switch (code) {
    case NOT_CONNECTED: return QStringLiteral("not connected");
    case LED_ANODE: return QStringLiteral("Led anode");
    case LED_CATHODE: return QStringLiteral("Led cathode");
    case LED_BIDIRECTIONAL: return QStringLiteral("Led bidirectionnel");
    case SHORTCUT: return QStringLiteral("Shortcut");
    case COMMON: return QStringLiteral("Common");
    case BUTTON_OFF: return QStringLiteral("Button OFF");
    case BUTTON_ON: return QStringLiteral("Button ON");
    case TOUCH_OFF: return QStringLiteral("Touch OFF");
    case TOUCH_ON: return QStringLiteral("Touch ON");
    default: return QString();
    }
}

QString fixedReport(endpoints endpoint) {
    switch (endpoint) {
    case IDLE: return QStringLiteral("\tACK IDLE");
    case CFG: return QStringLiteral("\tACK config received");
    case DETECT_INSERT: return QStringLiteral("\tACK DETECT_INSERT");
    case MES_STATIC: return QStringLiteral("\tACK MES_STATIC");
    case MES_BUTTON_MECH: return QStringLiteral("\tACK MES_BUTTON_MECH");
    case MES_BUTTON_CAP: return QStringLiteral("\tACK MES_BUTTON_CAP");
    case DETECT_REMOVE: return QStringLiteral("\tACK DETECT_REMOVE");
    case BUZ_ER: return QStringLiteral("\tACK BUZ_ER");
    case BUZ_OK: return QStringLiteral("\tACK BUZ_OK");
    case ON_INSERT: return QStringLiteral("\tInsertion detected (ON_INSERT)");
    case ON_REMOVE: return QStringLiteral("\tRemove detected (ON_REMOVE)");
    case ON_CALIB_DONE: return QStringLiteral("\tCalibration done (ON_CALIB_DONE)");
    default: return QString();
    }
}

QString pingReport(const std::vector<std::uint8_t>& payload) {
    fw_version version;
    const std::vector<std::uint8_t>& prefix = idPrefix();
    // A reply shorter than the prefix cannot match it and is compared no further than its end.
    const bool named = payload.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), payload.begin());
    if (named) {
        std::lock_guard<std::mutex> lock(version.mutex);
        version.major = byteAt(payload, prefix.size(), ID);
        version.minor = byteAt(payload, prefix.size() + 1, ID);
        version.patch = byteAt(payload, prefix.size() + 2, ID);
    }
    return QStringLiteral("\tPing echo received\n\tRX48P board detected\n\tFW version : V%1.%2.%3")
        .arg(static_cast<uint>(version.major))
        .arg(static_cast<uint>(version.minor))
        .arg(static_cast<uint>(version.patch));
}

QString pinPairReport(endpoints endpoint, const std::vector<std::uint8_t>& payload) {
    const auto records = readRecords<pin_pair_record>(payload, endpoint, [](pin_pair_record& r, const std::uint8_t* b) {
        r.pin_a = static_cast<std::int8_t>(b[0]);
        r.type_a = b[1];
        r.pin_b = static_cast<std::int8_t>(b[2]);
        r.type_b = b[3];
        r.vdrop_ab = static_cast<std::int8_t>(b[4]);
        r.vdrop_ba = static_cast<std::int8_t>(b[5]);
    });
    QString text = endpoint == ON_BUTTON_MECH ? QStringLiteral("\tButton measure received (ON_BUTTON_MECH)\n")
                                              : QStringLiteral("\tStatic measure received (ON_STATIC_MES)\n");
    for (std::size_t i = 0; i < records.size(); ++i) {
        const pin_pair_record& r = records[i];
        const QString a = pinText(r.pin_a);
        const QString b = pinText(r.pin_b);
        text += QStringLiteral("\t\t") + a + QStringLiteral(" (") + pinTypeName(r.type_a) +
                QStringLiteral(") connected to ") + b + QStringLiteral(" (") + pinTypeName(r.type_b) +
                QStringLiteral(")");
        text += QStringLiteral("\n\t\tVdrop(") + a + QStringLiteral("->") + b + QStringLiteral(") = ") +
                voltsText(r.vdrop_ab) + QStringLiteral("V");
        text += QStringLiteral("\n\t\tVdrop(") + b + QStringLiteral("->") + a + QStringLiteral(") = ") +
                voltsText(r.vdrop_ba) + QStringLiteral("V");
        if (i + 1 < records.size())
            text += QStringLiteral("\n");
    }
    return text;
}

QString capacitiveReport(const std::vector<std::uint8_t>& payload) {
    const auto records = readRecords<cap_pin_record>(payload, ON_BUTTON_CAP, [](cap_pin_record& r, const std::uint8_t* b) {
        r.pin = static_cast<std::int8_t>(b[0]);
        r.type = b[1];
    });
    QString text = QStringLiteral("\tCapacitive measure received (ON_BUTTON_CAP)\n");
    for (std::size_t i = 0; i < records.size(); ++i) {
        text += QStringLiteral("\t\t") + pinText(records[i].pin) + QStringLiteral(" (") +
                pinTypeName(records[i].type) + QStringLiteral(")");
        if (i + 1 < records.size())
            text += QStringLiteral("\n");
    }
    return text;
}

QString unknownEndpointIncident(std::uint8_t endpoint) {
    return QStringLiteral("\tUnknown message received (endpoint %1), ignored").arg(endpointHex(endpoint));
}

QString shortPayloadIncident(endpoints endpoint) {
    return QStringLiteral("\tIncomplete %1 received, not decoded").arg(decodedName(endpoint));
}

}  // namespace tarnwell
