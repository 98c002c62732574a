// Exchange throughput against tavrin-panelsim paced at 128000 baud: table
// reads of "Талвир К2" (4-byte requests, 60-byte replies) through the
// real termios port. Reports the ratio of the time taken to the wire time
// of the bytes exchanged (bytes x 10 / 128000).
#include <benchmark/benchmark.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "base/crc8.h"
#include "registry/family_registry.h"

extern char** environ;

namespace {

using namespace tavrin;

constexpr int kBaud = 128000;

// The "Талвир К2" framing and checks, nothing else.
class BenchDBase : public DBase {
  public:
    explicit BenchDBase(const AppContext& c) : DBase(familyTraits(Family::K2), 0, c) {}
    bool CheckChecksum(ByteSpan r) override {
        if (r.empty()) return false;
        const std::size_t l = r[0];
        return r.size() >= l + 1 && r[l] == Crc8(r.first(l));
    }
    bool IsPositiveReply(ByteSpan r) override {
        return !(r.size() > 1 && r[0] == 2 && r[1] == 0xFE);
    }
    void ResetDatabase() override {}
    bool LoadFromDisk(const std::string&) override { return false; }
    bool SaveToDisk(const std::string&) override { return false; }
    int CreateElement(int, int) override { return -1; }
    void RemoveElement(int) override {}
    int CreateKey() override { return -1; }
    void RemoveKey(int) override {}
    int GetItemImage(ItemCode) override { return -1; }
    RuleAnswer CutItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer CopyItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer PasteItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer DeleteItem(const EditRuleArgs&) override { return {}; }
    RuleAnswer InsertItem(const EditRuleArgs&) override { return {}; }
    int FindKey(ByteSpan) override { return -1; }
};

// The simulator as a child process; its stdin is ours to close.
struct Simulator {
    Simulator() {
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0) return;
        posix_spawn_file_actions_t a;
        posix_spawn_file_actions_init(&a);
        posix_spawn_file_actions_adddup2(&a, in[0], 0);
        posix_spawn_file_actions_adddup2(&a, out[1], 1);
        std::string prog = TAVRIN_PANELSIM_PATH, fam = "--family", k2 = "k2", baud = "--baud",
                    rate = std::to_string(kBaud);
        char* argv[] = {prog.data(), fam.data(), k2.data(), baud.data(), rate.data(), nullptr};
        if (posix_spawn(&pid, argv[0], &a, nullptr, argv, environ) != 0) pid = -1;
        posix_spawn_file_actions_destroy(&a);
        close(in[0]);
        close(out[1]);
        stdinFd = in[1];
        char c = 0;
        pollfd p{out[0], POLLIN, 0};
        while (poll(&p, 1, 5000) > 0 && read(out[0], &c, 1) == 1 && c != '\n')
            path += c;
        close(out[0]);
    }
    ~Simulator() {
        close(stdinFd);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
    int stdinFd = -1;
    std::string path;
};

void BM_TableReadsAt128000(benchmark::State& state) {
    Simulator sim;
    if (sim.path.empty()) {
        state.SkipWithError("tavrin-panelsim did not start");
        return;
    }
    const auto folder = std::filesystem::temp_directory_path() / "tavrin-bench-exchange";
    std::filesystem::create_directories(folder);
    AppContext ctx = makeAppContext(folder);
    BenchDBase db(ctx);
    db.portName = sim.path;
    db.baudRate = kBaud;
    db.simulation = false;
    db.logEnabled = false;
    db.SavePortSettings();
    if (!db.OpenPort()) {
        state.SkipWithError("port did not open");
        return;
    }
    std::uint64_t bytes = 0;
    double seconds = 0;
    Bytes reply;
    for (auto _ : state) {
        const auto t0 = std::chrono::steady_clock::now();
        for (std::uint8_t index = 0; index < 128; index = static_cast<std::uint8_t>(index + 7)) {
            Bytes request{3, 3, index};
            request.push_back(Crc8(request));
            if (db.Exchange(reply, request) != 0) {
                state.SkipWithError("exchange failed");
                return;
            }
            bytes += request.size() + reply.size();
        }
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    }
    db.ClosePort();
    const double wire = static_cast<double>(bytes) * 10.0 / kBaud;
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["wire_ratio"] = seconds / wire;
    state.SetBytesProcessed(static_cast<std::int64_t>(bytes));
}
BENCHMARK(BM_TableReadsAt128000)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

BENCHMARK_MAIN();
