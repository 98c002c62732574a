// The "Версан С5" console commands of the cli: read-db, write-db, compare,
// read-journal, read-archive-list, read-archive, read-dust, set-time,
// write-sd, update-firmware and clear-events with --family s5 (the console
// commands need no --family). The device commands of the other families
// are reached as before when --family is not s5.
//
// As for every device command, the port settings come from the command line
// through a private copy of the folder's Tavrin.ini, files read from the
// console go to the current folder (the program folder), the last stdout
// line is the result text and the exit code the result code. Ctrl-C stops
// the operation as the cancel window's button does (code 21).
#include <algorithm>
#include <atomic>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <random>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "app/device_flow.h"
#include "args.h"
#include "base/file_io.h"
#include "cli_prompter.h"
#include "commands.h"
#include "families/s5/dbs5.h"
#include "family_files.h"
#include "link/idle_port.h"
#include "link/port_settings.h"
#include "link/result_codes.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tavrin::cli {

int runReadDbCommand(const Argv& args);
int runWriteDbCommand(const Argv& args);
int runReadJournalCommand(const Argv& args);
int runReadDustCommand(const Argv& args);
int runSetTimeCommand(const Argv& args);

namespace {

constexpr const char* kSection = "Версан_С5";
constexpr int kUsageError = 1;
constexpr const char* kPortUsage = "--port NAME | --simulate [--baud N] [--log]";

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The progress bar on stderr when it is a terminal.
class BarProgress : public Progress {
  public:
    BarProgress() : enabled_(stderrIsTerminal()) {}
    ~BarProgress() override { clear(); }
    void setRange(int low, int high) override {
        low_ = low;
        high_ = high;
        draw();
    }
    void setPosition(int p) override {
        pos_ = p;
        draw();
    }
    int position() const override { return pos_; }
    void setVisible(bool visible) override {
        visible_ = visible;
        visible ? draw() : clear();
    }
    void clear() {
        if (enabled_ && drawn_) std::cerr << "\r" << std::string(64, ' ') << "\r" << std::flush;
        drawn_ = false;
    }

  private:
    void draw() {
        if (!enabled_ || !visible_) return;
        const int span = std::max(1, high_ - low_);
        const int done = std::clamp(pos_ - low_, 0, span);
        const int fill = done * 40 / span;
        std::cerr << "\r[" << std::string(static_cast<std::size_t>(fill), '#')
                  << std::string(static_cast<std::size_t>(40 - fill), '.') << "] " << done << "/"
                  << span << std::flush;
        drawn_ = true;
    }
    bool enabled_;
    bool visible_ = false;
    bool drawn_ = false;
    int low_ = 0, high_ = 0, pos_ = 0;
};

std::atomic<CancelToken*> gCancel{nullptr};

extern "C" void onS5OpsInterrupt(int) {
    if (CancelToken* t = gCancel.load()) t->cancel();
}

// One console command's world: settings, prompter, progress, database.
class Session {
  public:
    Session(const Args& args, bool assumeYes) : prompter_(assumeYes) {
        const auto folder = std::filesystem::current_path();
        ctx_ = makeAppContext(folder);
        ctx_.prompter = &prompter_;
        std::random_device rd;
        std::error_code ec;
        settings_ = std::filesystem::temp_directory_path(ec) /
                    ("tavrin-cli-s5-" + std::to_string(rd()) + ".ini");
        ctx_.settingsPath = settings_;
        IniFile ini;
        ini.load(folder / kSettingsFileName);
        const bool simulate = args.has("--simulate");
        ini.set(kSection, "COM", args.value("--port").value_or(simulate ? "COM1" : ""));
        if (const auto baud = args.value("--baud")) ini.set(kSection, "Скорость", *baud);
        ini.set(kSection, "Лог", args.has("--log") ? kYes : kNo);
        ini.set(kSection, "Имитация", simulate ? kYes : kNo);
        ini.save(settings_);
        if (simulate) ctx_.ports = &idlePorts_;
        db_ = std::make_unique<DBS5>(0, ctx_);
        db_->setStatusSink([](const std::string&) {});
        gCancel.store(&db_->exchangeActive);
        previous_ = std::signal(SIGINT, onS5OpsInterrupt);
    }
    ~Session() {
        std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
        gCancel.store(nullptr);
        db_.reset();
        std::error_code ec;
        std::filesystem::remove(settings_, ec);
    }
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    DBS5& db() { return *db_; }
    BarProgress& progress() { return progress_; }
    CliPrompter& prompter() { return prompter_; }
    const AppContext& context() const { return ctx_; }

