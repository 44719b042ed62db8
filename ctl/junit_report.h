#pragma once

#include "station/part_result.h"

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
    // A suite of the part's comparisons, timed by its test time; a part not on record also has an error.
    void addPart(const QString& name, const station::part_result& part);
    // A suite of one case in error: the run ended in trouble, which `message` names.
    void addTrouble(const QString& name, const QString& message);
    // Writes every suite added and replaces the file; false with `error` set when that fails.
    bool commit(QString& error);

private:
    struct suite {
        QString name;
        double seconds;
        std::vector<station::comparison> cases;
        QString errorCase;  // a case in error, and why; none when empty
        QString error;
    };
    QSaveFile file;
    std::vector<suite> suites;
};

}  // namespace ctl
