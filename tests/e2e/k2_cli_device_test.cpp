// The cli's "Талвир К2" device commands as subprocesses against
// tavrin-panelsim: exit codes, the result line, and the files written.
#include <sys/wait.h>

#include <cstdio>

#include "files/journal_file.h"
#include "k2_link_fixture.h"
#include "link/result_codes.h"
#include "support/strict_prompter.h"

namespace tavrin::test {
namespace {

using namespace k2;

struct CliRun {
    int status = -1;
    std::string out;  // stdout and stderr together

    std::string lastLine() const {
        std::string s = out;
        while (!s.empty() && s.back() == '\n')
            s.pop_back();
        const auto nl = s.rfind('\n');
        return nl == std::string::npos ? s : s.substr(nl + 1);
    }
};

// Runs a shell command line in `dir` with stderr folded into the output;
// CLI in the line stands for the cli program.
CliRun runShell(const std::filesystem::path& dir, std::string line) {
    for (std::size_t at; (at = line.find("CLI")) != std::string::npos;)
        line.replace(at, 3, "'" TAVRIN_CLI_PATH "'");
    const std::string command = "cd '" + dir.string() + "' && { " + line + " ; } 2>&1";
    CliRun r;
    FILE* p = popen(command.c_str(), "r");
    if (!p) return r;
    char buf[512];
    while (const std::size_t n = fread(buf, 1, sizeof buf, p))
        r.out.append(buf, n);
    const int st = pclose(p);
    r.status = WIFEXITED(st) ? WEXITSTATUS(st) : -1;
    return r;
}

CliRun runCli(const std::filesystem::path& dir, const std::string& args) {
    return runShell(dir, "CLI " + args);
}

// Saves a database file made by `fill` in `dir`.
void saveDatabase(const TempDir& dir, const std::string& name,
                  const std::function<void(DBK2&)>& fill) {
    StrictPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    DBK2 db(0, ctx);
    fill(db);
    ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / name)));
}

bool anyLog(const TempDir& dir) {
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        if (e.path().extension() == ".log") return true;
    return false;
}

const std::string kDone = "Команда выполнена";

TEST(K2CliDevice, WriteThenReadGivesTheSameFile) {
    TempDir dir;
    SimProcess sim({"--family", "k2"});
    ASSERT_TRUE(sim.started());
    saveDatabase(dir, "in.bta", [](DBK2& db) { fillWritableDatabase(db, "1.04"); });

    const CliRun w = runCli(dir.path(), "write-db in.bta --port " + sim.path() + " --yes");
    EXPECT_EQ(w.status, 0) << w.out;
    EXPECT_EQ(w.lastLine(), kDone + ". Запись проверена.") << w.out;
    const CliRun r = runCli(dir.path(), "read-db --port " + sim.path() + " -o out.bta --log");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.lastLine(), kDone);
    EXPECT_NE(r.out.find("firmware: 1.04\n"), std::string::npos) << r.out;
    Bytes in, out;
    ASSERT_TRUE(readWholeFile(dir / "in.bta", in));
    ASSERT_TRUE(readWholeFile(dir / "out.bta", out));
    EXPECT_EQ(in, out);
    // --log writes the day's exchange log into the current folder.
    EXPECT_TRUE(anyLog(dir));
}

TEST(K2CliDevice, WriteIsRefusedOrNotConfirmedWithoutSendingAnything) {
    TempDir dir;
    SimProcess sim({"--family", "k2"});
    saveDatabase(dir, "bad.bta", [](DBK2& db) { db.CreateElement(kTypeIpr, 0); });  // no loop
    saveDatabase(dir, "good.bta", [](DBK2& db) { fillWritableDatabase(db, "1.04"); });

    const CliRun bad = runCli(dir.path(), "write-db bad.bta --port " + sim.path() + " --yes --log");
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.out.find("Не задан шлейф."), std::string::npos) << bad.out;
    EXPECT_EQ(bad.lastLine(), "База некорректна. Запись БД в прибор недопустима.");

    const CliRun no =
        runCli(dir.path(), "write-db good.bta --port " + sim.path() + " --log --no-backup");
    EXPECT_EQ(no.status, kResultCancelled);
    EXPECT_NE(
        no.out.find("Запись базы: Подтвердите запись базы в прибор.\nКопия базы прибора перед "
                    "записью не сохраняется."),
        std::string::npos)
        << no.out;
    // Without a backup the port was never opened: no log.
    EXPECT_FALSE(anyLog(dir));
}