    // Loads the database folder given with --db; false after saying why.
    bool loadDb(const Args& args) {
        const auto folder = args.value("--db");
        if (!folder) return true;
        if (!db_->LoadFromDisk(*folder)) {
            std::cerr << "tavrin-cli: cannot open the database folder " << *folder << "\n";
            return false;
        }
        return true;
    }

    int finish(int code) {
        progress_.clear();
        std::cout << db_->DescribeResult(code) << "\n";
        return code;
    }

  private:
    CliPrompter prompter_;
    BarProgress progress_;
    IdlePortFactory idlePorts_;
    AppContext ctx_;
    std::filesystem::path settings_;
    std::unique_ptr<DBS5> db_;
    void (*previous_)(int) = SIG_DFL;
};

bool isS5(const Argv& argv) {
    for (std::size_t i = 0; i + 1 < argv.size(); ++i)
        if (argv[i] == "--family" && argv[i + 1] == "s5") return true;
    return false;
}

// Parses a console command's arguments; false after printing the usage.
bool parse(const Argv& argv, std::set<std::string> valued, std::size_t positional,
           const std::string& usage, Args& out) {
    valued.insert({"--port", "--baud", "--family"});
    out = Args(argv, valued);
    bool ok = out.error().empty() && out.positional().size() == positional;
    if (ok && out.has("--family") && *out.value("--family") != "s5") {
        std::cerr << "tavrin-cli: this command is for --family s5 (\"Версан С5\")\n";
        ok = false;
    }
    if (ok && !out.has("--port") && !out.has("--simulate")) {
        std::cerr << "tavrin-cli: give the port with --port NAME (or --simulate)\n";
        ok = false;
    }
    if (ok && out.has("--baud")) {
        const std::string b = *out.value("--baud");
        ok = !b.empty() && b.find_first_not_of("0123456789") == std::string::npos && b.size() < 10;
    }
    if (!ok) std::cerr << "usage: tavrin-cli " << usage << " --family s5 " << kPortUsage << "\n";
    return ok;
}

// A positive number of at most `max`, or -1.
int smallNumber(const std::string& s, int max) {
    if (s.empty() || s.size() > 4 || s.find_first_not_of("0123456789") != std::string::npos)
        return -1;
    const int n = std::stoi(s);
    return n <= max ? n : -1;
}

// The part a read or write moves: --keys, --lcp N, or everything.
bool partOf(const Args& args, ConsolePart& part, int& lcpNumber) {
    part = ConsolePart::All;
    lcpNumber = 0;
    if (args.has("--keys")) part = ConsolePart::ConsoleKeys;
    if (const auto l = args.value("--lcp")) {
        lcpNumber = smallNumber(*l, s5::kMaxLcps);
        if (lcpNumber < 1 || part != ConsolePart::All) return false;
        part = ConsolePart::Lcp;
    }
    return true;
}

int readDb(const Argv& argv) {
    const char* usage = "read-db -o DIR [--force] | --db DIR (--keys | --lcp N)";
    Args args({}, {});
    ConsolePart part{};
    int lcpNumber = 0;
    if (!parse(argv, {"-o", "--db", "--lcp"}, 0, usage, args) || !partOf(args, part, lcpNumber) ||
        (part == ConsolePart::All ? !args.has("-o") : !args.has("--db"))) {
        if (args.error().empty()) std::cerr << "usage: tavrin-cli " << usage << "\n";
        return kUsageError;
    }
    Session s(args, false);
    if (!s.loadDb(args)) return kUsageError;
    const int code = s.db().ReadPart(s.progress(), part, lcpNumber);
    s.progress().clear();
    if (code == kResultOk) {
        const std::string out = args.value("-o").value_or(*args.value("--db"));
        std::cout << "firmware: " << s.db().firmwareVersionText << "\n";
        std::cout << "lcps: " << s.db().lcpCount() << "\n";
        if (!saveNamedFile(s.db(), out, args.has("--force"))) {
            std::cerr << "tavrin-cli: the database was read but not saved to " << out << "\n";
            return kUsageError;
        }
        std::cout << "folder: " << out << "\n";
    }
    return s.finish(code);
}

// The write flow of core on this thread: the check's remarks kept for
// printing, the backup's folder and count printed before the question.
class S5FlowHost : public DeviceFlowHost {
  public:
    explicit S5FlowHost(BarProgress& progress) : progress_(progress) {}
    int run(const std::function<int(Progress&)>& operation) override {
        const int code = operation(progress_);
        progress_.clear();
        return code;
    }
    int checkBeforeWrite(DBase& db) override {
        return db.CheckDatabase(&remarks, nullptr, nullptr);
    }
    void backupTaken(const BackupResult& saved) override {
        std::cout << "backup: " << pathToUtf8(saved.path) << "\n";
        std::cout << "changed items: " << saved.changedItems << "\n";
    }

