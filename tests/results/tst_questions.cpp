// The questions asked of the recorded parts, on a known set of parts written by this test, once in the
// station's SQLite journal and once on a real PostgreSQL server it was forwarded to; and the CSV and
// text-table writers the commands print them with. Every expected number is worked out by hand from
// the set below.

#include "pg_cluster.h"
#include "judged_parts.h"

#include "results/aligned_table.h"
#include "results/connection.h"
#include "results/csv.h"
#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/questions.h"
#include "results/utc_text.h"

#include <QDir>
#include <QFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <optional>
#include <tuple>

using judged_parts::at;

namespace {

station::comparison touch(bool passed) {
    return {QStringLiteral("touch"), QStringLiteral("16"), passed, QStringLiteral("Touch ON"),
            passed ? QStringLiteral("Touch ON") : QStringLiteral("Touch OFF"),
            passed ? QString() : QStringLiteral("reads OFF, expected ON")};
}

station::comparison stuckButton() {
    station::comparison c{QStringLiteral("button"), QStringLiteral("12 (common 14)"), false, QStringLiteral("Button ON"),
                          QStringLiteral("Button OFF"), QStringLiteral("reads OFF, expected ON")};
    c.mode = QStringLiteral("button 12: state");
    return c;
}

// A part as judged_parts::part makes it, its test taking half its cycle; `removed` false: it has no cycle.
station::part_result timedPart(const char* started, double cycle, std::vector<station::comparison> comparisons,
                               bool removed = true) {
    station::part_result p = judged_parts::part(started, cycle, std::move(comparisons));
    p.testSeconds = cycle / 2;
    if (!removed)
        p.cycleSeconds.reset();
    return p;
}

QString figure(const std::optional<double>& value, int decimals = -1) {
    if (!value)
        return QStringLiteral("none");
    return decimals < 0 ? QString::number(*value) : QString::number(*value, 'f', decimals);
}

QString summaryText(const results::summary_row& r) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8 %9 %10 %11")
        .arg(r.group.isEmpty() ? QStringLiteral("-") : r.group)
        .arg(r.parts)
        .arg(r.passed)
        .arg(r.failed)
        .arg(r.units)
        .arg(r.passedFirst)
        .arg(r.passedFinally)
        .arg(figure(r.firstPassYield, 2), figure(r.finalYield, 2), figure(r.medianTest), figure(r.medianCycle));
}

}  // namespace

class tst_questions : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void summary_data();
    void summary();
    void failures_data();
    void failures();
    void partAttempts_data();
    void partAttempts();
    void exportRows_data();
    void exportRows();

    // The export read a page of parts at a time: parts sharing a start time, and parts without
    // comparisons, across the pages' edges; a window; a reader that stops.
    void exportOfManyParts();
    void medianOfManyParts_data();
    void medianOfManyParts();
    void olderJournalIsAnsweredOnceUpToDate();
    void readerRefuses_data();
    void readerRefuses();

    void csvRecord_data();
    void csvRecord();
    void csvText_data();
    void csvText();
    void alignedTable();

private:
    // The same rows for the journal and for the server, after a first column "backend": `rows` gets a
    // maker of a named row for each.
    using row_maker = std::function<QTestData&(const char*)>;
    static void addBackends(const std::function<void(const row_maker&)>& rows);
    QSqlDatabase backend(const QString& name) { return name == QLatin1String("sqlite") ? journal->database() : server->db(); }

    pg_cluster cluster;
    QTemporaryDir dir;
    std::optional<results::journal> journal;
    std::unique_ptr<results::connection> server;
};

