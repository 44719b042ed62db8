#include "operator/verdict_delegate.h"

#include "operator/part_history.h"
#include "operator/verdict_tile.h"

#include <QPainter>

namespace op {

void verdict_delegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    if (index.column() != part_history::verdict)
        return QStyledItemDelegate::paint(painter, option, index);
    const auto verdict = static_cast<station::verdict>(index.data(part_history::verdictRole).toInt());
    painter->save();
    painter->fillRect(option.rect.adjusted(2, 2, -2, -2), verdict_tile::colourOf(tileOf(verdict)));
    QFont f = option.font;
    f.setBold(true);
    painter->setFont(f);
    painter->setPen(Qt::white);
    painter->drawText(option.rect, Qt::AlignCenter, index.data().toString());
    painter->restore();
}

}  // namespace op
