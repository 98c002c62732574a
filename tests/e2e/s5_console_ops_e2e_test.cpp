// The other "Версан С5" console operations over a pseudo-terminal against
// tavrin-panelsim: the comparison, the journal, the archive, dustiness, the
// SD card, the program replacement, the clock and clearing events.
#include <algorithm>

#include "files/dust_file.h"
#include "files/journal_file.h"
#include "s5_ops_fixture.h"

using namespace tavrin;
using namespace tavrin::test;

namespace {

const CompareEntry* findEntry(const std::vector<CompareEntry>& rows, int lcp, CompareKind kind) {
    for (const CompareEntry& e : rows)
        if (e.lcp == lcp && e.kind == kind) return &e;
    return nullptr;
}

// 8 December 2026, a Tuesday, 14:05:09.
class FixedClock : public SystemClock {
  public:
    LocalTime now() const override {
        LocalTime t;
        t.year = 2026;
        t.month = 12;
        t.day = 8;
        t.dayOfWeek = 2;
        t.hour = 14;
        t.minute = 5;
        t.second = 9;
        return t;
    }
};

Bytes fileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(S5ConsoleOpsE2E, CompareSeesARenamedObjectTheChecksumsMiss) {
    S5Ops c({"--lcps", "3", "--records", "3"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    ASSERT_EQ(c.db->ReadFromDevice(progress), kResultOk);
    ASSERT_EQ(c.db->CompareWithDevice(progress), kResultOk);
    auto rows = c.db->comparison();
    ASSERT_EQ(rows.size(), 10u);  // the console's keys and three kinds of three LCPs
    for (const CompareEntry& e : rows)
        EXPECT_EQ(e.state, CompareState::Equal) << e.lcp << " " << static_cast<int>(e.kind);

    // One letter of an object's name one step on: its first checksum one
    // step back, and the second one (which sums the first one's bytes) and
    // the LCP's object checksum as they were.
    s5::ObjectRecord& o = c.db->lcp(2)->objects[1];
    const std::uint16_t before = c.db->LcpChecksum(2, 2);
    o[s5::obj::kName + 1] = static_cast<std::uint8_t>(o[s5::obj::kName + 1] + 1);
    ASSERT_EQ(c.db->LcpChecksum(2, 2), before) << "the change must be one the sums cannot see";
    ASSERT_EQ(c.db->CompareWithDevice(progress), kResultOk);
    rows = c.db->comparison();
    const CompareEntry* objects = findEntry(rows, 2, CompareKind::Objects);
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(objects->console, objects->computer);
    EXPECT_EQ(objects->state, CompareState::Different);
    EXPECT_EQ(objects->record, 1);
    EXPECT_EQ(c.db->itemOfCompareEntry(*objects), s5::objectItem(2, 1));
    EXPECT_EQ(findEntry(rows, 1, CompareKind::Objects)->state, CompareState::Equal);
    EXPECT_EQ(findEntry(rows, 3, CompareKind::Objects)->state, CompareState::Equal);

    // A changed device shows in its sum.
    c.db->lcp(3)->devices[0][s5::dev::kParams] ^= 0x10;
    ASSERT_EQ(c.db->CompareWithDevice(progress), kResultOk);
    rows = c.db->comparison();
    EXPECT_EQ(findEntry(rows, 3, CompareKind::Devices)->state, CompareState::Different);
}

TEST(S5ConsoleOpsE2E, CompareNamesLcpsOnOneSideOnlyAndLcpsOutOfReach) {
    S5Ops c({"--lcps", "2", "--records", "2", "--no-link", "2"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    fillDatabase(*c.db, {{2, 1, 1}, {1, 0, 0}, {1, 0, 0}}, 0);
    ASSERT_EQ(c.db->CompareWithDevice(progress), kResultOk);
    const auto rows = c.db->comparison();
    EXPECT_EQ(findEntry(rows, 0, CompareKind::Keys)->state, CompareState::Different);
    EXPECT_EQ(findEntry(rows, 1, CompareKind::Devices)->state, CompareState::Different);
    EXPECT_EQ(findEntry(rows, 2, CompareKind::Devices)->state, CompareState::NoLink);
    EXPECT_EQ(findEntry(rows, 3, CompareKind::Devices)->state, CompareState::OnlyComputer);
    EXPECT_EQ(findEntry(rows, 3, CompareKind::Objects)->state, CompareState::NotAsked);

    S5Ops more({"--lcps", "3", "--records", "2"});
    ASSERT_TRUE(more.sim.started());
    fillDatabase(*more.db, {{2, 1, 1}}, 0);
    ASSERT_EQ(more.db->CompareWithDevice(progress), kResultOk);
    const auto moreRows = more.db->comparison();
    const CompareEntry* extra = findEntry(moreRows, 2, CompareKind::Devices);
    ASSERT_NE(extra, nullptr);
    EXPECT_EQ(extra->state, CompareState::OnlyConsole);
    EXPECT_FALSE(extra->computerKnown);
}

TEST(S5ConsoleOpsE2E, JournalOfTheConsoleEvents) {
    S5Ops c({"--lcps", "2", "--records", "3", "--journal", "12"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    ASSERT_EQ(c.db->ReadFromDevice(progress), kResultOk);
    // The journal names LCP 2's records only while the database has it.
    c.db->RemoveLcp(2);
    ASSERT_EQ(c.db->ReadJournal(progress), kResultOk);
    EXPECT_FALSE(std::filesystem::exists(c.dir / "EVENTS.dat"));
    JournalFile journal;
    ASSERT_TRUE(c.db->ReadJournalFile((c.dir / "Journal.vsj").string(), journal));
    EXPECT_EQ(journal.kind, kJournalKindS5);
    ASSERT_EQ(journal.records.size(), 12u);
    const auto text = [&journal](std::size_t r, std::size_t f) {
        return journal.records[r][f].value_or("?");
    };
    // Event 0: fire in LCP 1, object 1, device 0, key 1; its month byte has
    // high bits that are not the month.
    EXPECT_EQ(text(0, 0), "01/01/26 00:00:00");
    EXPECT_EQ(text(0, 1), "Пожар");
    EXPECT_EQ(text(0, 2), "Object 1000");
    EXPECT_EQ(text(0, 3), "Device 1000");
    EXPECT_EQ(text(0, 4), "LCP 1");
    EXPECT_EQ(text(0, 5), "Owner 1000");
    // Event 1: LCP 2, which the database no longer has: its number, no names.
    EXPECT_EQ(text(1, 2), "");
    EXPECT_EQ(text(1, 3), "");
    EXPECT_EQ(text(1, 4), "LCP 2");
    // Event 3: the console's own, naming console key 1.
    EXPECT_EQ(text(3, 4), "");
    EXPECT_EQ(text(3, 5), "Owner 1");
    // Event 6: a code without a text.
    EXPECT_EQ(text(6, 1), "");
}

TEST(S5ConsoleOpsE2E, AJournalThatCannotBeWrittenKeepsTheEvents) {
    S5Ops c({"--lcps", "1", "--records", "1", "--journal", "3"});
    ASSERT_TRUE(c.sim.started());
    std::filesystem::create_directory(c.dir / "Journal.vsj");  // in the way of the file
    NullProgress progress;
    fillDatabase(*c.db, {{1, 1, 1}}, 0);
    EXPECT_EQ(c.db->ReadJournal(progress), kResultSourceFileError);
    EXPECT_TRUE(std::filesystem::exists(c.dir / "EVENTS.dat"));
    ASSERT_FALSE(c.prompter.calls.empty());
    EXPECT_EQ(c.prompter.calls.back().text.rfind("Не могу сохранить файл ", 0), 0u);
}

TEST(S5ConsoleOpsE2E, ArchiveListAndAnArchiveAsAJournal) {
    S5Ops c({"--lcps", "1", "--records", "2", "--archives", "3"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    ASSERT_EQ(c.db->ReadArchiveList(progress), kResultOk);
    EXPECT_EQ(c.db->archiveNames(),
              (std::vector<std::string>{"ARC00001.DAT", "ARC00002.DAT", "ARC00003.DAT"}));
    EXPECT_TRUE(std::filesystem::exists(c.dir / "ARCH.dat"));

    ASSERT_EQ(c.db->ReadArchive(progress, "ARC00002.DAT"), kResultOk);
    const std::string journal = c.db->archiveJournalPath("ARC00002.DAT");
    EXPECT_EQ(std::filesystem::path(journal), c.dir / "ARC00002.vsj");
    JournalFile file;
    ASSERT_TRUE(c.db->ReadJournalFile(journal, file));
    EXPECT_EQ(file.records.size(), 7u);
    // Only the journal stays in the program folder.
    EXPECT_FALSE(std::filesystem::exists(c.dir / "ARC00002.DAT"));

    // A name from the console that would leave the folder is not used.
    for (const char* bad : {"../ARC00001.DAT", "..", "C:ARC.DAT", "a/b", ""})
        EXPECT_EQ(c.db->ReadArchive(progress, bad), kResultBadCommand) << bad;
    // An archive the console does not have.
    EXPECT_EQ(c.db->ReadArchive(progress, "ARC00009.DAT"), kResultNoTargetLink);
}

TEST(S5ConsoleOpsE2E, DustinessOfTheDetectors) {
    S5Ops c({"--lcps", "3", "--records", "6", "--no-link", "2"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    fillDatabase(*c.db, {{6, 0, 0}, {6, 0, 0}, {6, 0, 0}}, 0);
    // The console cannot reach LCP 2: go on without it.
    c.prompter.answers = {PromptAnswer::Ok};
    ASSERT_EQ(c.db->ReadDustiness(progress, 0), kResultOk);
    ASSERT_EQ(c.prompter.calls.size(), 1u);
    EXPECT_EQ(c.prompter.calls[0].text, "Нет связи с LCP2\nПродолжить?");
    EXPECT_EQ(c.prompter.calls[0].title, "Чтение запыленности");
    std::vector<DustRecord> records;
    ASSERT_TRUE(readDustinessFile((c.dir / "Zap.conf").string(), c.prompter, records));
    // The generated console's detectors: slots 0, 2, 3 of LCPs 1 and 3.
    ASSERT_EQ(records.size(), 6u);
    EXPECT_EQ(records[0].firstText(), "LCP 1");
    EXPECT_EQ(records[0].secondText(), "ВЕРС-ДИП 0");
    EXPECT_EQ(records[3].firstText(), "LCP 3");
    EXPECT_EQ(records[1].level(), (2 * 3 + 1) % 11);

    // Stopping at that LCP.
    c.prompter.answers = {PromptAnswer::Cancel};
    EXPECT_EQ(c.db->ReadDustiness(progress, 0), kResultNoTargetLink);
    EXPECT_TRUE(c.db->dustiness.empty());
    // One LCP.
    ASSERT_EQ(c.db->ReadDustiness(progress, 3), kResultOk);
    EXPECT_EQ(c.db->dustiness.size(), 3u);
}

TEST(S5ConsoleOpsE2E, NoDetectorsSaysSoOnceAndSendsNothing) {
    S5Ops c({"--lcps", "1", "--records", "1"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    c.db->AddLcp();
    c.db->CreateElement(49, 1);  // an executive device only
    EXPECT_EQ(c.db->ReadDustiness(progress, 0), kResultCancelled);
    ASSERT_EQ(c.prompter.calls.size(), 1u);
    EXPECT_EQ(c.prompter.calls[0].text, "В базе данных нет датчиков!");
    EXPECT_FALSE(c.db->link().running());
    EXPECT_EQ(c.db->link().framesWritten(), 0);
}

TEST(S5ConsoleOpsE2E, FilesOntoTheSdCardAndAProgramFromIt) {
    TempDir sd;
    S5Ops c({"--lcps", "1", "--records", "1", "--sd-dir", sd.path().string()});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    // Sizes at the chunk edges: the last chunk is shorter than 80 bytes
    // (empty after a whole number of chunks) and carries the end flag.
    for (const std::size_t size : {std::size_t{0}, std::size_t{80}, std::size_t{81},
                                   std::size_t{160}, std::size_t{100003}}) {
        Bytes data(size);
        for (std::size_t i = 0; i < size; ++i)
            data[i] = static_cast<std::uint8_t>(i * 7 + size);
        const std::string name = "SOFT" + std::to_string(size) + ".BIN";
        std::ofstream(c.dir / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(size));
        ASSERT_EQ(c.db->WriteFileToDevice(progress, name, (c.dir / name).string()), kResultOk)
            << size;
        EXPECT_EQ(fileBytes(sd / name), data) << size;
    }
    EXPECT_EQ(c.db->ReplaceProgram("SOFT81.BIN", 0), kResultOk);
    EXPECT_EQ(c.db->ReplaceProgram("NOSUCH.BIN", 0), kResultNoTargetLink);
    EXPECT_EQ(c.db->WriteFileToDevice(progress, "X.BIN", (c.dir / "missing").string()),
              kResultSourceFileError);
    EXPECT_EQ(c.db->WriteFileToDevice(progress, "../X.BIN", (c.dir / "SOFT0.BIN").string()),
              kResultBadCommand);
}

TEST(S5ConsoleOpsE2E, ClockEventsAndProgramReplacementReachTheConsole) {
    S5Ops c({"--lcps", "2", "--records", "1"});
    ASSERT_TRUE(c.sim.started());
    FixedClock clock;
    c.ctx.clock = &clock;
    auto db = c.makeDb();
    NullProgress progress;
    EXPECT_EQ(db->SetDeviceTime(), kResultOk);
    EXPECT_EQ(db->ClearActiveEvents(0x0F), kResultOk);
    EXPECT_EQ(db->ClearActiveEvents(2), kResultOk);
    EXPECT_EQ(db->ClearActiveEvents(0x10), kResultBadCommand);
    std::ofstream(c.dir / "P.BIN") << "program";
    ASSERT_EQ(db->WriteFileToDevice(progress, "P.BIN", (c.dir / "P.BIN").string()), kResultOk);
    EXPECT_EQ(db->ReplaceProgram("P.BIN", 2), kResultOk);
    EXPECT_EQ(c.opsLog(),
              (std::vector<std::string>{"clock 2026-12-08 14:05:09 weekday 2", "clear 15",
                                        "clear 2", "sd P.BIN 7", "replace P.BIN 2"}));
}
