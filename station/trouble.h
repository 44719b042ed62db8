#pragma once

#include <QMetaType>

namespace station {

// Why talking to the board stopped working.
enum class trouble_kind {
    no_such_port,  // a port name the system does not list
    open_failed,   // the port did not open (the system's reason)
    line_lost,     // the open line failed: adapter pulled, far end gone
    timed_out,     // the board did not answer in time (what was awaited)
    not_recorded,  // a judged part could not be put on record
    wrong_firmware,  // the board runs another firmware than the part file names
};

}  // namespace station

Q_DECLARE_METATYPE(station::trouble_kind)