// Nine parts on two stations, three fixtures (ST-A's L and R, ST-B's single unnamed one) and two part
// programs, over two days; each test takes half the cycle, and #7 and #9 were never removed, so they
// have a test time and no cycle:
//   #  serial  station program  started (UTC)      cycle  verdict  failed comparisons
//   1  S1      ST-A/L  alpha    2026-12-07 10:00   2      FAIL     pair 1-2 drop 2.00 V, pair 5-6 open
//   2  S1      ST-A/L  alpha    2026-12-07 10:05   3      PASS
//   3  S2      ST-A/L  alpha    2026-12-07 10:10   4      PASS
//   4  S3      ST-A/R  beta     2026-12-07 11:00   5      FAIL     pair 1-2 drop 2.04 V, pair 5-6 open
//   5  S3      ST-B    beta     2026-12-07 11:30   6      PASS
//   6  -       ST-B    beta     2026-12-08 09:00   7      PASS
//   7  -       ST-B    beta     2026-12-08 09:10   -      FAIL     button 12 stuck
//   8  S4      ST-B    beta     2026-12-08 09:20   9      PASS
//   9  S2      ST-B    beta     2026-12-08 10:00   -      FAIL     pair 5-6 open, pair 1-2 drop 2.06 V, touch 16
// (#9 lists its comparisons in neither pin nor reason order, as a part file may; its touch failure has no
// mode, as failures recorded before modes were kept.)
void tst_questions::initTestCase() {
    QVERIFY2(cluster.ok(), qPrintable(cluster.error()));
    QVERIFY(dir.isValid());
    QVERIFY2(cluster.createResultsDatabase(QStringLiteral("questions")), qPrintable(cluster.error()));

    journal.emplace(dir.filePath(QStringLiteral("station.sqlite")));
    setup::run_info left = judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part"));
    left.fixture = QStringLiteral("L");
    setup::run_info right = judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/beta.part"));
    right.fixture = QStringLiteral("R");
    const QString a1 = journal->beginRun(left);
    const QString a2 = journal->beginRun(right);
    const QString b = journal->beginRun(judged_parts::run(QStringLiteral("ST-B"), QStringLiteral("/parts/beta.part")));
    using namespace judged_parts;
    journal->record(a1, QStringLiteral("S1"), timedPart("2026-12-07T10:00:00.000Z", 2, {lowDropPair("1-2", 2.0), openPair("5-6")}));
    journal->record(a1, QStringLiteral("S1"), timedPart("2026-12-07T10:05:00.000Z", 3, {passedPair("1-2"), passedPair("5-6")}));
    journal->record(a1, QStringLiteral("S2"), timedPart("2026-12-07T10:10:00.000Z", 4, {passedPair("1-2"), passedPair("5-6")}));
    journal->record(a2, QStringLiteral("S3"), timedPart("2026-12-07T11:00:00.000Z", 5, {lowDropPair("1-2", 2.04), openPair("5-6")}));
    journal->record(b, QStringLiteral("S3"), timedPart("2026-12-07T11:30:00.000Z", 6, {passedPair("1-2"), passedPair("5-6"), touch(true)}));
    journal->record(b, QString(), timedPart("2026-12-08T09:00:00.000Z", 7, {passedPair("1-2"), passedPair("5-6")}));
    journal->record(b, QString(), timedPart("2026-12-08T09:10:00.000Z", 8, {passedPair("1-2"), passedPair("5-6"), stuckButton()}, false));
    journal->record(b, QStringLiteral("S4"), timedPart("2026-12-08T09:20:00.000Z", 9, {passedPair("1-2"), passedPair("5-6")}));
    journal->record(b, QStringLiteral("S2"),
                    timedPart("2026-12-08T10:00:00.000Z", 10, {openPair("5-6"), lowDropPair("1-2", 2.06), touch(false)}, false));

    const results::forward_report report = results::forwarder(cluster.url(QStringLiteral("questions"))).forward(*journal);
    QVERIFY2(report.complete() && report.forwarded == 9, qPrintable(report.error));
    server = cluster.connect(QStringLiteral("questions"));
    QVERIFY(server->db().isOpen());
}

void tst_questions::cleanupTestCase() {
    server.reset();
    journal.reset();
}

void tst_questions::addBackends(const std::function<void(const row_maker&)>& rows) {
    for (const char* backend : {"sqlite", "postgresql"})
        rows([backend](const char* name) -> QTestData& {
            return (*name ? QTest::addRow("%s: %s", backend, name) : QTest::addRow("%s", backend)) << QString::fromLatin1(backend);
        });
}

