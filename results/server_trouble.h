#pragma once

#include <QSqlError>

namespace results {

// What a failure on the results server means for the records waiting to go there.
enum class server_trouble {
    out_of_reach,  // no answer, or not now: the connection failed or was cut, a time-out, a lock, a
                   // server shutting down or short of resources. Trying again later is right.
    refused,       // the server read the row and will not take it (a data exception, an integrity rule)
    other,         // the server answers but is not set up for us: no privilege, no table, ...
};

// By the SQLSTATE that Qt's QPSQL driver keeps in nativeErrorCode(). An error without one never got an
// answer from the server (a server that answers always gives one), so it is out_of_reach.
server_trouble classify(const QSqlError& e);
// The same by the SQLSTATE alone, as results::error::code() keeps it.
server_trouble classify(const QString& sqlstate);

}  // namespace results
