#include "operator/verdict_tile.h"

#include <QFontMetrics>

namespace op {

namespace {

QFont sized(int points, bool bold) {
    QFont f;
    f.setPointSize(points);
    f.setBold(bold);
    return f;
}

}  // namespace

verdict_tile::verdict_tile(QWidget* parent) : QFrame(parent), layout(this) {
    setAutoFillBackground(true);
    setMinimumHeight(260);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    layout.setContentsMargins(24, 12, 24, 16);
    layout.setSpacing(4);
    word.setFont(sized(wordPoints, true));
    detail.setFont(sized(16, false));
    reasons.setFont(sized(reasonPoints, true));
    reasons.setWordWrap(true);
    // The word fits itself to the tile rather than widening the window.
    word.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLabel* l : {&word, &detail, &reasons}) {
        l->setAlignment(Qt::AlignCenter);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        l->setTextFormat(Qt::PlainText);  // serials and reasons come from outside
    }
    layout.addStretch(1);
    layout.addWidget(&word);
    layout.addWidget(&detail);
    layout.addWidget(&reasons);
    layout.addStretch(1);
    display(tile_state::stopped, QStringLiteral("STOPPED"), QString(), {});
}

QColor verdict_tile::colourOf(tile_state state) {
    switch (state) {
    case tile_state::testing:
        return QColor(0x15, 0x65, 0xc0);
    case tile_state::passed:
        return QColor(0x2e, 0x7d, 0x32);
    case tile_state::failed:
        return QColor(0xc6, 0x28, 0x28);
    case tile_state::not_recorded:
        return QColor(0x6a, 0x1b, 0x9a);
    case tile_state::stopped:
    case tile_state::starting:
    case tile_state::waiting:
        break;
    }
    return QColor(0x61, 0x61, 0x61);
}

void verdict_tile::display(tile_state state, const QString& wordText, const QString& detailText,
                        const QStringList& reasonLines) {
    if (state != shown || !autoFillBackground()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, colourOf(state));
        p.setColor(QPalette::WindowText, Qt::white);
        setPalette(p);
        shown = state;
    }
    if (word.text() != wordText) {
        word.setText(wordText);
        fitWord();
    }
    if (detail.text() != detailText)
        detail.setText(detailText);
    detail.setVisible(!detailText.isEmpty());
    const QString lines = reasonLines.join(QLatin1Char('\n'));
    if (reasons.text() != lines)
        reasons.setText(lines);
    reasons.setVisible(!lines.isEmpty());
}

}  // namespace op

namespace op {

void verdict_tile::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitWord();
}

void verdict_tile::fitWord() {
    const int room = contentsRect().width() - layout.contentsMargins().left() - layout.contentsMargins().right();
    QFont f = word.font();
    int points = wordPoints;
    for (; points > leastWordPoints; points -= 4) {
        f.setPointSize(points);
        if (QFontMetrics(f).boundingRect(word.text()).width() <= room)
            break;
    }
    if (word.font().pointSize() != points) {
        f.setPointSize(points);
        word.setFont(f);
    }
}

}  // namespace op
