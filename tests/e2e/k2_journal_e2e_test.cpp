// The "Талвир К2" journal, active events and dustiness against
// tavrin-panelsim on a real pseudo-terminal, with the files they write.
#include "families/k2/protocol.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "k2_link_fixture.h"
#include "link/result_codes.h"
#include "service/dust_list.h"

namespace tavrin::test {
namespace {

using namespace k2;

TEST(K2JournalE2E, JournalsOfEverySize) {
    struct Case {
        int records;
        int code;
        std::size_t kept;
    } cases[] = {
        {0, kResultOk, 0},
        {1, kResultOk, 1},
        {2339, kResultOk, 2339},
        {2400, kResultDatabaseOverflow, 2325},  // the reply reaching record 2350 is refused
    };
    for (const Case& c : cases) {
        K2Link l({"--journal", std::to_string(c.records)});
        fillWritableDatabase(*l.db, "1.04");
        l.db->journalOutputPath = l.path("Journal.tvj");
        NullProgress progress;
        EXPECT_EQ(l.db->ReadJournal(progress), c.code) << c.records;
        EXPECT_EQ(progress.high(), kJournalCapacity);
        EXPECT_EQ(l.db->journal.size(), c.kept) << c.records;
        EXPECT_FALSE(l.db->IsPortOpen());
        // The file is written whatever the outcome.
        JournalFile file;
        ASSERT_TRUE(l.db->ReadJournalFile(l.path("Journal.tvj"), file)) << c.records;
        EXPECT_EQ(file.kind, kJournalKindK2);
        ASSERT_EQ(file.records.size(), c.kept);
        for (std::size_t i = 0; i < file.records.size(); i += 97) {
            const auto texts = l.db->JournalTexts(l.db->journal[i]);
            for (std::size_t k = 0; k < 4; ++k)
                EXPECT_EQ(file.records[i][k].value_or("?"), texts[k]) << i;
        }
    }
}

TEST(K2JournalE2E, TwoWrongFirstNumbersEndWithFive) {
    // Request 1 reads the version; 2 and 4 come back with a wrong first number.
    K2Link l({"--journal", "100", "--fault", "badindex@2", "--fault", "badindex@4"});
    l.db->journalOutputPath = l.path("Journal.tvj");
    NullProgress progress;
    EXPECT_EQ(l.db->ReadJournal(progress), kResultNotAllSent);
    EXPECT_EQ(l.db->journal.size(), 25u);
    EXPECT_EQ(l.requestsByCommand()[kCmdReadJournal], 3);
    JournalFile file;
    ASSERT_TRUE(l.db->ReadJournalFile(l.path("Journal.tvj"), file));
    EXPECT_EQ(file.records.size(), 25u);

    // One wrong number alone is asked again and the read goes on.
    K2Link once({"--journal", "100", "--fault", "badindex@3"});
    once.db->journalOutputPath = once.path("Journal.tvj");
    EXPECT_EQ(once.db->ReadJournal(progress), kResultOk);
    EXPECT_EQ(once.db->journal.size(), 100u);
}

TEST(K2JournalE2E, ActiveEventsOfAllFourCategories) {
    K2Link l({"--events", "90"});
    fillWritableDatabase(*l.db, "1.04");
    l.db->activeEventsOutputPath = l.path("JournalAS.tvj");
    NullProgress progress;
    ASSERT_EQ(l.db->ReadActiveEvents(progress), kResultOk);
    EXPECT_EQ(progress.position(), 4);
    ASSERT_EQ(l.db->activeEvents.size(), 90u);
    int perCategory[5] = {};
    for (const ActiveEvent& e : l.db->activeEvents)
        ++perCategory[e[kAeCategory]];
    EXPECT_EQ(perCategory[1], 23);
    EXPECT_EQ(perCategory[2], 23);
    EXPECT_EQ(perCategory[3], 22);
    EXPECT_EQ(perCategory[4], 22);
    // Two replies a category (20 events at most in one).
    EXPECT_EQ(l.requestsByCommand()[kCmdReadActiveEvents + 4], 2);

    JournalFile file;
    ASSERT_TRUE(l.db->ReadJournalFile(l.path("JournalAS.tvj"), file));
    EXPECT_EQ(file.kind, kJournalKindK2ActiveEvents);
    ASSERT_EQ(file.records.size(), 90u);
    EXPECT_EQ(file.records.front()[0], "1");
    EXPECT_EQ(file.records.back()[0], "4");
    const auto texts = l.db->ActiveEventTexts(l.db->activeEvents[5]);
    for (std::size_t k = 0; k < 4; ++k)
        EXPECT_EQ(file.records[5][k].value_or("?"), texts[k]);

    // A panel with no active events answers 0xFF in every category.
    K2Link none({});
    none.db->activeEventsOutputPath = none.path("JournalAS.tvj");
    ASSERT_EQ(none.db->ReadActiveEvents(progress), kResultOk);
    EXPECT_TRUE(none.db->activeEvents.empty());
    ASSERT_TRUE(none.db->ReadJournalFile(none.path("JournalAS.tvj"), file));
    EXPECT_TRUE(file.records.empty());
}

// Dustiness read from the simulated panel, as the dustiness window shows it:
// the panel sends tens of percent, so every row is 0 % .. 100 % in steps of 10.
TEST(K2JournalE2E, DustinessFromThePanelShowsTruePercentages) {
    K2Link l({"--detectors", "12"});
    NullProgress progress;
    DBK2& db = *l.db;
    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    db.dustinessOutputPath = l.path("Zap.tvz");
    ASSERT_EQ(db.ReadDustiness(progress, 0), kResultOk);
    std::vector<DustRecord> records;
    ASSERT_TRUE(db.ReadDustinessFile(l.path("Zap.tvz"), records));
    const std::vector<DustRow> rows = dustRows(records, DustFilter{});
    ASSERT_EQ(rows.size(), 12u);
    // Detector i (device index i) reads (7 i + 3) mod 11 tens of percent.
    const char* shown[] = {" 30%", "100%", " 60%", " 20%", " 90%", " 50%",
                           " 10%", " 80%", " 40%", "  0%", " 70%", " 30%"};
    for (std::size_t i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].first, db.DeviceLabel(static_cast<int>(i))) << i;
        EXPECT_EQ(rows[i].percent, shown[i]) << i;
    }
    EXPECT_EQ(rows[1].cls, DustClass::Over90);
    EXPECT_EQ(rows[7].cls, DustClass::Over80);
    EXPECT_EQ(rows[0].cls, DustClass::Normal);
}