void tst_questions::summary_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QDateTime>("since");
    QTest::addColumn<QDateTime>("until");
    QTest::addColumn<int>("by");
    // group parts passed failed units passed-first passed-finally first-pass% final% median-test median-cycle
    QTest::addColumn<QStringList>("rows");
    addBackends([](const row_maker& row) {
        row("everything") << QDateTime() << QDateTime() << int(results::grouping::none)
                          << QStringList{"- 9 5 4 6 3 4 50.00 66.67 3 5"};
        row("since included, until excluded")
            << at("2026-12-07T10:00:00.000Z") << at("2026-12-07T10:10:00.000Z") << int(results::grouping::none)
            << QStringList{"- 2 1 1 1 0 1 0.00 100.00 1.25 2.5"};
        row("the second day: a retest whose first attempt came before")
            << at("2026-12-08T00:00:00.000Z") << QDateTime() << int(results::grouping::none)
            << QStringList{"- 4 2 2 4 2 2 50.00 50.00 4.25 8"};
        row("by day") << QDateTime() << QDateTime() << int(results::grouping::day)
                      << QStringList{"2026-12-07 5 3 2 3 1 3 33.33 100.00 2 4", "2026-12-08 4 2 2 4 2 2 50.00 50.00 4.25 8"};
        row("by hour: the last hour's one part was never removed")
            << QDateTime() << QDateTime() << int(results::grouping::hour)
            << QStringList{"2026-12-07T10:00 3 2 1 2 1 2 50.00 100.00 1.5 3",
                           "2026-12-07T11:00 2 1 1 1 0 1 0.00 100.00 2.75 5.5",
                           "2026-12-08T09:00 3 2 1 3 2 2 66.67 66.67 4 8",
                           "2026-12-08T10:00 1 0 1 1 0 0 0.00 0.00 5 none"};
        row("by station") << QDateTime() << QDateTime() << int(results::grouping::station)
                          << QStringList{"ST-A 4 2 2 3 1 2 33.33 66.67 1.75 3.5", "ST-B 5 3 2 5 2 3 40.00 60.00 4 7"};
        // A unit is counted within its fixture: S3 on ST-A/R and again on ST-B.
        row("by fixture") << QDateTime() << QDateTime() << int(results::grouping::fixture)
                          << QStringList{"ST-A/L 3 2 1 2 1 2 50.00 100.00 1.5 3", "ST-A/R 1 0 1 1 0 0 0.00 0.00 2.5 5",
                                         "ST-B 5 3 2 5 2 3 40.00 60.00 4 7"};
        row("by fixture, the first day") << QDateTime() << at("2026-12-08T00:00:00.000Z") << int(results::grouping::fixture)
                                         << QStringList{"ST-A/L 3 2 1 2 1 2 50.00 100.00 1.5 3",
                                                        "ST-A/R 1 0 1 1 0 0 0.00 0.00 2.5 5",
                                                        "ST-B 1 1 0 1 0 1 0.00 100.00 3 6"};
        row("by program") << QDateTime() << QDateTime() << int(results::grouping::program)
                          << QStringList{"/parts/alpha.part 3 2 1 2 1 2 50.00 100.00 1.5 3",
                                         "/parts/beta.part 6 3 3 5 2 3 40.00 60.00 3.75 6.5"};
        row("an empty window") << at("2027-01-01T00:00:00.000Z") << QDateTime() << int(results::grouping::none)
                               << QStringList{};
    });
}

void tst_questions::summary() {
    QFETCH(QString, backend);
    QFETCH(QDateTime, since);
    QFETCH(QDateTime, until);
    QFETCH(int, by);
    QStringList found;
    for (const results::summary_row& r : results::questions(this->backend(backend)).summary(since, until, results::grouping(by)))
        found << summaryText(r);
    QTEST(found, "rows");
}

