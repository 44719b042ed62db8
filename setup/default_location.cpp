#include "setup/default_location.h"

#include <QStandardPaths>

namespace setup {

QString defaultResultsFile() {
    const QString fromEnvironment = qEnvironmentVariable("RX48P_RESULTS");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/rx48p/results.sqlite");
}

}  // namespace setup
