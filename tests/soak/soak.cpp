// A long run against tavrin-panelsim in one process: cycles of a database
// write, a read back and a journal read over a real pseudo-terminal, with a
// cycle under a random fault of the simulator every fourth time. Every cycle
// must end in its code with the port closed, a clean cycle must read back
// exactly what was written, and the process must not grow: its resident
// memory within 10 % (and 8 MB) of what it was after the warm-up, the same
// file descriptors and threads.
//
//   tavrin_soak [--cycles N] [--seed S]     (default 300 cycles)
#include <dirent.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "base/file_io.h"
#include "families/k2/dbk2.h"
#include "link/result_codes.h"
#include "support/sim_process.h"
#include "support/temp_dir.h"

namespace {

using namespace tavrin;

long residentKb() {
    std::ifstream f("/proc/self/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int entries(const char* folder) {
    int n = 0;
    if (DIR* d = ::opendir(folder)) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n - 1;  // the listing's own descriptor (for /proc/self/fd)
}

void configure(DBK2& db, const std::string& port) {
    db.portName = port;
    db.simulation = false;
    db.SavePortSettings();
    db.readTotalTimeoutConstant = 150;
    db.readIntervalTimeout = 20;
    db.readTotalTimeoutMultiplier = 2;
}

void fill(DBK2& db) {
    db.ResetDatabase();
    for (int i = 0; i < 24; ++i) {
        const int d = db.CreateElement(i % 4 ? k2::kTypeDip : k2::kTypeIpr, 0);
        db.devices[static_cast<std::size_t>(d)][k2::kDevSerial] = static_cast<std::uint8_t>(i + 1);
    }
    for (int k = 0; k < 6; ++k)
        db.CreateKey();
    db.firmwareVersionText = "1.04";
    db.UpdateChecksums();
    db.FillPanelCounters();
    db.databaseValid = true;
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 300;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string a = argv[i];
        if (a == "--cycles") cycles = std::atoi(argv[i + 1]);
        if (a == "--seed") seed = static_cast<unsigned>(std::atoi(argv[i + 1]));
    }
    if (cycles < 4) cycles = 4;
    std::mt19937 rng(seed);
    test::TempDir dir;
    SilentPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    const auto start = std::chrono::steady_clock::now();

    test::SimProcess clean({"--family", "k2", "--journal", "40", "--events", "5"});
    if (!clean.started()) {
        std::fprintf(stderr, "soak: the simulator did not start\n");
        return 1;
    }
    DBK2 source(0, ctx);
    fill(source);
    configure(source, clean.path());
    NullProgress progress;
    if (source.WriteToDevice(progress) != kResultOk) {
        std::fprintf(stderr, "soak: the first write failed\n");
        return 1;
    }
    source.ClosePort();
    Bytes expected;

    const char* faults[] = {"badcrc", "silence", "noreply", "cut",    "delay=400",
                            "drop",   "garbage", "refuse",  "length", "badindex"};
    const int warmUp = std::max(2, cycles / 10);
    long rssWarm = 0;
    int fdWarm = 0, threadsWarm = 0, faulted = 0, failures = 0;
    for (int cycle = 0; cycle < cycles; ++cycle) {
        if (cycle == warmUp) {
            rssWarm = residentKb();
            fdWarm = entries("/proc/self/fd");
            threadsWarm = entries("/proc/self/task") + 1;
        }
        const bool fault = cycle % 4 == 3;
        if (fault) {
            const std::string spec = std::string(faults[rng() % std::size(faults)]) + "@" +
                                     std::to_string(1 + rng() % 12);
            test::SimProcess sim({"--family", "k2", "--journal", "40", "--fault", spec});
            DBK2 db(0, ctx);
            configure(db, sim.path());
            const int code =
                cycle % 8 == 3 ? db.ReadFromDevice(progress) : db.ReadJournal(progress);
            db.ClosePort();
            ++faulted;
            if (code < 0 || code > 99 || db.IsPortOpen()) {
                std::fprintf(stderr, "soak: cycle %d (%s) ended with %d\n", cycle, spec.c_str(),
                             code);
                ++failures;
            }
            continue;
        }
        DBK2 db(0, ctx);
        configure(db, clean.path());
        fill(db);
        int code = db.WriteToDevice(progress);
        if (code == kResultOk) code = db.ReadFromDevice(progress);
        if (code == kResultOk) {
            const Bytes got = db.SerializeFile();
            if (expected.empty()) expected = got;
            if (got != expected) {
                std::fprintf(stderr, "soak: cycle %d read back another database\n", cycle);
                ++failures;
            }
            db.journalOutputPath = pathToUtf8(dir / "Journal.tvj");
            code = db.ReadJournal(progress);
        }
        db.ClosePort();
        if (code != kResultOk || db.IsPortOpen()) {
            std::fprintf(stderr, "soak: clean cycle %d ended with %d\n", cycle, code);
            ++failures;
        }
    }
    const long rss = residentKb();
    const int fds = entries("/proc/self/fd");
    const int threads = entries("/proc/self/task") + 1;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf(
        "soak: %d cycles (%d under a fault) in %.0f s; resident %ld kB after warm-up, "
        "%ld kB at the end; descriptors %d/%d; threads %d/%d; %d failures\n",
        cycles, faulted, seconds, rssWarm, rss, fdWarm, fds, threadsWarm, threads, failures);
    const bool grew = rss > rssWarm + std::max(rssWarm / 10, 8192L);
    if (grew) std::fprintf(stderr, "soak: the resident memory grew\n");
    if (fds != fdWarm) std::fprintf(stderr, "soak: file descriptors leaked\n");
    if (threads != threadsWarm) std::fprintf(stderr, "soak: threads leaked\n");
    return failures == 0 && !grew && fds == fdWarm && threads == threadsWarm ? 0 : 1;
}
