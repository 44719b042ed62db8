#pragma once

#include "station/part_result.h"

#include <QString>
#include <QStringList>

namespace op {

// What the window says is kept here as what it is, with the outside texts and numbers it carries; the
// words, in the operator's language, are made where they are shown (window_texts).

// What a verdict tile says.
enum class tile_state { stopped, starting, waiting, testing, passed, failed, not_recorded, out_of_service };
// The tile of a judged part, also the colour of its verdict in the table.
tile_state tileOf(station::verdict verdict);

// What to do at a fixture now.
enum class fixture_step {
    none,
    stopping,          // it finishes the part in hand, then the station stops
    leaving_service,   // it finishes the part in hand, then it is out of service
    back_in_service,   // out of service: its key puts it back
    connecting,        // to its board
    scan_serial,
    insert_first,
    insert_next,
    testing,
    remove,
};

// Why a run ended, and how many parts it tested.
struct run_end {
    enum class kind { none, done, stopped, stopped_by_trouble };
    kind what = kind::none;
    long parts = 0;
};

// The part a tile speaks of.
struct tile_detail {
    enum class kind { none, next_serial, part };
    kind what = kind::none;
    long number = 0;
    QString serial;
};

// Trouble the operator must act on, in the words of what to do.
struct banner {
    enum class kind {
        none,
        cannot_start,          // args: why (the setup's or the part file's own words)
        all_out_of_service,
        not_released,          // args: why
        board_gone,            // args: the link's reason
        board_silent,          // args: what was awaited
        wrong_firmware,        // args: the difference
        not_recorded,          // number: the part; args: the fixture's name (empty: the station), why, the database
        run_end_not_recorded,  // args: why, the database
        server_out_of_reach,   // args: why, the database
        server_back,
        server_trouble,        // args: why, the database
        part_refused,          // args: the part, why, the database
    };
    kind what = kind::none;
    QStringList args;
    long number = 0;
    int restartKey = 0;  // the fixture's key (Ctrl+N, twice) that starts it again; 0: Reconnect, or Start
    bool offersReconnect = false;
    bool warning() const {
        return what == kind::server_out_of_reach || what == kind::server_back || what == kind::server_trouble ||
               what == kind::part_refused;
    }
};

// The station's prompt under the tiles.
struct station_prompt {
    enum class kind { none, stopping, press_enter, opening, scan_for, step };
    kind what = kind::none;
    run_end ended;        // press_enter: why the last run ended
    QString database;     // opening
    QString fixture;      // scan_for: the fixture's name
    fixture_step step = fixture_step::none;  // step: the single fixture's
    QString port;         // step connecting
    QString heldSerial;   // a serial scanned while no fixture waited
};

}  // namespace op
