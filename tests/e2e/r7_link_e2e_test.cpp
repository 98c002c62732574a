// "Ордис Р7" against tavrin-panelsim on a real pseudo-terminal: the database
// written and read back byte for byte, every fault ending in its code with
// the port closed, the firmware of a multi-page HEX file captured by the
// panel, the journal ring wrapped and not, and the cli commands.
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/text.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "families/r7/protocol.h"
#include "files/journal_file.h"
#include "link/result_codes.h"
#include "support/log_lines.h"
#include "support/recording_prompter.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

using namespace r7;

// A database whose port is the simulator's terminal, logging, with short
// read time-outs so that faults end quickly.
struct R7Link {
    explicit R7Link(std::vector<std::string> simArgs)
        : sim([&] {
              simArgs.insert(simArgs.begin(), {"--family", "r7"});
              return simArgs;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<DBR7>(0, ctx);
        configure(*db);
    }

    void configure(DBR7& d) const {
        d.portName = sim.path();
        d.logEnabled = true;
        d.simulation = false;
        d.SavePortSettings();
        d.readTotalTimeoutConstant = 150;
        d.readIntervalTimeout = 20;
        d.readTotalTimeoutMultiplier = 2;
    }

    std::string path(const std::string& name) const { return pathToUtf8(dir / name); }

    // Requests of the log by command (byte 4), repetitions included.
    std::map<int, int> requestsByCommand() const {
        std::map<int, int> count;
        const auto lines = logLines(db->LogFilePath());
        for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i] != "Передача:" && lines[i] != "Повторная передача:") continue;
            std::istringstream in(lines[i + 1]);
            std::string b[5];
            for (auto& x : b)
                in >> x;
            ++count[std::stoi(b[4], nullptr, 16)];
        }
        return count;
    }

    TempDir dir;
    SimProcess sim;
    RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBR7> db;
};

// A table worth writing: objects with references, keys, devices on lines,
// names short and full-length (blank padding must survive the round trip).
void fillDatabase(DBR7& db) {
    const int a = db.CreateElement(kTypeObject, 0);
    const int b = db.CreateElement(kTypeObject, 0);
    db.table()[static_cast<std::size_t>(a)].setName("Склад");
    db.table()[static_cast<std::size_t>(b)].setName("Коридор второго этажа");  // 21 characters
    db.table()[static_cast<std::size_t>(b)].setReference1(
        db.table()[static_cast<std::size_t>(a)].id());
    for (int i = 0; i < 40; ++i) {
        const auto kinds = deviceKinds();
        const int d = db.CreateElement(kinds[static_cast<std::size_t>(i) % kinds.size()].newCode,
                                       i % 2 ? a : b);
        ElementRecord& r = db.table()[static_cast<std::size_t>(d)];
        r.bytes[kOffLine] = static_cast<std::uint8_t>(1 + i % 4);
        r.bytes[6] = static_cast<std::uint8_t>(i);
        r.bytes[16] = static_cast<std::uint8_t>(0xA0 + i);
    }
    for (int k = 0; k < 3; ++k) {
        const int key = db.CreateElement(kTypeKey, a);
        for (int i = 6; i < 12; ++i)
            db.table()[static_cast<std::size_t>(key)].bytes[static_cast<std::size_t>(i)] =
                static_cast<std::uint8_t>(k * 16 + i);
    }
}

void expectSameStored(const DBR7& a, const DBR7& b) {
    for (int i = 0; i < kElementCount; ++i) {
        const auto& x = a.table()[static_cast<std::size_t>(i)].bytes;
        const auto& y = b.table()[static_cast<std::size_t>(i)].bytes;
        ASSERT_TRUE(std::equal(x.begin(), x.begin() + kStoredRecordSize, y.begin()))
            << "record " << i;
    }
}

