#include "results/report/report_sql.h"

#include "results/report/drop_stats.h"
#include "results/error.h"
#include "results/sql.h"
#include "results/utc_text.h"

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <unordered_map>

namespace results::report_detail {

namespace {

// The runs of one program under one tolerance: their drops are pooled.
struct program_key {
    QString path, sha;
    double tolerance = 0;
    bool operator<(const program_key& o) const { return std::tie(path, sha, tolerance) < std::tie(o.path, o.sha, o.tolerance); }
};

struct expected_pair {
    int a = 0, b = 0;  // the pins in the program's order
    QString pins;      // "1-2"
    QString words;     // "Led anode to Led cathode, 1.800V / -0.020V"
    std::map<int, long> ab, ba;  // parts per 0.02 V step
};

// A station's fixture: (station, fixture name), the name empty for a single unnamed one.
using fixture_key = std::pair<QString, QString>;

struct program_runs {
    QStringList runIds;
    std::vector<expected_pair> pairs;
    std::map<QString, fixture_key> fixtureOf;  // by run id
    // The same pairs counted per fixture, for the stations whose fixtures are compared.
    std::map<fixture_key, std::vector<expected_pair>> byFixture;
};

std::pair<int, int> pinNumbers(const QString& pins) {
    const int dash = pins.indexOf(QLatin1Char('-'), 1);
    return {pins.left(dash).toInt(), pins.mid(dash + 1).toInt()};
}

// Every run with a part in the period, by program.
std::map<program_key, program_runs> runsInPeriod(const QSqlDatabase& db, const report_period& period) {
    const auto [where, values] = periodClause(period);
    QSqlQuery query = sql::run(db,
                               QStringLiteral("SELECT r.id, r.program_path, r.program_sha256, r.tolerance, r.station, r.fixture"
                                              " FROM runs r WHERE EXISTS (SELECT 1 FROM parts p%1 AND p.run_id = r.id)")
                                   .arg(where),
                               values, QStringLiteral("cannot read the runs"));
    std::map<program_key, program_runs> programs;
    while (query.next()) {
        program_runs& runs = programs[{query.value(1).toString(), query.value(2).toString(), query.value(3).toDouble()}];
        const QString id = query.value(0).toString();
        runs.runIds << id;
        // A NULL fixture reads as an empty text.
        runs.fixtureOf[id] = {query.value(4).toString(), query.value(5).toString()};
    }
    return programs;
}

// The program's expected pin pairs as one of its parts lists them: every part that ran the static
// measure lists every expected pair, measured or not.
std::vector<expected_pair> expectedPairs(const QSqlDatabase& db, const QStringList& runIds) {
    std::vector<expected_pair> pairs;
    for (const QString& run : runIds) {
        QSqlQuery query = sql::run(
            db,
            QStringLiteral("SELECT c.pins, c.expected FROM comparisons c WHERE c.kind = 'pair' AND c.expected <> ''"
                           " AND c.part_id = (SELECT p.id FROM parts p WHERE p.run_id = ? AND EXISTS (SELECT 1 FROM"
                           " comparisons e WHERE e.part_id = p.id AND e.kind = 'pair' AND e.expected <> '') LIMIT 1)"
                           " ORDER BY c.seq"),
            {run}, QStringLiteral("cannot read the expected pin pairs"));
        while (query.next()) {
            expected_pair e;
            e.pins = query.value(0).toString();
            std::tie(e.a, e.b) = pinNumbers(e.pins);
            e.words = query.value(1).toString();
            pairs.push_back(e);
        }
        if (!pairs.empty())
            break;
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const expected_pair& x, const expected_pair& y) { return std::tie(x.a, x.b) < std::tie(y.a, y.b); });
    return pairs;
}

// The expected pair a measured one is, by unordered pins, and whether it faces the other way.
std::pair<expected_pair*, bool> match(std::vector<expected_pair>& pairs, int pinA, int pinB) {
    for (expected_pair& e : pairs) {
        if (e.a == pinA && e.b == pinB)
            return {&e, false};
        if (e.a == pinB && e.b == pinA)
            return {&e, true};
    }
    return {nullptr, false};
}

// One run's static measurement as counted: its pins, both drops in steps, how many.
struct counted_drop {
    int pinA, pinB, ab, ba;
    long count;
};

// The counts grouped in SQL (PostgreSQL's hash aggregate), by run id.
bool groupedDrops(const QSqlDatabase& db, const report_period& period,
                  const std::function<void(const QString&, const counted_drop&)>& add) {
    const auto [where, values] = periodClause(period);
    QSqlQuery query = sql::run(db,
                               QStringLiteral("SELECT p.run_id, m.pin_a, m.pin_b, CAST(ROUND(m.vdrop_ab_v * 50) AS INTEGER),"
                                              " CAST(ROUND(m.vdrop_ba_v * 50) AS INTEGER), count(*)"
                                              " FROM parts p JOIN measurements m ON m.part_id = p.id%1 AND m.measure = 'static'"
                                              " GROUP BY 1, 2, 3, 4, 5")
                                   .arg(where),
                               values, QStringLiteral("cannot count the measured drops"));
    while (query.next())
        add(query.value(0).toString(),
            {query.value(1).toInt(), query.value(2).toInt(), query.value(3).toInt(), query.value(4).toInt(), long(query.value(5).toLongLong())});
    return true;
}

// SQLite sorts for a GROUP BY: five million measurements took most of the report's time. Instead each
// measurement comes back as one integer (the run's rowid, both pins, both steps; a pin and a step are one
// byte each on the wire) and is counted here. The parts are read in id order from the index that holds
// their run and start and each one's static records from the index that holds their pins and drops
// (schema 4), so both indexes are walked in order and no table row is read. Pins and steps are bytes on
// the wire, as the journal stores them. False when a drop is missing (not written by a station): then
// the counts are left to groupedDrops, which counts it as it did.
bool packedDrops(const QSqlDatabase& db, const report_period& period,
                 const std::function<void(const QString&, const counted_drop&)>& add) {
    const QString what = QStringLiteral("cannot count the measured drops");
    std::unordered_map<qint64, QString> runIds;
    {
        QSqlQuery runs = sql::run(db, QStringLiteral("SELECT rowid, id FROM runs"), {}, what);
        while (runs.next())
            runIds[runs.value(0).toLongLong()] = runs.value(1).toString();
    }
    const auto [where, values] = periodClause(period);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // Each byte masked, so that a value no station writes cannot spill into its neighbours.
    const QString statement = QStringLiteral(
        "SELECT (((r.rowid * 256 + ((m.pin_a + 128) & 255)) * 256 + ((m.pin_b + 128) & 255)) * 256"
        " + ((CAST(ROUND(m.vdrop_ab_v * 50) AS INTEGER) + 128) & 255)) * 256 + ((CAST(ROUND(m.vdrop_ba_v * 50) AS INTEGER) + 128) & 255)"
        " FROM parts p CROSS JOIN runs r CROSS JOIN measurements m%1"
        " AND r.id = p.run_id AND m.part_id = p.id AND m.measure = 'static'")
                                  .arg(where);
    if (!query.prepare(statement))
        throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values.at(i));
    if (!query.exec())
        throw error(QStringLiteral("%1: %2").arg(what, sql::why(query.lastError())));
    // Sorted and counted in runs: a hash map's scattered increments cost more than the sort.
    std::vector<qint64> keys;
    while (query.next()) {
        if (query.isNull(0))
            return false;
        keys.push_back(query.value(0).toLongLong());
    }
    std::sort(keys.begin(), keys.end());
    for (std::size_t i = 0; i < keys.size();) {
        std::size_t end = i;
        while (end < keys.size() && keys[end] == keys[i])
            ++end;
        const qint64 key = keys[i];
        const auto run = runIds.find(key >> 32);
        if (run != runIds.end()) {
            const auto byte = [key](int at) { return int((key >> at) & 255) - 128; };
            add(run->second, {byte(24), byte(16), byte(8), byte(0), long(end - i)});
        }
        i = end;
    }
    return true;
}

