#include "app/app_identity.h"
#include "app/main_window.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    app_identity::apply();

    auto window = std::make_unique<MainWindow>();
    window->show();
    const int code = QApplication::exec();
    window.reset();  // the window, and with it the serial link's threads, goes before the application
    return code;
}
