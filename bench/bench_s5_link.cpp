// A 255-record series of the "Версан С5" console link against the console of
// tavrin-panelsim paced at 19200 baud over a pseudo-terminal, compared with
// the wire time of the bytes exchanged (10 bits a byte). The target is a
// ratio of at most 1.15.
//
// Counters:
//   ratio    elapsed / wire time, from the request until the last record is
//            taken out of the reply queue.
//   bytes    bytes written and read on the port meanwhile.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "families/s5/dbs5.h"
#include "link/result_codes.h"
#include "panelsim_child.h"

namespace {

constexpr long kBaud = 19200;

using bench::CountingPorts;
using bench::kBitsPerByte;
using bench::Simulator;

void BM_S5Series255(benchmark::State& state) {
    // The console answers at once and keeps no idle pause, so the line is busy
    // all the time and only the link's own delays add to the wire time.
    Simulator sim(
        {"--family", "s5", "--baud", std::to_string(kBaud), "--records", "255", "--idle", "0"});
    if (sim.path().empty()) {
        state.SkipWithError("tavrin-panelsim did not start");
        return;
    }
    const auto folder = std::filesystem::temp_directory_path() /
                        ("tavrin-bench-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(folder);
    CountingPorts ports;
    tavrin::AppContext ctx = tavrin::makeAppContext(folder);
    ctx.ports = &ports;
    double ratio = 0;
    long bytes = 0;
    {
        tavrin::DBS5 db(0, ctx);
        db.portName = sim.path();
        db.baudRate = kBaud;
        db.simulation = false;
        db.logEnabled = false;
        db.SavePortSettings();
        for (auto _ : state) {
            if (!db.OpenPort()) {
                state.SkipWithError("the port did not open");
                break;
            }
            // The link answers nothing until the console opens its session with
            // 0x60; a console that was left mid-session repeats its last frame
            // a few times first. The version read waits for that, untimed, so
            // the series starts on a link in step with the console.
            if (db.ReadVersion() != tavrin::kResultOk) {
                state.SkipWithError("the version read failed");
                break;
            }
            ports.bytes = 0;
            auto rec = std::make_shared<tavrin::s5::ExchRec>();
            rec->frame = tavrin::s5::computerFrame(tavrin::s5::kKindReadRecords, {1, 'U', 0});
            rec->expectedLength = 70;
            int records = 0;
            const auto start = std::chrono::steady_clock::now();
            db.link().requests().push(rec);
            const int code = db.link().WaitReplies(nullptr, nullptr, tavrin::s5::kReplyWaitMs,
                                                   [&records](const tavrin::s5::ExchRec&) {
                                                       ++records;
                                                       return 0;
                                                   });
            const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
            db.ClosePort();
            if (code != tavrin::kResultOk || records != 255) {
                state.SkipWithError(tavrin::resultText(code));
                break;
            }
            bytes = ports.bytes;
            const double wire = static_cast<double>(bytes) * kBitsPerByte / kBaud;
            ratio = elapsed.count() / wire;
            state.SetIterationTime(elapsed.count());
        }
    }
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    state.counters["ratio"] = ratio;
    state.counters["bytes"] = static_cast<double>(bytes);
    std::printf("s5 series of 255 records at %ld baud: %ld bytes, wire %.3f s, ratio %.3f\n", kBaud,
                bytes, static_cast<double>(bytes) * kBitsPerByte / kBaud, ratio);
}

BENCHMARK(BM_S5Series255)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
