#include "ctl/output.h"

#include <QJsonDocument>

#include <cstdio>

namespace ctl {

QString terminalSafe(const QString& text) {
    QString safe;
    safe.reserve(text.size());
    for (const QChar c : text) {
        const ushort u = c.unicode();
        // Line ends and tabs are the reports' own layout; any other control character (an escape
        // sequence in a stored serial, say) would be obeyed by the terminal, so it is shown instead.
        const bool control = (u < 0x20 && u != '\n' && u != '\t') || (u >= 0x7f && u < 0xa0);
        if (control)
            safe += QStringLiteral("\\x%1").arg(u, 2, 16, QLatin1Char('0'));
        else
            safe += c;
    }
    return safe;
}

void output::line(const QString& text) {
    write(terminalSafe(text).toUtf8() + '\n');
}

void output::record(const QJsonObject& object) {
    write(QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n');
}

void output::write(const QByteArray& bytes) {
    if (broken)
        return;
    const std::size_t size = static_cast<std::size_t>(bytes.size());
    if (std::fwrite(bytes.constData(), 1, size, stdout) == size && std::fflush(stdout) == 0)
        return;
    broken = true;
    if (closedHandler)
        closedHandler();
}

void diagnose(const QString& message) {
    std::fprintf(stderr, "rx48p-ctl: %s\n", terminalSafe(message).toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace ctl