void tst_questions::failures_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<int>("top");
    QTest::addColumn<QDateTime>("since");
    QTest::addColumn<QStringList>("rows");  // mode | count | cumulative percent | lowest | highest | measured
    addBackends([](const row_maker& row) {
        // Three drops out of tolerance by 2.00, 2.04 and 2.06 V: one mode, whatever the values.
        const QStringList all{"pair 1-2: drop 1->2 out of tolerance|3|37.50|2|2.06|2.000 .. 2.060 V",
                              "pair 5-6: missing (open)|3|75.00|none|none|", "button 12: state|1|87.50|none|none|",
                              "touch 16: reads OFF, expected ON|1|100.00|none|none|"};
        row("all") << 10 << QDateTime() << all;
        row("top two, shares of all eight") << 2 << QDateTime() << QStringList(all.mid(0, 2));
        // Nine parts against eight failed comparisons, and on the second day four against eight: the
        // window's two ways of joining.
        row("since the first day: all") << 10 << at("2026-12-07T00:00:00.000Z") << all;
        row("second day: ties by text, one drop")
            << 10 << at("2026-12-08T00:00:00.000Z")
            << QStringList{"button 12: state|1|25.00|none|none|",
                           "pair 1-2: drop 1->2 out of tolerance|1|50.00|2.06|2.06|2.060 V",
                           "pair 5-6: missing (open)|1|75.00|none|none|", "touch 16: reads OFF, expected ON|1|100.00|none|none|"};
    });
}

void tst_questions::failures() {
    QFETCH(QString, backend);
    QFETCH(int, top);
    QFETCH(QDateTime, since);
    QStringList found;
    for (const results::failure_row& r : results::questions(this->backend(backend)).failures(top, since))
        found << QStringLiteral("%1|%2|%3|%4|%5|%6")
                     .arg(r.mode)
                     .arg(r.count)
                     .arg(QString::number(r.cumulativePercent, 'f', 2), figure(r.measuredMin), figure(r.measuredMax),
                          results::measuredRange(r));
    QTEST(found, "rows");
}

void tst_questions::partAttempts_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QString>("serial");
    QTest::addColumn<QStringList>("attempts");  // attempt | started | station | verdict | reasons
    addBackends([](const row_maker& row) {
        row("passed, then failed elsewhere")
            << "S2"
            << QStringList{"1|2026-12-07T10:10:00.000Z|ST-A|PASS|",
                           "2|2026-12-08T10:00:00.000Z|ST-B|FAIL|pair 5-6: missing (open); "
                           "pair 1-2: drop 2.060V, expected 1.800V; touch 16: reads OFF, expected ON"};
        row("failed, then passed") << "S3"
                                   << QStringList{"1|2026-12-07T11:00:00.000Z|ST-A|FAIL|pair 1-2: drop 2.040V, expected 1.800V; "
                                                  "pair 5-6: missing (open)",
                                                  "2|2026-12-07T11:30:00.000Z|ST-B|PASS|"};
        row("never seen") << "S9" << QStringList{};
    });
}

void tst_questions::partAttempts() {
    QFETCH(QString, backend);
    QFETCH(QString, serial);
    QStringList found;
    for (const results::attempt_row& r : results::questions(this->backend(backend)).part(serial))
        found << QStringLiteral("%1|%2|%3|%4|%5")
                     .arg(r.attempt)
                     .arg(results::utcText(r.started), r.station, r.verdict, r.reasons.join(QStringLiteral("; ")));
    QTEST(found, "attempts");
}

void tst_questions::exportRows_data() {
    QTest::addColumn<QString>("backend");
    QTest::addColumn<QStringList>("rows");
    addBackends([](const row_maker& row) {
        const QString pair = QStringLiteral("Led anode to Led cathode, 1.800V / -0.020V");
        row("") << QStringList{
                   "|1|ST-B|2026-12-08T09:10:00.000Z|FAIL|pair|1-2|" + pair + "|" + pair + "|1|",
                   "|1|ST-B|2026-12-08T09:10:00.000Z|FAIL|pair|5-6|" + pair + "|" + pair + "|1|",
                   "|1|ST-B|2026-12-08T09:10:00.000Z|FAIL|button|12 (common 14)|Button ON|Button OFF|0|reads OFF, expected ON",
                   "S4|1|ST-B|2026-12-08T09:20:00.000Z|PASS|pair|1-2|" + pair + "|" + pair + "|1|",
                   "S4|1|ST-B|2026-12-08T09:20:00.000Z|PASS|pair|5-6|" + pair + "|" + pair + "|1|",
               };
    });
}

