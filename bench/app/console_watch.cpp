#include "console_watch.h"

#include <QTextBlock>
#include <QTextDocument>

#include <chrono>

namespace bench {

double nowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

ConsoleWatch::ConsoleWatch(QTextEdit& console, QString line, std::function<void()> onMatch)
    : console(console), line(std::move(line)), onMatch(std::move(onMatch)) {
    stamps.reserve(8192);
    connection = QObject::connect(console.document(), &QTextDocument::contentsChange, [this](int, int, int added) {
        if (added <= 0)
            return;
        const double now = nowSeconds();
        if (this->console.document()->lastBlock().text() != this->line)
            return;
        stamps.push_back(now);
        if (this->onMatch)
            this->onMatch();
    });
}

ConsoleWatch::~ConsoleWatch() {
    QObject::disconnect(connection);
}

}  // namespace bench
