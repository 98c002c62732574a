// The shell's commands: save prompts, file commands, the family switch, the
// device commands with their follow-ups, the password rules and the port
// search.
#include <gtest/gtest.h>

#include "app/commands.h"
#include "app/device_search.h"
#include "app/shell.h"
#include "base/file_io.h"
#include "base/text.h"
#include "families/s5/dbs5.h"
#include "link/idle_port.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"
#include "support/fake_database.h"
#include "support/fake_port.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

class FakeHost : public ShellHost {
  public:
    std::optional<std::string> chooseOpenFile(const std::string& title,
                                              const std::vector<FileFilter>& filters) override {
        dialogs.push_back(title);
        lastFilters = filters;
        return next();
    }
    std::optional<std::string> chooseSaveFile(const std::string& title,
                                              const std::vector<FileFilter>& filters,
                                              const std::string&) override {
        dialogs.push_back(title);
        lastFilters = filters;
        return next();
    }
    std::optional<std::string> chooseFolder(const std::string& title) override {
        dialogs.push_back(title);
        return next();
    }
    Progress& progress() override { return bar; }
    void setStatusText(const std::string& text) override { status = text; }
    int runDeviceOperation(const std::function<int(Progress&)>& op) override {
        ++operations;
        return op(bar);
    }
    void waitWithCursor(unsigned ms) override { waited += ms; }
    void databaseChanged(int) override { ++changes; }
    void menusChanged() override { ++menus; }
    void activeTreeChanged(bool) override {}
    void twoBasesChanged(bool on) override { two = on; }
    void showJournal() override { ++journalShown; }
    bool commitPendingEdits() override {
        ++commits;
        if (pendingEdit) {
            pendingEdit();
            pendingEdit = nullptr;
        }
        return !refusedValue;
    }
    void databaseReplaced(int role) override {
        ++replaced;
        databaseChanged(role);
    }
    void showComparison() override { ++comparisonShown; }
    void showArchive() override { ++archiveShown; }
    std::optional<ProgramChoice> chooseProgramTarget(const std::vector<ProgramTarget>& t) override {
        targets = t;
        return program;
    }
    std::int32_t currentItem() override { return current; }
    void showDifferences(const std::vector<DiffEntry>& entries, const std::string& ours,
                         const std::string& theirs, TreeSide side, int) override {
        shownDifferences = entries;
        compareTitles = {ours, theirs};
        compareSide = side;
    }
    std::optional<std::filesystem::path> chooseBackup(
        const std::vector<BackupFile>& backups) override {
        offeredBackups = backups;
        if (backupChoice < 0 || backupChoice >= static_cast<int>(backups.size()))
            return std::nullopt;
        return backups[static_cast<std::size_t>(backupChoice)].path;
    }
    std::vector<DiffEntry> shownDifferences;
    std::vector<std::string> compareTitles;
    TreeSide compareSide = TreeSide::None;
    std::vector<BackupFile> offeredBackups;
    int backupChoice = -1;
    int comparisonShown = 0, archiveShown = 0;
    std::vector<ProgramTarget> targets;
    std::optional<ProgramChoice> program;
    std::int32_t current = 0;
    std::function<void()> pendingEdit;  // a grid edit not applied yet
    bool refusedValue = false;          // the grid holds a refused value
    int commits = 0, replaced = 0;

    std::optional<std::string> next() {
        if (files.empty()) return std::nullopt;
        auto f = files.front();
        files.erase(files.begin());
        return f;
    }

    std::vector<std::optional<std::string>> files;  // answers of the file dialogs
    std::vector<std::string> dialogs;
    std::vector<FileFilter> lastFilters;
    NullProgress bar;
    std::string status;
    int operations = 0, changes = 0, menus = 0, journalShown = 0;
    unsigned waited = 0;
    bool two = false;
};

class ShellTest : public ::testing::Test {
  protected:
    ShellTest() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        shell = std::make_unique<Shell>(ctx, host, test::fakeFactory(script));
    }
    void start(const std::string& ini = "") {
        if (!ini.empty()) writeText(dir / "Tavrin.ini", utf8ToCp1251(ini));
        shell->loadSettings();
        shell->start();
    }
    std::string file(const std::string& name, const std::string& text = "db") {
        const auto p = dir / name;
        writeText(p, text);
        return pathToUtf8(p);
    }
    static void writeText(const std::filesystem::path& p, const std::string& text) {
        ASSERT_TRUE(writeFileAtomic(p, Bytes(text.begin(), text.end())));
    }
    std::vector<std::string> titles() const {
        std::vector<std::string> t;
        for (const auto& c : prompter.calls)
            t.push_back(c.title);
        return t;
    }

    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    FakeHost host;
    test::DeviceScript script;
    std::unique_ptr<Shell> shell;
};

