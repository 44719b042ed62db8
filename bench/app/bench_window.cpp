#include "bench_window.h"

#include "event_wait.h"
#include "main_window_probe.h"

#include <stdexcept>

namespace bench {

BenchWindow::BenchWindow() {
    main.show();
    runFor(50);  // the first paint
}

QTextEdit& BenchWindow::console() {
    return MainWindowProbe::console(main);
}

bool BenchWindow::connectTo(const std::string& path, int timeoutMs) {
    MainWindowProbe::link(main).connectPort(QString::fromStdString(path));
    return runUntil([this] { return console().isEnabled(); }, timeoutMs);
}

QPushButton& BenchWindow::button(const QString& text) {
    for (QPushButton* b : MainWindowProbe::commandPanel(main).findChildren<QPushButton*>())
        if (b->text() == text)
            return *b;
    throw std::runtime_error("no button \"" + text.toStdString() + "\"");
}

}  // namespace bench
