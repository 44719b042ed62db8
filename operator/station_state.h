#pragma once

#include "station/part_result.h"

#include <QString>

namespace op {

// What a verdict tile says.
enum class tile_state { stopped, starting, waiting, testing, passed, failed, not_recorded, out_of_service };
// The tile of a judged part, also the colour of its verdict in the table.
tile_state tileOf(station::verdict verdict);

// Trouble the operator must act on, in the words of what to do.
struct banner {
    enum class kind { none, cannot_start, not_released, board_gone, wrong_firmware, not_recorded, server_out_of_reach, server_trouble,
                      part_refused };
    kind what = kind::none;
    QString text;
    bool offersReconnect = false;
};

}  // namespace op