TEST_F(ShellTest, OpenAddsToRecentAndSetsTheDatabase) {
    start();
    host.files = {file("a.bta")};
    shell->execute(kCmdOpen);
    ASSERT_EQ(host.dialogs, std::vector<std::string>{"Открытие базы"});
    ASSERT_EQ(host.lastFilters.size(), 3u);
    EXPECT_EQ(host.lastFilters[0].name, "БД Талвира К2");
    EXPECT_EQ(host.lastFilters[0].pattern, "*.bta;*.tlv");
    EXPECT_EQ(host.lastFilters[1].pattern, "*.bta;*.ord");
    EXPECT_EQ(host.lastFilters[2].pattern, "*.*");
    EXPECT_TRUE(shell->database()->databaseValid);
    EXPECT_EQ(shell->recentFiles().entry(0), file("a.bta"));
    EXPECT_EQ(readProfileString(ctx.settingsPath, "Талвир_К2", "БД1", "", 300), file("a.bta"));
}

// A file that ended early opens as a success, and the user is told so
// (recent files and the tree as for any file).
TEST_F(ShellTest, OpeningAnIncompleteFileSaysSo) {
    start();
    host.files = {file("short.bta", "db-short")};
    shell->execute(kCmdOpen);
    EXPECT_TRUE(shell->database()->databaseValid);
    EXPECT_EQ(shell->recentFiles().entry(0), file("short.bta", "db-short"));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Файл базы неполный.");
    EXPECT_EQ(prompter.calls[0].title, "Чтение базы");
    EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Warning);
    // A complete file says nothing.
    EXPECT_TRUE(shell->openPath(file("whole.bta")));
    EXPECT_EQ(prompter.calls.size(), 1u);
}

// A "Версан С5" folder that was read only in part: saving over it asks
// first, and No leaves it as it was.
TEST_F(ShellTest, SavingOverAPartlyReadFolderAsksFirst) {
    start();
    ASSERT_TRUE(shell->switchFamily(Family::S5));
    const auto folder = dir / "base";
    std::filesystem::create_directories(folder / "DBOBJ.001");  // cannot be read
    writeText(folder / "DBAU.002", "x");
    ASSERT_TRUE(shell->openPath(pathToUtf8(folder)));
    shell->database()->modified = 1;
    prompter.calls.clear();
    prompter.answers = {PromptAnswer::No};
    host.files = {pathToUtf8(folder)};  // no "Keys.conf": the folder is chosen again
    shell->execute(kCmdSave);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].title, "Сохранение базы");
    EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Warning);
    EXPECT_NE(prompter.calls[0].text.find("прочитана не полностью"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(folder / "Soob.conf"));
    EXPECT_NE(shell->database()->modified, 0);
}

// Saving a "Версан С5" database as a folder that holds another database
// with more LCPs asks first, naming the folder and the files that would go:
// "Нет" (the default) writes nothing and says the save was cancelled; "Да"
// leaves the folder holding exactly the saved database.
TEST_F(ShellTest, SavingOverAnotherDatabasesFolderAsksFirst) {
    start();
    ASSERT_TRUE(shell->switchFamily(Family::S5));
    const auto other = dir / "other";
    std::filesystem::create_directories(other);
    for (const char* name : {"DBAU.001", "DBAU.002", "DBOBJ.002"})
        writeText(other / name, std::string(96, '\0'));
    auto* db = dynamic_cast<DBS5*>(shell->database());
    ASSERT_NE(db, nullptr);
    db->AddLcp();
    db->CreateElement(17, 1);
    db->modified = 1;
    prompter.calls.clear();

    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        prompter.answers = {answer};
        host.files = {pathToUtf8(other)};
        shell->execute(kCmdSaveAs);
        ASSERT_EQ(prompter.calls.size(), 1u);
        const auto& call = prompter.calls[0];
        EXPECT_EQ(call.title, "Сохранение базы");
        EXPECT_EQ(call.buttons, PromptButtons::YesNoDefaultNo);
        EXPECT_NE(call.text.find(pathToUtf8(other)), std::string::npos) << call.text;
        EXPECT_NE(call.text.find("DBAU.002, DBOBJ.002"), std::string::npos) << call.text;
        prompter.calls.clear();
        if (answer == PromptAnswer::No) {
            EXPECT_EQ(host.status, "Сохранение отменено");
            EXPECT_TRUE(std::filesystem::exists(other / "DBAU.002"));
            EXPECT_FALSE(std::filesystem::exists(other / "Soob.conf"));
            EXPECT_NE(db->modified, 0);
        } else {
            EXPECT_EQ(host.status, "База сохранена");
            EXPECT_EQ(db->modified, 0);
        }
    }
    DBS5 loaded(0, db->context());
    ASSERT_TRUE(loaded.LoadFromDisk(pathToUtf8(other)));
    EXPECT_EQ(loaded.lcpCount(), 1);
    EXPECT_FALSE(std::filesystem::exists(other / "DBOBJ.002"));
}