void tst_questions::exportRows() {
    QFETCH(QString, backend);
    QStringList found;
    for (const results::export_row& r :
         results::questions(this->backend(backend)).exportRows(at("2026-12-08T09:05:00.000Z"), at("2026-12-08T09:25:00.000Z")))
        found << QStringList{r.serial, QString::number(r.attempt), r.station, results::utcText(r.started), r.verdict, r.kind,
                             r.pins, r.expected, r.measured, QString::number(int(r.passed)), r.reason}
                     .join(QLatin1Char('|'));
    QTEST(found, "rows");
}

void tst_questions::exportOfManyParts() {
    QTemporaryDir here;
    QVERIFY(here.isValid());
    std::optional<results::journal> many(std::in_place, here.filePath(QStringLiteral("pages.sqlite")));
    const QString runId = many->beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part")));
    struct written {
        QString started;
        int attempt;
        QString id;
        int comparisons;
    };
    std::vector<written> parts;
    {
        QSqlDatabase db = many->database();
        QVERIFY(db.transaction());
        QSqlQuery part(db), comparison(db);
        QVERIFY(part.prepare(QStringLiteral("INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict)"
                                            " VALUES (?, ?, 'S', ?, ?, ?, 'PASS')")));
        QVERIFY(comparison.prepare(QStringLiteral("INSERT INTO comparisons (id, part_id, seq, kind, pins, expected, measured,"
                                                  " passed, reason) VALUES (?, ?, ?, 'pair', ?, '', '', 1, '')")));
        // Three parts to a start time, written neither in time nor in attempt nor in id order; every seventh
        // part without comparisons, the others with up to three written last seq first.
        for (int i = 0; i < 1234; ++i) {
            const written w{results::utcText(at("2026-12-07T10:00:00.000Z").addSecs((1234 - i) / 3)), 3 - i % 3,
                            QStringLiteral("id-%1").arg((i * 389) % 1234, 4, 10, QLatin1Char('0')), i % 7 ? 1 + i % 3 : 0};
            parts.push_back(w);
            part.addBindValue(w.id);
            part.addBindValue(runId);
            part.addBindValue(w.attempt);
            part.addBindValue(w.started);
            part.addBindValue(w.started);
            QVERIFY2(part.exec(), qPrintable(part.lastError().text()));
            for (int seq = w.comparisons - 1; seq >= 0; --seq) {
                comparison.addBindValue(QStringLiteral("%1-%2").arg(w.id).arg(seq));
                comparison.addBindValue(w.id);
                comparison.addBindValue(seq);
                comparison.addBindValue(QStringLiteral("%1-%2").arg(seq).arg(w.id));
                QVERIFY2(comparison.exec(), qPrintable(comparison.lastError().text()));
            }
        }
        QVERIFY(db.commit());
    }
    std::sort(parts.begin(), parts.end(), [](const written& a, const written& b) {
        return std::tie(a.started, a.attempt, a.id) < std::tie(b.started, b.attempt, b.id);
    });
    const auto expected = [&](const QDateTime& since, const QDateTime& until) {
        QStringList rows;
        for (const written& w : parts)
            if ((!since.isValid() || w.started >= results::utcText(since)) && (!until.isValid() || w.started < results::utcText(until)))
                for (int seq = 0; seq < w.comparisons; ++seq)
                    rows << QStringLiteral("%1|%2|%3-%4").arg(w.started).arg(w.attempt).arg(seq).arg(w.id);
        return rows;
    };

    QVERIFY(cluster.createResultsDatabase(QStringLiteral("pages")));
    const results::forward_report report = results::forwarder(cluster.url(QStringLiteral("pages"))).forward(*many);
    QVERIFY2(report.complete() && report.forwarded == 1234, qPrintable(report.error));
    const std::unique_ptr<results::connection> pg = cluster.connect(QStringLiteral("pages"));
    QVERIFY(pg->db().isOpen());

    for (const QSqlDatabase& db : {many->database(), pg->db()}) {
        const results::questions ask(db);
        // From a start time that three parts share, to one inside the last pages.
        const std::pair<QDateTime, QDateTime> windows[] = {
            {QDateTime(), QDateTime()}, {at("2026-12-07T10:00:07.000Z"), at("2026-12-07T10:06:30.000Z")}};
        for (const auto& [since, until] : windows) {
            QStringList found;
            QVERIFY(ask.exportEach(since, until, [&](const results::export_row& r) {
                found << QStringLiteral("%1|%2|%3").arg(results::utcText(r.started)).arg(r.attempt).arg(r.pins);
                return true;
            }));
            QCOMPARE(found, expected(since, until));
        }
        // A reader that has what it wants: nothing more is read for it.
        int calls = 0;
        QVERIFY(!ask.exportEach(QDateTime(), QDateTime(), [&](const results::export_row&) { return ++calls < 700; }));
        QCOMPARE(calls, 700);
    }
}

