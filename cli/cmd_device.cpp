// Commands that talk to a panel: read-db, write-db, read-version, set-time,
// read-time, read-journal, read-events, read-dust, write-firmware. The family
// is "Талвир К2" unless --family names another ("r7" for "Ордис Р7"); a
// command the family's panel does not have exits 24 ("Операция не
// реализована для этого прибора"). The write and the journal run the flows
// of core/app/device_flow, as the main window does.
//
// Each command runs one device operation on this thread. The port settings
// come from the command line: the cli copies the Tavrin.ini of the current
// folder (when there is one) to a temporary settings file, puts --port,
// --baud, --log and --simulate into the family's section there and hands that
// file to the database, so the user's Tavrin.ini is never changed while the
// operation still sees the other settings of the folder. The exchange log
// ("Tavrin_MM_DD_YY.log") and the family's journal and dustiness files go to
// the current folder, as the configurator writes them into its own.
//
// Ctrl-C stops the operation as the cancel window's button does (code 21).
#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <set>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

#include "app/device_flow.h"
#include "app/intel_hex.h"
#include "app/trusted_write.h"
#include "args.h"
#include "base/file_io.h"
#include "cli_prompter.h"
#include "commands.h"
#include "family_files.h"
#include "link/idle_port.h"
#include "link/port_settings.h"
#include "link/result_codes.h"
#include "private_settings.h"
#include "registry/family_registry.h"
#include "report/report_list.h"
#include "settings/ini_file.h"
#include "settings/settings.h"

namespace tavrin::cli {

namespace {

constexpr const char* kWriteTitle = "Запись базы";
constexpr const char* kPortUsage = "--port NAME | --simulate [--baud N] [--log] [--family k2|r7]";
constexpr const char* kFirmwareTitle = "Запись ПО";
constexpr const char* kFirmwareQuestion = "Подтвердите запись новой программы в прибор";
constexpr const char* kNotOnThisPanel = "Функция прибором не реализована";
constexpr int kUsageError = 1;

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

// The status-bar progress bar on a terminal: one line on stderr, redrawn in
// place; nothing when stderr is not a terminal.
class TerminalProgress : public Progress {
  public:
    TerminalProgress() : enabled_(stderrIsTerminal()) {}
    ~TerminalProgress() override { clear(); }

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
        if (visible) {
            draw();
        } else {
            clear();
        }
    }
    void clear() {
        if (enabled_ && drawn_) {
            std::cerr << "\r" << std::string(kWidth + 24, ' ') << "\r" << std::flush;
            drawn_ = false;
        }
    }

  private:
    static constexpr int kWidth = 40;

    void draw() {
        if (!enabled_ || !visible_) return;
        const int span = high_ > low_ ? high_ - low_ : 1;
        const int done = std::clamp(pos_ - low_, 0, span);
        const int fill = done * kWidth / span;
        std::cerr << "\r[" << std::string(static_cast<std::size_t>(fill), '#')
                  << std::string(static_cast<std::size_t>(kWidth - fill), '.') << "] " << done
                  << "/" << span << std::flush;
        drawn_ = true;
    }

    bool enabled_;
    bool visible_ = false;
    bool drawn_ = false;
    int low_ = 0, high_ = 0, pos_ = 0;
};

// Ctrl-C clears the exchange-active flag of the running operation.
std::atomic<CancelToken*> gCancelToken{nullptr};

extern "C" void onInterrupt(int) {
    if (CancelToken* t = gCancelToken.load()) t->cancel();
}

// A unique temporary file name for the settings of one run.
// One device command's world: the settings, the prompter, the progress and
// the database.
class DeviceSession {
  public:
    DeviceSession(const Args& args, bool assumeYes) : prompter_(assumeYes) {
        const FamilyDescriptor* family = familyByCliName(args.value("--family").value_or("k2"));
        const auto folder = std::filesystem::current_path();
        ctx_ = makeAppContext(folder);
        ctx_.prompter = &prompter_;

        IniFile ini;
        ini.load(folder / kSettingsFileName);
        const std::string section = family->traits.sectionName;
        const bool simulate = args.has("--simulate");
        ini.set(section, "COM", args.value("--port").value_or(simulate ? "COM1" : ""));
        if (const auto baud = args.value("--baud")) ini.set(section, "Скорость", *baud);
        ini.set(section, "Лог", args.has("--log") ? kYes : kNo);
        ini.set(section, "Имитация", simulate ? kYes : kNo);
        ready_ = settings_.create(ini);
        ctx_.settingsPath = settings_.path();
        if (simulate) ctx_.ports = &idlePorts_;

        db_ = CreateDatabase(family->traits.family, 0, ctx_);
        gCancelToken.store(&db_->exchangeActive);
        previous_ = std::signal(SIGINT, onInterrupt);
    }

