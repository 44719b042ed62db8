#pragma once

#include <QStyledItemDelegate>

namespace op {

// The history's verdict column in the tile's colours, white on green or red, so a column of parts
// reads at a glance; the word is there too.
class verdict_delegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

}  // namespace op
