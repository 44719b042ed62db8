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

QString fixture::showOn(BoardSim& sim, const QStringList& simArgs, long count,
                        const std::function<void(setup::station_setup&)>& change) {
    const QString port = sim.start(simArgs);
    setup::station_setup s = setupFor(port);
    s.count = count;
    if (change)
        change(s);
    session->setSetup(s);
    return !port.isEmpty() && show() ? port : QString();
}

bool fixture::showOnBoards(std::vector<std::unique_ptr<BoardSim>>& sims, const QList<QStringList>& simArgs, long count,
                           const std::function<void(setup::station_setup&)>& change) {
    setup::station_setup s = setupFor(QString());
    s.count = count;
    for (int i = 0; i < simArgs.size(); ++i) {
        sims.push_back(std::make_unique<BoardSim>());
        const QString port = sims.back()->start(simArgs[i]);
        if (port.isEmpty())
            return false;
        s.fixtures.append({QString(QChar(QLatin1Char('A').unicode() + i)), port});
    }
    if (change)
        change(s);
    session->setSetup(s);
    return show();
}

QStringList partsOn(op::station_window& w, const QString& fixture) {
    const QAbstractItemModel* m = w.history().model();
    QStringList rows;
    for (int r = m->rowCount() - 1; r >= 0; --r) {
        const auto cell = [&](int column) { return m->index(r, column).data().toString(); };
        if (cell(op::part_history::fixture) == fixture)
            rows << QStringList{cell(op::part_history::serial), cell(op::part_history::verdict),
                                cell(op::part_history::reasons)}
                        .join(QLatin1Char('|'));
    }
    return rows;
}

QStringList recordedRuns(const QString& results) {
    QStringList runs = sqlRows(results, QStringLiteral("SELECT fixture || ': ' || group_concat(part, ', ') FROM (SELECT "
                                                       "p.run_id AS run, coalesce(r.fixture, '') AS fixture, "
                                                       "coalesce(p.serial, '') || '|' || p.verdict AS part FROM parts p "
                                                       "JOIN runs r ON r.id = p.run_id ORDER BY p.started_utc) GROUP BY run"));
    runs.sort();
    return runs;
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

QStringList counters(op::station_window& w) {
    QStringList shown;
    for (int i = 0; i < op::counters_panel::items; ++i)
        shown << w.counters().value(static_cast<op::counters_panel::item>(i));
    return shown;
}

std::optional<station::station_engine::end_reason> waitForEnd(op::station_session& session, int ms) {
    std::optional<station::station_engine::end_reason> reason;
    const auto c = QObject::connect(&session, &op::station_session::runFinished,
                                    [&](station::station_engine::end_reason r) { reason = r; });
    const bool ended = QTest::qWaitFor([&] { return reason.has_value(); }, ms);
    QObject::disconnect(c);
    return ended ? reason : std::nullopt;
}

}  // namespace optest
