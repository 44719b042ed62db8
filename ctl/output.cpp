#include "ctl/output.h"

#include <QJsonDocument>

#include <cstdio>

namespace ctl {

void output::line(const QString& text) {
    write(text.toUtf8() + '\n');
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
    std::fprintf(stderr, "rx48p-ctl: %s\n", message.toLocal8Bit().constData());
    std::fflush(stderr);
}

}  // namespace ctl
