#include "ctl/results_command.h"

#include "ctl/figures.h"

#include "results/aligned_table.h"
#include "results/audit.h"
#include "results/releases.h"
#include "setup/run_info.h"
#include "results/csv.h"
#include "setup/default_location.h"
#include "results/error.h"
#include "results/forwarder.h"
#include "results/journal.h"
#include "results/questions.h"
#include "results/report/report.h"
#include "results/server_connection.h"
#include "results/server_schema.h"
#include "results/utc_text.h"

#include <QBuffer>
#include <QFileInfo>
#include <QSaveFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>

#include <memory>
#include <optional>

namespace ctl {

namespace {

// Numbers in a CSV cell as they are, in the fewest digits that read back the same.
QString csvNumber(const std::optional<double>& value) {
    return value ? QString::number(*value, 'g', QLocale::FloatingPointShortest) : QString();
}

QDateTime when(const QString& text) {
    return text.isEmpty() ? QDateTime() : results::parseWhen(text);
}

void table(output& out, const QStringList& header, const std::vector<QStringList>& rows) {
    for (const QString& line : results::alignedTable(header, rows))
        out.line(line);
}

void summary(const results::questions& ask, const invocation& inv, output& out) {
    static const std::map<QString, results::grouping> groupings{{QStringLiteral("day"), results::grouping::day},
                                                                 {QStringLiteral("hour"), results::grouping::hour},
                                                                 {QStringLiteral("station"), results::grouping::station},
                                                                 {QStringLiteral("program"), results::grouping::program},
                                                                 {QStringLiteral("fixture"), results::grouping::fixture}};
    const auto by = inv.by.isEmpty() ? results::grouping::none : groupings.at(inv.by);
    std::vector<QStringList> rows;
    for (const results::summary_row& r : ask.summary(when(inv.since), when(inv.until), by)) {
        if (inv.json) {
            QJsonObject record{{QStringLiteral("record"), QStringLiteral("summary")},
                               {QStringLiteral("parts"), static_cast<double>(r.parts)},
                               {QStringLiteral("passed"), static_cast<double>(r.passed)},
                               {QStringLiteral("failed"), static_cast<double>(r.failed)},
                               {QStringLiteral("units"), static_cast<double>(r.units)},
                               {QStringLiteral("first_pass_yield_percent"), jsonOrNull(r.firstPassYield)},
                               {QStringLiteral("final_yield_percent"), jsonOrNull(r.finalYield)},
                               {QStringLiteral("median_test_s"), jsonOrNull(r.medianTest)},
                               {QStringLiteral("median_cycle_s"), jsonOrNull(r.medianCycle)}};
            if (!inv.by.isEmpty())
                record.insert(inv.by, r.group);
            out.record(record);
            continue;
        }
        QStringList row{QString::number(r.parts), QString::number(r.passed), QString::number(r.failed),
                        percentText(r.firstPassYield), percentText(r.finalYield), secondsText(r.medianTest),
                        secondsText(r.medianCycle)};
        if (!inv.by.isEmpty())
            row.prepend(r.group);
        rows.push_back(row);
    }
    if (inv.json)
        return;
    QStringList header{"parts", "passed", "failed", "first-pass yield", "final yield", "median test", "median cycle"};
    if (!inv.by.isEmpty())
        header.prepend(inv.by);
    table(out, header, rows);
}

void failures(const results::questions& ask, const invocation& inv, output& out) {
    std::vector<QStringList> rows;
    for (const results::failure_row& r : ask.failures(inv.top, when(inv.since), when(inv.until))) {
        if (inv.json)
            out.record({{QStringLiteral("record"), QStringLiteral("failure")},
                        {QStringLiteral("mode"), r.mode},
                        {QStringLiteral("count"), static_cast<double>(r.count)},
                        {QStringLiteral("cumulative_percent"), r.cumulativePercent},
                        {QStringLiteral("measured_min"), jsonOrNull(r.measuredMin)},
                        {QStringLiteral("measured_max"), jsonOrNull(r.measuredMax)}});
        else
            rows.push_back({QString::number(r.count), percentText(r.cumulativePercent), r.mode, results::measuredRange(r)});
    }
    if (!inv.json)
        table(out, {"count", "cumulative", "mode", "measured"}, rows);
}

// False when nothing is on record for the serial: then nothing is printed, not even the header.
bool attempts(const results::questions& ask, const invocation& inv, output& out) {
    const std::vector<results::attempt_row> found = ask.part(inv.serial);
    if (found.empty())
        return false;
    std::vector<QStringList> rows;
    for (const results::attempt_row& r : found) {
        if (inv.json)
            out.record({{QStringLiteral("record"), QStringLiteral("attempt")},
                        {QStringLiteral("serial"), inv.serial},
                        {QStringLiteral("attempt"), r.attempt},
                        {QStringLiteral("time"), results::utcText(r.started)},
                        {QStringLiteral("station"), r.station},
                        {QStringLiteral("verdict"), r.verdict},
                        {QStringLiteral("reasons"), QJsonArray::fromStringList(r.reasons)}});
        else
            rows.push_back({QString::number(r.attempt), results::utcText(r.started), r.station, r.verdict,
                            r.reasons.join(QStringLiteral("; "))});
    }
    if (!inv.json)
        table(out, {"attempt", "time", "station", "verdict", "reasons"}, rows);
    return true;
}

// Rows go out as they are read, some 64 KiB at a time rather than a write a row; once the reader has gone,
// the export stops reading at the next write.
void exportRows(const results::questions& ask, const invocation& inv, output& out) {
    const QStringList header{"serial", "attempt", "station", "time", "verdict", "kind", "pins", "expected", "measured",
                             "passed", "reason", "mode", "expected_value", "measured_value", "test_s", "cycle_s"};
    QByteArray pending;
    if (!inv.json)
        pending = results::csvRecord(header).toUtf8();
    const auto flush = [&] {
        out.write(pending);
        pending.clear();
        return !out.closed();
    };
    const bool whole = ask.exportEach(when(inv.since), when(inv.until), [&](const results::export_row& r) {
        if (!inv.json) {
            // Every stored text is a cell a spreadsheet must not evaluate; numbers stay numbers.
            const auto text = results::csvText;
            pending += results::csvRecord({text(r.serial), QString::number(r.attempt), text(r.station),
                                           results::utcText(r.started), text(r.verdict), text(r.kind), text(r.pins),
                                           text(r.expected), text(r.measured), r.passed ? QStringLiteral("1") : QStringLiteral("0"),
                                           text(r.reason), text(r.mode), csvNumber(r.expectedValue),
                                           csvNumber(r.measuredValue), csvNumber(r.testSeconds), csvNumber(r.cycleSeconds)})
                           .toUtf8();
        } else {
            const QJsonObject record{{QStringLiteral("record"), QStringLiteral("comparison")},
                                     {QStringLiteral("serial"), jsonOrNull(r.serial)},
                                     {QStringLiteral("attempt"), r.attempt},
                                     {QStringLiteral("station"), r.station},
                                     {QStringLiteral("time"), results::utcText(r.started)},
                                     {QStringLiteral("verdict"), r.verdict},
                                     {QStringLiteral("kind"), r.kind},
                                     {QStringLiteral("pins"), r.pins},
                                     {QStringLiteral("expected"), jsonOrNull(r.expected)},
                                     {QStringLiteral("measured"), jsonOrNull(r.measured)},
                                     {QStringLiteral("passed"), r.passed},
                                     {QStringLiteral("reason"), jsonOrNull(r.reason)},
                                     {QStringLiteral("mode"), jsonOrNull(r.mode)},
                                     {QStringLiteral("expected_value"), jsonOrNull(r.expectedValue)},
                                     {QStringLiteral("measured_value"), jsonOrNull(r.measuredValue)},
                                     {QStringLiteral("test_s"), jsonOrNull(r.testSeconds)},
                                     {QStringLiteral("cycle_s"), jsonOrNull(r.cycleSeconds)}};
            pending += QJsonDocument(record).toJson(QJsonDocument::Compact) + '\n';
        }
        return pending.size() < (64 << 10) || flush();
    });
    if (whole && !pending.isEmpty())
        flush();
}

// The page replaces FILE whole once it is written; the figures as JSON Lines go to standard output.
proc::run_end report(const QSqlDatabase& db, const invocation& inv, output& out) {
    const results::report_figures figures = results::computeReport(db, {when(inv.since), when(inv.until)});
    if (inv.json) {
        QBuffer lines;
        lines.open(QIODevice::WriteOnly);
        results::writeReportJsonLines(figures, lines);
        out.write(lines.data());
        return {proc::exit_done, 0};
    }
    QSaveFile page(inv.reportFile);
    if (page.open(QIODevice::WriteOnly)) {
        results::writeReportHtml(figures, page);
        if (page.commit())
            return {proc::exit_done, 0};
    }
    diagnose(QStringLiteral("cannot write %1: %2").arg(inv.reportFile, page.errorString()));
    return {proc::exit_usage, 0};
}

proc::run_end push(const invocation& inv, const QString& file, output& out) {
    if (!QFileInfo::exists(file)) {
        diagnose(QStringLiteral("%1: no results database there, nothing to push").arg(file));
        return {proc::exit_results, 0};
    }
    results::journal source(file);
    const setup::server_url server = setup::server_url::parse(inv.setup.server);
    const results::forward_report report = results::forwarder(server).forward(source);
    for (const results::refused_part& part : report.refused)
        diagnose(QStringLiteral("the results server refused part %1: %2; it stays in the journal and the next push "
                                "tries it again")
                     .arg(results::partName(part), part.reason));
    if (!report.complete()) {
        diagnose(report.error);
        if (report.forwarded == 0)
            return {proc::exit_results, 0};
    }
    if (inv.json) {
        QJsonArray refused;
        for (const results::refused_part& part : report.refused)
            refused.append(QJsonObject{{QStringLiteral("serial"), jsonOrNull(part.serial)},
                                       {QStringLiteral("started"), part.started},
                                       {QStringLiteral("reason"), part.reason}});
        out.record({{QStringLiteral("record"), QStringLiteral("push")},
                    {QStringLiteral("parts"), static_cast<double>(report.forwarded)},
                    {QStringLiteral("already_there"), static_cast<double>(report.alreadyThere)},
                    {QStringLiteral("refused"), refused},
                    {QStringLiteral("complete"), report.complete()}});
    } else {
        QString line = QStringLiteral("pushed %1 parts to %2 (%3 of them were there already)")
                           .arg(report.forwarded)
                           .arg(server.display())
                           .arg(report.alreadyThere);
        if (!report.refused.empty())
            line += QStringLiteral("; %1 refused").arg(report.refused.size());
        out.line(line);
    }
    if (!report.complete())
        return {proc::exit_results, 0};
    return {report.refused.empty() ? proc::exit_done : proc::exit_refused, 0};
}

QString timeText(const QDateTime& when) { return when.isValid() ? when.toString(Qt::ISODate) : QString(); }

QJsonObject releaseRecord(const results::release& r) {
    return {{QStringLiteral("record"), QStringLiteral("release")},
            {QStringLiteral("program"), r.program},
            {QStringLiteral("sha256"), r.sha256},
            {QStringLiteral("released_by"), r.releasedBy},
            {QStringLiteral("released"), timeText(r.released)},
            {QStringLiteral("note"), jsonOrNull(r.note)},
            {QStringLiteral("revoked_by"), jsonOrNull(r.revokedBy)},
            {QStringLiteral("revoked"), jsonOrNull(timeText(r.revoked))}};
}

// Release and revoke change the line's list on the server, each with its audit entry.
proc::run_end changeRelease(const invocation& inv, output& out) {
    const bool releasing = inv.question == QLatin1String("release");
    QString sha;
    if (releasing || QFileInfo(inv.releaseTarget).isFile()) {
        sha = setup::fileSha256(inv.releaseTarget);
        if (sha.isEmpty()) {
            diagnose(QStringLiteral("cannot read the part file %1").arg(inv.releaseTarget));
            return {proc::exit_usage, 0};
        }
    } else {
        sha = inv.releaseTarget;  // a SHA-256 or its beginning, as `results releases` shows it
    }
    const setup::server_url server = setup::server_url::parse(inv.setup.server);
    results::server_connection conn(server, 10, inv.question);
    if (!conn.isOpen()) {
        diagnose(conn.error());
        return {proc::exit_results, 0};
    }
    if (releasing) {
        const QString name = QFileInfo(inv.releaseTarget).fileName();
        const results::release_outcome done = results::releaseProgram(conn.db(), name, sha, inv.note);
        if (inv.json) {
            QJsonObject record = releaseRecord(done.what);
            record.insert(QStringLiteral("changed"), done.changed);
            out.record(record);
        } else if (done.changed) {
            out.line(QStringLiteral("released %1 (SHA-256 %2) as %3 at %4")
                         .arg(name, sha, done.what.releasedBy, timeText(done.what.released)));
        } else {
            out.line(QStringLiteral("%1 (SHA-256 %2) is released already: by %3 at %4")
                         .arg(name, sha, done.what.releasedBy, timeText(done.what.released)));
        }
        return {proc::exit_done, 0};
    }
    results::release revoked;
    try {
        revoked = results::revokeProgram(conn.db(), sha);
    } catch (const results::error& e) {
        diagnose(e.message());
        return {proc::exit_not_found, 0};
    }
    if (inv.json)
        out.record(releaseRecord(revoked));
    else
        out.line(QStringLiteral("revoked the release of %1 (SHA-256 %2) as %3 at %4")
                     .arg(revoked.program, revoked.sha256, revoked.revokedBy, timeText(revoked.revoked)));
    return {proc::exit_done, 0};
}

void releases(const QSqlDatabase& db, const invocation& inv, output& out) {
    std::vector<QStringList> rows;
    for (const results::release& r : results::readReleases(db)) {
        if (inv.json) {
            out.record(releaseRecord(r));
            continue;
        }
        const QString state = r.holds() ? QStringLiteral("released")
                                        : QStringLiteral("revoked by %1 at %2").arg(r.revokedBy, timeText(r.revoked));
        rows.push_back({r.program, r.sha256.left(12), state, r.releasedBy, timeText(r.released), r.note});
    }
    if (!inv.json)
        table(out, {"program", "sha256", "state", "released by", "released", "note"}, rows);
}

void audit(const QSqlDatabase& db, const invocation& inv, output& out) {
    std::vector<QStringList> rows;
    for (const results::audit_entry& e : results::readAudit(db, when(inv.since), when(inv.until))) {
        if (inv.json) {
            QJsonObject record = results::auditFields(e);
            record.insert(QStringLiteral("record"), QStringLiteral("audit"));
            out.record(record);
            continue;
        }
        const QString where = e.station.isEmpty() ? QStringLiteral("server (%1)").arg(e.byUser) : e.station;
        const QString change = QStringLiteral("%1 -> %2").arg(e.oldValue.isEmpty() ? QStringLiteral("(none)") : e.oldValue,
                                                             e.newValue.isEmpty() ? QStringLiteral("(none)") : e.newValue);
        rows.push_back({timeText(e.at), where, e.event, e.what, change});
    }
    if (!inv.json)
        table(out, {"time", "where", "event", "what", "change"}, rows);
}

proc::run_end serverInit(const invocation& inv, output& out) {
    const setup::server_url server = setup::server_url::parse(inv.setup.server);
    results::server_connection conn(server, 10, QStringLiteral("server-init"));
    if (!conn.isOpen()) {
        diagnose(conn.error());
        return {proc::exit_results, 0};
    }
    const results::server_schema::init_report done = results::server_schema::init(conn.db(), server.display());
    if (!inv.grantRole.isEmpty())
        results::server_schema::grant(conn.db(), inv.grantRole, server.display());
    if (inv.json) {
        out.record({{QStringLiteral("record"), QStringLiteral("server-init")},
                    {QStringLiteral("from_schema"), done.from},
                    {QStringLiteral("schema"), done.to},
                    {QStringLiteral("granted"), jsonOrNull(inv.grantRole)}});
        return {proc::exit_done, 0};
    }
    const QString how = done.from == 0           ? QStringLiteral("created")
                        : done.from == done.to ? QStringLiteral("already up to date")
                                               : QStringLiteral("brought up from schema %1").arg(done.from);
    out.line(QStringLiteral("the tables on %1 are at schema %2 (%3)").arg(server.display()).arg(done.to).arg(how));
    if (!inv.grantRole.isEmpty())
        out.line(QStringLiteral("%1 may now forward parts and ask questions there").arg(inv.grantRole));
    return {proc::exit_done, 0};
}

}  // namespace

proc::run_end runResults(const invocation& inv, output& out) {
    const QString file = inv.setup.results.isEmpty() ? setup::defaultResultsFile() : inv.setup.results;
    try {
        if (inv.question == QLatin1String("push"))
            return push(inv, file, out);
        if (inv.question == QLatin1String("server-init"))
            return serverInit(inv, out);
        if (inv.question == QLatin1String("release") || inv.question == QLatin1String("revoke"))
            return changeRelease(inv, out);
        std::unique_ptr<results::server_connection> server;
        std::unique_ptr<results::journal_reader> journal;
        QSqlDatabase db;
        if (!inv.setup.server.isEmpty()) {
            server = std::make_unique<results::server_connection>(setup::server_url::parse(inv.setup.server), 10,
                                                                  QStringLiteral("questions"));
            if (!server->isOpen()) {
                diagnose(server->error());
                return {proc::exit_results, 0};
            }
            db = server->db();
        } else {
            if (!QFileInfo::exists(file)) {
                diagnose(QStringLiteral("%1: no results database there (give --results FILE, or record parts first)")
                             .arg(file));
                return {proc::exit_results, 0};
            }
            journal = std::make_unique<results::journal_reader>(file);
            db = journal->database();
        }
        if (inv.question == QLatin1String("report")) {
            const proc::run_end end = report(db, inv, out);
            db = QSqlDatabase();
            return end;
        }
        proc::run_end end{proc::exit_done, 0};
        {
            const results::questions ask(db);
            if (inv.question == QLatin1String("summary"))
                summary(ask, inv, out);
            else if (inv.question == QLatin1String("failures"))
                failures(ask, inv, out);
            else if (inv.question == QLatin1String("part") && !attempts(ask, inv, out))
                end = {proc::exit_not_found, 0};
            else if (inv.question == QLatin1String("export"))
                exportRows(ask, inv, out);
            else if (inv.question == QLatin1String("releases"))
                releases(db, inv, out);
            else if (inv.question == QLatin1String("audit"))
                audit(db, inv, out);
        }
        db = QSqlDatabase();  // before the connection it copies is removed
        if (end.code == proc::exit_not_found) {
            diagnose(QStringLiteral("no part on record with serial %1").arg(inv.serial));
            return end;
        }
    } catch (const results::error& e) {
        diagnose(e.message());
        return {proc::exit_results, 0};
    }
    return {out.closed() ? proc::exit_output_closed : proc::exit_done, 0};
}

}  // namespace ctl