    ~DeviceSession() {
        std::signal(SIGINT, previous_ == SIG_ERR ? SIG_DFL : previous_);
        gCancelToken.store(nullptr);
        db_.reset();
    }

    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // False when the private settings copy could not be written (said on
    // stderr): the command must not go on.
    bool ready() const { return ready_; }
    DBase& db() { return *db_; }
    TerminalProgress& progress() { return progress_; }
    CliPrompter& prompter() { return prompter_; }

    // Prints the result text as the last line and returns the code.
    int finish(int code) {
        progress_.clear();
        std::cout << db_->DescribeResult(code) << "\n";
        return code;
    }

  private:
    CliPrompter prompter_;
    TerminalProgress progress_;
    IdlePortFactory idlePorts_;
    AppContext ctx_;
    PrivateSettings settings_;
    bool ready_ = false;
    std::unique_ptr<DBase> db_;
    void (*previous_)(int) = SIG_DFL;
};

// Parses the arguments of a device command; false after printing the usage.
bool parseDeviceArgs(const Argv& argv, const std::set<std::string>& valued, std::size_t positional,
                     const std::string& usage, Args& out) {
    std::set<std::string> all = valued;
    all.insert({"--port", "--baud", "--family"});
    out = Args(argv, all);
    bool ok = out.error().empty() && out.positional().size() == positional;
    if (ok && out.has("--family")) {
        const FamilyDescriptor* f = familyByCliName(*out.value("--family"));
        // The "Версан С5" console link has its own commands, not these.
        if (!f || f->traits.commands.consoleCommands) {
            std::cerr << "tavrin-cli: device commands take --family k2 or r7\n";
            ok = false;
        }
    }
    if (ok && !out.has("--port") && !out.has("--simulate")) {
        std::cerr << "tavrin-cli: give the port with --port NAME (or --simulate)\n";
        ok = false;
    }
    if (ok && out.has("--port") && !IniFile::storable("x", "x", *out.value("--port"))) {
        std::cerr << "tavrin-cli: a port name cannot hold a line break\n";
        ok = false;
    }
    if (ok && out.has("--baud")) {
        const std::string b = *out.value("--baud");
        ok = !b.empty() && b.find_first_not_of("0123456789") == std::string::npos && b.size() < 10;
    }
    if (!ok) std::cerr << "usage: tavrin-cli " << usage << "\n";
    return ok;
}

std::string usageOf(const char* command, const char* rest) {
    return std::string(command) + " " + rest + (rest[0] ? " " : "") + kPortUsage;
}

// A command the family's panel does not have: the result text of an
// operation that is not there ("Операция не реализована для этого прибора"),
// with its code as the exit code.
int notOnThisPanel(DeviceSession& s, const char* title) {
    std::cerr << "tavrin-cli: " << title << ": " << kNotOnThisPanel << "\n";
    return s.finish(kResultNotImplemented);
}

// The commands that need a valid database take it from a file.
bool requireDb(const Args& args, const char* command) {
    if (args.has("--db")) return true;
    std::cerr
        << "tavrin-cli: " << command
        << " needs the panel's database: --db FILE (\"Сначала нужно загрузить базу из файла или "
           "прибора\")\n";
    return false;
}

}  // namespace

int runReadDbCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {"-o"}, 0, usageOf("read-db", "-o OUT.bta"), args))
        return kUsageError;
    if (!args.has("-o")) {
        std::cerr << "usage: tavrin-cli " << usageOf("read-db", "-o OUT.bta") << "\n";
        return kUsageError;
    }
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    if (const double seconds = s.db().EstimatedReadSeconds(); seconds > 0 && !s.db().simulation) {
        // At 9600 baud a whole "Ордис Р7" read takes about two minutes.
        std::cerr << "estimated time on the line: " << static_cast<int>(seconds + 0.5) << " s at "
                  << s.db().baudRate << " baud\n";
    }
    const int code = s.db().ReadFromDevice(s.progress());
    s.progress().clear();
    if (code == kResultOk) {
        std::cout << "firmware: " << s.db().firmwareVersionText << "\n";
        if (!saveNamedFile(s.db(), *args.value("-o"), args.has("--force"))) {
            s.progress().clear();
            std::cerr << "tavrin-cli: the database was read but not saved to " << *args.value("-o")
                      << "\n";
            return kUsageError;
        }
        std::cout << "file: " << s.db().filePath << "\n";
    }
    return s.finish(code);
}

