// Shows the real main window on the simulator's pseudo-terminal and plays a short session through the
// widgets: connect, ping, configuration, static measure, capacitive measure. Prints "session ready" when
// the last report is in and keeps the window open until it is closed or the process is ended. The
// pseudo-terminal is the one port in the list, so the window shows the line it really serves.

#include "app/app_identity.h"
#include "link/connect_button.h"
#include "e2e_support.h"
#include "main_window_probe.h"
#include "serial_port_listing.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QComboBox>
#include <QEvent>
#include <QRegularExpression>
#include <QTest>

#include <cstdio>
#include <memory>

namespace {

// Clicks `button` and waits until a console line holds `report`, plus a moment for the lines after it.
bool play(MainWindow& w, const QString& button, const QString& report) {
    const auto seen = [&] { return e2e::consoleLines(w).filter(report).size(); };
    const int before = seen();
    if (!e2e::click(MainWindowProbe::commandPanel(w), button))
        return false;
    const bool arrived = QTest::qWaitFor([&] { return seen() > before; }, 5000);
    QTest::qWait(100);
    return arrived;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app_identity::apply();
    if (argc != 2) {
        std::fputs("usage: e2e_session_launcher PTY\n", stderr);
        return 3;
    }
    serial_port_listing::set({argv[1]});
    auto window = std::make_unique<MainWindow>();
    window->resize(980, 760);
    window->show();
    auto* connectButton = MainWindowProbe::portRow(*window).findChild<Connect_button*>();
    const QString portName = QString::fromLocal8Bit(argv[1]).remove(QRegularExpression(QStringLiteral("^/dev/")));
    if (!QTest::qWaitForWindowExposed(window.get()) ||
        MainWindowProbe::portRow(*window).findChild<QComboBox*>()->currentText() != portName) {
        std::fputs("the board's line is not the port picked in the list\n", stderr);
        return 3;
    }
    QTest::mouseClick(connectButton, Qt::LeftButton);
    if (!QTest::qWaitFor([&] { return MainWindowProbe::commandPanel(*window).isEnabled(); }, 3000)) {
        std::fputs("cannot open the board's line\n", stderr);
        return 3;
    }
    // An operator's pointer would have left the connect button after the click that connected; the
    // button names the state it shows only then.
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(connectButton, &leave);
    QAbstractItemModel* pins = MainWindowProbe::commandPanel(*window).findChild<QComboBox*>()->model();
    for (int pin : {0, 3, 7})
        pins->setData(pins->index(pin, 0), Qt::Checked, Qt::CheckStateRole);
    const bool played =
        play(*window, QStringLiteral("Ping (ID)"), QStringLiteral("\tFW version")) &&
        play(*window, QStringLiteral("Send config (CFG)"), QStringLiteral("\tCalibration done")) &&
        play(*window, QStringLiteral("Do static measure (MES_STATIC)"), QStringLiteral("\tStatic measure received")) &&
        play(*window, QStringLiteral("Start capacitiv measure (MES_BUTTON_CAP)"),
             QStringLiteral("\tCapacitive measure received"));
    if (!played) {
        std::fputs("a report did not arrive\n", stderr);
        return 4;
    }
    std::puts("session ready");
    std::fflush(stdout);
    const int code = QApplication::exec();
    window.reset();
    return code;
}
