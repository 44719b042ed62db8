#pragma once

#include <QString>

namespace setup {

// The station's results database when none is named: RX48P_RESULTS, else results.sqlite in the user's
// data folder for RX48P (the same for every program of the station, so they share one record).
QString defaultResultsFile();

}  // namespace setup