    ReportList remarks;

  private:
    BarProgress& progress_;
};

int writeDb(const Argv& argv) {
    const char* usage = "write-db DIR [--keys | --lcp N] [--yes] [--no-backup]";
    Args args({}, {});
    ConsolePart part{};
    int lcpNumber = 0;
    if (!parse(argv, {"--lcp"}, 1, usage, args) || !partOf(args, part, lcpNumber)) {
        if (args.error().empty()) std::cerr << "usage: tavrin-cli " << usage << "\n";
        return kUsageError;
    }
    Session s(args, args.has("--yes"));
    if (!s.db().LoadFromDisk(args.positional()[0])) {
        std::cerr << "tavrin-cli: cannot open the database folder " << args.positional()[0] << "\n";
        return kUsageError;
    }
    // The whole database with the backup the settings file of this folder
    // asks for; a part as it stands.
    DBS5& db = s.db();
    WriteRequest request;
    if (part == ConsolePart::All) {
        request = wholeWriteRequest(db, std::filesystem::current_path() / kSettingsFileName);
        if (args.has("--no-backup")) request.backup = false;
    } else {
        request.write = [&db, part, lcpNumber](Progress& p) {
            return db.WritePart(p, part, lcpNumber);
        };
    }
    request.title = "Запись базы";
    S5FlowHost host(s.progress());
    const WriteOutcome out = runWriteFlow(db, host, request);
    switch (out.stage) {
        case WriteStage::Refused:
            if (out.code != 2) return s.finish(out.code);
            for (const auto& row : host.remarks.rows) {
                for (std::size_t i = 0; i < row.size(); ++i)
                    std::cout << (i ? "\t" : "") << row[i];
                std::cout << "\n";
            }
            std::cout << out.text << "\n";
            return out.code;
        case WriteStage::Backup:
            std::cerr << "tavrin-cli: the console's database was not backed up; nothing written\n";
            return s.finish(out.code);
        case WriteStage::Verify:
            if (out.code == kResultOk) {
                std::cout << out.text << "\n";
                return out.code;
            }
            for (const DiffEntry& e : out.verify.differences)
                std::cout << formatDiffEntry(e) << "\n";
            return s.finish(out.code);
        default:
            return s.finish(out.code);
    }
}

int compare(const Argv& argv) {
    const char* usage = "compare DIR";
    Args args({}, {});
    if (!parse(argv, {}, 1, usage, args)) return kUsageError;
    Session s(args, false);
    if (!s.db().LoadFromDisk(args.positional()[0])) {
        std::cerr << "tavrin-cli: cannot open the database folder " << args.positional()[0] << "\n";
        return kUsageError;
    }
    const int code = s.db().CompareWithDevice(s.progress());
    s.progress().clear();
    for (const ComparisonRow& r : comparisonRows(s.db())) {
        std::cout << r.path << "\t" << (r.row >= 0 ? "объект " + std::to_string(r.row + 1) : "")
                  << "\t" << r.ours << "\t" << r.theirs << "\t" << r.verdict << "\n";
    }
    return s.finish(code);
}

int readJournal(const Argv& argv) {
    const char* usage = "read-journal --db DIR [-o FILE]";
    Args args({}, {});
    if (!parse(argv, {"--db", "-o"}, 0, usage, args)) return kUsageError;
    if (!args.has("--db")) {
        std::cerr << "tavrin-cli: read-journal needs the console's database: --db DIR "
                     "(\"Сначала нужно загрузить базу из файла или прибора\")\n";
        return kUsageError;
    }
    Session s(args, false);
    if (!s.loadDb(args)) return kUsageError;
    const int code = s.db().ReadJournal(s.progress());
    s.progress().clear();
    if (code == kResultOk) {
        std::filesystem::path file = s.context().programFolder / s.db().journalFileName;
        if (const auto out = args.value("-o")) {
            std::error_code ec;
            std::filesystem::rename(file, pathFromUtf8(*out), ec);
            if (ec) {
                std::cerr << "tavrin-cli: cannot move the journal to " << *out << "\n";
                return kUsageError;
            }
            file = pathFromUtf8(*out);
        }
        std::cout << "records: " << s.db().journalCapacity << "\n";
        std::cout << "file: " << pathToUtf8(file) << "\n";
    }
    return s.finish(code);
}

int readArchiveList(const Argv& argv) {
    Args args({}, {});
    if (!parse(argv, {}, 0, "read-archive-list", args)) return kUsageError;
    Session s(args, false);
    const int code = s.db().ReadArchiveList(s.progress());
    s.progress().clear();
    if (code == kResultOk) {
        for (const std::string& name : s.db().archiveNames())
            std::cout << name << "\n";
    }
    return s.finish(code);
}

int readArchive(const Argv& argv) {
    Args args({}, {});
    if (!parse(argv, {"--db"}, 1, "read-archive NAME [--db DIR]", args)) return kUsageError;
    Session s(args, false);
    if (!s.loadDb(args)) return kUsageError;
    const std::string name = args.positional()[0];
    const int code = s.db().ReadArchive(s.progress(), name);
    s.progress().clear();
    if (code == kResultOk) {
        std::cout << "records: " << s.db().journalCapacity << "\n";
        std::cout << "file: " << s.db().archiveJournalPath(name) << "\n";
    }
    return s.finish(code);
}

int readDust(const Argv& argv) {
    const char* usage = "read-dust --db DIR [--lcp N] [--yes]";
    Args args({}, {});
    if (!parse(argv, {"--db", "--lcp"}, 0, usage, args)) return kUsageError;
    int lcpNumber = 0;
    if (const auto l = args.value("--lcp")) lcpNumber = smallNumber(*l, s5::kMaxLcps);
    if (!args.has("--db") || lcpNumber < 0) {
        std::cerr << "usage: tavrin-cli " << usage << "\n";
        return kUsageError;
    }
    // --yes goes on past an LCP the console has no link with.
    Session s(args, args.has("--yes"));
    if (!s.loadDb(args)) return kUsageError;
    const int code = s.db().ReadDustiness(s.progress(), lcpNumber);
    s.progress().clear();
    if (code == kResultCancelled) return code;  // the message has said why
    if (code == kResultOk) {
        std::cout << "sensors: " << s.db().dustiness.size() << "\n";
        std::cout << "file: " << s.db().dustinessFileName << "\n";
    }
    return s.finish(code);
}

int setTime(const Argv& argv) {
    Args args({}, {});
    if (!parse(argv, {}, 0, "set-time", args)) return kUsageError;
    Session s(args, false);
    return s.finish(s.db().SetDeviceTime());
}

int writeSd(const Argv& argv) {
    const char* usage = "write-sd FILE [--name NAME] [--yes]";
    Args args({}, {});
    if (!parse(argv, {"--name"}, 1, usage, args)) return kUsageError;
    const std::string path = args.positional()[0];
    const std::string name =
        args.value("--name").value_or(pathToUtf8(pathFromUtf8(path).filename()));
    Session s(args, args.has("--yes"));
    if (s.prompter().ask("Подтвердите запись новой программы в прибор", "Запись ПО",
                         PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) {
        return s.finish(kResultCancelled);
    }
    return s.finish(s.db().WriteFileToDevice(s.progress(), name, path));
}

int updateFirmware(const Argv& argv) {
    const char* usage = "update-firmware NAME [--target 0|LCP] [--yes]";
    Args args({}, {});
    if (!parse(argv, {"--target"}, 1, usage, args)) return kUsageError;
    const int target = smallNumber(args.value("--target").value_or("0"), s5::kMaxLcps);
    if (target < 0) {
        std::cerr << "usage: tavrin-cli " << usage << "\n";
        return kUsageError;
    }
    Session s(args, args.has("--yes"));
    if (s.prompter().ask("Подтвердите запись новой программы в прибор", "Обновить ПО",
                         PromptIcon::Question, PromptButtons::YesNo) != PromptAnswer::Yes) {
        return s.finish(kResultCancelled);
    }
    return s.finish(s.db().ReplaceProgram(args.positional()[0], target));
}

int clearEvents(const Argv& argv) {
    const char* usage = "clear-events fires|alarms|messages|faults|all";
    Args args({}, {});
    if (!parse(argv, {}, 1, usage, args)) return kUsageError;
    const std::pair<const char*, int> kinds[] = {
        {"fires", 1}, {"alarms", 2}, {"messages", 4}, {"faults", 8}, {"all", 0x0F}};
    int mask = 0;
    for (const auto& [word, bits] : kinds)
        if (args.positional()[0] == word) mask = bits;
    if (mask == 0) {
        std::cerr << "usage: tavrin-cli " << usage << "\n";
        return kUsageError;
    }
    Session s(args, false);
    return s.finish(s.db().ClearActiveEvents(mask));
}

}  // namespace

// The device commands shared with the other families: --family s5 takes
// the console's way.
int runReadDbAnyCommand(const Argv& argv) {
    return isS5(argv) ? readDb(argv) : runReadDbCommand(argv);
}
int runWriteDbAnyCommand(const Argv& argv) {
    return isS5(argv) ? writeDb(argv) : runWriteDbCommand(argv);
}
int runReadJournalAnyCommand(const Argv& argv) {
    return isS5(argv) ? readJournal(argv) : runReadJournalCommand(argv);
}
int runReadDustAnyCommand(const Argv& argv) {
    return isS5(argv) ? readDust(argv) : runReadDustCommand(argv);
}
int runSetTimeAnyCommand(const Argv& argv) {
    return isS5(argv) ? setTime(argv) : runSetTimeCommand(argv);
}

// The console's own commands.
int runCompareCommand(const Argv& argv) {
    return compare(argv);
}
int runReadArchiveListCommand(const Argv& argv) {
    return readArchiveList(argv);
}
int runReadArchiveCommand(const Argv& argv) {
    return readArchive(argv);
}
int runWriteSdCommand(const Argv& argv) {
    return writeSd(argv);
}
int runUpdateFirmwareCommand(const Argv& argv) {
    return updateFirmware(argv);
}
int runClearEventsCommand(const Argv& argv) {
    return clearEvents(argv);
}

}  // namespace tavrin::cli
