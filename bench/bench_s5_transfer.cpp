// A whole "Версан С5" database read from and written to the console of
// tavrin-panelsim paced at 19200 baud over a pseudo-terminal, compared with
// the wire time of the bytes exchanged (10 bits a byte). The target is a
// ratio of at most 1.15. The console keeps its idle pace of 100 ms between
// frames when nothing is asked: those pauses count against the ratio.
//
// Each run starts on a link in step with the console (a version read,
// untimed: the console opens its session with 0x60 in its own time).
//
// Counters:
//   ratio    elapsed / wire time of the operation.
//   bytes    bytes written and read on the port meanwhile.
//   records  records moved.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"
#include "panelsim_child.h"

namespace {

constexpr long kBaud = 19200;
constexpr int kLcps = 4;
constexpr int kRecords = 40;  // devices, objects and keys of each LCP

struct Run {
    double ratio = 0;
    long bytes = 0;
};

template <class Operation>
void measure(benchmark::State& state, const char* what, Operation operation) {
    bench::Simulator sim({"--family", "s5", "--baud", std::to_string(kBaud), "--lcps",
                          std::to_string(kLcps), "--records", std::to_string(kRecords)});
    if (sim.path().empty()) {
        state.SkipWithError("tavrin-panelsim did not start");
        return;
    }
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tavrin-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    bench::CountingPorts ports;
    tavrin::AppContext ctx = tavrin::makeAppContext(folder);
    ctx.ports = &ports;
    Run run;
    {
        tavrin::DBS5 db(0, ctx);
        db.portName = sim.path();
        db.baudRate = kBaud;
        db.simulation = false;
        db.logEnabled = false;
        db.SavePortSettings();
        tavrin::NullProgress progress;
        // The database to write: what the console holds.
        if (db.ReadFromDevice(progress) != tavrin::kResultOk) {
            state.SkipWithError("the first read failed");
            return;
        }
        for (auto _ : state) {
            db.exchangeActive.arm();
            if (db.ReadVersion() != tavrin::kResultOk) {
                state.SkipWithError("the version read failed");
                break;
            }
            ports.bytes = 0;
            const auto start = std::chrono::steady_clock::now();
            const int code = operation(db, progress);
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            if (code != tavrin::kResultOk) {
                state.SkipWithError(tavrin::resultText(code));
                break;
            }
            run.bytes = ports.bytes;
            run.ratio =
                elapsed.count() / (static_cast<double>(run.bytes) * bench::kBitsPerByte / kBaud);
            state.SetIterationTime(elapsed.count());
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    state.counters["ratio"] = run.ratio;
    state.counters["bytes"] = static_cast<double>(run.bytes);
    state.counters["records"] = 3.0 * kLcps * kRecords;
    std::printf("s5 %s of %d LCPs x %d records at %ld baud: %ld bytes, wire %.2f s, ratio %.3f\n",
                what, kLcps, kRecords, kBaud, run.bytes,
                static_cast<double>(run.bytes) * bench::kBitsPerByte / kBaud, run.ratio);
}

void BM_S5ReadDatabase(benchmark::State& state) {
    measure(state, "read",
            [](tavrin::DBS5& db, tavrin::Progress& p) { return db.ReadFromDevice(p); });
}

void BM_S5WriteDatabase(benchmark::State& state) {
    measure(state, "write",
            [](tavrin::DBS5& db, tavrin::Progress& p) { return db.WriteToDevice(p); });
}

BENCHMARK(BM_S5ReadDatabase)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_S5WriteDatabase)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
