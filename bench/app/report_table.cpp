#include "report_table.h"

#include <QByteArray>
#include <QtGlobal>

#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

namespace bench {

namespace {

std::string cpuModel() {
    std::ifstream in("/proc/cpuinfo");
    for (std::string line; std::getline(in, line);) {
        if (line.rfind("model name", 0) == 0)
            return line.substr(line.find(':') + 2);
    }
    return "unknown";
}

const char* verdictText(Row::Verdict v) {
    switch (v) {
    case Row::Verdict::met:
        return "met";
    case Row::Verdict::missed:
        return "**missed**";
    case Row::Verdict::reported:
        break;
    }
    return "reported";
}

}  // namespace

std::string loadAverage() {
    std::ifstream in("/proc/loadavg");
    std::string a, b, c;
    in >> a >> b >> c;
    return a + " " + b + " " + c;
}

void printMachine(std::ostream& out, const std::string& loadBefore, const std::string& loadAfter) {
    out << "Machine: " << ::sysconf(_SC_NPROCESSORS_ONLN) << " cores (nproc), " << cpuModel() << "; Qt "
        << qVersion() << " (built against " << QT_VERSION_STR << "), QT_QPA_PLATFORM="
        << qgetenv("QT_QPA_PLATFORM").constData() << "\n";
    out << "Load average (1, 5, 15 min): " << loadBefore << " before, " << loadAfter << " after\n\n";
}

void printTable(std::ostream& out, const std::vector<Row>& rows) {
    out << "| figure | how | measured | goal | verdict |\n";
    out << "|---|---|---|---|---|\n";
    for (const Row& r : rows)
        out << "| " << r.figure << " | " << r.how << " | " << r.measured << " | " << r.goal << " | "
            << verdictText(r.verdict) << " |\n";
    bool any = false;
    for (const Row& r : rows) {
        for (const std::string& note : r.notes) {
            out << (any ? "" : "\n") << "- " << note << "\n";
            any = true;
        }
    }
}

}  // namespace bench
