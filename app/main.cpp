#include "app/app_identity.h"
#include "app/main_window.h"

#include <QApplication>
#include <QIcon>

#include <memory>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(app_identity::organizationDomain));
    QCoreApplication::setOrganizationName(QString::fromLatin1(app_identity::organizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(app_identity::applicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(app_identity::applicationVersion));
#ifndef Q_OS_WIN
    // Windows takes the icon from the executable's IDI_ICON1; elsewhere only the bundle carries it.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rx48p-term.ico")));
    QGuiApplication::setDesktopFileName(QStringLiteral("rx48p-term"));
#endif

    auto window = std::make_unique<MainWindow>();
    window->show();
    const int code = QApplication::exec();
    window.reset();  // the window, and with it the serial link's threads, goes before the application
    return code;
}
