#include "year_data.h"

#include "results/sql.h"
#include "results/utc_text.h"

#include <QDateTime>
#include <QHash>
#include <QUuid>

#include <algorithm>
#include <array>
#include <cmath>
#include <random>
#include <unordered_map>
#include <vector>

namespace bench_results {

const char* const runColumns =
    "id, station, program_path, program_sha256, firmware, sensitivity, buzzer, tolerance, started_utc, ended_utc,"
    " program_version";
const char* const partColumns = "id, run_id, serial, attempt, started_utc, ended_utc, verdict, test_s, cycle_s";
const char* const comparisonColumns =
    "id, part_id, seq, kind, pins, expected, measured, passed, reason, mode, expected_value, measured_value";
const char* const measurementColumns =
    "id, part_id, seq, measure, pin_a, type_a, type_a_name, pin_b, type_b, type_b_name, vdrop_ab_v, vdrop_ba_v";

namespace {

enum type : int { ledAnode = 1, ledCathode = 2, bidirectional = 3, shortcut = 4, common = 5, buttonOff = 0x10,
                  buttonOn = 0x11, touchOff = 0x20, touchOn = 0x21 };

QString typeName(int code) {
    switch (code) {
    case ledAnode: return QStringLiteral("Led anode");
    case ledCathode: return QStringLiteral("Led cathode");
    case bidirectional: return QStringLiteral("Led bidirectional");
    case shortcut: return QStringLiteral("Shortcut");
    case common: return QStringLiteral("Common");
    case buttonOff: return QStringLiteral("Button OFF");
    case buttonOn: return QStringLiteral("Button ON");
    case touchOff: return QStringLiteral("Touch OFF");
    case touchOn: return QStringLiteral("Touch ON");
    }
    return QString();
}

QString volts(int steps) { return QString::number(steps * 0.02, 'f', 3) + QLatin1Char('V'); }

struct pair_spec {
    int a, b;
    int ab, ba;  // expected drops, 0.02 V steps
};

struct program {
    QString path, sha;
    double tolerance;
    std::vector<pair_spec> pairs;
};

const program programs[] = {
    {QStringLiteral("/srv/parts/panel-led-8.part"),
     QStringLiteral("3b7f52a0c4e1d29a8f0b6d3e2c1a9f8e7d6c5b4a39281706f5e4d3c2b1a09f8e"), 0.10,
     {{1, 2, 90, -1}, {3, 4, 90, -1}, {5, 6, 90, -1}, {7, 8, 90, -1}, {9, 10, 95, -1}, {11, 12, 95, -1}}},
    {QStringLiteral("/srv/parts/panel-led-4.part"),
     QStringLiteral("c0ffee5417a2b3c4d5e6f708192a3b4c5d6e7f8091a2b3c4d5e6f708192a3b4c"), 0.15,
     {{1, 2, 85, -1}, {3, 4, 85, -1}, {5, 6, 100, -1}, {7, 8, 100, -1}}},
};
const QString stations[] = {QStringLiteral("ST-A"), QStringLiteral("ST-B"), QStringLiteral("ST-C")};

// What went wrong with a failed part, and how often, among failures.
enum class fault { open, drop, shortcut, pinType, button, touch };
struct fault_share {
    fault f;
    double share;
};
const fault_share faults[] = {{fault::open, 0.30},    {fault::drop, 0.25},   {fault::shortcut, 0.10},
                              {fault::pinType, 0.10}, {fault::button, 0.15}, {fault::touch, 0.10}};

class maker {
public:
    explicit maker(const row_sink& sink) : sink(sink) {}

    QString id() {
        std::array<quint64, 2> bits{random(), random()};
        bits[0] = (bits[0] & ~quint64(0xF000)) | 0x4000;  // version 4
        bits[1] = (bits[1] & ~(quint64(0xC) << 60)) | (quint64(0x8) << 60);
        return QUuid(uint(bits[0] >> 32), ushort(bits[0] >> 16), ushort(bits[0]), uchar(bits[1] >> 56), uchar(bits[1] >> 48),
                     uchar(bits[1] >> 40), uchar(bits[1] >> 32), uchar(bits[1] >> 24), uchar(bits[1] >> 16),
                     uchar(bits[1] >> 8), uchar(bits[1]))
            .toString(QUuid::WithoutBraces);
    }

    double unit() { return uniform(random); }
    double normal(double mean, double sd) { return std::normal_distribution<double>(mean, sd)(random); }