// A database file's name goes into the recent-file list: a name made to
// inject lines (a new "Общее" section switching the start-up password on)
// must not change any other setting, and odd but harmless names come back
// whole.
TEST_F(ShellTest, HostileFileNamesCannotRewriteTheSettings) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows file names cannot hold line breaks or quotes";
#endif
    struct Case {
        const char* name;
        bool listed;  // kept in the recent list
    };
    const Case cases[] = {
        {"a\n[Общее]\nА=1\nПарам=x.bta", false},
        {"b\r[Общее]\rА=1\rПарам=x.bta", false},
        {"c\r\n[Общее]\r\nА=1\r\n.bta", false},
        {"\n[Талвир_К2]\nCOM=COM9\n.bta", false},
        {" lead and trail .bta ", true},
        {"\"quoted\".bta", true},
        {"[Общее]А=1.bta", true},
        {"БД1=x;.bta", true},
    };
    start();
    for (const Case& c : cases) {
        const std::string path = file(c.name);
        ASSERT_TRUE(shell->openPath(path)) << c.name;
        EXPECT_EQ(shell->recentFiles().entry(0) == path, c.listed) << c.name;

        Shell again(ctx, host, test::fakeFactory(script));
        again.loadSettings();
        again.start();
        EXPECT_FALSE(again.settings().passwordOn) << c.name;
        EXPECT_TRUE(again.settings().password.empty()) << c.name;
        EXPECT_EQ(again.recentFiles().entry(0) == path, c.listed) << c.name;
        EXPECT_EQ(readProfileString(ctx.settingsPath, "Талвир_К2", "COM", "none", 300), "none");
        IniFile ini;
        ini.load(ctx.settingsPath);  // absent until a name was listed
        for (const std::string& line : ini.lines()) {
            EXPECT_TRUE(line.empty() || line[0] == '[' || line.rfind("БД", 0) == 0)
                << c.name << ": " << line;
        }
    }
}

TEST_F(ShellTest, SavePromptAnswers) {
    start();
    const std::string path = file("a.bta");
    ASSERT_TRUE(shell->openPath(path));
    DBase* db = shell->database();

    db->modified = 1;
    prompter.answers = {PromptAnswer::Cancel};
    EXPECT_FALSE(shell->savePrompt(false));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "База данных изменена.\n(" + path + ")\nСохранить?");
    EXPECT_EQ(prompter.calls[0].title, "Левая");
    EXPECT_EQ(prompter.calls[0].buttons, PromptButtons::YesNoCancel);

    prompter.answers = {PromptAnswer::No};
    EXPECT_TRUE(shell->savePrompt(false));
    EXPECT_EQ(db->modified, 1);

    prompter.answers = {PromptAnswer::Yes};
    EXPECT_TRUE(shell->savePrompt(false));
    EXPECT_EQ(db->modified, 0);
    EXPECT_EQ(host.status, "База сохранена");
}

TEST_F(ShellTest, NewDatabaseAsksWithNewAndAFailedSaveAbandons) {
    start();
    shell->database()->modified = 1;
    host.files = {std::nullopt};  // the save dialog is cancelled
    prompter.answers = {PromptAnswer::Yes};
    shell->execute(kCmdNew);
    EXPECT_EQ(prompter.calls[0].text, "База данных изменена.\n(Новая)\nСохранить?");
    EXPECT_EQ(shell->database()->modified, 1);  // not replaced

    host.files = {file("readonly.bta")};
    prompter.answers = {PromptAnswer::Yes, PromptAnswer::Yes /*overwrite*/};
    shell->execute(kCmdNew);
    EXPECT_EQ(titles().back(), "Сохранение базы");  // the system's error text
    EXPECT_EQ(shell->database()->modified, 1);
}

TEST_F(ShellTest, PendingGridEditIsAppliedAndThenOfferedForSaving) {
    start();
    host.pendingEdit = [this] { ++shell->database()->modified; };
    prompter.answers = {PromptAnswer::Cancel};
    shell->execute(kCmdNew);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "База данных изменена.\n(Новая)\nСохранить?");
    EXPECT_EQ(shell->database()->modified, 1);  // kept: the user cancelled
}

TEST_F(ShellTest, SaveAsAsksBeforeReplacingAFile) {
    start();
    const std::string existing = file("old.bta", "other");
    host.files = {existing};
    prompter.answers = {PromptAnswer::No};
    shell->execute(kCmdSaveAs);
    EXPECT_EQ(prompter.calls.back().text, "База данных уже существует.\nУдалить устаревший файл?");
    EXPECT_TRUE(shell->database()->filePath.empty());

    host.files = {existing};
    prompter.answers = {PromptAnswer::Yes};
    shell->execute(kCmdSaveAs);
    EXPECT_EQ(shell->database()->filePath, existing);
    EXPECT_EQ(shell->recentFiles().entry(0), existing);
}

