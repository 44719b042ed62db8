#pragma once

#include <QStringList>

#include <vector>

namespace results {

// The header and rows as lines of a text table: each column as wide as its widest cell, columns two
// spaces apart, the last one not padded; a row with fewer cells leaves the rest empty.
QStringList alignedTable(const QStringList& header, const std::vector<QStringList>& rows);

}  // namespace results
