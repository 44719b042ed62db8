#include "results/server_trouble.h"

#include <QStringList>

namespace results {

server_trouble classify(const QSqlError& e) { return classify(e.nativeErrorCode()); }

server_trouble classify(const QString& sqlstate) {
    const QString code = sqlstate.trimmed();
    if (code.size() != 5)
        return server_trouble::out_of_reach;
    const QString cls = code.left(2);
    // 08 connection exception, 53 insufficient resources, 40 a transaction rolled back for a deadlock or
    // a serialization failure, which the next try gets past.
    if (cls == QLatin1String("08") || cls == QLatin1String("53") || cls == QLatin1String("40"))
        return server_trouble::out_of_reach;
    static const QStringList notNow{
        QStringLiteral("57014"),  // query canceled: the statement time-out, or cancel()
        QStringLiteral("55P03"),  // lock not available: the lock time-out
        QStringLiteral("57P01"),  // admin shutdown
        QStringLiteral("57P02"),  // crash shutdown
        QStringLiteral("57P03"),  // cannot connect now: starting up, shutting down
    };
    if (notNow.contains(code))
        return server_trouble::out_of_reach;
    // 22 data exception, 23 integrity constraint violation
    if (cls == QLatin1String("22") || cls == QLatin1String("23"))
        return server_trouble::refused;
    return server_trouble::other;
}

}  // namespace results