TEST(K2JournalE2E, DustinessWithAndWithoutDetectors) {
    K2Link l({"--detectors", "25"});
    NullProgress progress;
    DBK2& db = *l.db;
    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    ASSERT_EQ(db.DetectorCount(), 25);
    db.dustinessOutputPath = l.path("Zap.tvz");
    ASSERT_EQ(db.ReadDustiness(progress, 0), kResultOk);
    ASSERT_EQ(db.dustiness.size(), 25u);
    EXPECT_EQ(l.requestsByCommand()[kCmdReadDustiness], 2);
    std::vector<DustRecord> records;
    ASSERT_TRUE(db.ReadDustinessFile(l.path("Zap.tvz"), records));
    ASSERT_EQ(records.size(), 25u);
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DustinessEntry& e = db.dustiness[i];
        EXPECT_EQ(records[i].firstText(), db.DeviceLabel(e[kDrDeviceNumber] - 1));
        EXPECT_EQ(records[i].secondText(), db.LoopFullLabel(e[kDrLoop]));
        EXPECT_EQ(records[i].level(), e[kDrLevel]);
    }

    K2Link empty({});
    empty.db->CreateElement(kTypeIpr, 0);
    empty.db->dustinessOutputPath = empty.path("Zap.tvz");
    EXPECT_EQ(empty.db->ReadDustiness(progress, 0), kResultCancelled);
    ASSERT_EQ(empty.prompter.calls.size(), 1u);
    EXPECT_EQ(empty.prompter.calls[0].text, "В базе данных нет датчиков!");
    EXPECT_FALSE(empty.db->IsPortOpen());
    EXPECT_FALSE(std::filesystem::exists(empty.dir / "Zap.tvz"));
}

// The demo panel of `make run`: a first "Прочитать базу" shows a building's
// worth of devices in named loops and keys, a database the check accepts,
// and the dustiness of its smoke detectors.
TEST(K2JournalE2E, DemoPanelHoldsARealisticDatabase) {
    K2Link l({"--demo"});
    NullProgress progress;
    DBK2& db = *l.db;
    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    EXPECT_GE(db.DeviceCount(), 30);
    EXPECT_GE(db.DetectorCount(), 20);
    EXPECT_GE(db.KeyCount(), 5);
    EXPECT_EQ(db.LoopFullLabel(32), "П01  Склад 1");
    EXPECT_EQ(db.LoopFullLabel(1), "А2  Окна 1 этаж");
    ReportList remarks;
    const int outcome = db.CheckDatabase(&remarks, nullptr, nullptr);
    std::string found;
    for (const auto& row : remarks.rows)
        found += (row.empty() ? "" : row[0]) + " " + (row.size() > 1 ? row[1] : "") + "\n";
    EXPECT_EQ(outcome, 0) << found;
    db.dustinessOutputPath = l.path("Zap.tvz");
    ASSERT_EQ(db.ReadDustiness(progress, 0), kResultOk);
    EXPECT_EQ(static_cast<int>(db.dustiness.size()), db.DetectorCount());
}

}  // namespace
}  // namespace tavrin::test