TEST_F(ShellTest, FamilySwitch) {
    start();
    DBase* before = shell->database();
    EXPECT_FALSE(shell->switchFamily(Family::K2));  // already selected: nothing
    EXPECT_EQ(shell->database(), before);

    // Not asking: a database with a file is saved without a question.
    start("[Общее]\r\nЗапрашивать_сохр_базы=0\r\n");
    const std::string path = file("a.bta");
    ASSERT_TRUE(shell->openPath(path));
    shell->database()->modified = 1;
    file("a.bta", "changed");
    EXPECT_TRUE(shell->switchFamily(Family::R7));
    EXPECT_TRUE(prompter.calls.empty());
    Bytes saved;
    ASSERT_TRUE(readWholeFile(dir / "a.bta", saved));
    EXPECT_EQ(std::string(saved.begin(), saved.end()), "db");
    EXPECT_EQ(shell->family(), Family::R7);
    EXPECT_EQ(shell->database()->family(), Family::R7);
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Прибор", 0), 1);

    // Without a file the save dialog opens; cancelling it abandons the switch.
    shell->database()->modified = 1;
    host.files = {std::nullopt};
    EXPECT_FALSE(shell->switchFamily(Family::K2));
    EXPECT_EQ(host.dialogs.back(), "Сохранение базы");
    EXPECT_EQ(shell->family(), Family::R7);
}

TEST_F(ShellTest, StartupFamilyAndRecentListPerFamily) {
    start("[Общее]\r\nПрибор=3\r\n");
    EXPECT_EQ(shell->family(), Family::S5);
    ASSERT_TRUE(shell->switchFamily(Family::K2));
    shell->openPath(file("k.bta"));
    ASSERT_TRUE(shell->switchFamily(Family::R7));
    EXPECT_TRUE(shell->recentFiles().entry(0).empty());
    ASSERT_TRUE(shell->switchFamily(Family::K2));
    EXPECT_EQ(shell->recentFiles().entry(0), file("k.bta"));
}

TEST_F(ShellTest, ReadDatabaseFollowUps) {
    start();
    host.files = {std::nullopt};
    shell->execute(kCmdReadDatabase);
    EXPECT_EQ(host.status, "Команда выполнена");
    EXPECT_EQ(host.dialogs.back(), "Сохранение базы");  // "Сохранить как..." at once
    EXPECT_NE(shell->database()->modified, 0);

    // The read database is unsaved: it is offered for saving before the
    // next read, and a failed read keeps it.
    script.readCode = 4;
    prompter.calls.clear();
    prompter.answers = {PromptAnswer::No};
    const int modified = shell->database()->modified;
    shell->execute(kCmdReadDatabase);
    ASSERT_EQ(prompter.calls.size(), 2u);
    EXPECT_EQ(prompter.calls.front().text, "База данных изменена.\n(Новая)\nСохранить?");
    EXPECT_TRUE(shell->database()->databaseValid);
    EXPECT_EQ(shell->database()->modified, modified);
    ASSERT_FALSE(prompter.calls.empty());
    EXPECT_EQ(prompter.calls.back().text, "Прибор не отвечает!  Сеанс обмена закрыт.");
    EXPECT_EQ(prompter.calls.back().title, "Чтение базы");
    EXPECT_EQ(prompter.calls.back().icon, PromptIcon::Error);
}

const std::string kNoBackupIni = "[Талвир_К2]\r\nКопия_перед_записью=нет\r\n";
const std::string kQuestionWithoutBackup =
    "Подтвердите запись базы в прибор.\nКопия базы прибора перед записью не сохраняется.";

TEST_F(ShellTest, WriteDatabaseGateQuestionAndWait) {
    start(kNoBackupIni);
    script.checkCode = 2;
    shell->execute(kCmdWriteDatabase);
    EXPECT_EQ(prompter.calls.back().text, "База некорректна. Запись БД в прибор недопустима.");
    EXPECT_EQ(script.writes, 0);

    script.checkCode = 0;
    prompter.answers = {PromptAnswer::No};
    shell->execute(kCmdWriteDatabase);
    EXPECT_EQ(prompter.calls.back().text, kQuestionWithoutBackup);
    EXPECT_EQ(script.writes, 0);
    EXPECT_EQ(script.reads, 0);

    // Written, then read back and found equal.
    shell->execute(kCmdWriteDatabase);
    EXPECT_EQ(script.writes, 1);
    EXPECT_EQ(script.reads, 1);
    EXPECT_EQ(host.waited, 1000u);
    EXPECT_EQ(host.status, "Команда выполнена. Запись проверена.");
    EXPECT_FALSE(std::filesystem::exists(dir / "backups"));
}

// A database that did not load completely is written only when the user
// confirms it by name of what is missing; the question's safe default is No.
TEST_F(ShellTest, AnIncompleteDatabaseIsWrittenOnlyOnConfirmation) {
    start(kNoBackupIni);
    script.checkCode = 0;
    ASSERT_TRUE(shell->openPath(file("short.bta", "db-short")));
    for (const PromptAnswer answer : {PromptAnswer::No, PromptAnswer::Yes}) {
        prompter.calls.clear();
        prompter.answers = {answer};  // then Yes to the usual question
        shell->execute(kCmdWriteDatabase);
        ASSERT_FALSE(prompter.calls.empty());
        EXPECT_EQ(prompter.calls[0].text,
                  "Файл базы неполный.\n\nЗаписать в прибор неполную базу?");
        EXPECT_EQ(prompter.calls[0].buttons, PromptButtons::YesNoDefaultNo);
        EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Warning);
        EXPECT_EQ(script.writes, answer == PromptAnswer::Yes ? 1 : 0);
    }
    // Unanswered, the question takes its default.
    prompter.calls.clear();
    shell->execute(kCmdWriteDatabase);
    EXPECT_EQ(script.writes, 1);
    // A complete file asks only the usual question.
    ASSERT_TRUE(shell->openPath(file("whole.bta")));
    prompter.calls.clear();
    shell->execute(kCmdWriteDatabase);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, kQuestionWithoutBackup);
    EXPECT_EQ(script.writes, 2);
}

