// A whole "Ордис Р7" database read (the version and 2048 records) against
// tavrin-panelsim paced at 115200 baud over a pseudo-terminal, compared with
// the wire time of the bytes exchanged (10 bits a byte). The target is a
// ratio of at most 1.10. At the family's default 9600 baud the same bytes
// take about two minutes on the wire.
//
// Counters:
//   ratio        (elapsed - waits on the clock) / wire time: the exchange
//                itself (the only wait is the cancel window's 100 ms).
//   ratio_total  elapsed / wire time, that wait included.
//   bytes        bytes written and read on the port in one read.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <random>

#include "families/r7/dbr7.h"
#include "link/result_codes.h"
#include "panelsim_child.h"

namespace {

using namespace bench;

constexpr long kR7Baud = 115200;

void BM_R7FullRead(benchmark::State& state) {
    Simulator sim({"--family", "r7", "--baud", std::to_string(kR7Baud)});
    if (sim.path().empty()) {
        state.SkipWithError("tavrin-panelsim did not start");
        return;
    }
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tavrin-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    CountingPorts ports;
    WaitingClock clock;
    tavrin::AppContext ctx = tavrin::makeAppContext(folder);
    ctx.ports = &ports;
    ctx.clock = &clock;
    double ratio = 0, ratioTotal = 0;
    long bytes = 0;
    {
        tavrin::DBR7 db(0, ctx);
        db.portName = sim.path();
        db.baudRate = kR7Baud;
        db.simulation = false;
        db.logEnabled = false;
        db.SavePortSettings();
        tavrin::NullProgress progress;
        for (auto _ : state) {
            ports.bytes = 0;
            clock.waited = {};
            const auto start = std::chrono::steady_clock::now();
            const int code = db.ReadFromDevice(progress);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            if (code != tavrin::kResultOk) {
                state.SkipWithError(tavrin::resultText(code));
                break;
            }
            const double wire = static_cast<double>(ports.bytes) * kBitsPerByte / kR7Baud;
            const std::chrono::duration<double> waited = clock.waited;
            ratio = (elapsed.count() - waited.count()) / wire;
            ratioTotal = elapsed.count() / wire;
            bytes = ports.bytes;
            state.SetIterationTime(elapsed.count());
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    state.counters["ratio"] = ratio;
    state.counters["ratio_total"] = ratioTotal;
    state.counters["bytes"] = static_cast<double>(bytes);
    std::printf(
        "r7 full read at %ld baud: %ld bytes, wire %.3f s, ratio %.3f (with the cancel "
        "window's wait %.3f)\n",
        kR7Baud, bytes, static_cast<double>(bytes) * kBitsPerByte / kR7Baud, ratio, ratioTotal);
}

BENCHMARK(BM_R7FullRead)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
