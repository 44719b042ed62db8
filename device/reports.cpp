#include "device/reports.h"

#include "device/payloads.h"

namespace tarnwell {

namespace {

QString pinText(std::int8_t pin) {
    return QString::number(static_cast<int>(pin));
}

// Three decimals show every drop exactly.
QString voltsText(std::int8_t drop) {
    return QString::number(tarnwell::dropVolts(drop), 'f', 3);
}

QString endpointHex(std::uint8_t endpoint) {
    return QStringLiteral("0x%1").arg(static_cast<uint>(endpoint), 2, 16, QLatin1Char('0'));
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

QString firmwareName(const firmware& version) {
    return QString::fromStdString(firmwareText(version));
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
    const firmware version = decodeFirmware(payload);
    return QStringLiteral("\tPing echo received\n\tRX48P board detected\n\tFW version : V%1.%2.%3")
        .arg(static_cast<uint>(version.major))
        .arg(static_cast<uint>(version.minor))
        .arg(static_cast<uint>(version.patch));
}

QString pinPairReport(endpoints endpoint, const std::vector<std::uint8_t>& payload) {
    const auto records = decodePinPairs(endpoint, payload);
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
    const auto records = decodeCapPins(payload);
    QString text = QStringLiteral("\tCapacitive measure received (ON_BUTTON_CAP)\n");
    for (std::size_t i = 0; i < records.size(); ++i) {
        text += QStringLiteral("\t\t") + pinText(records[i].pin) + QStringLiteral(" (") +
                pinTypeName(records[i].type) + QStringLiteral(")");
        if (i + 1 < records.size())
            text += QStringLiteral("\n");
    }
    return text;
}

QString report(endpoints endpoint, const std::vector<std::uint8_t>& payload) {
    switch (endpoint) {
    case ID: return pingReport(payload);
    case ON_STATIC_MES:
    case ON_BUTTON_MECH: return pinPairReport(endpoint, payload);
    case ON_BUTTON_CAP: return capacitiveReport(payload);
    default: return fixedReport(endpoint);
    }
}

QString unknownEndpointIncident(std::uint8_t endpoint) {
    return QStringLiteral("\tUnknown message received (endpoint %1), ignored").arg(endpointHex(endpoint));
}

QString shortPayloadIncident(endpoints endpoint) {
    return QStringLiteral("\tIncomplete %1 received, not decoded").arg(decodedName(endpoint));
}

}  // namespace tarnwell