// Enough parts for the journal's median to go through its sample (from 40,000 parts), each part's cycle
// time chosen so that the middle is known: the values 0.000 s, 0.001 s, ... in a scrambled order.
void tst_questions::medianOfManyParts_data() {
    QTest::addColumn<int>("parts");
    QTest::addColumn<bool>("sampleMisses");  // every fourth row (the ones sampled) far above the others
    QTest::addColumn<int>("by");
    QTest::addColumn<QString>("group");  // every part is in the one group: 2026-12-07, ST-A, alpha
    QTest::addColumn<double>("median");
    const int none = int(results::grouping::none);
    QTest::newRow("odd: 40,001 parts, the middle is the 20,001st") << 40001 << false << none << "" << 20.0;
    QTest::newRow("even: 40,000 parts, between 19.999 and 20.000") << 40000 << false << none << "" << 19.9995;
    // The sampled rows 4, 8, ... take 1000 s and up, so the sample's bracket holds none of the middle:
    // 30,001 others from 0.000 s, and the 20,001st of all is the 20,001st of them.
    QTest::newRow("a sample that misses the middle") << 40001 << true << none << "" << 20.0;
    // Grouped, each group's middle is picked from one pass over every time, with no sample: a few hundred
    // parts tell an odd count's middle from an even count's two.
    QTest::newRow("by day") << 401 << false << int(results::grouping::day) << "2026-12-07" << 0.2;
    QTest::newRow("by station, large times every fourth") << 401 << true << int(results::grouping::station) << "ST-A" << 0.2;
    QTest::newRow("by program") << 400 << false << int(results::grouping::program) << "/parts/alpha.part" << 0.1995;
}

void tst_questions::medianOfManyParts() {
    QFETCH(int, parts);
    QFETCH(bool, sampleMisses);
    QFETCH(int, by);
    QTemporaryDir here;
    QVERIFY(here.isValid());
    results::journal many(here.filePath(QStringLiteral("many.sqlite")));
    const QString runId = many.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part")));
    QSqlDatabase db = many.database();
    QVERIFY(db.transaction());
    QSqlQuery insert(db);
    // Each test a second longer than its cycle, so that the two medians come from their own columns.
    QVERIFY(insert.prepare(QStringLiteral("INSERT INTO parts (id, run_id, serial, attempt, started_utc, ended_utc, verdict, cycle_s, test_s)"
                                          " VALUES (?, ?, NULL, 1, ?, ?, 'PASS', ?, ?)")));
    int small = 0, large = 0;
    for (int row = 1; row <= parts; ++row) {
        double cycle = 0;
        if (sampleMisses && row % 4 == 0)
            cycle = 1000.0 + large++;
        else if (sampleMisses)
            cycle = small++ / 1000.0;
        else
            cycle = static_cast<double>((static_cast<long long>(row) * 7919) % parts) / 1000.0;  // 7919 is prime
        const QString started = results::utcText(at("2026-12-07T00:00:00.000Z").addMSecs(row));
        insert.addBindValue(QStringLiteral("part-%1").arg(row));
        insert.addBindValue(runId);
        insert.addBindValue(started);
        insert.addBindValue(started);
        insert.addBindValue(cycle);
        insert.addBindValue(cycle + 1);
        QVERIFY2(insert.exec(), qPrintable(insert.lastError().text()));
    }
    QVERIFY(db.commit());
    const std::vector<results::summary_row> rows =
        results::questions(db).summary(QDateTime(), QDateTime(), results::grouping(by));
    QCOMPARE(rows.size(), std::size_t(1));
    QTEST(rows.front().group, "group");
    QCOMPARE(rows.front().parts, long(parts));
    QFETCH(double, median);
    QCOMPARE(rows.front().medianCycle.value_or(-1), median);
    QCOMPARE(rows.front().medianTest.value_or(-1), median + 1);
}

