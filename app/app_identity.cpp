#include "app/app_identity.h"

#include <QApplication>
#include <QIcon>

void app_identity::apply() {
    QCoreApplication::addLibraryPath(QCoreApplication::applicationDirPath());
    QCoreApplication::setOrganizationDomain(QString::fromLatin1(organizationDomain));
    QCoreApplication::setOrganizationName(QString::fromLatin1(organizationName));
    QCoreApplication::setApplicationName(QString::fromLatin1(applicationName));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(applicationVersion));
#ifndef Q_OS_WIN
    // Windows takes the icon from the executable's IDI_ICON1; elsewhere only the bundle carries it.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rx48p-term.ico")));
    QGuiApplication::setDesktopFileName(QStringLiteral("rx48p-term"));
#endif
}
