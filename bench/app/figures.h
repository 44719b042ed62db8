#pragma once

// The figures of the bench, one function each. Each drives the real main window and returns its rows.

#include <string>
#include <vector>

namespace bench {

struct Settings {
    std::string simProgram;   // rx48p-board-sim
    std::string startProbe;   // rx48p_start_probe
    std::string ctlProgram;   // rx48p-ctl
    std::string partsDir;     // the test parts: good.device and its faulty copies
    bool quick = false;       // fewer samples and shorter runs, to check that the bench itself works
};

struct Row {
    enum class Verdict { met, missed, reported };
    std::string figure;
    std::string how;
    std::string measured;
    std::string goal;
    Verdict verdict = Verdict::reported;
    std::vector<std::string> notes;  // what else the run showed, printed under the table
};

Row replyLatency(const Settings& s);
Row commandLatency(const Settings& s);
// `rate` events a second for `seconds`.
Row sustainedTraffic(const Settings& s, int rate, int seconds);
Row longSession(const Settings& s);
// Idle first, then the same connection with the board gone.
std::vector<Row> idleAndBoardGone(const Settings& s);
Row startTime(const Settings& s);
// rx48p-ctl: one ping as a whole process; the test station's cycle per part.
Row ctlPing(const Settings& s);
Row stationCycle(const Settings& s);
Row stationMemory(const Settings& s);
// Against a simulator that paces its bytes as a 9600-baud UART does.
Row lineStationCycle(const Settings& s);
Row linePing(const Settings& s);
Row lineWaitingCpu(const Settings& s);
Row lineTerminalStatic(const Settings& s);
// The results journal and server: a station cycle with and without recording, the questions over a
// million generated parts, a backlog pushed to a local PostgreSQL, the bytes a part takes.
std::vector<Row> records(const Settings& s);
// A journal of 100,000 parts never forwarded, pushed to a new local server.
Row pushBacklog(const Settings& s);
// Twenty stations' journals forwarding to one server at once, a part a second each.
Row forwardLoad(const Settings& s);
// The results questions over a year of generated parts, on the journal and on a local PostgreSQL.
std::vector<Row> resultsQuestions(const Settings& s);
// rx48p-ctl station over four simulated fixtures: parts a second against one fixture, and the CPU while
// all four wait for parts.
Row stationFixturesRate(const Settings& s);
Row stationFixturesWaitingCpu(const Settings& s);
// rx48p-station: launch to painted window, and its GUI thread during a run at the board's pace.
std::vector<Row> operatorStation(const Settings& s);

// printf into a std::string.
std::string format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace bench