// A journal of the version before (no modes, one time per part): the questions, which only read, refuse
// it and leave it as it was; once a station opens it, it is brought up to date, its old failures named
// by their old text, and answered.
void tst_questions::olderJournalIsAnsweredOnceUpToDate() {
    QTemporaryDir here;
    QVERIFY(here.isValid());
    const QString path = here.filePath(QStringLiteral("old.sqlite"));
    {
        results::journal old(path);
        const QString runId = old.beginRun(judged_parts::run(QStringLiteral("ST-A"), QStringLiteral("/parts/alpha.part")));
        using namespace judged_parts;
        old.record(runId, QStringLiteral("S1"), part("2026-12-07T10:00:00.000Z", 2, {lowDropPair("1-2"), openPair("5-6")}));
        old.record(runId, QStringLiteral("S2"), part("2026-12-07T10:05:00.000Z", 3, {passedPair("1-2"), openPair("5-6")}));
        QSqlQuery query(old.database());
        for (const char* statement :
             {"ALTER TABLE parts DROP COLUMN forward_problem", "DROP INDEX parts_pending",
              "CREATE INDEX parts_forwarded ON parts (forwarded)", "DROP TABLE database_info",
              "DROP INDEX comparisons_failed", "ALTER TABLE comparisons DROP COLUMN mode",
              "ALTER TABLE comparisons DROP COLUMN expected_value", "ALTER TABLE comparisons DROP COLUMN measured_value",
              "ALTER TABLE parts DROP COLUMN test_s", "ALTER TABLE parts DROP COLUMN cycle_s",
              "ALTER TABLE parts ADD COLUMN cycle_s DOUBLE PRECISION NOT NULL DEFAULT 1",
              "CREATE INDEX comparisons_failed ON comparisons (part_id, kind, pins, reason) WHERE passed = 0",
              "ALTER TABLE runs DROP COLUMN fixture", "ALTER TABLE runs DROP COLUMN released", "DROP TABLE releases",
              "DROP TABLE audit", "PRAGMA user_version = 2"})
            QVERIFY2(query.exec(QLatin1String(statement)), qPrintable(query.lastError().text()));
    }
    const auto bytes = [&path] {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray before = bytes();
    QVERIFY(!before.isEmpty());
    try {
        results::journal_reader reader(path);
        QFAIL("an older journal was opened for the questions");
    } catch (const results::error& e) {
        QVERIFY2(e.message().contains(QLatin1String("older version (schema 2")) && e.message().contains(QLatin1String("results push")),
                 qPrintable(e.message()));
    }
    QCOMPARE(bytes(), before);

    { results::journal station(path); }  // as a station opens it
    results::journal_reader reader(path);
    QStringList found;
    for (const results::failure_row& r : results::questions(reader.database()).failures(10))
        found << QStringLiteral("%1|%2").arg(r.mode).arg(r.count);
    QCOMPARE(found, (QStringList{"pair 5-6: missing (open)|2", "pair 1-2: drop 1.500V, expected 1.800V|1"}));
    const std::vector<results::summary_row> summary = results::questions(reader.database()).summary({}, {}, results::grouping::none);
    QCOMPARE(summary.size(), std::size_t(1));
    QVERIFY(!summary.front().medianTest && !summary.front().medianCycle);
}

// The questions never create, write or turn into a database what they are given.
void tst_questions::readerRefuses_data() {
    QTest::addColumn<QByteArray>("content");  // "none": no file at all
    QTest::addColumn<QString>("error");
    QTest::newRow("missing") << QByteArray("none") << "no results database there";
    QTest::newRow("empty") << QByteArray() << "is empty, not a results database";
    QTest::newRow("text") << QByteArray("S1,PASS\n") << "is not a results database";
}

void tst_questions::readerRefuses() {
    QFETCH(QByteArray, content);
    QTemporaryDir here;
    QVERIFY(here.isValid());
    const QString path = here.filePath(QStringLiteral("results.sqlite"));
    if (content != "none") {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    try {
        results::journal_reader reader(path);
        QFAIL("opened");
    } catch (const results::error& e) {
        QFETCH(QString, error);
        QVERIFY2(e.message().contains(path) && e.message().contains(error), qPrintable(e.message()));
    }
    QFile after(path);
    if (content == "none")
        QVERIFY(!after.exists());
    else
        QCOMPARE(after.open(QIODevice::ReadOnly) ? after.readAll() : QByteArray("gone"), content);
    QCOMPARE(QDir(here.path()).entryList(QDir::Files), content == "none" ? QStringList{} : QStringList{"results.sqlite"});
}

void tst_questions::csvRecord_data() {
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QString>("record");
    QTest::newRow("plain") << QStringList{"S1", "1", "PASS"} << "S1,1,PASS\r\n";
    QTest::newRow("comma") << QStringList{"Led anode to Led cathode, 1.800V", "x"}
                           << "\"Led anode to Led cathode, 1.800V\",x\r\n";
    QTest::newRow("quote") << QStringList{"say \"open\"", ""} << "\"say \"\"open\"\"\",\r\n";
    QTest::newRow("newline") << QStringList{"two\nlines", "cr\rhere"} << "\"two\nlines\",\"cr\rhere\"\r\n";
    QTest::newRow("all at once") << QStringList{"a,\"b\"\nc"} << "\"a,\"\"b\"\"\nc\"\r\n";
    QTest::newRow("empty fields") << QStringList{"", "", ""} << ",,\r\n";
}

void tst_questions::csvRecord() {
    QFETCH(QStringList, fields);
    QTEST(results::csvRecord(fields), "record");
}

void tst_questions::csvText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("cell");
    QTest::newRow("formula") << "=HYPERLINK(\"http://x\")" << "'=HYPERLINK(\"http://x\")";
    QTest::newRow("plus") << "+1+2" << "'+1+2";
    QTest::newRow("minus") << "-2+3" << "'-2+3";
    QTest::newRow("at") << "@SUM(A1)" << "'@SUM(A1)";
    QTest::newRow("tab") << "\t=1" << "'\t=1";
    QTest::newRow("carriage return") << "\r=1" << "'\r=1";
    QTest::newRow("inside is harmless") << "S1=2" << "S1=2";
    QTest::newRow("plain") << "pair 5-6: missing (open)" << "pair 5-6: missing (open)";
    QTest::newRow("empty") << "" << "";
}

void tst_questions::csvText() {
    QFETCH(QString, text);
    QTEST(results::csvText(text), "cell");
}

void tst_questions::alignedTable() {
    QCOMPARE(results::alignedTable({"serial", "verdict", "reasons"},
                                   {{"S1", "FAIL", "pair 5-6: missing (open)"}, {"SN000123", "PASS"}, {"S2", "PASS", ""}}),
             (QStringList{"serial    verdict  reasons",
                          "S1        FAIL     pair 5-6: missing (open)",
                          "SN000123  PASS",
                          "S2        PASS"}));
}

QTEST_GUILESS_MAIN(tst_questions)
#include "tst_questions.moc"