void addCounted(std::vector<expected_pair>& pairs, const counted_drop& d) {
    const auto [pair, reversed] = match(pairs, d.pinA, d.pinB);
    if (!pair)
        return;  // a pair the program does not expect: a short, judged elsewhere
    pair->ab[reversed ? d.ba : d.ab] += d.count;
    pair->ba[reversed ? d.ab : d.ba] += d.count;
}

// Both drops' parts per step over the period, by run: one pass over the static measurements. The
// fixtures in `compared` get their own counts too.
void countDrops(const QSqlDatabase& db, const report_period& period, std::map<program_key, program_runs>& programs,
                const std::set<fixture_key>& compared) {
    std::map<QString, program_runs*> byRun;
    for (auto& [key, runs] : programs)
        for (const QString& id : runs.runIds) {
            byRun[id] = &runs;
            const fixture_key& fixture = runs.fixtureOf[id];
            if (compared.count(fixture) && !runs.byFixture.count(fixture))
                runs.byFixture[fixture] = runs.pairs;
        }
    std::vector<std::tuple<program_runs*, QString, counted_drop>> found;
    const auto add = [&](const QString& runId, const counted_drop& d) {
        const auto run = byRun.find(runId);
        if (run != byRun.end())
            found.emplace_back(run->second, runId, d);
    };
    if (!sql::isSqlite(db) || !packedDrops(db, period, add)) {
        found.clear();
        groupedDrops(db, period, add);
    }
    for (const auto& [runs, runId, d] : found) {
        addCounted(runs->pairs, d);
        const auto fixture = runs->byFixture.find(runs->fixtureOf[runId]);
        if (fixture != runs->byFixture.end())
            addCounted(fixture->second, d);
    }
}

