#include "board_sim_process.h"

#include <QElapsedTimer>

BoardSimProcess::~BoardSimProcess() {
    if (process.state() != QProcess::NotRunning)
        stop();
}

QString BoardSimProcess::start(const QStringList& args) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    QElapsedTimer timer;
    timer.start();
    while (log().isEmpty() && timer.elapsed() < 5000)
        process.waitForReadyRead(100);
    if (lines.isEmpty() || !lines.first().startsWith(QLatin1String("listening on ")))
        return {};
    return lines.takeFirst().mid(13);
}

int BoardSimProcess::stop() {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();  // and a crash exit below
    process.waitForFinished(1000);
    log();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QStringList BoardSimProcess::log(const QString& prefix) {
    pending += process.readAllStandardOutput();
    for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1))
        lines.append(QString::fromUtf8(pending.left(nl)));
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            out.append(line.mid(prefix.size()));
    return out;
}

QStringList BoardSimProcess::firstWords(const QString& prefix) {
    QStringList out;
    for (const QString& line : log(prefix))
        out.append(line.section(QLatin1Char(' '), 0, 0));
    return out;
}