TEST(R7LinkE2E, WriteThenReadBackByteForByte) {
    R7Link l({"--firmware", "2.5"});
    ASSERT_TRUE(l.sim.started());
    fillDatabase(*l.db);
    NullProgress progress;
    ASSERT_EQ(l.db->WriteToDevice(progress), kResultOk);
    EXPECT_EQ(progress.high(), 2047);
    EXPECT_FALSE(l.db->IsPortOpen());
    EXPECT_EQ(
        l.requestsByCommand(),
        (std::map<int, int>{{kCmdReadVersion, 1}, {kCmdWriteRecord, 2048}, {kCmdEndDatabase, 1}}));

    DBR7 back(0, l.ctx);
    l.configure(back);
    ASSERT_EQ(back.ReadFromDevice(progress), kResultOk);
    EXPECT_TRUE(back.databaseValid);
    EXPECT_EQ(back.firmwareVersionText, "2.5");
    EXPECT_EQ(back.firmwareVersion, 517);
    EXPECT_FALSE(back.IsPortOpen());
    expectSameStored(*l.db, back);

    // Read, saved, loaded and written again: the panel gets the same bytes.
    ASSERT_TRUE(back.SaveToDisk(l.path("back.bor")));
    Bytes first;
    ASSERT_TRUE(readWholeFile(l.dir / "back.bor", first));
    DBR7 again(0, l.ctx);
    l.configure(again);
    ASSERT_TRUE(again.LoadFromDisk(l.path("back.bor")));
    ASSERT_EQ(again.WriteToDevice(progress), kResultOk);
    DBR7 third(0, l.ctx);
    l.configure(third);
    ASSERT_EQ(third.ReadFromDevice(progress), kResultOk);
    ASSERT_TRUE(third.SaveToDisk(l.path("third.bor")));
    Bytes second;
    ASSERT_TRUE(readWholeFile(l.dir / "third.bor", second));
    EXPECT_EQ(first, second);
    EXPECT_TRUE(l.prompter.calls.empty());
}

TEST(R7LinkE2E, AStaleReplyIsNotStoredAndAskedAgain) {
    // Request 3 (record 1) is answered with record 0's index: asked again, read goes on.
    R7Link l({"--fault", "stale@3"});
    NullProgress progress;
    ASSERT_EQ(l.db->ReadFromDevice(progress), kResultOk);
    EXPECT_EQ(l.requestsByCommand()[kCmdReadRecord], 2049);
    EXPECT_EQ(l.db->table()[0].type(), kTypePanel);
    EXPECT_TRUE(l.db->table()[1].isFree());
}

// A reply that comes late is never taken for the reply of the next request:
// with one reply of a full read delayed past the first (400 ms) or the second
// pass (700 ms), or answering with a wrong index, at the version, the panel's
// record, an element's record, a free record and the last record, each run
// either fails with its code or gives exactly the panel's database, and the
// line is clean for the next request.
TEST(R7LinkE2E, LateRepliesFailOrGiveExactlyThePanelsDatabase) {
    TempDir files;
    const std::string panelFile = pathToUtf8(files / "panel.bor");
    {
        AppContext ctx = makeAppContext(files.path());
        DBR7 db(0, ctx);
        fillDatabase(db);
        ASSERT_TRUE(db.SaveToDisk(panelFile));
    }
    R7Link clean({"--db", panelFile});
    NullProgress progress;
    ASSERT_EQ(clean.db->ReadFromDevice(progress), kResultOk);
    ASSERT_FALSE(clean.db->table()[5].isFree());
    ASSERT_TRUE(clean.db->table()[100].isFree());

    // Request 1 asks for the version, request 2 + N for record N.
    const int ordinals[] = {1, 2, 2 + 5, 2 + 100, 2 + kElementCount - 1};
    for (const std::string kind : {"delay=400", "delay=700", "badindex"}) {
        for (const int ordinal : ordinals) {
            const std::string fault = kind + "@" + std::to_string(ordinal);
            SCOPED_TRACE(fault);
            R7Link l({"--db", panelFile, "--fault", fault});
            const int code = l.db->ReadFromDevice(progress);
            if (code == kResultOk) {
                expectSameStored(*clean.db, *l.db);
            } else {
                EXPECT_FALSE(l.db->databaseValid);
            }
            EXPECT_EQ(l.db->ReadVersion(), kResultOk);
            l.db->ClosePort();
        }
    }
}

