#pragma once

// rx48p-ctl as the ctl suites start it, and the simulator's parts it runs against.

#include "board_sim.h"
#include "program_run.h"
#include "sql_rows.h"
#include "test_parts.h"

#include <QRegularExpression>

using namespace test_support;

// Started at once; its standard input closed after `in` unless that is null.
struct Ctl : ProgramRun {
    explicit Ctl(const QStringList& args, const QByteArray& in = QByteArray(), int ms = defaultTimeoutMs)
        : ProgramRun(QStringLiteral(RX48P_CTL), args) {
        if (!in.isNull())
            input(in);
        timeout(ms).start();
    }
};

inline Finished ctl(const QStringList& args) { return Ctl(args).finish(); }

inline QStringList lines(const QString& text) { return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
inline QStringList matching(const QStringList& all, const QString& prefix) {
    return all.filter(QRegularExpression(QLatin1Char('^') + QRegularExpression::escape(prefix)));
}
