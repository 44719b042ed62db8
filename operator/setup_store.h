#pragma once

#include "setup/station_setup.h"

class QSettings;

namespace op {

// The setup as QSettings keeps it between starts. The count of parts belongs to one start only and is
// neither written nor read.
setup::station_setup loadSetup(const QSettings& settings);
void saveSetup(QSettings& settings, const setup::station_setup& setup);

// The window's language chosen in Setup, a code such as "fr"; empty: the system's.
QString loadLanguage(const QSettings& settings);
void saveLanguage(QSettings& settings, const QString& code);

}  // namespace op