TEST_F(ShellTest, WriteQuestionOfTheSecondFamilyShowsTheAddress) {
    // Its whole read takes minutes: no backup unless the setting asks for one.
    start("[Общее]\r\nПрибор=1\r\n");
    prompter.answers = {PromptAnswer::No};
    shell->execute(kCmdWriteDatabase);
    ASSERT_FALSE(prompter.calls.empty());
    EXPECT_EQ(prompter.calls.back().text, "Подтвердите запись базы в прибор.\nАдрес = " +
                                              std::to_string(shell->database()->PanelAddress()) +
                                              "\nКопия базы прибора перед записью не сохраняется.");
}

// The first family backs up by default: the panel's database is saved in
// backups/ before the question, which counts the changed items and opens
// them in the compare window; a panel that does not keep the write is
// caught by the read-back, and its differences are offered the same way.
TEST_F(ShellTest, WriteBacksUpFirstAndReadsBack) {
    start();
    auto& db = static_cast<DBK2&>(*shell->database());
    db.databaseValid = true;
    db.panelBlock[0] = 30;  // the panel holds 0 and keeps it: the write is lost
    prompter.pressAction = true;
    shell->execute(kCmdWriteDatabase);
    ASSERT_EQ(prompter.calls.size(), 2u);
    const std::string question = prompter.calls[0].text;
    const std::string head =
        "Подтвердите запись базы в прибор.\nИзменится элементов: 1\nКопия базы прибора: "
        "Талвир_К2_0_";
    EXPECT_EQ(question.substr(0, head.size()), head) << question;
    EXPECT_EQ(prompter.calls[0].actionText, "Сравнить...");
    std::vector<std::filesystem::path> backups;
    for (const auto& e : std::filesystem::directory_iterator(dir / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_NE(question.find(pathToUtf8(backups[0].filename())), std::string::npos);
    EXPECT_EQ(script.reads, 2);
    EXPECT_EQ(script.writes, 1);

    // The read-back's error names the item, offers the compare window (what
    // was written → what the panel holds) and names the backup.
    const test::PromptCall& failed = prompter.calls[1];
    EXPECT_EQ(failed.title, "Запись базы");
    EXPECT_EQ(failed.icon, PromptIcon::Error);
    EXPECT_EQ(failed.actionText, "Сравнить...");
    EXPECT_EQ(failed.text,
              "Запись не подтверждена  Сеанс обмена закрыт.\n"
              "Прибор хранит не то, что было записано:\n"
              "Талвир К2: changed: Время задержки на Вход-Выход: 30 → 0\n"
              "Копия базы прибора до записи: " +
                  pathToUtf8(backups[0].filename()));
    ASSERT_EQ(host.shownDifferences.size(), 1u);
    EXPECT_EQ(host.compareTitles, (std::vector<std::string>{"Записанная база", "База прибора"}));
    EXPECT_EQ(host.compareSide, ShellHost::TreeSide::Ours);  // the tree shows what was written

    // A backup that cannot be read stops the write before anything is sent.
    prompter.calls.clear();
    script.readCode = 4;
    shell->execute(kCmdWriteDatabase);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text,
              "Прибор не отвечает!  Сеанс обмена закрыт.\n"
              "Копия базы прибора не сохранена. База в прибор не "
              "записывалась.");
    EXPECT_EQ(script.writes, 1);
}

// Two writes in one second keep both backups: the second is "_2" after the
// stamp, and it is listed first.
TEST_F(ShellTest, BackupsOfTheSameSecondAreKeptApart) {
    test::FakeClock clock;
    clock.base = {2026, 12, 11, 10, 0, 0, 0, 5};
    ctx.clock = &clock;
    start();
    shell->database()->databaseValid = true;
    shell->execute(kCmdWriteDatabase);
    shell->execute(kCmdWriteDatabase);
    EXPECT_EQ(script.writes, 2);
    const auto listed = listBackups(familyTraits(Family::K2), dir / "backups");
    ASSERT_EQ(listed.size(), 2u);
    EXPECT_EQ(pathToUtf8(listed[0].path.filename()), "Талвир_К2_0_2026-12-11_10-00-00_2.bta");
    EXPECT_EQ(pathToUtf8(listed[1].path.filename()), "Талвир_К2_0_2026-12-11_10-00-00.bta");
    EXPECT_EQ(listed[0].taken.hour, 10);
    EXPECT_EQ(listed[0].address, 0);
}

// "Восстановить из копии...": the family's backups newest first; the chosen
// one is written through the same gate and question, the open database stays.
TEST_F(ShellTest, RestoreWritesTheChosenBackup) {
    start(kNoBackupIni);
    shell->execute(kCmdRestoreBackup);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text,
              "Копий баз прибора \"Талвир К2\" нет.\nКопия сохраняется перед записью базы в "
              "прибор.");
    EXPECT_TRUE(host.offeredBackups.empty());

    std::filesystem::create_directories(dir / "backups");
    for (const char* name :
         {"Талвир_К2_0_2026-01-02_10-00-00.bta", "Талвир_К2_0_2026-03-01_09-00-00.bta",
          "Ордис_Р7_1_2026-05-01_09-00-00.bor", "notes.txt"})
        writeText(dir / "backups" / pathFromUtf8(name), "db");
    ASSERT_TRUE(shell->openPath(file("open.bta")));
    const std::string openPath = shell->database()->filePath;
    prompter.calls.clear();
    host.backupChoice = 1;
    shell->execute(kCmdRestoreBackup);
    ASSERT_EQ(host.offeredBackups.size(), 2u);
    EXPECT_EQ(pathToUtf8(host.offeredBackups[0].path.filename()),
              "Талвир_К2_0_2026-03-01_09-00-00.bta");
    EXPECT_EQ(host.offeredBackups[1].taken.month, 1);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, kQuestionWithoutBackup);
    EXPECT_EQ(prompter.calls[0].title, "Восстановление из копии");
    EXPECT_EQ(script.writes, 1);
    EXPECT_EQ(host.status, "Команда выполнена. Запись проверена.");
    EXPECT_EQ(shell->database()->filePath, openPath);

    // The gate refuses an incorrect backup as it refuses any database.
    script.checkCode = 2;
    shell->execute(kCmdRestoreBackup);
    EXPECT_EQ(prompter.calls.back().text, "База некорректна. Запись БД в прибор недопустима.");
    EXPECT_EQ(script.writes, 1);
}

