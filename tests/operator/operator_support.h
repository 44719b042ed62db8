#pragma once

// The operator window against rx48p-board-sim: the real session and widgets in this process, the
// simulator over its pseudo-terminal, parts recorded in a SQLite file in a temporary folder.

#include "board_sim.h"
#include "sql_rows.h"
#include "test_parts.h"

#include "operator/station_session.h"
#include "operator/station_window.h"

#include <QColor>
#include <QSettings>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace optest {

using namespace test_support;

// What the verdict tile shows: its word, the colour painted around the word, and its reasons.
struct tile_look {
    QString word;
    QColor colour;
    QStringList reasons;
    int wordPoints = 0;
};
tile_look lookAt(const op::verdict_tile& tile);

// The tile colours of the line, written here as the operators were told them.
const QColor grey(0x61, 0x61, 0x61);
const QColor blue(0x15, 0x65, 0xc0);
const QColor green(0x2e, 0x7d, 0x32);
const QColor red(0xc6, 0x28, 0x28);

// The window on its own session, with settings and results in a temporary folder.
struct fixture {
    fixture();
    ~fixture();
    // The setup for `port` and the good part as the program, parts recorded in results.sqlite.
    setup::station_setup setupFor(const QString& port) const;
    bool show();
    // The board started with `simArgs`, and the window shown on it with setupFor() for `count` parts
    // (0: until stopped), changed by `change`; the board's line, or empty on failure.
    QString showOn(BoardSim& sim, const QStringList& simArgs, long count = 0,
                   const std::function<void(setup::station_setup&)>& change = {});

    // A board for each of `simArgs`, started on its own, as fixtures A, B, C and D, and the window shown
    // on them with setupFor() for `count` parts on each; false on failure.
    bool showOnBoards(std::vector<std::unique_ptr<BoardSim>>& sims, const QList<QStringList>& simArgs, long count = 0,
                      const std::function<void(setup::station_setup&)>& change = {});

    QTemporaryDir dir;
    QSettings remembered;
    std::unique_ptr<op::station_session> session;
    std::unique_ptr<op::station_window> window;
    QString resultsFile() const { return dir.filePath(QStringLiteral("results.sqlite")); }
};

// The history table's rows, each column's text joined by '|', newest first.
QStringList tableRows(op::station_window& w);
// The history's rows of one fixture, oldest first: "serial|verdict|reasons".
QStringList partsOn(op::station_window& w, const QString& fixture);
// The parts on record, a line per run, sorted: "FIXTURE: " and its parts' "serial|verdict" joined by ", ",
// oldest first.
QStringList recordedRuns(const QString& results);
// The counters shown, in the panel's order: parts, passed, failed, not recorded, first-pass yield,
// median test and cycle times.
QStringList counters(op::station_window& w);

// Waits up to `ms` for the end of the run in hand; its reason, none when it did not end.
std::optional<station::station_engine::end_reason> waitForEnd(op::station_session& session, int ms);

}  // namespace optest
