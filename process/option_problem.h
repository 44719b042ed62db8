#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

namespace proc {

// What QCommandLineParser found wrong, in our programs' style: lower case, options with their dashes, and
// for a mistyped option the nearest one of `knownOptions` (long names without dashes):
// "unknown option '--prot'; did you mean --port?"
QString optionProblem(const QCommandLineParser& parser, const QStringList& knownOptions);
// The one of `known` that `typed` is a slip of, or empty (closestName for Qt's strings).
QString closestOf(const QString& typed, const QStringList& known);
// "unknown option '--prot'" and the suggestion, for an option typed as `typed` (with its dashes).
QString unknownOption(const QString& typed, const QStringList& knownOptions);

}  // namespace proc
