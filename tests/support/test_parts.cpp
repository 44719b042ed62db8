#include "test_parts.h"

#include <QDir>
#include <QFileInfo>

namespace test_support {

QString partFile(const QString& name) {
    if (name.contains(QLatin1Char('/')))
        return name;
    return QStringLiteral(RX48P_TEST_PARTS "/") + name + QStringLiteral(".device");
}

QStringList knownParts() {
    QStringList names;
    for (const QString& file : QDir(QStringLiteral(RX48P_TEST_PARTS)).entryList({QStringLiteral("*.device")}, QDir::Files, QDir::Name))
        names << QFileInfo(file).completeBaseName();
    return names;
}

QStringList simParts(const QStringList& names, int eventDelayMs) {
    QStringList args{"--event-delay", QString::number(eventDelayMs), "--calib-delay", "0"};
    for (const QString& name : names)
        args << "--device" << partFile(name);
    return args;
}

}  // namespace test_support
