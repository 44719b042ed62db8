#pragma once

#include "station/part_comparison.h"

#include <QSaveFile>
#include <QString>

#include <vector>

namespace ctl {

// JUnit XML: a suite per part, a case per comparison. The file is replaced in one step when the run ends
// (QSaveFile), so a run that fails half-way never leaves the last report emptied or cut short.
class junit_report {
public:
    // Prepares PATH for writing, without touching what is there; false with `error` set when it cannot
    // be written.
    bool open(const QString& path, QString& error);
    bool isOpen() const { return file.isOpen(); }
    void addSuite(const QString& name, double seconds, const std::vector<station::comparison>& comparisons);
    // Writes every suite added and replaces the file; false with `error` set when that fails.
    bool commit(QString& error);

private:
    struct suite {
        QString name;
        double seconds;
        std::vector<station::comparison> cases;
    };
    QSaveFile file;
    std::vector<suite> suites;
};

}  // namespace ctl
