#include "board_stream.h"

#include "vexcom/vexcom_crc.h"
#include "vexcom/vexcom_interpreter.h"

#include <benchmark/benchmark.h>

#include <iomanip>
#include <iostream>
#include <map>
#include <string>

namespace {

const board_stream& stream() {
    static const board_stream s = make_board_stream(256 * 1024);
    return s;
}

void BM_Parser(benchmark::State& state) {
    const board_stream& s = stream();
    vex_com::interpreter parser(vex_com::config{{0x55}, 2, {}});
    std::size_t frames = 0;
    std::size_t payload_bytes = 0;
    auto count = [&](vex_com::acknowledge, std::vector<std::uint8_t> payload) {
        ++frames;
        payload_bytes += payload.size();
    };
    for (unsigned ep = 0x00; ep <= 0x0E; ++ep) parser.add_handler(static_cast<std::uint8_t>(ep), count);
    parser.add_handler(0xFF, count);

    for (auto _ : state) {
        const std::uint8_t* at = s.bytes.data();
        for (std::size_t n : s.chunk_sizes) {
            parser.interpret(at, n);
            at += n;
        }
        benchmark::DoNotOptimize(payload_bytes);
    }
    if (frames != s.good_frames * static_cast<std::size_t>(state.iterations()))
        state.SkipWithError("parser dispatched the wrong number of frames");
    state.SetBytesProcessed(static_cast<std::int64_t>(s.bytes.size()) * state.iterations());
}
BENCHMARK(BM_Parser);

void BM_BareCrc(benchmark::State& state) {
    const board_stream& s = stream();
    for (auto _ : state) {
        std::uint16_t crc = vex_com::crc16(s.bytes.data(), s.bytes.size());
        benchmark::DoNotOptimize(crc);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(s.bytes.size()) * state.iterations());
}
BENCHMARK(BM_BareCrc);

// Prints the usual table, then both rates in MB/s and their ratio.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(OO_Tabular) {}  // plain text: the figures end up in logs
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            const auto rate = run.counters.find("bytes_per_second");
            const bool wanted = run.run_type == Run::RT_Iteration || run.aggregate_name == "median";
            if (!run.error_occurred && wanted && rate != run.counters.end())
                mb_per_s[run.run_name.function_name] = rate->second.value / 1e6;
        }
    }
    void Finalize() override {
        ConsoleReporter::Finalize();
        const auto parser = mb_per_s.find("BM_Parser");
        const auto crc = mb_per_s.find("BM_BareCrc");
        if (parser == mb_per_s.end() || crc == mb_per_s.end())
            return;
        GetOutputStream() << std::fixed << std::setprecision(1) << "\nparser    " << parser->second
                          << " MB/s\nbare CRC  " << crc->second << " MB/s\nratio     " << std::setprecision(3)
                          << parser->second / crc->second << " (goal >= 0.333)\n";
    }

private:
    std::map<std::string, double> mb_per_s;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    std::cout << "stream: " << stream().bytes.size() << " bytes, " << stream().good_frames << " frames, "
              << stream().chunk_sizes.size() << " chunks" << std::endl;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