    void year(long parts) {
        const QDateTime start(QDate(2026, 1, 1), QTime(0, 0), Qt::UTC);
        const long perStationDay = std::max(1L, (parts + 3 * 365 - 1) / (3 * 365));
        const double spacing = 16.0 * 3600.0 / double(perStationDay);  // a 06:00-22:00 day
        std::unordered_map<int, QString> runs;
        long serials = 0;
        QString retest[3];
        for (long i = 0; i < parts; ++i) {
            const int station = int(i % 3);
            const long slot = i / 3;
            const int day = int(slot / perStationDay);
            const double within = 6 * 3600.0 + double(slot % perStationDay) * spacing + unit() * spacing * 0.5;
            // The third station changes programs every week; the other two keep theirs.
            const int programIndex = station == 2 ? (day / 7) % 2 : station;
            const program& prog = programs[programIndex];
            const int runKey = day * 3 + station;
            if (!runs.count(runKey)) {
                const QString runId = id();
                runs[runKey] = runId;
                const QDateTime opened = start.addSecs(qint64(day) * 86400 + 6 * 3600 - 300 + station);
                sink.run({runId, stations[station], prog.path, prog.sha, QStringLiteral("1.4.2"), 70, 90, prog.tolerance,
                          results::utcText(opened), results::utcText(opened.addSecs(16 * 3600 + 600)),
                          QStringLiteral("1.5.0")});
            }
            QString serial;
            if (!retest[station].isEmpty())
                serial = std::exchange(retest[station], QString());
            else if (unit() >= 0.01)
                serial = QStringLiteral("SN%1").arg(++serials, 7, 10, QLatin1Char('0'));
            const int attempt = serial.isEmpty() ? 1 : ++attempts[serial];
            // Failures rise from 4 % to 7 % over the year, a little more on the third station.
            const double failRate = 0.04 + 0.03 * double(day) / 365.0 + (station == 2 ? 0.01 : 0.0);
            std::vector<fault> failed;
            if (unit() < failRate) {
                failed.push_back(pick());
                if (unit() < 0.15 && pick() != failed.front())
                    failed.push_back(pick());
            }
            if (!failed.empty() && !serial.isEmpty() && attempt < 3 && unit() < 0.8)
                retest[station] = serial;
            part(runs[runKey], prog, serial, attempt, start.addMSecs(qint64((double(day) * 86400 + within) * 1000)), failed,
                 double(day) / 365.0);
        }
    }

private:
    fault pick() {
        double x = unit();
        for (const fault_share& f : faults)
            if ((x -= f.share) < 0)
                return f.f;
        return fault::open;
    }

