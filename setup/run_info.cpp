#include "setup/run_info.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

namespace setup {

run_info runInfoOf(const station_setup& setup, const QString& programVersion, const QString& fixture) {
    run_info run;
    run.station = stationNameOf(setup);
    run.fixture = fixture;
    run.programPath = QFileInfo(setup.program).absoluteFilePath();
    run.programSha256 = fileSha256(setup.program);
    run.sensitivity = setup.sensitivity;
    run.buzzer = setup.buzzer;
    run.tolerance = setup.tolerance;
    run.programVersion = programVersion;
    return run;
}

QString fileSha256(const QString& path) {
    QFile file(path);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.open(QIODevice::ReadOnly) || !hash.addData(&file))
        return QString();
    return QString::fromLatin1(hash.result().toHex());
}

}  // namespace setup