TEST(R7LinkE2E, FaultsEndInTheirCodeWithThePortClosed) {
    struct Case {
        const char* fault;
        int code;
    } cases[] = {
        {"badindex%1", kResultWrongRecord},    // three wrong echoes for record 0
        {"length@2", kResultBadDataLength},    // a record reply one byte short
        {"oversize%1", kResultBadDataLength},  // a body that does not fit the buffer
        {"cut%1", kResultNoAnswer},
        {"badcrc%1", kResultConfiguratorCrc},
        {"refuse=1%1", kResultConfiguratorCrc},
        {"refuse=2%1", kResultBadCommand},
        {"refuse=3%1", kResultNoRights},
        {"refuse=7%1", kResultUnknownDeviceError},
        {"silence@1", kResultNoLink},
        {"silence@40", kResultNoAnswer},
    };
    for (const Case& c : cases) {
        R7Link l({"--fault", c.fault});
        ASSERT_TRUE(l.sim.started());
        NullProgress progress;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(l.db->ReadFromDevice(progress), c.code) << c.fault;
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10)) << c.fault;
        EXPECT_FALSE(l.db->IsPortOpen()) << c.fault;
        EXPECT_FALSE(l.db->databaseValid) << c.fault;
    }
    // Three wrong echoes are three requests for record 0, then the read stops.
    R7Link l({"--fault", "badindex%1"});
    NullProgress progress;
    EXPECT_EQ(l.db->ReadFromDevice(progress), kResultWrongRecord);
    EXPECT_EQ(l.requestsByCommand()[kCmdReadRecord], 3);
    // The clock and the version close the port too, also on failure.
    R7Link s({"--fault", "silence@1"});
    EXPECT_EQ(s.db->SetDeviceTime(), kResultNoLink);
    EXPECT_FALSE(s.db->IsPortOpen());
    EXPECT_EQ(s.db->QueryDeviceTime(), kResultNoLink);
    EXPECT_FALSE(s.db->IsPortOpen());
}

// An Intel HEX line with its checksum.
std::string hexRecord(int type, int address, const std::vector<int>& data) {
    std::vector<int> bytes{static_cast<int>(data.size()), address >> 8, address & 0xFF, type};
    bytes.insert(bytes.end(), data.begin(), data.end());
    int sum = 0;
    for (int b : bytes)
        sum += b;
    bytes.push_back((0x100 - (sum & 0xFF)) & 0xFF);
    std::string line = ":";
    char h[3];
    for (int b : bytes) {
        std::snprintf(h, sizeof h, "%02X", b);
        line += h;
    }
    return line + "\n";
}

struct CliRun {
    int status = -1;
    std::string out;
    std::string lastLine() const {
        std::string s = out;
        while (!s.empty() && s.back() == '\n')
            s.pop_back();
        const auto nl = s.rfind('\n');
        return nl == std::string::npos ? s : s.substr(nl + 1);
    }
};