    void part(const QString& runId, const program& prog, const QString& serial, int attempt, const QDateTime& waited,
              const std::vector<fault>& failed, double yearShare) {
        const auto has = [&](fault f) { return std::find(failed.begin(), failed.end(), f) != failed.end(); };
        const QString partId = id();
        const double wait = std::max(0.2, normal(0.8, 0.2));
        const double test = std::round(std::max(0.8, normal(2.1, 0.12)) * 1000.0) / 1000.0;
        const QDateTime verdictAt = waited.addMSecs(qint64((wait + test) * 1000));
        const QVariant cycle = unit() < 0.01 ? results::sql::nullReal()
                                             : QVariant(std::round((wait + test + std::max(0.1, normal(0.5, 0.1))) * 1000.0) / 1000.0);
        sink.part({partId, runId, serial.isEmpty() ? results::sql::nullText() : QVariant(serial), attempt,
                   results::utcText(waited), results::utcText(verdictAt), failed.empty() ? "PASS" : "FAIL", test, cycle});

        const QVariant noReal = results::sql::nullReal(), noInt = results::sql::nullInteger(), noText = results::sql::nullText();
        const QVariant empty = results::sql::text(QString());
        const int tolSteps = int(std::lround(prog.tolerance / 0.02));
        int cseq = 0, mseq = 0;
        std::vector<QVariantList> staticRows;  // in the board's order
        for (std::size_t k = 0; k < prog.pairs.size(); ++k) {
            const pair_spec& e = prog.pairs[k];
            const QString pins = QStringLiteral("%1-%2").arg(e.a).arg(e.b);
            const QString expected = QStringLiteral("Led anode to Led cathode, %1 / %2").arg(volts(e.ab), volts(e.ba));
            // The drops scatter by about 0.03 V; pair 3-4 creeps up 0.06 V over the year.
            int ab = e.ab + int(std::lround(normal(0, 1.5))) + (e.a == 3 ? int(std::lround(3 * yearShare)) : 0);
            ab = std::clamp(ab, e.ab - tolSteps, e.ab + tolSteps);
            int ba = e.ba + (unit() < 0.1 ? 1 : 0);
            int typeA = ledAnode;
            // The open pair is the third, the wrong pin type on the last but one.
            const bool open = has(fault::open) && k == 2;
            const bool drop = has(fault::drop) && k == 0;
            const bool wrongType = has(fault::pinType) && k == prog.pairs.size() - 2;
            if (open) {
                sink.comparison({id(), partId, cseq++, "pair", pins, expected, empty, 0, "missing (open)",
                                 QStringLiteral("pair %1: missing (open)").arg(pins), noReal, noReal});
                continue;
            }
            if (drop)
                ab = e.ab - tolSteps - 1 - int(unit() * 8);
            if (wrongType)
                typeA = bidirectional;
            const QString measured = QStringLiteral("%1 to Led cathode, %2 / %3").arg(typeName(typeA), volts(ab), volts(ba));
            QString reason, mode;
            QVariant ev = noReal, mv = noReal;
            if (wrongType) {
                reason = QStringLiteral("pin %1 is %2, expected Led anode").arg(e.a).arg(typeName(typeA));
                mode = QStringLiteral("pin %1: type").arg(e.a);
                ev = double(ledAnode);
                mv = double(typeA);
            } else if (drop) {
                reason = QStringLiteral("Vdrop(%1->%2) = %3, expected %4 within %5V")
                             .arg(e.a).arg(e.b).arg(volts(ab), volts(e.ab), QString::number(prog.tolerance, 'f', 3));
                mode = QStringLiteral("pair %1: drop %2->%3 out of tolerance").arg(pins).arg(e.a).arg(e.b);
                ev = e.ab * 0.02;
                mv = ab * 0.02;
            }
            const bool passed = mode.isEmpty();
            sink.comparison({id(), partId, cseq++, "pair", pins, expected, measured, passed ? 1 : 0,
                             passed ? empty : QVariant(reason), passed ? noText : QVariant(mode), ev, mv});
            // One record in ten comes from the other pin: its drops face the other way.
            if (unit() < 0.1)
                staticRows.push_back({e.b, ledCathode, typeName(ledCathode), e.a, typeA, typeName(typeA), ba * 0.02, ab * 0.02});
            else
                staticRows.push_back({e.a, typeA, typeName(typeA), e.b, ledCathode, typeName(ledCathode), ab * 0.02, ba * 0.02});
        }
        if (has(fault::shortcut)) {
            const int a = prog.pairs[1].a, b = prog.pairs[2].a;
            const QString pins = QStringLiteral("%1-%2").arg(a).arg(b);
            sink.comparison({id(), partId, cseq++, "pair", pins, empty, QStringLiteral("Shortcut to Shortcut, 0.000V / 0.000V"), 0,
                             "not expected (short)", QStringLiteral("pair %1: not expected (short)").arg(pins), noReal, noReal});
            staticRows.push_back({a, shortcut, typeName(shortcut), b, shortcut, typeName(shortcut), 0.0, 0.0});
        }
        const bool buttonWrong = has(fault::button);
        sink.comparison({id(), partId, cseq++, "button", "13 (common 14)", "Button ON",
                         buttonWrong ? "Button OFF" : "Button ON", buttonWrong ? 0 : 1,
                         buttonWrong ? QVariant("Button OFF, expected Button ON") : empty,
                         buttonWrong ? QVariant("button 13: state") : noText, buttonWrong ? QVariant(double(buttonOn)) : noReal,
                         buttonWrong ? QVariant(double(buttonOff)) : noReal});
        const bool touchGone = has(fault::touch);
        sink.comparison({id(), partId, cseq++, "touch", "16", "Touch ON", touchGone ? empty : QVariant("Touch ON"),
                         touchGone ? 0 : 1, touchGone ? QVariant("missing from the measure") : empty,
                         touchGone ? QVariant("touch 16: missing") : noText, noReal, noReal});

        for (QVariantList& r : staticRows) {
            QVariantList row{id(), partId, mseq++, "static"};
            sink.measurement(row + r);
        }
        const int state = buttonWrong ? buttonOff : buttonOn;
        sink.measurement({id(), partId, mseq++, "button", 13, state, typeName(state), 14, int(common), typeName(common), 0.0, 0.0});
        if (!touchGone)
            sink.measurement({id(), partId, mseq++, "touch", 16, int(touchOn), typeName(touchOn), noInt, noInt, noText, noReal, noReal});
    }

    const row_sink& sink;
    std::mt19937_64 random{48};
    std::uniform_real_distribution<double> uniform{0.0, 1.0};
    QHash<QString, int> attempts;
};

}  // namespace

void makeYear(long parts, const row_sink& sink) {
    maker m(sink);
    m.year(parts);
}

}  // namespace bench_results
