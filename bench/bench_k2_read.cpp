// A whole "Талвир К2" database read against tavrin-panelsim paced at
// 128000 baud over a pseudo-terminal, compared with the wire time of the
// bytes exchanged (10 bits a byte). The target is a ratio of at most 1.10.
//
// Counters:
//   ratio        (elapsed - waits on the clock) / wire time: the exchange
//                itself. The only wait of a fault-free read is the 100 ms
//                the operation gives the cancel window to appear.
//   ratio_total  elapsed / wire time, that wait included.
//   bytes        bytes written and read on the port in one read.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "families/k2/dbk2.h"
#include "link/result_codes.h"
#include "panelsim_child.h"

namespace {

constexpr long kBaud = 128000;

using bench::CountingPorts;
using bench::kBitsPerByte;
using bench::Simulator;
using bench::WaitingClock;

void BM_K2FullRead(benchmark::State& state) {
    Simulator sim({"--family", "k2", "--baud", std::to_string(kBaud), "--firmware", "1.04"});
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
        tavrin::DBK2 db(0, ctx);
        db.portName = sim.path();
        db.baudRate = kBaud;
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
            const double wire = static_cast<double>(ports.bytes) * kBitsPerByte / kBaud;
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
        "k2 full read at %ld baud: %ld bytes, wire %.3f s, ratio %.3f (with the cancel "
        "window's wait %.3f)\n",
        kBaud, bytes, static_cast<double>(bytes) * kBitsPerByte / kBaud, ratio, ratioTotal);
}

BENCHMARK(BM_K2FullRead)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
