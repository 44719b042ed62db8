#include "ctl/port_listing.h"

#include <QJsonValue>
#include <QSerialPortInfo>
#include <QStringList>

namespace ctl {

namespace {

QString orDash(const QString& text) {
    return text.isEmpty() ? QStringLiteral("-") : text;
}

QJsonValue orNull(const QString& text) {
    return text.isEmpty() ? QJsonValue() : QJsonValue(text);
}

QString usbId(const QSerialPortInfo& info) {
    if (!info.hasVendorIdentifier() || !info.hasProductIdentifier())
        return QString();
    return QStringLiteral("%1:%2")
        .arg(info.vendorIdentifier(), 4, 16, QLatin1Char('0'))
        .arg(info.productIdentifier(), 4, 16, QLatin1Char('0'));
}

}  // namespace

void listPorts(output& out, bool json) {
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        const QString fields[] = {info.portName(),   info.systemLocation(), info.description(),
                                  info.manufacturer(), info.serialNumber(),   usbId(info)};
        if (json) {
            out.record({{QStringLiteral("name"), fields[0]},
                        {QStringLiteral("location"), fields[1]},
                        {QStringLiteral("description"), orNull(fields[2])},
                        {QStringLiteral("manufacturer"), orNull(fields[3])},
                        {QStringLiteral("serial_number"), orNull(fields[4])},
                        {QStringLiteral("usb_id"), orNull(fields[5])}});
        } else {
            QStringList line;
            for (const QString& field : fields)
                line << orDash(field);
            out.line(line.join(QLatin1Char('\t')));
        }
    }
}

}  // namespace ctl
