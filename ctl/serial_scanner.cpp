#include "ctl/serial_scanner.h"

#include "ctl/output.h"

#include "setup/serial_number.h"

#include <unistd.h>

#include <cstdio>

namespace ctl {

serial_scanner::serial_scanner() : terminal(::isatty(STDIN_FILENO) == 1) {
    notifier = std::make_unique<QSocketNotifier>(STDIN_FILENO, QSocketNotifier::Read);
    notifier->setEnabled(false);
    connect(notifier.get(), &QSocketNotifier::activated, this, [this] { readInput(); });
}

serial_scanner::~serial_scanner() = default;

void serial_scanner::request() {
    wanted = true;
    deliver();
    if (wanted && !atEnd) {
        prompt();
        notifier->setEnabled(true);
    }
}

void serial_scanner::readInput() {
    char buffer[4096];
    const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (n <= 0) {
        // The end, or an input that cannot be read: either way no serial will come.
        atEnd = true;
        notifier->setEnabled(false);
        if (!pending.isEmpty())
            lines << QString::fromUtf8(pending);
        pending.clear();
    } else {
        pending.append(buffer, static_cast<int>(n));
        for (int nl; (nl = pending.indexOf('\n')) >= 0; pending.remove(0, nl + 1)) {
            QByteArray line = pending.left(nl);
            if (line.endsWith('\r'))
                line.chop(1);
            lines << QString::fromUtf8(line);
        }
    }
    deliver();
}

void serial_scanner::deliver() {
    while (wanted && !lines.isEmpty()) {
        const setup::checked_text serial = setup::checkSerial(lines.takeFirst());
        if (!serial.problem.isEmpty()) {
            diagnose(QStringLiteral("serial refused: %1").arg(serial.problem));
            prompt();
            continue;
        }
        wanted = false;
        notifier->setEnabled(false);
        emit scanned(serial.text);
        return;
    }
    if (wanted && atEnd) {
        wanted = false;
        emit ended();
    }
}

void serial_scanner::prompt() const {
    if (terminal && !atEnd) {
        std::fputs("serial: ", stderr);
        std::fflush(stderr);
    }
}

}  // namespace ctl
