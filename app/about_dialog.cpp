#include "app/about_dialog.h"

#include "app/app_identity.h"

#include <QDesktopServices>
#include <QFont>
#include <QPixmap>
#include <QUrl>

namespace {

QString appName() { return QString::fromLatin1(app_identity::applicationName); }

}  // namespace

AboutDialog::AboutDialog(QWidget* parent)
    : QDialog(parent),
      grid(),
      logo(this),
      labelTitle(QStringLiteral("<center>") + appName() + QStringLiteral("<br>By VEXALON</center>"), this),
      labelVersion(appName() + QStringLiteral(" version ") + QString::fromLatin1(app_identity::applicationVersion),
                   this),
      labelCredits(QString::fromLatin1(app_identity::rightsNotice) + QLatin1Char('\n') +
                       QString::fromLatin1(app_identity::creditsLine),
                   this),
      buttonLink(QStringLiteral("See VEXALON online"), this),
      buttonOk(QStringLiteral("OK"), this) {
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
    setWindowTitle(appName() + QStringLiteral(" - About"));

    QPixmap picture;
    picture.load(QStringLiteral(":/logo_vexalon.png"));
    logo.setPixmap(picture.scaledToWidth(100, Qt::SmoothTransformation));

    QFont titleFont = labelTitle.font();
    titleFont.setPixelSize(24);
    labelTitle.setFont(titleFont);

    setLayout(&grid);
    grid.addWidget(&logo, 0, 0, 2, 1, Qt::AlignCenter);
    grid.addWidget(&labelTitle, 0, 1, 1, 2, Qt::AlignCenter);
    grid.addWidget(&labelVersion, 1, 1, 1, 2, Qt::AlignCenter);
    grid.addWidget(&labelCredits, 2, 0, 1, 3, Qt::AlignCenter);
    grid.addWidget(&buttonLink, 3, 0, 1, 2, Qt::AlignCenter);
    grid.addWidget(&buttonOk, 3, 2, 1, 1, Qt::AlignCenter);

    buttonOk.setDefault(true);

    connect(&buttonOk, SIGNAL(clicked()), this, SLOT(close()));
    connect(&buttonLink, SIGNAL(clicked()), this, SLOT(onLinkClicked()));
}

AboutDialog::~AboutDialog() = default;

void AboutDialog::onLinkClicked() {
    QDesktopServices::openUrl(QUrl::fromUserInput(QString::fromLatin1(app_identity::makerUrl)));
}