// A write first saves the panel's database in backups/ (byte for byte what
// the panel held), then reads the database back: a panel that answers a
// write but does not keep it is caught and the differing items named; the
// backup written back restores the panel.
TEST(K2CliDevice, BackupVerifyAndRestore) {
    TempDir dir;
    saveDatabase(dir, "before.bta", [](DBK2& db) { fillWritableDatabase(db, "1.04"); });
    saveDatabase(dir, "new.bta", [](DBK2& db) {
        fillWritableDatabase(db, "1.04");
        setName(db, 0, "Кухня");
        db.keys[0][kKeyCode] = 0x77;
    });
    Bytes before;
    ASSERT_TRUE(readWholeFile(dir / "before.bta", before));
    const std::string lastKey = "Талвир К2 / Ключи / Дежурный / Ключ_000";
    {
        // Every memory change after the first is answered but lost.
        SimProcess sim(
            {"--family", "k2", "--db", pathToUtf8(dir / "before.bta"), "--fault", "lose%2"});
        ASSERT_TRUE(sim.started());
        const CliRun w = runCli(dir.path(), "write-db new.bta --port " + sim.path() + " --yes");
        EXPECT_EQ(w.status, kResultWriteNotConfirmed) << w.out;
        EXPECT_EQ(w.lastLine(), "Запись не подтверждена  Сеанс обмена закрыт.") << w.out;
        EXPECT_NE(w.out.find("changed items: 2\n"), std::string::npos) << w.out;
        EXPECT_NE(w.out.find(": changed: "), std::string::npos) << w.out;
    }
    std::vector<std::filesystem::path> backups;
    for (const auto& e : std::filesystem::directory_iterator(dir / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(backups[0].filename().string().rfind("Талвир_К2_0_", 0), 0u) << backups[0];
    Bytes saved;
    ASSERT_TRUE(readWholeFile(backups[0], saved));
    EXPECT_EQ(saved, before);

    // A panel that keeps what it is sent: the write is confirmed, and the
    // backup written back gives the old database again.
    SimProcess sim({"--family", "k2", "--db", pathToUtf8(dir / "before.bta")});
    const CliRun w = runCli(dir.path(), "write-db new.bta --port " + sim.path() + " --yes");
    EXPECT_EQ(w.status, 0) << w.out;
    EXPECT_EQ(w.lastLine(), "Команда выполнена. Запись проверена.") << w.out;
    const CliRun restore = runCli(dir.path(), "write-db '" + backups[0].string() + "' --port " +
                                                  sim.path() + " --yes --no-backup");
    EXPECT_EQ(restore.status, 0) << restore.out;
    const CliRun r = runCli(dir.path(), "read-db --port " + sim.path() + " -o after.bta");
    ASSERT_EQ(r.status, 0) << r.out;
    Bytes after;
    ASSERT_TRUE(readWholeFile(dir / "after.bta", after));
    EXPECT_EQ(after, before);
}

TEST(K2CliDevice, JournalReadsTheDatabaseFirst) {
    TempDir dir;
    SimProcess sim({"--family", "k2", "--journal", "40", "--detectors", "3"});
    const CliRun r = runCli(dir.path(), "read-journal --port " + sim.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("records: 40\n"), std::string::npos) << r.out;
    EXPECT_EQ(r.lastLine(), kDone);
    StrictPrompter prompter;
    JournalFile file;
    ASSERT_TRUE(readJournalFile(pathToUtf8(dir / "Journal.tvj"), kJournalCapacity, prompter, file));
    EXPECT_EQ(file.records.size(), 40u);
    // With the panel's database read, the journal names its detectors.
    bool named = false;
    for (const auto& rec : file.records)
        named = named || rec[3].value_or("").rfind("Т12-ДИП", 0) == 0;
    EXPECT_TRUE(named);
    // A journal file that could not be written is not named as written.
    const CliRun lost = runCli(dir.path(), "read-journal --port " + sim.path() + " -o no/J.tvj");
    EXPECT_NE(lost.out.find("records: 40\n"), std::string::npos) << lost.out;
    EXPECT_EQ(lost.out.find("file:"), std::string::npos) << lost.out;

    saveDatabase(dir, "db.bta", [](DBK2& db) { db.CreateElement(kTypeIpr, 0); });
    const CliRun e =
        runCli(dir.path(), "read-events --port " + sim.path() + " --db db.bta -o events.tvj");
    EXPECT_EQ(e.status, 0) << e.out;
    EXPECT_TRUE(std::filesystem::exists(dir / "events.tvj"));
    const CliRun d = runCli(dir.path(), "read-dust --port " + sim.path() + " --db db.bta");
    EXPECT_EQ(d.status, kResultCancelled);
    EXPECT_NE(d.out.find("В базе данных нет датчиков!"), std::string::npos) << d.out;
    EXPECT_EQ(d.lastLine(), "Отмена  Сеанс обмена закрыт.");
}

TEST(K2CliDevice, VersionClockAndAMissingPort) {
    TempDir dir;
    SimProcess sim({"--family", "k2", "--firmware", "1.05"});
    const CliRun v = runCli(dir.path(), "read-version --port " + sim.path());
    EXPECT_EQ(v.status, 0);
    EXPECT_EQ(v.out, "firmware: 1.05\n" + kDone + "\n");
    EXPECT_EQ(runCli(dir.path(), "set-time --port " + sim.path()).status, 0);
    const CliRun missing = runCli(dir.path(), "read-version --port /dev/tavrin-none-1");
    EXPECT_EQ(missing.status, kResultPortNotOpen);
    EXPECT_EQ(missing.lastLine(), "Порт не открыт!  Сеанс обмена закрыт.");
    EXPECT_EQ(runCli(dir.path(), "read-version").status, 1);  // no port given
    // The user's settings file is left as it was.
    EXPECT_FALSE(std::filesystem::exists(dir / "Tavrin.ini"));
}

TEST(K2CliDevice, BuiltInSimulation) {
    TempDir dir;
    saveDatabase(dir, "in.bta", [](DBK2& db) { fillWritableDatabase(db, "1.02"); });
    const CliRun w = runCli(dir.path(), "write-db in.bta --simulate --yes");
    EXPECT_EQ(w.status, 0) << w.out;
    // The stored frames live in the process: a new one has nothing to replay.
    const CliRun r = runCli(dir.path(), "read-db --simulate -o out.bta");
    EXPECT_EQ(r.status, kResultRefused);
    EXPECT_NE(r.out.find("Имитация: Сначала базу нужно передать на прибор"), std::string::npos);
    const CliRun j = runCli(dir.path(), "read-journal --simulate --db in.bta -o j.tvj");
    EXPECT_EQ(j.status, 0) << j.out;
    EXPECT_NE(j.out.find("records: 4\n"), std::string::npos) << j.out;
}

// A device command the family's panel does not have says so and exits 24,
// before anything is sent; one it has runs for any family.
TEST(K2CliDevice, CommandsAFamilyLacksExit24) {
    TempDir dir;
    saveDatabase(dir, "in.bta", [](DBK2& db) { fillWritableDatabase(db, "1.02"); });
    const std::string notHere = "Операция не реализована для этого прибора";
    for (const char* args : {"read-time --simulate", "write-firmware fw.hex --simulate --yes",
                             "read-events --family r7 --simulate --db in.bta",
                             "read-dust --family r7 --simulate --db in.bta"}) {
        const CliRun r = runCli(dir.path(), args);
        EXPECT_EQ(r.status, kResultNotImplemented) << args << "\n" << r.out;
        EXPECT_NE(r.lastLine().find(notHere), std::string::npos) << args << "\n" << r.out;
    }
    const CliRun v = runCli(dir.path(), "read-version --family r7 --simulate");
    EXPECT_EQ(v.status, 0) << v.out;
    EXPECT_NE(v.out.find("firmware: "), std::string::npos) << v.out;
}

TEST(K2CliDevice, CtrlCStopsARead) {
    TempDir dir;
    // At 9600 baud the whole read takes about nine seconds.
    SimProcess sim({"--family", "k2", "--baud", "9600"});
    const CliRun r = runShell(dir.path(), "CLI read-db --port " + sim.path() +
                                              " -o out.bta & pid=$!; sleep 1; kill -INT $pid; "
                                              "wait $pid");
    EXPECT_EQ(r.status, kResultStoppedByUser) << r.out;
    EXPECT_EQ(r.lastLine(), "Команда отменена пользователем.  Сеанс обмена закрыт.");
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bta"));
}

}  // namespace
}  // namespace tavrin::test
