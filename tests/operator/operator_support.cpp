#include "operator_support.h"

#include <QAbstractItemModel>
#include <QApplication>
#include <QImage>
#include <QLabel>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTableView>
#include <QTest>

namespace optest {

QString partFile(const QString& name) {
    return QStringLiteral(RX48P_TEST_PARTS "/") + name + QStringLiteral(".device");
}

QStringList simParts(const QStringList& names, int eventDelayMs) {
    QStringList args{"--event-delay", QString::number(eventDelayMs), "--calib-delay", "0"};
    for (const QString& name : names)
        args << "--device" << (name.startsWith(QLatin1Char('/')) ? name : partFile(name));
    return args;
}

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

QStringList dbRows(const QString& file, const QString& query) {
    QStringList out;
    const QString name = QStringLiteral("check");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(file);
        if (!db.open())
            return {QStringLiteral("cannot open ") + file};
        QSqlQuery q(db);
        if (!q.exec(query))
            return {QStringLiteral("bad query: ") + query};
        while (q.next()) {
            QStringList row;
            for (int i = 0; i < q.record().count(); ++i)
                row << q.value(i).toString();
            out << row.join(QLatin1Char('|'));
        }
    }
    QSqlDatabase::removeDatabase(name);
    return out;
}

QStringList commandsReceived(BoardSimProcess& sim) {
    QStringList out;
    for (const QString& line : sim.log(QStringLiteral("recv ")))
        out << line.split(QLatin1Char(' '), Qt::SkipEmptyParts).value(1);  // "BYTES  NAME ..."
    return out;
}

}  // namespace optest
