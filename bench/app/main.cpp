// rx48p_app_bench: measures the real program (its main window offscreen, the serial link, the board
// simulator over pseudo-terminals) and prints one table of every figure against its goal.

#include "figures.h"
#include "report_table.h"

#include <QApplication>

#include <cstring>
#include <exception>
#include <functional>
#include <iostream>
#include <set>
#include <string>

namespace {

const char* const usage =
    "Usage: rx48p_app_bench [--quick] [--only NAME[,NAME...]]\n"
    "Measures RX48P-Term and prints a Markdown table of every figure against its goal.\n"
    "  --quick   fewer samples and shorter runs: checks the bench, not the program\n"
    "  --only    run only these figures: reply, command, sustained, sustained90, session, idle, start,\n"
    "            ctl, memory, line, records, results, push, forward, operator, fixtures\n"
    "Run it with QT_QPA_PLATFORM=offscreen on a quiet machine; scripts/bench does both.\n";

std::set<std::string> splitNames(const std::string& text) {
    std::set<std::string> names;
    std::string item;
    for (char c : text + ",") {
        if (c == ',') {
            if (!item.empty())
                names.insert(item);
            item.clear();
        } else {
            item += c;
        }
    }
    return names;
}

}  // namespace

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    bench::Settings settings;
    settings.simProgram = RX48P_BOARD_SIM;
    settings.startProbe = RX48P_START_PROBE;
    settings.ctlProgram = RX48P_CTL;
    settings.partsDir = RX48P_TEST_PARTS;
    std::set<std::string> only;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--quick") == 0) {
            settings.quick = true;
        } else if (std::strcmp(argv[i], "--only") == 0 && i + 1 < argc) {
            only = splitNames(argv[++i]);
        } else {
            std::cerr << usage;
            return std::strcmp(argv[i], "--help") == 0 ? 0 : 2;
        }
    }

    using bench::Row;
    const std::pair<std::string, std::function<std::vector<Row>()>> figures[] = {
        {"reply", [&] { return std::vector<Row>{bench::replyLatency(settings)}; }},
        {"command", [&] { return std::vector<Row>{bench::commandLatency(settings)}; }},
        {"sustained", [&] { return std::vector<Row>{bench::sustainedTraffic(settings, 100, 60)}; }},
        // Below the dispatcher's one chunk per 10 ms tick, for comparison.
        {"sustained90", [&] { return std::vector<Row>{bench::sustainedTraffic(settings, 90, 30)}; }},
        {"session", [&] { return std::vector<Row>{bench::longSession(settings)}; }},
        {"idle", [&] { return bench::idleAndBoardGone(settings); }},
        {"start", [&] { return std::vector<Row>{bench::startTime(settings)}; }},
        {"ctl", [&] { return std::vector<Row>{bench::ctlPing(settings), bench::stationCycle(settings)}; }},
        {"memory", [&] { return std::vector<Row>{bench::stationMemory(settings)}; }},
        {"line", [&] {
             return std::vector<Row>{bench::lineStationCycle(settings), bench::linePing(settings),
                                     bench::lineWaitingCpu(settings), bench::replyLatency(settings),
                                     bench::commandLatency(settings), bench::lineTerminalStatic(settings)};
         }},
        {"records", [&] { return bench::records(settings); }},
        {"push", [&] { return std::vector<bench::Row>{bench::pushBacklog(settings)}; }},
        {"forward", [&] { return std::vector<bench::Row>{bench::forwardLoad(settings)}; }},
        {"results", [&] { return bench::resultsQuestions(settings); }},
        {"operator", [&] { return bench::operatorStation(settings); }},
        {"fixtures", [&] {
             return std::vector<Row>{bench::stationFixturesRate(settings), bench::stationFixturesWaitingCpu(settings)};
         }},
    };
    const std::string loadBefore = bench::loadAverage();
    std::vector<Row> rows;
    for (const auto& [name, run] : figures) {
        if (!only.empty() && !only.count(name))
            continue;
        std::cerr << "measuring " << name << " ..." << std::endl;
        try {
            for (Row& r : run())
                rows.push_back(std::move(r));
        } catch (const std::exception& e) {
            std::cerr << "rx48p_app_bench: " << e.what() << std::endl;
            return 1;
        }
    }
    bench::printMachine(std::cout, loadBefore, bench::loadAverage());
    bench::printTable(std::cout, rows);
    return 0;
}
