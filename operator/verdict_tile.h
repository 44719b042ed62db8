#pragma once

#include "operator/station_session.h"

#include <QColor>
#include <QFrame>
#include <QLabel>
#include <QVBoxLayout>

namespace op {

// The verdict, readable from two metres: the word in large letters on its colour, the part it speaks
// of, and for a failed part its first reasons. The word always says it; the colour only repeats it.
class verdict_tile : public QFrame {
    Q_OBJECT
public:
    static constexpr int wordPoints = 72;
    static constexpr int leastWordPoints = 48;  // a narrow window shrinks the word, never below this
    static constexpr int reasonPoints = 20;

    explicit verdict_tile(QWidget* parent = nullptr);

    void display(tile_state state, const QString& word, const QString& detail, const QStringList& reasons);
    static QColor colourOf(tile_state state);

    const QLabel& wordLabel() const { return word; }
    const QLabel& reasonsLabel() const { return reasons; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitWord();

    QVBoxLayout layout;
    QLabel word;
    QLabel detail;
    QLabel reasons;
    tile_state shown = tile_state::stopped;
};

}  // namespace op
