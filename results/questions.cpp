#include "results/questions.h"

#include "results/error.h"
#include "results/sql.h"
#include "results/utc_text.h"

#include <algorithm>
#include <array>
#include <map>
#include <optional>
#include <utility>

namespace results {

namespace {

// The window as constant SQL on p.started_utc, to follow a WHERE clause, and its bound values.
struct window_sql {
    QString clause;
    QVariantList values;
};

window_sql window(const QDateTime& since, const QDateTime& until, const char* parts = "p") {
    window_sql w;
    if (since.isValid()) {
        w.clause += QStringLiteral(" AND %1.started_utc >= ?").arg(QLatin1String(parts));
        w.values << utcText(since);
    }
    if (until.isValid()) {
        w.clause += QStringLiteral(" AND %1.started_utc < ?").arg(QLatin1String(parts));
        w.values << utcText(until);
    }
    return w;
}

QString failureText(const QString& kind, const QString& pins, const QString& reason) {
    return QStringLiteral("%1 %2: %3").arg(kind, pins, reason);
}

// The group of a part as SQL; empty for no grouping.
QString groupSql(grouping by) {
    switch (by) {
    case grouping::none: return QString();
    case grouping::day: return QStringLiteral("substr(p.started_utc, 1, 10)");
    case grouping::hour: return QStringLiteral("substr(p.started_utc, 1, 13) || ':00'");
    case grouping::station: return QStringLiteral("r.station");
    case grouping::program: return QStringLiteral("r.program_path");
    // fixtureGroup() in SQL: '/' || NULL is NULL on both databases.
    case grouping::fixture: return QStringLiteral("r.station || coalesce('/' || r.fixture, '')");
    }
    return QString();
}

// Every part has its run (a foreign key on both databases), so the runs are joined only when the group
// needs them: the join costs a look-up per part.
QString partsSql(grouping by) {
    const bool runs = by == grouping::station || by == grouping::program || by == grouping::fixture;
    return runs ? QStringLiteral(" FROM parts p JOIN runs r ON r.id = p.run_id") : QStringLiteral(" FROM parts p");
}

std::optional<double> percent(long part, long whole) {
    return whole ? std::optional<double>(100.0 * double(part) / double(whole)) : std::nullopt;
}

std::optional<double> realOrNone(const QVariant& value) {
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

QString passedSql(const char* also = "") {
    return QStringLiteral("sum(CASE WHEN p.verdict = 'PASS'%1 THEN 1 ELSE 0 END)").arg(QLatin1String(also));
}

// SQLite has no percentile and sorts rather than selects: sorting a million times takes most of a
// second. So a sample of some ten thousand parts (every k-th rowid) brackets the middle, a count of the
// parts below and within the bracket checks that it holds the middle ranks, and only the bracket is
// sorted. A bracket that misses falls back to sorting every part: the answer is exact either way. Each
// time is a column of its own (p.test_s, p.cycle_s), and parts without it are left out.
struct bracket {
    double low = 0;
    double high = 0;
    long below = -1;    // parts under `low`
    long through = -1;  // parts up to `high`, included
};

constexpr long sampled = 10000;

// The two times of the summary, each a column of constant SQL.
const QString timeColumns[] = {QStringLiteral("p.test_s"), QStringLiteral("p.cycle_s")};

QString bracketCountsSql(const QString& column) {
    return QStringLiteral("sum(CASE WHEN %1 < ? THEN 1 ELSE 0 END), sum(CASE WHEN %1 <= ? THEN 1 ELSE 0 END)").arg(column);
}

// No bracket for fewer than 40,000 parts with the time, which sort fast enough.
std::optional<bracket> sampleBracket(const QSqlDatabase& db, const QString& from, const window_sql& filter, long n,
                                     const QString& column, const QString& what) {
    if (n < 4 * sampled)
        return std::nullopt;
    // The rows whose rowid is a multiple of `step`, looked up one by one: a pass over a million parts
    // would cost as much as the bracket saves. Parts that are a small share of the file are sorted instead.
    const qlonglong step = n / sampled;
    QSqlQuery ends = sql::run(db, QStringLiteral("SELECT (SELECT min(rowid) FROM parts), (SELECT max(rowid) FROM parts)"),
                              {}, what);
    if (!ends.next() || ends.isNull(0))
        return std::nullopt;
    const qlonglong first = (ends.value(0).toLongLong() + step - 1) / step * step, last = ends.value(1).toLongLong();
    if ((last - first) / step > 10 * sampled)
        return std::nullopt;
    std::vector<double> sample;
    QSqlQuery query = sql::run(db,
                               QStringLiteral("WITH RECURSIVE picked(k) AS (SELECT ? UNION ALL SELECT k + ? FROM picked WHERE k + ? <= ?)"
                                              " SELECT %1%2 WHERE p.rowid IN (SELECT k FROM picked) AND %1 IS NOT NULL%3 ORDER BY %1")
                                   .arg(column, from, filter.clause),
                               QVariantList{first, step, step, last} + filter.values, what);
    while (query.next())
        sample.push_back(query.value(0).toDouble());
    if (sample.size() < std::size_t(sampled / 2))
        return std::nullopt;
    // Three percent of the parts each side of the middle: six standard errors of the sample's median.
    const auto at = [&](double share) {
        return sample[std::min(sample.size() - 1, static_cast<std::size_t>(share * double(sample.size())))];
    };
    return bracket{at(0.47), at(0.53)};
}

// The median of `column` over the `n` parts that have it; none when no part has it.
std::optional<double> sqliteMedian(const QSqlDatabase& db, const QString& from, const window_sql& filter, long n,
                                   const QString& column, std::optional<bracket> around, const QString& what) {
    if (n <= 0)
        return std::nullopt;
    const long lower = (n - 1) / 2, upper = n / 2;  // ranks of the middle one or two, from 0
    const auto middle = [&](const QString& band, const QVariantList& bandValues, long offset) {
        QSqlQuery query = sql::run(db,
                                   QStringLiteral("SELECT %1%2 WHERE %1 IS NOT NULL%3%4 ORDER BY %1 LIMIT ? OFFSET ?")
                                       .arg(column, from, filter.clause, band),
                                   filter.values + bandValues + QVariantList{qlonglong(upper - lower + 1), qlonglong(offset)},
                                   what);
        double sum = 0;
        int count = 0;
        for (; query.next(); ++count)
            sum += query.value(0).toDouble();
        return count ? std::optional<double>(sum / count) : std::nullopt;
    };
    if (around && around->below < 0) {
        QSqlQuery query = sql::run(db, QStringLiteral("SELECT %1%2 WHERE 1 = 1%3").arg(bracketCountsSql(column), from, filter.clause),
                                   QVariantList{around->low, around->high} + filter.values, what);
        if (query.next()) {
            around->below = query.value(0).toLongLong();
            around->through = query.value(1).toLongLong();
        }
    }
    if (around && around->below >= 0 && around->below <= lower && upper < around->through)
        return middle(QStringLiteral(" AND %1 >= ? AND %1 <= ?").arg(column), {around->low, around->high},
                      lower - around->below);
    return middle(QString(), {}, lower);
}

// The serials recorded more than once in the window, which alone need their parts in order; the window
// follows, on q. Without a window, finding them reads the index on serial alone.
const char* const retestedSerials =
    "p.serial IN (SELECT q.serial FROM parts q WHERE q.serial > ''%1 GROUP BY q.serial HAVING count(*) > 1)";

}  // namespace

QString fixtureGroup(const QString& station, const QString& fixture) {
    return fixture.isEmpty() ? station : station + QLatin1Char('/') + fixture;
}

QString measuredRange(const failure_row& row) {
    if (!row.measuredMin || !row.measuredMax)
        return QString();
    // Only drops are volts; the other values are pin type codes.
    const bool volts = row.mode.contains(QLatin1String(": drop "));
    const auto text = [volts](double v) { return volts ? QString::number(v, 'f', 3) : QString::number(v, 'f', 0); };
    QString range = text(*row.measuredMin);
    if (text(*row.measuredMax) != range)
        range += QStringLiteral(" .. ") + text(*row.measuredMax);
    return volts ? range + QStringLiteral(" V") : range;
}

questions::questions(const QSqlDatabase& db) : db(db) {
    // A server compiles an expensive query to machine code first (JIT), which costs more than half a
    // second per pass over a million parts and saves less: these passes run once. A server without JIT
    // says no, which changes nothing. And its default 4 MB a sort or hash spills a year's drops (five
    // million rows grouped by run) to disk in batches: 256 MB keeps them in memory, 11.5 s down to 8.8.
    if (!sql::isSqlite(db)) {
        QSqlQuery(db).exec(QStringLiteral("SET jit = off"));
        QSqlQuery(db).exec(QStringLiteral("SET work_mem = '256MB'"));
    }
}

std::vector<summary_row> questions::summary(const QDateTime& since, const QDateTime& until, grouping by) const {
    const QString what = QStringLiteral("cannot summarise the parts");
    const bool sqlite = sql::isSqlite(db);
    const window_sql w = window(since, until);
    const QString from = partsSql(by);
    const QString group = groupSql(by);
    const bool grouped = by != grouping::none;
    // SQLite sorts for a GROUP BY: without groups none is asked for, and an empty window gives one row of
    // zeros, skipped.
    const QString groupColumn = grouped ? group : QStringLiteral("''");
    const QString groupBy = grouped ? QStringLiteral(" GROUP BY ") + group : QString();
    std::map<QString, summary_row> rows;
    // Per group, how many of its parts have each time.
    std::map<QString, std::array<long, 2>> timed;

    // Without groups, the samples come first so that the one pass over the parts counts the brackets too.
    std::array<std::optional<bracket>, 2> whole;
    if (sqlite && !grouped) {
        QSqlQuery count = sql::run(db, QStringLiteral("SELECT count(p.test_s), count(p.cycle_s) FROM parts p WHERE 1 = 1%1").arg(w.clause),
                                   w.values, what);
        const bool counted = count.next();
        for (std::size_t i = 0; i < whole.size(); ++i)
            whole[i] = sampleBracket(db, from, w, counted ? long(count.value(int(i)).toLongLong()) : 0, timeColumns[i], what);
    }
    {
        QString extra;
        QVariantList values;
        for (std::size_t i = 0; i < whole.size(); ++i) {
            if (!sqlite) {
                extra += QStringLiteral(", percentile_cont(0.5) WITHIN GROUP (ORDER BY %1)").arg(timeColumns[i]);
            } else if (whole[i]) {
                extra += QStringLiteral(", ") + bracketCountsSql(timeColumns[i]);
                values << whole[i]->low << whole[i]->high;
            }
        }
        QSqlQuery query = sql::run(db,
                                   QStringLiteral("SELECT %1, count(*), %2, %3, count(p.test_s), count(p.cycle_s)%4%5 WHERE 1 = 1%6%7")
                                       .arg(groupColumn, passedSql(), passedSql(" AND p.attempt = 1"), extra, from,
                                            w.clause, groupBy),
                                   values + w.values, what);
        while (query.next()) {
            summary_row row;
            row.group = grouped ? query.value(0).toString() : QString();
            row.parts = query.value(1).toLongLong();
            if (row.parts == 0)
                continue;
            row.passed = query.value(2).toLongLong();
            row.failed = row.parts - row.passed;
            // Each part a unit of its own for now; the serials with more than one part are counted below.
            row.units = row.parts;
            row.passedFirst = query.value(3).toLongLong();
            row.passedFinally = row.passed;
            timed[row.group] = {long(query.value(4).toLongLong()), long(query.value(5).toLongLong())};
            int column = 6;
            if (!sqlite) {
                row.medianTest = realOrNone(query.value(column++));
                row.medianCycle = realOrNone(query.value(column++));
            } else {
                for (std::optional<bracket>& b : whole) {
                    if (!b)
                        continue;
                    b->below = query.value(column++).toLongLong();
                    b->through = query.value(column++).toLongLong();
                }
            }
            rows[row.group] = row;
        }
    }

    {
        // Per serial retested: its parts, and whether its first part (attempt 1, passed) and its last
        // (passed) count. SQLite orders the parts by one text per part, the start time (one width), the
        // attempt (ten digits) and the id, each ended by char(1), which sorts before every character they
        // hold, with the two answers after the id; PostgreSQL would compare that text by its collation,
        // so it numbers the parts with a window instead.
        QString perSerial;
        const QString retested = QString::fromLatin1(retestedSerials).arg(window(since, until, "q").clause);
        const QString partition = grouped ? group + QStringLiteral(", p.serial") : QStringLiteral("p.serial");
        if (sqlite) {
            const QString key = QStringLiteral(
                "p.started_utc || char(1) || substr('000000000' || p.attempt, -10) || char(1) || p.id || char(1)"
                " || CASE WHEN p.verdict = 'PASS' AND p.attempt = 1 THEN '1' ELSE '0' END"
                " || CASE WHEN p.verdict = 'PASS' THEN '1' ELSE '0' END");
            perSerial = QStringLiteral("SELECT %1 AS g, count(*) AS parts, %2 AS passed_first, %3 AS passed,"
                                       " CASE WHEN substr(min(%4), -2, 1) = '1' THEN 1 ELSE 0 END AS first_passed,"
                                       " CASE WHEN substr(max(%4), -1) = '1' THEN 1 ELSE 0 END AS last_passed"
                                       "%5 WHERE %6%7 GROUP BY %8")
                            .arg(groupColumn, passedSql(" AND p.attempt = 1"), passedSql(), key, from, retested, w.clause,
                                 partition);
        } else {
            perSerial = QStringLiteral("SELECT g, count(*) AS parts,"
                                       " sum(CASE WHEN verdict = 'PASS' AND attempt = 1 THEN 1 ELSE 0 END) AS passed_first,"
                                       " sum(CASE WHEN verdict = 'PASS' THEN 1 ELSE 0 END) AS passed,"
                                       " max(CASE WHEN n = 1 AND verdict = 'PASS' AND attempt = 1 THEN 1 ELSE 0 END) AS first_passed,"
                                       " max(CASE WHEN n = total AND verdict = 'PASS' THEN 1 ELSE 0 END) AS last_passed"
                                       " FROM (SELECT %1 AS g, p.serial, p.verdict, p.attempt,"
                                       " row_number() OVER (PARTITION BY %2 ORDER BY p.started_utc, p.attempt, p.id) AS n,"
                                       " count(*) OVER (PARTITION BY %2) AS total%3 WHERE %4%5) AS ordered GROUP BY g, serial")
                            .arg(groupColumn, partition, from, retested, w.clause);
        }
        QSqlQuery query = sql::run(db,
                                   QStringLiteral("SELECT %1, sum(parts), sum(passed_first), sum(passed), count(*),"
                                                  " sum(first_passed), sum(last_passed) FROM (%2) AS retested%3")
                                       .arg(grouped ? QStringLiteral("g") : QStringLiteral("''"), perSerial,
                                            grouped ? QStringLiteral(" GROUP BY g") : QString()),
                                   w.values + w.values, what);
        while (query.next()) {
            const auto found = rows.find(grouped ? query.value(0).toString() : QString());
            if (found == rows.end())
                continue;
            summary_row& row = found->second;
            // Their parts leave the count of single parts; their units come in with their first and last part.
            row.units += query.value(4).toLongLong() - query.value(1).toLongLong();
            row.passedFirst += query.value(5).toLongLong() - query.value(2).toLongLong();
            row.passedFinally += query.value(6).toLongLong() - query.value(3).toLongLong();
        }
    }

    // Grouped, SQLite's medians come from one pass over the window's times, each group's middle picked
    // here: a query per group and time (two for every day of a year) cost more than the pass.
    std::map<QString, std::array<std::vector<double>, 2>> times;
    if (sqlite && grouped) {
        QSqlQuery query(db);
        query.setForwardOnly(true);
        if (!query.prepare(QStringLiteral("SELECT %1, p.test_s, p.cycle_s%2 WHERE 1 = 1%3").arg(group, from, w.clause)))
            throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
        for (int i = 0; i < w.values.size(); ++i)
            query.bindValue(i, w.values.at(i));
        if (!query.exec())
            throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
        QString name;
        std::array<std::vector<double>, 2>* into = nullptr;
        while (query.next()) {
            const QString g = query.value(0).toString();
            if (!into || g != name) {
                name = g;
                into = &times[name];
            }
            for (std::size_t i = 0; i < into->size(); ++i)
                if (!query.isNull(int(i) + 1))
                    (*into)[i].push_back(query.value(int(i) + 1).toDouble());
        }
    }
    const auto middleOf = [](std::vector<double>& values) -> std::optional<double> {
        if (values.empty())
            return std::nullopt;
        const std::size_t lower = (values.size() - 1) / 2, upper = values.size() / 2;
        std::nth_element(values.begin(), values.begin() + long(upper), values.end());
        const double high = values[upper];
        if (lower == upper)
            return high;
        const double low = *std::max_element(values.begin(), values.begin() + long(upper));
        return (low + high) / 2;
    };

    std::vector<summary_row> result;
    for (auto& [name, row] : rows) {
        if (sqlite && grouped) {
            row.medianTest = middleOf(times[name][0]);
            row.medianCycle = middleOf(times[name][1]);
        } else if (sqlite) {
            std::array<std::optional<double>, 2> medians;
            for (std::size_t i = 0; i < medians.size(); ++i)
                medians[i] = sqliteMedian(db, from, w, timed[name][i], timeColumns[i], whole[i], what);
            row.medianTest = medians[0];
            row.medianCycle = medians[1];
        }
        row.firstPassYield = percent(row.passedFirst, row.units);
        row.finalYield = percent(row.passedFinally, row.units);
        result.push_back(row);
    }
    return result;
}

std::vector<failure_row> questions::failures(int top, const QDateTime& since, const QDateTime& until) const {
    const window_sql w = window(since, until);
    // A failure recorded without its mode is named by its old text. The modes in code-point order on both
    // databases, whatever the server's collation.
    const QString mode = QStringLiteral("coalesce(c.mode, c.kind || ' ' || c.pins || ': ' || c.reason)");
    const QString order = QStringLiteral("count(*) DESC, %1%2").arg(mode, sql::isSqlite(db) ? QString() : QStringLiteral(" COLLATE \"C\""));
    const QString what = QStringLiteral("cannot count the failures");
    // Every comparison has its part: the parts are joined only for a window. `passed = 0` as it is
    // written in the index of failed comparisons, so that both databases read that index.
    QString from = QStringLiteral(" FROM comparisons c");
    if (!w.clause.isEmpty()) {
        // The smaller side leads (SQLite keeps a CROSS JOIN's order): a short window's parts through the
        // index on start time, each looked up among the failed comparisons; a long window's failed
        // comparisons, each looked up among the parts.
        QSqlQuery parts = sql::run(db, QStringLiteral("SELECT count(*) FROM parts p WHERE 1 = 1%1").arg(w.clause), w.values, what);
        QSqlQuery failed = sql::run(db, QStringLiteral("SELECT count(*) FROM comparisons c WHERE c.passed = 0"), {}, what);
        const bool partsFirst = parts.next() && failed.next() && parts.value(0).toLongLong() < failed.value(0).toLongLong();
        from = partsFirst ? QStringLiteral(" FROM parts p CROSS JOIN comparisons c")
                          : QStringLiteral(" FROM comparisons c CROSS JOIN parts p");
        from += QStringLiteral(" WHERE c.part_id = p.id AND");
    } else {
        from += QStringLiteral(" WHERE");
    }
    QVariantList values = w.values;
    QString limit;
    if (top >= 0) {
        limit = QStringLiteral(" LIMIT ?");
        values << top;
    }
    QSqlQuery query = sql::run(db,
                               QStringLiteral("SELECT %1, count(*), CAST(sum(count(*)) OVER (ORDER BY %2 ROWS UNBOUNDED PRECEDING) AS BIGINT),"
                                              " CAST(sum(count(*)) OVER () AS BIGINT), min(c.measured_value), max(c.measured_value)"
                                              "%3 c.passed = 0%4"
                                              " GROUP BY %1 ORDER BY %2%5")
                                   .arg(mode, order, from, w.clause, limit),
                               values, what);
    std::vector<failure_row> rows;
    while (query.next()) {
        failure_row row;
        row.mode = query.value(0).toString();
        row.count = query.value(1).toLongLong();
        row.cumulativePercent = percent(query.value(2).toLongLong(), query.value(3).toLongLong()).value_or(0);
        row.measuredMin = realOrNone(query.value(4));
        row.measuredMax = realOrNone(query.value(5));
        rows.push_back(row);
    }
    return rows;
}

std::vector<attempt_row> questions::part(const QString& serial) const {
    const QString what = QStringLiteral("cannot read the parts of serial %1").arg(serial);
    QSqlQuery query = sql::run(db,
                               QStringLiteral("SELECT p.id, p.attempt, p.started_utc, r.station, p.verdict"
                                              " FROM parts p JOIN runs r ON r.id = p.run_id WHERE p.serial = ?"
                                              " ORDER BY p.started_utc, p.attempt, p.id"),
                               {serial}, what);
    std::vector<attempt_row> rows;
    while (query.next()) {
        attempt_row row;
        row.partId = query.value(0).toString();
        row.attempt = query.value(1).toInt();
        row.started = fromUtcText(query.value(2).toString());
        row.station = query.value(3).toString();
        row.verdict = query.value(4).toString();
        rows.push_back(row);
    }
    for (attempt_row& row : rows) {
        QSqlQuery reasons = sql::run(db,
                                     QStringLiteral("SELECT kind, pins, reason FROM comparisons"
                                                    " WHERE part_id = ? AND passed = 0 ORDER BY seq"),
                                     {row.partId}, what);
        while (reasons.next())
            row.reasons << failureText(reasons.value(0).toString(), reasons.value(1).toString(),
                                       reasons.value(2).toString());
    }
    return rows;
}

std::vector<export_row> questions::exportRows(const QDateTime& since, const QDateTime& until) const {
    std::vector<export_row> rows;
    exportEach(since, until, [&rows](const export_row& row) {
        rows.push_back(row);
        return true;
    });
    return rows;
}

bool questions::exportEach(const QDateTime& since, const QDateTime& until,
                           const std::function<bool(const export_row&)>& each) const {
    const QString what = QStringLiteral("cannot export the comparisons");
    const window_sql w = window(since, until);
    // A page of parts at a time, each page after the last part of the one before in the export's order:
    // every page is a short walk of the index on start time and a sort of its own rows, never a sort of
    // everything before the first row, and a reader that goes away stops it within a page. A part
    // without comparisons still comes back once (the LEFT JOIN), so that its page moves the walk on.
    constexpr int pageParts = 500;
    const QString columns = QStringLiteral(
        "SELECT p.serial, p.attempt, r.station, p.started_utc, p.verdict, c.kind, c.pins, c.expected, c.measured, c.passed,"
        " c.reason, c.mode, c.expected_value, c.measured_value, p.test_s, p.cycle_s, p.id");
    const QString order = QStringLiteral(" ORDER BY p.started_utc, p.attempt, p.id");
    const QString first = QStringLiteral("%1 FROM (SELECT * FROM parts p WHERE 1 = 1%2%3 LIMIT %4) p"
                                         " LEFT JOIN comparisons c ON c.part_id = p.id JOIN runs r ON r.id = p.run_id%3, c.seq")
                              .arg(columns, w.clause, order)
                              .arg(pageParts);
    const QString next = QStringLiteral("%1 FROM (SELECT * FROM parts p WHERE p.started_utc >= ?%2 AND (p.started_utc > ?"
                                        " OR (p.started_utc = ? AND (p.attempt > ? OR (p.attempt = ? AND p.id > ?))))%3 LIMIT %4) p"
                                        " LEFT JOIN comparisons c ON c.part_id = p.id JOIN runs r ON r.id = p.run_id%3, c.seq")
                             .arg(columns, w.clause, order)
                             .arg(pageParts);
    QSqlQuery query(db);
    query.setForwardOnly(true);  // no copy of the rows read kept for going back
    QVariantList values = w.values;
    bool firstPage = true;
    for (;;) {
        if (!query.prepare(firstPage ? first : next))
            throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
        for (int i = 0; i < values.size(); ++i)
            query.bindValue(i, values.at(i));
        if (!query.exec())
            throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
        firstPage = false;
        QString lastStarted, lastId;
        int lastAttempt = 0;
        int parts = 0;
        while (query.next()) {
            lastStarted = query.value(3).toString();
            lastAttempt = query.value(1).toInt();
            const QString id = query.value(16).toString();
            if (id != lastId)
                ++parts;
            lastId = id;
            if (query.isNull(5))
                continue;
            export_row row;
            row.serial = query.isNull(0) ? QString() : query.value(0).toString();
            row.attempt = query.value(1).toInt();
            row.station = query.value(2).toString();
            row.started = fromUtcText(lastStarted);
            row.verdict = query.value(4).toString();
            row.kind = query.value(5).toString();
            row.pins = query.value(6).toString();
            row.expected = query.value(7).toString();
            row.measured = query.value(8).toString();
            row.passed = query.value(9).toInt() != 0;
            row.reason = query.value(10).toString();
            row.mode = query.value(11).toString();
            row.expectedValue = realOrNone(query.value(12));
            row.measuredValue = realOrNone(query.value(13));
            row.testSeconds = realOrNone(query.value(14));
            row.cycleSeconds = realOrNone(query.value(15));
            if (!each(row))
                return false;
        }
        if (parts < pageParts)
            return true;
        values = QVariantList{lastStarted} + w.values + QVariantList{lastStarted, lastStarted, lastAttempt, lastAttempt, lastId};
    }
}

}  // namespace results
