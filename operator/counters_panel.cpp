#include "operator/counters_panel.h"

#include "operator/window_texts.h"

#include <QLocale>

namespace op {

counters_panel::counters_panel(QWidget* parent) : QFrame(parent), grid(this) {
    setFrameShape(QFrame::StyledPanel);
    grid.setContentsMargins(16, 10, 16, 10);
    grid.setHorizontalSpacing(24);
    grid.setVerticalSpacing(2);
    const QString names[items] = {tr("Parts"),           tr("Passed"),           tr("Failed"),      tr("Not recorded"),
                                  tr("First-pass yield"), tr("Median test time"), tr("Median cycle")};
    QFont captionFont;
    captionFont.setPointSize(11);
    QFont valueFont;
    valueFont.setPointSize(22);
    valueFont.setBold(true);
    for (int i = 0; i < items; ++i) {
        captions[i].setText(names[i]);
        captions[i].setFont(captionFont);
        values[i].setFont(valueFont);
        captions[i].setAlignment(Qt::AlignCenter);
        values[i].setAlignment(Qt::AlignCenter);
        grid.addWidget(&captions[i], 0, i);
        grid.addWidget(&values[i], 1, i);
        grid.setColumnStretch(i, 1);
    }
}

void counters_panel::display(const station_session& session) {
    const station::run_tally& t = session.tally();
    const std::optional<double> fpy = session.firstPassYield();
    const QString texts[items] = {
        QLocale().toString(t.parts()),
        QLocale().toString(t.passed()),
        QLocale().toString(t.failed()),
        QLocale().toString(t.notRecorded()),
        window_texts::percent(fpy),
        window_texts::seconds(t.medianTest()),
        window_texts::seconds(t.medianCycle()),
    };
    for (int i = 0; i < items; ++i)
        if (values[i].text() != texts[i])
            values[i].setText(texts[i]);
}

}  // namespace op