// Each fixture's mean of one drop against its siblings' of the same station and program.
fixture_drop fixtureDrop(const drop_figures& whole, const std::vector<std::pair<QString, drop_moments>>& measured) {
    fixture_drop d{whole.program, whole.pair, whole.direction, whole.expected, whole.tolerance, {}};
    for (const auto& [name, m] : measured) {
        fixture_mean f;
        f.fixture = name;
        f.n = m.n;
        f.mean = m.mean;
        if (m.n >= fixtureMinimumParts) {
            double sum = 0;
            int siblings = 0;
            for (const auto& [other, o] : measured)
                if (other != name && o.n >= fixtureMinimumParts) {
                    sum += o.mean;
                    ++siblings;
                }
            if (siblings > 0) {
                f.siblingsMean = sum / siblings;
                f.flagged = apartFromSiblings(f.mean, *f.siblingsMean, whole.tolerance);
            }
        }
        d.fixtures.push_back(f);
    }
    return d;
}

// The mean of both drops over the first or last `driftParts` parts of the period that measured the pair.
// The period's index walks the parts in time order and stops at the last row wanted: `p.run_id || ''`
// and the CROSS JOIN keep SQLite from starting at the run index or the measurements instead, which would
// sort every part of the program.
std::pair<double, double> edgeMeans(const QSqlDatabase& db, const report_period& period, const program_key& program,
                                    const expected_pair& pair, bool last) {
    const auto [where, values] = periodClause(period);
    const QString order = last ? QStringLiteral("DESC") : QStringLiteral("ASC");
    QSqlQuery query = sql::run(
        db,
        QStringLiteral("SELECT m.pin_a, m.vdrop_ab_v, m.vdrop_ba_v FROM parts p CROSS JOIN measurements m%1"
                       " AND m.part_id = p.id AND m.measure = 'static'"
                       " AND ((m.pin_a = ? AND m.pin_b = ?) OR (m.pin_a = ? AND m.pin_b = ?))"
                       " AND p.run_id || '' IN (SELECT r.id FROM runs r WHERE r.program_path = ?"
                       " AND r.program_sha256 = ? AND ABS(r.tolerance - ?) < 1e-9)"
                       " ORDER BY p.started_utc %2, p.id %2 LIMIT %3")
            .arg(where, order)
            .arg(driftParts),
        QVariantList(values) << pair.a << pair.b << pair.b << pair.a << program.path << program.sha << program.tolerance,
        QStringLiteral("cannot read the drift of pair %1").arg(pair.pins));
    long ab = 0, ba = 0, n = 0;
    while (query.next()) {
        const int stepAb = stepOf(query.value(1).toDouble()), stepBa = stepOf(query.value(2).toDouble());
        const bool reversed = query.value(0).toInt() != pair.a;
        ab += reversed ? stepBa : stepAb;
        ba += reversed ? stepAb : stepBa;
        ++n;
    }
    return n ? std::make_pair(voltsOf(double(ab) / double(n)), voltsOf(double(ba) / double(n))) : std::make_pair(0.0, 0.0);
}

drop_figures dropOf(const program_key& program, const expected_pair& pair, bool reversed, std::optional<double> expected) {
    drop_figures d;
    d.program = {program.path, program.sha.left(8)};
    d.pair = pair.pins;
    d.direction = reversed ? QStringLiteral("%1->%2").arg(pair.b).arg(pair.a) : QStringLiteral("%1->%2").arg(pair.a).arg(pair.b);
    d.expected = expected;
    d.tolerance = program.tolerance;
    const std::map<int, long>& histogram = reversed ? pair.ba : pair.ab;
    d.histogram.assign(histogram.begin(), histogram.end());
    const drop_moments m = momentsOf(d.histogram);
    d.n = m.n;
    d.mean = m.mean;
    d.sd = m.sd;
    d.cpk = cpkOf(m, expected, program.tolerance, cpkMinimumParts);
    return d;
}

}  // namespace

std::pair<QString, QVariantList> periodClause(const report_period& period) {
    QString clause = QStringLiteral(" WHERE 1 = 1");
    QVariantList values;
    if (period.since.isValid()) {
        clause += QStringLiteral(" AND p.started_utc >= ?");
        values << utcText(period.since);
    }
    if (period.until.isValid()) {
        clause += QStringLiteral(" AND p.started_utc < ?");
        values << utcText(period.until);
    }
    return {clause, values};
}

