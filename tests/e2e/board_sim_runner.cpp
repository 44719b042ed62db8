#include "board_sim_runner.h"

#include <QElapsedTimer>

BoardSimRunner::~BoardSimRunner() {
    if (process.state() != QProcess::NotRunning)
        stop();
}

QString BoardSimRunner::start(const QStringList& args) {
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(RX48P_BOARD_SIM), args);
    if (!process.waitForStarted(5000))
        return {};
    QElapsedTimer timer;
    timer.start();
    while (lines.isEmpty() && timer.elapsed() < 5000 && process.waitForReadyRead(100))
        readLog();
    if (lines.isEmpty() || !lines.first().startsWith(QLatin1String("listening on ")))
        return {};
    return lines.takeFirst().mid(13);
}

int BoardSimRunner::stop() {
    process.terminate();
    if (!process.waitForFinished(5000)) {
        process.kill();
        process.waitForFinished(1000);
        return -1;
    }
    readLog();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

void BoardSimRunner::readLog() {
    pending += process.readAllStandardOutput();
    for (int nl; (nl = pending.indexOf('\n')) >= 0;) {
        lines.append(QString::fromUtf8(pending.left(nl)));
        pending.remove(0, nl + 1);
    }
}

QStringList BoardSimRunner::log() {
    readLog();
    return lines;
}

QStringList BoardSimRunner::receivedFrames() {
    QStringList out;
    for (const QString& line : log())
        if (line.startsWith(QLatin1String("recv ")))
            out.append(line.section(QLatin1Char(' '), 1, 1));
    return out;
}

QStringList BoardSimRunner::receivedCommands() {
    QStringList out;
    for (const QString& line : log())
        if (line.startsWith(QLatin1String("recv ")))
            out.append(line.section(QLatin1String("  "), 1));
    return out;
}

std::vector<std::uint8_t> BoardSimRunner::sentBytes() {
    std::vector<std::uint8_t> out;
    for (const QString& line : log()) {
        if (!line.startsWith(QLatin1String("send ")))
            continue;
        const std::vector<std::uint8_t> b = bytesOfHex(line.section(QLatin1Char(' '), 1, 1));
        out.insert(out.end(), b.begin(), b.end());
    }
    return out;
}

std::vector<std::uint8_t> bytesOfHex(const QString& hex) {
    std::vector<std::uint8_t> out;
    if (hex.isEmpty())
        return out;
    for (const QString& part : hex.split(QLatin1Char(':')))
        out.push_back(static_cast<std::uint8_t>(part.toUInt(nullptr, 16)));
    return out;
}
