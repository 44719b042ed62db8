#pragma once

#include <QString>
#include <QStringList>

namespace results {

// One CSV record as RFC 4180 has it: fields joined by commas, a field holding a comma, a double quote,
// a CR or a LF put in double quotes with its quotes doubled; ends with CRLF.
QString csvRecord(const QStringList& fields);

// A stored text as a cell that a spreadsheet shows and never evaluates: one that starts with =, +, -,
// @, a tab or a carriage return gets a single quote before it. Numbers are written without it.
QString csvText(const QString& text);

}  // namespace results
