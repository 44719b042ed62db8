// rx48p_station_start_probe: rx48p-station's start-up, as operator/main.cpp does it (the remembered
// setup, the command line, the session and the window), that prints the steady clock's time (seconds)
// once the window has been painted, and exits.

#include "operator/command_line.h"
#include "operator/setup_store.h"
#include "operator/station_session.h"
#include "operator/station_window.h"

#include <QApplication>
#include <QEvent>
#include <QSettings>
#include <QTimer>

#include <chrono>
#include <cstdio>

namespace {

class FirstPaint : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen) {
            seen = true;
            QTimer::singleShot(0, [] {
                const auto now = std::chrono::steady_clock::now().time_since_epoch();
                std::printf("%.6f\n", std::chrono::duration<double>(now).count());
                std::fflush(stdout);
                QCoreApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

private:
    bool seen = false;
};

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication::setOrganizationName(QStringLiteral("Vexalon"));
    QCoreApplication::setApplicationName(QStringLiteral("RX48P-Station"));
    QSettings remembered;
    op::launch launch;
    {
        QCoreApplication console(argc, argv);
        launch = op::parseLaunch(QCoreApplication::arguments(), op::loadSetup(remembered));
    }
    QApplication app(argc, argv);
    op::station_session session;
    session.setSetup(launch.setup);
    op::station_window window(session, remembered);
    FirstPaint firstPaint;
    window.installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
