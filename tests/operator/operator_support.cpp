#include "operator_support.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QTableView>
#include <QTest>

namespace optest {

tile_look lookAt(const op::verdict_tile& tile) {
    tile_look look;
    look.word = tile.wordLabel().text();
    look.wordPoints = tile.wordLabel().font().pointSize();
    const QString reasons = tile.reasonsLabel().text();
    look.reasons = reasons.isEmpty() ? QStringList() : reasons.split(QLatin1Char('\n'));
    // A corner of the tile as painted, away from every letter.
    const QImage image = const_cast<op::verdict_tile&>(tile).grab().toImage();
    look.colour = image.pixelColor(4, 4);
    return look;
}

fixture::fixture()
    : remembered(dir.filePath(QStringLiteral("station.ini")), QSettings::IniFormat),
      session(std::make_unique<op::station_session>()),
      window(std::make_unique<op::station_window>(*session, remembered)) {}

fixture::~fixture() {
    window.reset();  // before the session it draws
    session.reset();
}

setup::station_setup fixture::setupFor(const QString& port) const {
    setup::station_setup s;
    s.port = port;
    s.program = partFile(QStringLiteral("good"));
    s.results = resultsFile();
    s.station = QStringLiteral("test-line");
    return s;
}

bool fixture::show() {
    window->show();
    QApplication::setActiveWindow(window.get());
    return QTest::qWaitForWindowExposed(window.get()) && QTest::qWaitForWindowActive(window.get());
}

QStringList tableRows(op::station_window& w) {
    const QAbstractItemModel* m = w.history().model();
    QStringList rows;
    for (int r = 0; r < m->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < m->columnCount(); ++c)
            cells << m->index(r, c).data().toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

QString counter(op::station_window& w, op::counters_panel::item which) {
    return w.counters().value(which);
}

}  // namespace optest
