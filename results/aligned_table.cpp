#include "results/aligned_table.h"

#include <algorithm>

namespace results {

QStringList alignedTable(const QStringList& header, const std::vector<QStringList>& rows) {
    int columns = header.size();
    for (const QStringList& row : rows)
        columns = std::max(columns, int(row.size()));
    std::vector<int> widths(std::size_t(columns), 0);
    const auto measure = [&widths](const QStringList& row) {
        for (int i = 0; i < row.size(); ++i)
            widths[std::size_t(i)] = std::max(widths[std::size_t(i)], int(row.at(i).size()));
    };
    measure(header);
    for (const QStringList& row : rows)
        measure(row);

    const auto line = [&](const QStringList& row) {
        QString text;
        for (int i = 0; i < columns; ++i) {
            const QString cell = i < row.size() ? row.at(i) : QString();
            text += i + 1 < columns ? cell.leftJustified(widths[std::size_t(i)]) + QStringLiteral("  ") : cell;
        }
        // A short row's empty last cells would leave spaces at its end.
        while (text.endsWith(QLatin1Char(' ')))
            text.chop(1);
        return text;
    };
    QStringList lines;
    lines << line(header);
    for (const QStringList& row : rows)
        lines << line(row);
    return lines;
}

}  // namespace results
