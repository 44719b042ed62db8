// rx48p-station: the test station's window for the production line.

#include "operator/command_line.h"
#include "operator/password_command.h"
#include "process/stop_signals.h"
#include "operator/setup_store.h"
#include "operator/station_session.h"
#include "operator/station_window.h"

#include <QApplication>
#include <QIcon>
#include <QSettings>
#include <QTimer>

#include <cstdio>

#include <rx48p_version.h>

int main(int argc, char* argv[]) {
    QCoreApplication::setOrganizationDomain(QStringLiteral("vexalon.example"));
    QCoreApplication::setOrganizationName(QStringLiteral("Vexalon"));
    QCoreApplication::setApplicationName(QStringLiteral("RX48P-Station"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RX48P_VERSION));

    QSettings remembered;
    op::launch launch;
    {
        // A console application for the command line alone, so --help, a bad option and the
        // administrator's password options need no display.
        QCoreApplication console(argc, argv);
        launch = op::parseLaunch(QCoreApplication::arguments(), op::loadSetup(remembered));
        if (launch.error.isEmpty() && !launch.help && !launch.version && launch.password != op::password_action::none)
            return op::runPasswordAction(remembered, launch.password);
    }
    if (!launch.error.isEmpty()) {
        std::fprintf(stderr, "rx48p-station: %s\nTry 'rx48p-station --help'.\n", qPrintable(launch.error));
        return 2;
    }
    if (launch.help || launch.version) {
        const QString text = launch.help ? launch.helpText
                                         : QStringLiteral("rx48p-station %1\n").arg(QStringLiteral(RX48P_VERSION));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }

    QApplication app(argc, argv);
#ifndef Q_OS_WIN
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/rx48p-term.ico")));
    QGuiApplication::setDesktopFileName(QStringLiteral("rx48p-station"));
#endif
    proc::stop_signals quits;
    op::station_session session;
    session.setSetup(launch.setup);
    op::station_window window(session, remembered);
    // SIGTERM is a close: the part in hand finishes, the board goes idle, and the program ends normally.
    QObject::connect(&quits, &proc::stop_signals::stopRequested, &window, &QWidget::close);
    window.show();
    if (launch.start)
        QTimer::singleShot(0, &window, &op::station_window::startRun);
    return QApplication::exec();
}