TEST_F(ShellTest, ReadJournalReadsTheDatabaseFirstWhenNotValid) {
    start();
    shell->execute(kCmdReadJournal);
    EXPECT_EQ(script.reads, 1);
    EXPECT_EQ(script.journals, 1);
    EXPECT_EQ(host.journalShown, 1);

    // Now valid: the journal alone.
    shell->execute(kCmdReadJournal);
    EXPECT_EQ(script.reads, 1);
    EXPECT_EQ(script.journals, 2);

    // A failed database read stops before the journal.
    shell->database()->ResetDatabase();
    script.readCode = 14;
    shell->execute(kCmdReadJournal);
    EXPECT_EQ(script.journals, 2);
    EXPECT_EQ(titles().back(), "Чтение базы");
}

TEST_F(ShellTest, VersionAndTimeReportInTheStatusOnly) {
    start();
    script.versionCode = 4;
    shell->execute(kCmdReadVersion);
    EXPECT_EQ(host.status, "Прибор не отвечает!  Сеанс обмена закрыт.");
    EXPECT_TRUE(prompter.calls.empty());
    shell->execute(kCmdSetTime);
    EXPECT_EQ(host.waited, 3000u);
    EXPECT_TRUE(prompter.calls.empty());

    // A success says what was read or set, not only that it went through.
    script.versionCode = 0;
    shell->execute(kCmdReadVersion);
    EXPECT_EQ(host.status, "Версия ПО прибора: 1.04");
    test::FakeClock clock;
    clock.base = {2026, 12, 10, 15, 4, 5, 0, 4};
    ctx.clock = &clock;
    shell->execute(kCmdSetTime);
    EXPECT_EQ(host.status, "Время прибора установлено: 10.12.2026 15:04:05");
    script.timeCode = 4;
    shell->execute(kCmdSetTime);
    EXPECT_EQ(host.status, "Прибор не отвечает!  Сеанс обмена закрыт.");
}

