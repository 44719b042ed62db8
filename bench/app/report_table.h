#pragma once

#include "figures.h"

#include <ostream>
#include <vector>

namespace bench {

// The machine the figures were taken on: cores, CPU model, Qt, load.
void printMachine(std::ostream& out, const std::string& loadBefore, const std::string& loadAfter);
// One Markdown table, then the notes of the rows.
void printTable(std::ostream& out, const std::vector<Row>& rows);
// The first three fields of /proc/loadavg.
std::string loadAverage();

}  // namespace bench
