#include "station/port_location.h"

#include <QSerialPortInfo>

namespace station {

QString portLocation(const QString& port) {
    if (port.contains(QLatin1Char('/')) || port.contains(QLatin1Char('\\')))
        return port;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts())
        if (info.portName() == port)
            return info.systemLocation();
    return QString();
}

}  // namespace station
