#pragma once

#include "operator/station_session.h"

#include <QFrame>
#include <QGridLayout>
#include <QLabel>

#include <array>

namespace op {

// The run at a glance: parts, passed, failed, first-pass yield, median cycle.
class counters_panel : public QFrame {
    Q_OBJECT
public:
    enum item { parts, passed, failed, notRecorded, firstPassYield, medianTest, medianCycle, items };

    explicit counters_panel(QWidget* parent = nullptr);
    void display(const station_session& session);
    QString value(item which) const { return values[which].text(); }

private:
    QGridLayout grid;
    std::array<QLabel, items> captions;
    std::array<QLabel, items> values;
};

}  // namespace op
