#include "app/app_identity.h"
#include "app/main_window.h"

#include <QApplication>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(app_identity::organizationDomain));
    QCoreApplication::setOrganizationName(QString::fromLatin1(app_identity::organizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(app_identity::applicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(app_identity::applicationVersion));

    auto window = std::make_unique<MainWindow>();
    window->show();
    const int code = QApplication::exec();
    window.reset();  // the window, and with it the serial link's threads, goes before the application
    return code;
}