// The console's commands go to its own operations: here the built-in
// simulation answers (its pace sped up).
TEST_F(ShellTest, ConsoleCommandsOfTheRealFamily) {
    class QuickClock : public SystemClock {
      public:
        void sleepMs(unsigned) override {}
    } clock;
    IdlePortFactory ports;
    ctx.clock = &clock;
    ctx.ports = &ports;
    shell = std::make_unique<Shell>(ctx, host, [](Family family, int role, const AppContext& c) {
        return CreateDatabase(family, role, c);
    });
    start("[Версан_С5]\r\nCOM=COM1\r\nИмитация=да\r\n");
    ASSERT_TRUE(shell->switchFamily(Family::S5));
    DBase& db = *shell->database();
    ASSERT_TRUE(db.simulation);

    // The clock: the console takes it.
    shell->execute(kCmdSetTime);
    EXPECT_EQ(host.status, "Команда выполнена");
    // "БД текущего LCP" without an LCP chosen in the tree.
    prompter.calls.clear();
    shell->execute(kCmdReadLcp);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Выберите LCP в дереве");
    // The comparison and the archive list open their windows.
    shell->execute(kCmdCompare);
    EXPECT_EQ(host.comparisonShown, 1);
    shell->execute(kCmdReadArchiveList);
    EXPECT_EQ(host.archiveShown, 1);
    EXPECT_TRUE(std::filesystem::exists(dir / "ARCH.dat"));
    // Clearing events, by kind.
    shell->execute(kCmdS5Extra5);
    EXPECT_EQ(host.status, "Команда выполнена");
    // The program from the SD card: the targets offered; cancelled, nothing runs.
    const int before = host.operations;
    shell->execute(kCmdUpdateFromSd);
    ASSERT_FALSE(host.targets.empty());
    EXPECT_EQ(host.targets[0].name, "Пульт");
    EXPECT_EQ(host.operations, before);
    // The console's own events are in its journal: "Прочитать актуальные
    // события" is not offered, and no dustiness without sensors.
    prompter.calls.clear();
    shell->execute(kCmdReadActiveEvents);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Функция прибором не реализована");
    // A database without detectors: one message, the rest in the status bar.
    prompter.calls.clear();
    db.databaseValid = true;
    shell->execute(kCmdReadDustiness);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "В базе данных нет датчиков!");
    EXPECT_EQ(host.status, "Отмена  Сеанс обмена закрыт.");
}

// No placeholder of any family reports a success.
TEST(NotImplemented, NoFamilyPlaceholderReturnsSuccess) {
    test::TempDir dir;
    AppContext ctx = makeAppContext(dir.path());
    test::RecordingPrompter prompter;
    ctx.prompter = &prompter;
    NullProgress progress;
    const Bytes image{1, 2, 3};
    {
        // The console takes programs through its SD card and keeps its
        // current events in its journal; it has no clock query.
        auto db = CreateDatabase(Family::S5, 0, ctx);
        EXPECT_EQ(db->WriteFirmware(progress, image), kResultNotImplemented);
        EXPECT_EQ(db->ReadActiveEvents(progress), kResultNotImplemented);
        EXPECT_EQ(db->QueryDeviceTime(), kResultNotImplemented);
        EXPECT_FALSE(db->ExportCsv(pathToUtf8(dir / "x.csv")));
        EXPECT_FALSE(std::filesystem::exists(dir / "x.csv"));
    }
    // The "Ордис Р7" panel has no active events, dustiness or export.
    auto r7 = CreateDatabase(Family::R7, 0, ctx);
    EXPECT_EQ(r7->ReadActiveEvents(progress), kResultNotImplemented);
    EXPECT_EQ(r7->ReadDustiness(progress, 0), kResultNotImplemented);
    EXPECT_FALSE(r7->ExportCsv(pathToUtf8(dir / "x.csv")));
    auto k2 = CreateDatabase(Family::K2, 0, ctx);
    EXPECT_EQ(k2->WriteFirmware(progress, image), kResultNotImplemented);
    EXPECT_EQ(k2->QueryDeviceTime(), kResultNotImplemented);
    EXPECT_TRUE(prompter.calls.empty());
}

TEST_F(ShellTest, FirmwareFromHexFile) {
    start("[Общее]\r\nПрибор=1\r\n");
    host.files = {file("fw.hex", ":0100000055AA\n:00000001FF\n")};
    prompter.answers = {PromptAnswer::Yes};
    shell->execute(kCmdFirmware);
    EXPECT_EQ(host.lastFilters[0].name, "Программа для Ордис Р7");
    EXPECT_EQ(host.lastFilters[0].pattern, "*.hex");
    EXPECT_EQ(prompter.calls[0].text, "Подтвердите запись новой программы в прибор");
    EXPECT_EQ(script.firmwares, 1);
    EXPECT_EQ(script.firmwareBytes, 65546u);

    host.files = {file("bad.hex", ":0100000055AB\n")};
    shell->execute(kCmdFirmware);
    EXPECT_EQ(prompter.calls.back().text, "Ошибка КС в файле");
    EXPECT_EQ(prompter.calls.back().title, "Чтение программы прибора");
    EXPECT_EQ(script.firmwares, 1);
}

TEST_F(ShellTest, ClosingWritesThePlacement) {
    start();
    shell->storePlacement({true, 5, 6, 7, 8, 9});
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Состояние", 5), 1);
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Ширина", 5), 0);
    shell->storePlacement({false, 5, 6, 7, 8, 9});
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Верх", 0), 5);
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Ширина1", 0), 9);
    EXPECT_EQ(readProfileInt(ctx.settingsPath, "Общее", "Состояние", 5), 0);
}

TEST(Password, StartupCheck) {
    EXPECT_TRUE(passwordAccepted(u"Abc", u"Abc"));
    EXPECT_FALSE(passwordAccepted(u"abc", u"Abc"));
    EXPECT_FALSE(passwordAccepted(u"Ab", u"Abc"));
    EXPECT_TRUE(passwordAccepted(u"", u""));
    const std::u16string nineteen = u"0123456789abcdefghi";
    EXPECT_TRUE(passwordAccepted(nineteen + u"XYZ", nineteen));  // beyond 19 not compared
}

