#include "ctl/link_trouble.h"

namespace ctl {

link_trouble* link_trouble::current = nullptr;

link_trouble::link_trouble() : previous(nullptr) {
    current = this;
    previous = qInstallMessageHandler(&link_trouble::handle);
}

link_trouble::~link_trouble() {
    qInstallMessageHandler(previous);
    current = nullptr;
}

bool link_trouble::openFailed() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return failedToOpen;
}

QString link_trouble::lineError() const {
    const std::lock_guard<std::mutex> lock(mutex);
    return error;
}

void link_trouble::handle(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    static const QString failed = QStringLiteral("failed to open port");
    static const QString opened = QStringLiteral("Connected and open port");
    static const QString lineFailed = QStringLiteral("- ERROR serialport ");
    link_trouble* self = current;
    if (self && type == QtDebugMsg) {
        if (text.startsWith(failed)) {
            const std::lock_guard<std::mutex> lock(self->mutex);
            self->failedToOpen = true;
            return;
        }
        if (text.startsWith(lineFailed)) {
            const std::lock_guard<std::mutex> lock(self->mutex);
            // The debug stream puts its own blank after the literal's, and Qt 5 the enum's scope before
            // the name.
            self->error = text.mid(lineFailed.size()).trimmed().remove(QStringLiteral("QSerialPort::"));
            return;
        }
        if (text.startsWith(opened))
            return;
    }
    if (self && self->previous)
        self->previous(type, context, text);
}

}  // namespace ctl
