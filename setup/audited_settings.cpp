#include "setup/audited_settings.h"

#include "setup/server_url.h"

#include <QFileInfo>
#include <QStringList>

namespace setup {

QList<setting_value> auditedSettings(const station_setup& setup, const QString& sha) {
    QStringList boards;
    for (const fixture& f : fixturesOf(setup))
        boards << (f.name.isEmpty() ? f.port : fixtureText(f));
    const QString program = setup.program.isEmpty() ? QString() : QFileInfo(setup.program).absoluteFilePath();
    QString server = QStringLiteral("none");
    if (!setup.server.isEmpty() && server_url::problem(setup.server).isEmpty())
        server = server_url::parse(setup.server).display();
    return {
        {QStringLiteral("boards"), boards.join(QStringLiteral(", "))},
        {QStringLiteral("program"), program},
        {QStringLiteral("program sha256"), sha.isEmpty() ? QStringLiteral("unreadable") : sha},
        {QStringLiteral("tolerance"), QStringLiteral("%1 V").arg(setup.tolerance, 0, 'f', 3)},
        {QStringLiteral("sensitivity"), QString::number(setup.sensitivity)},
        {QStringLiteral("buzzer"), QString::number(setup.buzzer)},
        {QStringLiteral("serials"), serialModeText(setup)},
        {QStringLiteral("timeout"), QStringLiteral("%1 ms").arg(setup.timeoutMs)},
        {QStringLiteral("results"), resultsFileOf(setup)},
        {QStringLiteral("server"), server},
        {QStringLiteral("released only"), setup.releasedOnly ? QStringLiteral("yes") : QStringLiteral("no")},
    };
}

}  // namespace setup
