#include "operator/counters_panel.h"

namespace op {

counters_panel::counters_panel(QWidget* parent) : QFrame(parent), grid(this) {
    setFrameShape(QFrame::StyledPanel);
    grid.setContentsMargins(16, 10, 16, 10);
    grid.setHorizontalSpacing(24);
    grid.setVerticalSpacing(2);
    const char* names[items] = {"Parts", "Passed", "Failed", "Not recorded", "First-pass yield", "Median test time",
                                "Median cycle"};
    QFont captionFont;
    captionFont.setPointSize(11);
    QFont valueFont;
    valueFont.setPointSize(22);
    valueFont.setBold(true);
    for (int i = 0; i < items; ++i) {
        captions[i].setText(QString::fromLatin1(names[i]));
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
        QString::number(t.parts()),
        QString::number(t.passed()),
        QString::number(t.failed()),
        QString::number(t.notRecorded()),
        fpy ? QString::number(*fpy, 'f', 1) + QStringLiteral(" %") : QStringLiteral("–"),
        secondsText(t.medianTest()),
        secondsText(t.medianCycle()),
    };
    for (int i = 0; i < items; ++i)
        if (values[i].text() != texts[i])
            values[i].setText(texts[i]);
}

}  // namespace op
