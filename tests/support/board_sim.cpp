#include "board_sim.h"

#include <csignal>

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

namespace test_support {

BoardSim::BoardSim() : BoardSim(QStringLiteral(RX48P_BOARD_SIM)) {}

BoardSim::BoardSim(QString program) : program(std::move(program)) {}

BoardSim::~BoardSim() {
    if (process.state() != QProcess::NotRunning)
        stop();
}

QString BoardSim::start(const QStringList& args) {
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

int BoardSim::stop() {
    process.terminate();
    if (!process.waitForFinished(5000))
        process.kill();  // and a crash exit below
    process.waitForFinished(1000);
    log();
    // Ended by the SIGTERM it was sent, after its clean stop: as asked.
    if (process.exitStatus() == QProcess::CrashExit && process.exitCode() == SIGTERM)
        return 0;
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

QStringList BoardSim::log(const QString& prefix) {
    pending += process.readAllStandardOutput();
    for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1))
        lines.append(QString::fromUtf8(pending.left(nl)));
    QStringList out;
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            out.append(line.mid(prefix.size()));
    return out;
}

QStringList BoardSim::firstWords(const QString& prefix) {
    QStringList out;
    for (const QString& line : log(prefix))
        out.append(line.section(QLatin1Char(' '), 0, 0));
    return out;
}

std::vector<std::uint8_t> BoardSim::sentBytes() {
    std::vector<std::uint8_t> out;
    for (const QString& frame : framesSent())
        for (const QString& hex : frame.split(QLatin1Char(':'), Qt::SkipEmptyParts))
            out.push_back(static_cast<std::uint8_t>(hex.toUInt(nullptr, 16)));
    return out;
}

QStringList BoardSim::commandsReceived() {
    QStringList out;
    for (const QString& line : log(QStringLiteral("recv ")))
        out << line.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(1);  // "BYTES  NAME ..."
    return out;
}

QStringList BoardSim::buzzers() {
    return commandsReceived().filter(QRegularExpression(QStringLiteral("^BUZ_(OK|ER)$")));
}

bool BoardSim::waitForReceived(const QString& command, int count, int ms) {
    return QTest::qWaitFor([&] { return received(command) >= count; }, ms);
}

}  // namespace test_support