CliRun runCli(const std::filesystem::path& dir, const std::string& args) {
    const std::string command =
        "cd '" + dir.string() + "' && { '" TAVRIN_CLI_PATH "' " + args + " ; } 2>&1";
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

std::string readText(const std::filesystem::path& p) {
    std::ifstream in(p);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

TEST(R7LinkE2E, FirmwareOfAMultiPageHexFileIsCapturedByteExact) {
    TempDir dir;
    const std::string captured = pathToUtf8(dir / "fw.txt");
    SimProcess sim({"--family", "r7", "--firmware-out", captured});
    ASSERT_TRUE(sim.started());

    // Segment 0 (before any segment record) is the loader's and is not sent;
    // segment 1 starts at page 1; segment 2's records come high address first.
    std::map<std::pair<int, int>, int> image;  // (segment, address) → byte
    std::string hex = hexRecord(0, 0x0000, {1, 2, 3});
    hex += hexRecord(4, 0, {0, 1});
    std::vector<int> chunk(16);
    for (int a = 0x0000; a < 0x0330; a += 16) {
        for (int i = 0; i < 16; ++i)
            chunk[static_cast<std::size_t>(i)] = (a + i * 7) & 0xFF;
        hex += hexRecord(0, a, chunk);
        for (int i = 0; i < 16; ++i)
            image[{1, a + i}] = chunk[static_cast<std::size_t>(i)];
    }
    hex += hexRecord(4, 0, {0, 2});
    for (int a = 0x0510; a >= 0x0200; a -= 16) {
        for (int i = 0; i < 16; ++i)
            chunk[static_cast<std::size_t>(i)] = (0x55 ^ (a >> 4) ^ i) & 0xFF;
        hex += hexRecord(0, a, chunk);
        for (int i = 0; i < 16; ++i)
            image[{2, a + i}] = chunk[static_cast<std::size_t>(i)];
    }
    hex += hexRecord(1, 0, {});
    { std::ofstream(dir / "fw.hex") << hex; }

    const CliRun r =
        runCli(dir.path(), "write-firmware fw.hex --yes --family r7 --port " + sim.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_EQ(r.lastLine(), "Адрес=1. Команда выполнена") << r.out;

    // Pages: segment 1 from 0x100 to 0x3FF, segment 2 from 0x200 to 0x5FF.
    std::string expected;
    char head[16];
    for (const auto& [segment, from, to] :
         {std::tuple{1, 0x100, 0x400}, std::tuple{2, 0x200, 0x600}}) {
        for (int page = from; page < to; page += 256) {
            std::snprintf(head, sizeof head, "%04X %04X ", segment, page);
            expected += head;
            for (int a = page; a < page + 256; ++a) {
                const auto it = image.find({segment, a});
                std::snprintf(head, sizeof head, "%02X", it == image.end() ? 0xFF : it->second);
                expected += head;
            }
            expected += "\n";
        }
    }
    expected += "end\n";
    EXPECT_EQ(readText(dir / "fw.txt"), expected);

    // The second reply of a firmware frame of another type ends in 15.
    SimProcess bad({"--family", "r7", "--fault", "second@2"});
    const CliRun f =
        runCli(dir.path(), "write-firmware fw.hex --yes --family r7 --port " + bad.path());
    EXPECT_EQ(f.status, kResultBadReply) << f.out;
    // A file with only segment 0 is refused before anything is sent.
    { std::ofstream(dir / "one.hex") << hexRecord(0, 0, {1, 2}) << hexRecord(1, 0, {}); }
    const CliRun one =
        runCli(dir.path(), "write-firmware one.hex --yes --family r7 --port " + sim.path());
    EXPECT_EQ(one.status, kResultSourceFileError) << one.out;
}

// The journal file as rows of texts.
JournalFile readJournal(const std::string& path) {
    StrictPrompter prompter;
    JournalFile file;
    EXPECT_TRUE(readJournalFile(path, kJournalCapacity, prompter, file));
    return file;
}

TEST(R7LinkE2E, JournalRingWrappedAndNot) {
    TempDir dir;
    {
        AppContext ctx = makeAppContext(dir.path());
        DBR7 db(0, ctx);
        fillDatabase(db);
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / "db.bor")));
    }
    struct Case {
        int events;
        std::size_t records;
    } cases[] = {{0, 0}, {10, 10}, {2047, 2047}, {2048, 2048}, {2100, 2048}};
    for (const Case& c : cases) {
        R7Link l({"--journal", std::to_string(c.events), "--db", pathToUtf8(dir / "db.bor")});
        ASSERT_TRUE(l.db->LoadFromDisk(pathToUtf8(dir / "db.bor")));
        l.db->journalOutputPath = l.path("Journal.odj");
        NullProgress progress;
        ASSERT_EQ(l.db->ReadJournal(progress), kResultOk) << c.events;
        EXPECT_FALSE(l.db->IsPortOpen());
        const JournalFile file = readJournal(l.db->journalOutputPath);
        ASSERT_EQ(file.records.size(), c.records) << c.events;
        if (c.records < 2) continue;
        // Newest first: the events are a minute apart, the newest a minute ago.
        for (std::size_t i = 1; i < file.records.size(); ++i)
            ASSERT_GT(*file.records[i - 1][0], *file.records[i][0]) << c.events << " at " << i;
        // Events name the database's elements, and an unknown one as such.
        bool named = false, unknown = false;
        for (const auto& rec : file.records) {
            named = named || rec[2].value_or("") == "Склад";
            unknown = unknown || rec[3].value_or("") == "Нет в базе";
        }
        EXPECT_TRUE(named && unknown) << c.events;
    }

    // A failed read leaves the file of the last good one.
    // The first read takes 2050 requests (version, position, 2048 records).
    R7Link l({"--journal", "30", "--fault", "silence@2100"});
    l.db->journalOutputPath = l.path("Journal.odj");
    NullProgress progress;
    ASSERT_EQ(l.db->ReadJournal(progress), kResultOk);
    Bytes before;
    ASSERT_TRUE(readWholeFile(l.dir / "Journal.odj", before));
    EXPECT_EQ(l.db->ReadJournal(progress), kResultNoAnswer);
    EXPECT_FALSE(l.db->IsPortOpen());
    Bytes after;
    ASSERT_TRUE(readWholeFile(l.dir / "Journal.odj", after));
    EXPECT_EQ(before, after);
}