void readCoverage(const QSqlDatabase& db, const report_period& period, report_figures& figures) {
    const auto [where, values] = periodClause(period);
    const QString what = QStringLiteral("cannot read the stations and programs");
    std::map<QString, std::set<QString>> stations;  // and their fixtures
    std::set<std::pair<QString, QString>> programs;
    {
        QSqlQuery query = sql::run(db,
                                   QStringLiteral("SELECT DISTINCT r.station, r.program_path, r.program_sha256, r.fixture FROM runs r"
                                                  " WHERE EXISTS (SELECT 1 FROM parts p%1 AND p.run_id = r.id)")
                                       .arg(where),
                                   values, what);
        while (query.next()) {
            stations[query.value(0).toString()].insert(query.value(3).toString());
            programs.insert({query.value(1).toString(), query.value(2).toString().left(8)});
        }
    }
    figures.stations.clear();
    figures.fixtures.clear();
    for (const auto& [s, fixtures] : stations) {
        figures.stations << s;
        if (fixtures.size() < 2)
            continue;
        station_fixtures compared{s, {}, {}};
        for (const QString& name : fixtures)
            compared.fixtures.push_back({name, {}});
        figures.fixtures.push_back(std::move(compared));
    }
    figures.programs.clear();
    for (const auto& [path, sha8] : programs)
        figures.programs.push_back({path, sha8});
    // Two queries, since each of min() and max() alone is read off the index.
    QSqlQuery first = sql::run(db, QStringLiteral("SELECT min(p.started_utc) FROM parts p%1").arg(where), values, what);
    if (first.next())
        figures.firstPart = fromUtcText(first.value(0).toString());
    QSqlQuery last = sql::run(db, QStringLiteral("SELECT max(p.started_utc) FROM parts p%1").arg(where), values, what);
    if (last.next())
        figures.lastPart = fromUtcText(last.value(0).toString());
}

std::vector<drop_figures> readDrops(const QSqlDatabase& db, const report_period& period,
                                    std::vector<station_fixtures>& fixtures) {
    std::map<program_key, program_runs> programs = runsInPeriod(db, period);
    for (auto& [key, runs] : programs)
        runs.pairs = expectedPairs(db, runs.runIds);
    std::set<fixture_key> compared;
    for (const station_fixtures& station : fixtures)
        for (const fixture_yield& f : station.fixtures)
            compared.insert({station.station, f.name});
    countDrops(db, period, programs, compared);

    std::vector<drop_figures> drops;
    for (const auto& [key, runs] : programs)
        for (const expected_pair& pair : runs.pairs) {
            const auto expected = expectedDrops(pair.words);
            drop_figures ab = dropOf(key, pair, false, expected ? std::optional<double>(expected->first) : std::nullopt);
            drop_figures ba = dropOf(key, pair, true, expected ? std::optional<double>(expected->second) : std::nullopt);
            if (ab.n >= 2 * driftParts) {
                const auto [firstAb, firstBa] = edgeMeans(db, period, key, pair, false);
                const auto [lastAb, lastBa] = edgeMeans(db, period, key, pair, true);
                ab.drift = {true, firstAb, lastAb, drifted(firstAb, lastAb, key.tolerance)};
                ba.drift = {true, firstBa, lastBa, drifted(firstBa, lastBa, key.tolerance)};
            }
            drops.push_back(std::move(ab));
            drops.push_back(std::move(ba));
        }

    for (station_fixtures& station : fixtures)
        for (const auto& [key, runs] : programs)
            for (std::size_t i = 0; i < runs.pairs.size(); ++i) {
                const auto expected = expectedDrops(runs.pairs[i].words);
                for (const bool reversed : {false, true}) {
                    std::vector<std::pair<QString, drop_moments>> measured;
                    for (const auto& [fixture, pairs] : runs.byFixture) {
                        if (fixture.first != station.station)
                            continue;
                        const std::map<int, long>& counts = reversed ? pairs[i].ba : pairs[i].ab;
                        const drop_moments m = momentsOf(std::vector<std::pair<int, long>>(counts.begin(), counts.end()));
                        if (m.n > 0)
                            measured.emplace_back(fixture.second, m);
                    }
                    // A drop one fixture alone measured has nothing to be compared with.
                    if (measured.size() < 2)
                        continue;
                    const std::optional<double> wanted =
                        expected ? std::optional<double>(reversed ? expected->second : expected->first) : std::nullopt;
                    station.drops.push_back(fixtureDrop(dropOf(key, runs.pairs[i], reversed, wanted), measured));
                }
            }
    return drops;
}

}  // namespace results::report_detail
