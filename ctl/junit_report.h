#pragma once

#include "ctl/part_check.h"

#include <QFile>
#include <QString>

#include <vector>

namespace ctl {

// A JUnit XML file, as test dashboards read it: one test suite per checked part, one test case per
// comparison. The file is opened (and emptied) when the run starts, so a path that cannot be written
// is refused before the board is touched.
class junit_report {
public:
    // False with `error` set when the file cannot be opened for writing.
    bool open(const QString& path, QString& error);
    bool isOpen() const { return file.isOpen(); }
    void addSuite(const QString& name, double seconds, const std::vector<comparison>& comparisons);
    // Writes every suite added so far; false with `error` set when the write fails.
    bool write(QString& error);

private:
    struct suite {
        QString name;
        double seconds;
        std::vector<comparison> cases;
    };
    QFile file;
    std::vector<suite> suites;
};

}  // namespace ctl
