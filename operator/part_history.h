#pragma once

#include "station/part_result.h"

#include <QAbstractTableModel>
#include <QDateTime>
#include <QStringList>

#include <deque>
#include <optional>

namespace op {

// The last parts of the line, newest first: time, serial, verdict, test time, cycle, reasons and the
// fixture that tested it (the view shows that one second, and only with several). Qt Core only; the view
// colours the verdicts.
class part_history : public QAbstractTableModel {
    Q_OBJECT
public:
    enum column { time, serial, verdict, test, cycle, reasons, fixture, columns };
    static constexpr int kept = 50;
    // The part's station::verdict as an int, on every column, for the view.
    static constexpr int verdictRole = Qt::UserRole + 1;

    struct row {
        QDateTime ended;  // UTC
        long number = 0;
        QString serial;
        station::verdict verdict = station::verdict::fail;
        double testSeconds = 0;
        std::optional<double> cycleSeconds;  // none: not removed
        QStringList reasons;
        QString fixture;  // empty: the station's single one
    };

    explicit part_history(QObject* parent = nullptr);

    void add(const station::part_result& part, const QString& fixture = QString());
    const std::deque<row>& rows() const { return parts; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    std::deque<row> parts;
};

}  // namespace op
