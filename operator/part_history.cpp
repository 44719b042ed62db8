#include "operator/part_history.h"

#include "operator/window_texts.h"

namespace op {

part_history::part_history(QObject* parent) : QAbstractTableModel(parent) {}

void part_history::add(const station::part_result& part, const QString& fixture) {
    if (static_cast<int>(parts.size()) >= kept) {
        beginRemoveRows(QModelIndex(), kept - 1, static_cast<int>(parts.size()) - 1);
        parts.resize(kept - 1);
        endRemoveRows();
    }
    beginInsertRows(QModelIndex(), 0, 0);
    parts.push_front({part.ended.isValid() ? part.ended : QDateTime::currentDateTimeUtc(), part.number, part.serial,
                      station::verdictOf(part), part.testSeconds,
                      part.cycleSeconds, window_texts::reasons(part), fixture});
    endInsertRows();
}

int part_history::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(parts.size());
}

int part_history::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : columns;
}

QVariant part_history::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= static_cast<int>(parts.size()))
        return {};
    const row& r = parts[static_cast<std::size_t>(index.row())];
    if (role == verdictRole)
        return static_cast<int>(r.verdict);
    if (role == Qt::TextAlignmentRole)
        return index.column() == cycle || index.column() == test ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                                                 : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole)
        return {};
    switch (index.column()) {
    case time:
        return r.ended.toLocalTime().toString(QStringLiteral("HH:mm:ss"));
    case serial:
        return r.serial.isEmpty() ? window_texts::detail({tile_detail::kind::part, r.number, QString()}) : r.serial;
    case verdict:
        return window_texts::tileWord(tileOf(r.verdict));
    case test:
        return window_texts::seconds(r.testSeconds);
    case cycle:
        return window_texts::seconds(r.cycleSeconds);
    case reasons:
        return r.reasons.join(QStringLiteral("; "));
    case fixture:
        return r.fixture;
    default:
        return {};
    }
}

QVariant part_history::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    switch (section) {
    case time:
        return tr("Time");
    case serial:
        return tr("Serial");
    case verdict:
        return tr("Verdict");
    case test:
        return tr("Test time");
    case cycle:
        return tr("Cycle");
    case reasons:
        return tr("Reasons");
    case fixture:
        return tr("Fixture");
    default:
        return {};
    }
}

}  // namespace op