TEST(R7CliDevice, WriteThenReadGivesTheSameFileAndFaultsGiveTheirCode) {
    TempDir dir;
    SimProcess sim({"--family", "r7", "--address", "3"});
    ASSERT_TRUE(sim.started());
    {
        AppContext ctx = makeAppContext(dir.path());
        DBR7 db(0, ctx);
        fillDatabase(db);
        db.table()[0].bytes[kOffAddress] = 3;
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / "in.bor")));
    }
    const CliRun w = runCli(dir.path(), "write-db in.bor --family r7 --yes --port " + sim.path());
    EXPECT_EQ(w.status, 0) << w.out;
    EXPECT_NE(w.out.find("Подтвердите запись базы в прибор.\nАдрес = 3"), std::string::npos)
        << w.out;
    // The read-back reaches the panel at the address written to.
    EXPECT_EQ(w.lastLine(), "Адрес=3. Команда выполнена. Запись проверена.") << w.out;

    // A read addresses the panel as a new database does (address 1): this
    // panel answers only to 3, so it stays silent.
    const CliRun silent = runCli(dir.path(), "read-db --family r7 -o out.bor --port " + sim.path());
    EXPECT_EQ(silent.status, kResultNoLink) << silent.out;

    SimProcess one({"--family", "r7", "--db", pathToUtf8(dir / "in.bor"), "--address", "1"});
    const CliRun r = runCli(dir.path(), "read-db --family r7 -o out.bor --port " + one.path());
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_NE(r.out.find("estimated time on the line: 115 s at 9600 baud"), std::string::npos)
        << r.out;
    Bytes in, out;
    ASSERT_TRUE(readWholeFile(dir / "in.bor", in));
    ASSERT_TRUE(readWholeFile(dir / "out.bor", out));
    // The same file, but the version text the panel reported.
    ASSERT_EQ(in.size() + 8, out.size());
    EXPECT_TRUE(std::equal(in.begin() + 8, in.end(), out.begin() + 16));

    const CliRun t = runCli(dir.path(), "read-time --family r7 --port " + one.path());
    EXPECT_EQ(t.status, 0) << t.out;
    EXPECT_NE(t.out.find("Запрос времени: Время прибора "), std::string::npos) << t.out;
    const CliRun c = runCli(dir.path(), "check in.bor");
    EXPECT_EQ(c.status, 0) << c.out;
}

// With the family's backup switched on, a write to the panel at address 3
// saves that panel's database first (named with its address) and reads the
// write back there: records the panel answered but did not keep are caught.
TEST(R7CliDevice, BackupAndReadBackAtThePanelsOwnAddress) {
    TempDir dir;
    {
        AppContext ctx = makeAppContext(dir.path());
        DBR7 db(0, ctx);
        fillDatabase(db);
        db.table()[0].bytes[kOffAddress] = 3;
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / "before.bor")));
        db.table()[1].bytes[kOffName] = 'Z';
        ASSERT_TRUE(db.SaveToDisk(pathToUtf8(dir / "new.bor")));
    }
    const std::string ini = utf8ToCp1251("[Ордис_Р7]\r\nКопия_перед_записью=да\r\n");
    ASSERT_TRUE(writeFileAtomic(dir / "Tavrin.ini", Bytes(ini.begin(), ini.end())));
    SimProcess sim({"--family", "r7", "--address", "3", "--db", pathToUtf8(dir / "before.bor"),
                    "--fault", "lose@1"});
    ASSERT_TRUE(sim.started());
    const CliRun w = runCli(dir.path(), "write-db new.bor --family r7 --yes --port " + sim.path());
    EXPECT_EQ(w.status, kResultWriteNotConfirmed) << w.out;
    EXPECT_NE(w.out.find("Адрес = 3\nИзменится элементов: "), std::string::npos) << w.out;
    EXPECT_NE(w.out.find(": changed: "), std::string::npos) << w.out;
    EXPECT_EQ(w.lastLine(), "Адрес=3. Запись не подтверждена  Сеанс обмена закрыт.") << w.out;
    std::vector<std::filesystem::path> backups;
    for (const auto& e : std::filesystem::directory_iterator(dir / "backups"))
        backups.push_back(e.path());
    ASSERT_EQ(backups.size(), 1u);
    EXPECT_EQ(pathToUtf8(backups[0].filename()).rfind("Ордис_Р7_3_", 0), 0u) << backups[0];
}

}  // namespace
}  // namespace tavrin::test
