// The whole program's life with one twist: the window is closed while the board is in the middle of a
// reply. Started by the end-to-end suite with the simulator's pseudo-terminal as argument; the exit code
// is the event loop's, as in main().

#include "e2e_support.h"
#include "main_window_probe.h"

#include <QApplication>
#include <QTimer>

#include <cstdio>
#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    auto window = std::make_unique<MainWindow>();
    window->show();
    if (argc != 2 || !e2e::connectTo(*window, QString::fromLocal8Bit(argv[1])) ||
        !e2e::click(MainWindowProbe::commandPanel(*window), QStringLiteral("Do static measure (MES_STATIC)")))
        return 3;

    // The acknowledgement is 7 bytes; a few bytes into the measure behind it, the board is mid-reply.
    std::size_t bytesAtClose = 0;
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, [&] {
        const std::size_t got = e2e::receivedBytes(e2e::consoleLines(*window)).size();
        if (got >= 10 && bytesAtClose == 0) {
            bytesAtClose = got;
            window->close();
        }
    });
    watch.start(5);
    const int code = QApplication::exec();
    window.reset();
    std::printf("closed mid-reply after %zu bytes\n", bytesAtClose);
    return code;
}