namespace {

// The device-command flows of core on this thread: the check's lists printed
// when it refuses the database, the backup's file and count printed before
// the question.
class CliFlowHost : public DeviceFlowHost {
  public:
    explicit CliFlowHost(TerminalProgress& progress) : progress_(progress) {}
    int run(const std::function<int(Progress&)>& operation) override {
        const int code = operation(progress_);
        progress_.clear();
        return code;
    }
    int checkBeforeWrite(DBase& db) override {
        return db.CheckDatabase(&remarks, &devices, &functions);
    }
    void backupTaken(const BackupResult& saved) override {
        std::cout << "backup: " << pathToUtf8(saved.path) << "\n";
        std::cout << "changed items: " << saved.changedItems << "\n";
    }
    void afterWrite(DBase& db) override { db.ClosePort(); }

    ReportList remarks, devices, functions;

  private:
    TerminalProgress& progress_;
};

}  // namespace

int runWriteDbCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {}, 1,
                         usageOf("write-db", "FILE [--yes] [--force] [--no-backup] [--no-verify]"),
                         args))
        return kUsageError;
    DeviceSession s(args, args.has("--yes"));
    if (!s.ready()) return kUsageError;
    if (!loadNamedFile(s.db(), args.positional()[0])) return kUsageError;
    s.prompter().setForce(args.has("--force"));
    DBase& db = s.db();
    // The backup setting is the one of the folder's settings file.
    WriteRequest request =
        wholeWriteRequest(db, std::filesystem::current_path() / kSettingsFileName);
    request.title = kWriteTitle;
    if (args.has("--no-backup")) request.backup = false;
    if (args.has("--no-verify")) request.verify = false;
    CliFlowHost host(s.progress());
    const WriteOutcome out = runWriteFlow(db, host, request);
    switch (out.stage) {
        case WriteStage::Refused:
            if (out.code != 2) return s.finish(out.code);
            printReportRows(host.remarks, std::cout);
            std::cout << "--\n";
            printReportRows(host.devices, std::cout);
            std::cout << "--\n";
            printReportRows(host.functions, std::cout);
            std::cout << out.text << "\n";
            return out.code;
        case WriteStage::IncompleteDeclined:
            std::cerr << "tavrin-cli: the database is incomplete; --force writes it anyway\n";
            return s.finish(out.code);
        case WriteStage::Backup:
            std::cerr << "tavrin-cli: the panel's database was not backed up; nothing written\n";
            return s.finish(out.code);
        case WriteStage::Declined:
        case WriteStage::Write:
            return s.finish(out.code);
        case WriteStage::Verify:
            break;
    }
    if (out.code == kResultOk) {
        std::cout << out.text << "\n";
        return kResultOk;
    }
    if (out.code == kResultWriteNotConfirmed) {
        for (const DiffEntry& e : out.verify.differences)
            std::cout << formatDiffEntry(e) << "\n";
        if (out.backup)
            std::cerr << "tavrin-cli: the panel's database before the write: "
                      << pathToUtf8(out.backup->path) << "\n";
    } else {
        std::cerr << "tavrin-cli: written, but the read-back for the check failed\n";
    }
    return s.finish(out.code);
}

int runS5ReadVersionCommand(const Argv& argv);

int runReadVersionCommand(const Argv& argv) {
    // --family s5 reads the version of a "Версан С5" console over its link.
    for (std::size_t i = 0; i + 1 < argv.size(); ++i) {
        if (argv[i] != "--family") continue;
        if (argv[i + 1] == "s5") return runS5ReadVersionCommand(argv);
        break;  // "k2" and "r7" are the panels' own
    }
    Args args({}, {});
    if (!parseDeviceArgs(argv, {}, 0, usageOf("read-version", ""), args)) return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    const int code = s.db().ReadVersion();
    s.db().ClosePort();
    if (code == kResultOk) std::cout << "firmware: " << s.db().firmwareVersionText << "\n";
    return s.finish(code);
}

int runSetTimeCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {}, 0, usageOf("set-time", ""), args)) return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    return s.finish(s.db().SetDeviceTime());
}

int runReadJournalCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {"--db", "-o"}, 0, usageOf("read-journal", "[--db FILE] [-o FILE]"),
                         args))
        return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    DBase& db = s.db();
    if (const auto file = args.value("--db")) {
        if (!loadNamedFile(db, *file)) return kUsageError;
    }
    db.journalOutputPath = args.value("-o").value_or("");
    // Without --db the database is read first: the journal's labels come from it.
    CliFlowHost host(s.progress());
    const JournalOutcome out = runReadJournalFlow(db, host);
    if (!out.journalRead) return s.finish(out.code);
    std::cout << "records: " << db.JournalRecordCount() << "\n";
    // A failed read may leave the last good journal file as it was.
    if (!db.savedJournalFile.empty()) std::cout << "file: " << db.savedJournalFile << "\n";
    return s.finish(out.code);
}

int runReadEventsCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {"--db", "-o"}, 0, usageOf("read-events", "--db FILE [-o FILE]"),
                         args) ||
        !requireDb(args, "read-events"))
        return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    if (!s.db().traits().commands.activeEvents) return notOnThisPanel(s, "Активные события");
    DBase& db = s.db();
    if (!loadNamedFile(db, *args.value("--db"))) return kUsageError;
    db.activeEventsOutputPath = args.value("-o").value_or("");
    const int code = db.ReadActiveEvents(s.progress());
    s.progress().clear();
    if (code == kResultOk) {
        std::cout << "events: " << db.ActiveEventCount() << "\n";
        if (!db.savedActiveEventsFile.empty())
            std::cout << "file: " << db.savedActiveEventsFile << "\n";
    }
    return s.finish(code);
}

int runReadDustCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {"--db", "-o"}, 0, usageOf("read-dust", "--db FILE [-o FILE]"),
                         args) ||
        !requireDb(args, "read-dust"))
        return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    if (!s.db().traits().commands.dustiness) return notOnThisPanel(s, "Загрузка запыленности");
    DBase& db = s.db();
    if (!loadNamedFile(db, *args.value("--db"))) return kUsageError;
    db.dustinessOutputPath = args.value("-o").value_or("");
    const int code = db.ReadDustiness(s.progress(), 0);
    s.progress().clear();
    if (code == kResultOk) {
        std::cout << "detectors: " << db.DustinessRecordCount() << "\n";
        if (!db.savedDustinessFile.empty()) std::cout << "file: " << db.savedDustinessFile << "\n";
    }
    return s.finish(code);
}

int runReadTimeCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {}, 0, usageOf("read-time", ""), args)) return kUsageError;
    DeviceSession s(args, false);
    if (!s.ready()) return kUsageError;
    if (!s.db().traits().commands.readTime) return notOnThisPanel(s, "Запрос времени");
    const int code = s.db().QueryDeviceTime();
    if (const auto time = s.db().LastDeviceTime(); code == kResultOk && time) {
        const LocalTime& t = *time;
        char text[64];
        std::snprintf(text, sizeof text, "%02d:%02d:%02d %02d.%02d.%04d", t.hour, t.minute,
                      t.second, t.day, t.month, t.year);
        std::cout << "time: " << text << "\n";
    }
    return s.finish(code);
}

int runWriteFirmwareCommand(const Argv& argv) {
    Args args({}, {});
    if (!parseDeviceArgs(argv, {}, 1, usageOf("write-firmware", "FILE.hex [--yes]"), args))
        return kUsageError;
    DeviceSession s(args, args.has("--yes"));
    if (!s.ready()) return kUsageError;
    if (!s.db().traits().commands.firmwareUpdate) return notOnThisPanel(s, kFirmwareTitle);
    Bytes text;
    FileError error;
    if (!readWholeFile(pathFromUtf8(args.positional()[0]), text, &error)) {
        std::cerr << "tavrin-cli: " << kHexReadTitle << ": "
                  << (error.code ? systemErrorText(error.code) : error.message) << "\n";
        return kUsageError;
    }
    const HexImage hex = readIntelHex(text, nullptr);
    if (!hex.ok) {
        std::cerr << "tavrin-cli: " << kHexReadTitle << ": " << hex.error << "\n";
        return kUsageError;
    }
    std::cout << "segments: " << hex.segmentCount << "\n";
    if (s.prompter().ask(kFirmwareQuestion, kFirmwareTitle, PromptIcon::Question,
                         PromptButtons::YesNo) != PromptAnswer::Yes) {
        return s.finish(kResultCancelled);
    }
    return s.finish(s.db().WriteFirmware(s.progress(), hex.image));
}

}  // namespace tavrin::cli
