#include "operator/verdict_tile.h"

#include "operator/window_texts.h"

#include <QFontMetrics>

#include <algorithm>

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
    name.setFont(sized(20, true));
    word.setFont(sized(wordPoints, true));
    detail.setFont(sized(16, false));
    reasons.setFont(sized(reasonPoints, true));
    reasons.setWordWrap(true);
    next.setFont(sized(16, true));
    counts.setFont(sized(13, false));
    trouble.setFont(sized(13, true));
    trouble.setWordWrap(true);
    trouble.setAutoFillBackground(true);
    trouble.setMargin(6);
    QPalette amber = trouble.palette();
    amber.setColor(QPalette::Window, QColor(0xff, 0xe0, 0x82));
    amber.setColor(QPalette::WindowText, Qt::black);
    trouble.setPalette(amber);
    // The word fits itself to the tile rather than widening the window.
    word.setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLabel* l : {&name, &word, &detail, &reasons, &next, &trouble, &counts}) {
        l->setAlignment(Qt::AlignCenter);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        l->setTextFormat(Qt::PlainText);  // names, serials and reasons come from outside
    }
    // The fixture's name and its counts share the top line.
    name.setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    counts.setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    top.addWidget(&name);
    top.addStretch(1);
    top.addWidget(&counts);
    layout.addLayout(&top);
    layout.addStretch(1);
    layout.addWidget(&word);
    layout.addWidget(&detail);
    layout.addWidget(&reasons);
    layout.addStretch(1);
    layout.addWidget(&next);
    layout.addWidget(&trouble);
    displayFixture(QString(), QString(), QString(), QString());
    display(tile_state::stopped, window_texts::tileWord(tile_state::stopped), QString(), {});
}

void verdict_tile::setCompact(bool on) {
    compact = on;
    setMinimumHeight(on ? 150 : 260);
    layout.setContentsMargins(on ? 12 : 24, on ? 6 : 12, on ? 12 : 24, on ? 6 : 16);
    layout.setSpacing(on ? 2 : 4);
    reasons.setFont(sized(on ? 13 : reasonPoints, true));
    detail.setFont(sized(on ? 14 : 16, false));
    // Ports, serials and reasons from outside wrap within the tile rather than widening the window.
    for (QLabel* l : {&detail, &reasons, &next, &trouble}) {
        l->setWordWrap(true);
        l->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    }
    showReasons();
    fitWord();
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
    case tile_state::out_of_service:
        return QColor(0x26, 0x32, 0x38);
    case tile_state::stopped:
    case tile_state::starting:
    case tile_state::waiting:
        break;
    }
    return QColor(0x61, 0x61, 0x61);
}

bool verdict_tile::setShown(QLabel& label, const QString& text) {
    const bool changed = label.text() != text || label.isHidden() != text.isEmpty();
    if (label.text() != text)
        label.setText(text);
    label.setVisible(!text.isEmpty());
    return changed;
}

void verdict_tile::display(tile_state state, const QString& wordText, const QString& detailText,
                        const QStringList& lines) {
    if (state != shown || !autoFillBackground()) {
        QPalette p = palette();
        p.setColor(QPalette::Window, colourOf(state));
        p.setColor(QPalette::WindowText, Qt::white);
        setPalette(p);
        shown = state;
    }
    bool changed = false;
    if (word.text() != wordText) {
        word.setText(wordText);
        changed = true;
    }
    changed |= setShown(detail, detailText);
    reasonLines = lines;
    // A compact tile's other lines share the word's height; fitting is measuring, done only on a change.
    if ((showReasons() && compact) || changed)
        fitWord();
}

bool verdict_tile::showReasons() {
    if (!compact)
        return setShown(reasons, reasonLines.join(QLatin1Char('\n')));
    if (!trouble.isHidden() || reasonLines.isEmpty())
        return setShown(reasons, QString());
    return setShown(reasons, reasonLines.size() == 1 ? reasonLines.first()
                                                     : tr("%1  (more in the table)").arg(reasonLines.first()));
}

void verdict_tile::displayFixture(const QString& nameText, const QString& nextText, const QString& troubleText,
                                  const QString& countsText) {
    const bool before = !name.isHidden() || !next.isHidden() || !trouble.isHidden() || !counts.isHidden();
    bool changed = setShown(name, nameText);
    changed |= setShown(next, nextText);
    changed |= setShown(trouble, troubleText);
    changed |= setShown(counts, countsText);
    changed |= showReasons();
    if (before != (!name.isHidden() || !next.isHidden() || !trouble.isHidden() || !counts.isHidden()) ||
        (compact && changed))
        fitWord();
}

void verdict_tile::resizeEvent(QResizeEvent* event) {
    QFrame::resizeEvent(event);
    fitWord();
}

void verdict_tile::fitWord() {
    const QMargins margins = layout.contentsMargins();
    const int room = contentsRect().width() - margins.left() - margins.right();
    // A compact tile shares its height with its other lines: the word takes what they leave.
    int height = contentsRect().height() - margins.top() - margins.bottom();
    if (compact) {
        const auto used = [room](const QLabel& l) {
            if (l.isHidden())
                return 0;
            return l.hasHeightForWidth() ? l.heightForWidth(room) : l.sizeHint().height();
        };
        height -= std::max(used(name), used(counts)) + used(detail) + used(reasons) + used(next) + used(trouble);
        height -= 5 * layout.spacing();
    }
    QFont f = word.font();
    int points = wordPoints;
    const int least = leastPoints();
    for (; points > least; points -= 4) {
        f.setPointSize(points);
        const QFontMetrics metrics(f);
        if (metrics.boundingRect(word.text()).width() <= room && (!compact || metrics.height() <= height))
            break;
    }
    if (word.font().pointSize() != points) {
        f.setPointSize(points);
        word.setFont(f);
    }
}

}  // namespace op
