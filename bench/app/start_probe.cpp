// rx48p_start_probe: the program's start-up, as app/main.cpp does it, that prints the steady
// clock's time (seconds) once the main window has been painted, and exits.

#include "app/app_identity.h"
#include "app/main_window.h"

#include <QApplication>
#include <QEvent>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <memory>

namespace {

// The first paint of the window is when it has been shown; the report waits until that paint is done.
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
    QApplication app(argc, argv);
    app_identity::apply();

    FirstPaint firstPaint;
    auto window = std::make_unique<MainWindow>();
    window->installEventFilter(&firstPaint);
    window->show();
    const int code = QApplication::exec();
    window.reset();
    return code;
}