TEST(Password, ChangeRulesAndMessages) {
    test::RecordingPrompter prompter;
    GeneralSettings s;
    s.password = u"old";
    s.passwordOn = true;
    EXPECT_FALSE(changePassword(s, u"bad", u"new", u"new", prompter));
    EXPECT_EQ(prompter.calls.back().text, "Старый пароль не подтвержден!");
    EXPECT_FALSE(changePassword(s, u"old", u"new", u"neW", prompter));
    EXPECT_EQ(prompter.calls.back().text, "Новый пароль не подтвержден!");
    EXPECT_EQ(prompter.calls.back().title, "Смена пароля");
    EXPECT_EQ(s.password, u"old");
    EXPECT_TRUE(changePassword(s, u"old", u"", u"", prompter));
    EXPECT_FALSE(s.passwordOn);  // an empty password switches it off
    EXPECT_TRUE(changePassword(s, u"", u"x", u"x", prompter));
    EXPECT_TRUE(s.passwordOn);
    // A character the settings file cannot keep is refused, not stored
    // changed (the start-up check would lock the user out).
    EXPECT_FALSE(changePassword(s, u"x", u"a\tb", u"a\tb", prompter));
    EXPECT_EQ(prompter.calls.back().text, "Пароль содержит недопустимый символ!");
    EXPECT_EQ(prompter.calls.back().title, "Смена пароля");
    EXPECT_EQ(s.password, u"x");
}

class ScriptedProber : public PortProber {
  public:
    std::optional<std::vector<std::string>> candidates(std::string&) override { return ports; }
    bool probe(Family, const std::string& port) override {
        tried.push_back(port);
        return port == answering;
    }
    std::vector<std::string> ports, tried;
    std::string answering;
};

TEST(PortSearch, MessagesAndTheAnswer) {
    test::TempDir dir;
    AppContext ctx = makeAppContext(dir.path());
    test::RecordingPrompter prompter;
    DBK2 db(0, ctx);
    db.portName = "COM3";
    ScriptedProber prober;
    std::vector<std::string> status;
    auto show = [&](const std::string& s) { status.push_back(s); };

    EXPECT_EQ(searchDevicePort(prober, db, prompter, show), DeviceSearchOutcome::NoPorts);
    EXPECT_EQ(prompter.calls.back().text, "Порты не обнаружены");

    prober.ports = {"COM1", "COM2", "COM3"};
    EXPECT_EQ(searchDevicePort(prober, db, prompter, show), DeviceSearchOutcome::NotFound);
    EXPECT_EQ(prompter.calls.back().text, "Прибор не обнаружен");
    // The configured port is tried first, then the others in the system's order.
    EXPECT_EQ(prober.tried, (std::vector<std::string>{"COM3", "COM1", "COM2"}));
    EXPECT_EQ(status.front(), "Проверка COM3");
    EXPECT_EQ(status.back(), "");

    prober.answering = "COM3";
    EXPECT_EQ(searchDevicePort(prober, db, prompter, show), DeviceSearchOutcome::AlreadySet);
    EXPECT_EQ(prompter.calls.back().text, "Прибор обнаружен, порт уже установлен");

    prober.answering = "COM2";
    prober.tried.clear();
    prompter.answers = {PromptAnswer::No};
    EXPECT_EQ(searchDevicePort(prober, db, prompter, show), DeviceSearchOutcome::Declined);
    EXPECT_EQ(prompter.calls.back().text, "Обнаружен прибор на COM2\nВнести в базу?");
    EXPECT_EQ(prober.tried, (std::vector<std::string>{"COM3", "COM1", "COM2"}));
    EXPECT_EQ(db.portName, "COM3");

    EXPECT_EQ(searchDevicePort(prober, db, prompter, show), DeviceSearchOutcome::Taken);
    EXPECT_EQ(db.portName, "COM2");
    EXPECT_EQ(readProfileString(ctx.settingsPath, "Талвир_К2", "COM", "", 20), "COM2");
}

// The default prober lists the system's ports and then the device paths the
// settings name for any family (a simulator's pseudo-terminal, say).
TEST(PortSearch, SettingsNamePseudoTerminalsToTry) {
    test::TempDir dir;
    AppContext ctx = makeAppContext(dir.path());
    const std::string ini =
        utf8ToCp1251("[Талвир_К2]\r\nCOM=COM2\r\n[Ордис_Р7]\r\nCOM=/dev/pts/41\r\n");
    ASSERT_TRUE(writeFileAtomic(ctx.settingsPath, Bytes(ini.begin(), ini.end())));
    DatabasePortProber prober(ctx, CreateDatabase);
    std::string error;
    const auto ports = prober.candidates(error);
    ASSERT_TRUE(ports.has_value()) << error;
    ASSERT_FALSE(ports->empty());
    EXPECT_EQ(ports->back(), "/dev/pts/41");
    EXPECT_EQ(std::count(ports->begin(), ports->end(), "/dev/pts/41"), 1);
}

}  // namespace
}  // namespace tavrin
