#include "station/part_file_reader.h"

#include <QFile>
#include <QFileInfo>

#include <sstream>

namespace station {

namespace {

// Far more than any part needs; /dev/zero given by mistake must not be read for ever.
constexpr qint64 largestFile = 1 << 20;

[[noreturn]] void unreadable(const QString& path, const QString& reason) {
    throw tarnwell::unreadable_part_file((path + QStringLiteral(": ") + reason).toStdString());
}

}  // namespace

tarnwell::part_description readPartFile(const QString& path) {
    if (QFileInfo(path).isDir())
        unreadable(path, QStringLiteral("is a directory"));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        unreadable(path, file.errorString());
    const QByteArray text = file.read(largestFile + 1);
    if (file.error() != QFileDevice::NoError)
        unreadable(path, file.errorString());
    if (text.size() > largestFile)
        unreadable(path, QStringLiteral("larger than 1 MiB, too large for a part file"));
    std::istringstream in(text.toStdString());
    return tarnwell::parsePart(in, path.toStdString());
}

}  // namespace station
