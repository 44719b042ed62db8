#pragma once

#include "operator/station_state.h"

#include <QColor>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace op {

// The verdict, readable from two metres: the word in large letters on its colour, the part it speaks
// of, and for a failed part its first reasons. The word always says it; the colour only repeats it.
// With several fixtures each has a tile that also names its fixture, what to do there, its trouble and
// its counts; such a tile is compact, and its word shrinks further to fit, never below its least size.
class verdict_tile : public QFrame {
    Q_OBJECT
public:
    static constexpr int wordPoints = 72;
    static constexpr int leastWordPoints = 48;  // a narrow window shrinks the word, never below this
    static constexpr int leastCompactWordPoints = 24;
    static constexpr int reasonPoints = 20;

    explicit verdict_tile(QWidget* parent = nullptr);

    // A compact tile shows the first reason alone, and none while it shows trouble.
    void display(tile_state state, const QString& word, const QString& detail, const QStringList& reasons);
    // A fixture's tile: its name, what to do there, its trouble and its counts; empty texts hide them.
    void displayFixture(const QString& name, const QString& next, const QString& trouble, const QString& counts);
    void setCompact(bool compact);
    static QColor colourOf(tile_state state);

    const QLabel& wordLabel() const { return word; }
    const QLabel& detailLabel() const { return detail; }
    const QLabel& reasonsLabel() const { return reasons; }
    const QLabel& nameLabel() const { return name; }
    const QLabel& nextLabel() const { return next; }
    const QLabel& troubleLabel() const { return trouble; }
    const QLabel& countsLabel() const { return counts; }
    int leastPoints() const { return compact ? leastCompactWordPoints : leastWordPoints; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void fitWord();
    // True when the label changed (its text or whether it shows).
    static bool setShown(QLabel& label, const QString& text);

    QVBoxLayout layout;
    QHBoxLayout top;
    QLabel name;
    QLabel word;
    QLabel detail;
    QLabel reasons;
    QLabel next;
    QLabel trouble;
    QLabel counts;
    bool showReasons();

    QStringList reasonLines;
    tile_state shown = tile_state::stopped;
    bool compact = false;
};

}  // namespace op
