// "Версан С5" database transfers over a pseudo-terminal against the console
// of tavrin-panelsim: a database written and read back byte for byte, the
// console's keys emptied, the end of the LCPs, a record that fails its
// checksum, partial reads and writes, the direct read of an LCP.
#include <algorithm>
#include <chrono>
#include <thread>

#include "s5_ops_fixture.h"

using namespace tavrin;
using namespace tavrin::test;

namespace {

// Writes `source` to the console, reads it into a new database and saves
// both; returns the two folders.
void roundTrip(StrictS5Ops& c, DBS5& source, const std::filesystem::path& sent,
               const std::filesystem::path& back) {
    NullProgress progress;
    ASSERT_TRUE(source.SaveToDisk(sent.string()));
    ASSERT_EQ(source.WriteToDevice(progress), kResultOk);
    auto reader = c.makeDb();
    ASSERT_EQ(reader->ReadFromDevice(progress), kResultOk);
    EXPECT_TRUE(reader->databaseValid);
    ASSERT_TRUE(reader->SaveToDisk(back.string()));
}

}  // namespace

TEST(S5TransferE2E, WrittenDatabaseReadsBackByteForByte) {
    StrictS5Ops c({});
    ASSERT_TRUE(c.sim.started());
    // Five LCPs: one without keys, one without objects, a full table of
    // devices; and a database of console keys.
    fillDatabase(*c.db, {{3, 2, 2}, {5, 0, 4}, {2, 3, 0}, {255, 4, 1}, {1, 1, 1}}, 7);
    roundTrip(c, *c.db, c.dir / "sent", c.dir / "back");
    EXPECT_EQ(folderFiles(c.dir / "sent"), folderFiles(c.dir / "back"));
}

TEST(S5TransferE2E, NoConsoleKeysEmptiesTheConsolesKeys) {
    // The generated console starts with keys of its own.
    StrictS5Ops c({"--lcps", "1", "--records", "2"});
    ASSERT_TRUE(c.sim.started());
    fillDatabase(*c.db, {{2, 1, 1}}, 0);
    roundTrip(c, *c.db, c.dir / "sent", c.dir / "back");
    DBS5 back(0, c.ctx);
    ASSERT_TRUE(back.LoadFromDisk((c.dir / "back").string()));
    EXPECT_EQ(back.commonKeyCount, 0);
    EXPECT_EQ(folderFiles(c.dir / "sent"), folderFiles(c.dir / "back"));
}

TEST(S5TransferE2E, SixtyFourLcpsEndWithoutAnLcpAfterThem) {
    // The console refuses anything addressed past LCP 64.
    StrictS5Ops c({"--lcps", "1", "--records", "1"});
    ASSERT_TRUE(c.sim.started());
    fillDatabase(*c.db, std::vector<LcpShape>(64, LcpShape{1, 0, 0}), 1);
    roundTrip(c, *c.db, c.dir / "sent", c.dir / "back");
    DBS5 back(0, c.ctx);
    ASSERT_TRUE(back.LoadFromDisk((c.dir / "back").string()));
    EXPECT_EQ(back.lcpCount(), 64);
}

TEST(S5TransferE2E, FewerLcpsThanTheConsoleHadEndTheConsolesList) {
    StrictS5Ops c({"--lcps", "4", "--records", "2"});
    ASSERT_TRUE(c.sim.started());
    fillDatabase(*c.db, {{2, 1, 1}, {1, 0, 0}}, 1);
    roundTrip(c, *c.db, c.dir / "sent", c.dir / "back");
    DBS5 back(0, c.ctx);
    ASSERT_TRUE(back.LoadFromDisk((c.dir / "back").string()));
    EXPECT_EQ(back.lcpCount(), 2);
}

TEST(S5TransferE2E, ARecordThatFailsItsChecksumStopsTheRead) {
    // Console frame 5 is the second device record of LCP 1 (0x60, version,
    // the done after it, the console's keys' first record...).
    StrictS5Ops c({"--lcps", "2", "--records", "3"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    ASSERT_EQ(c.db->ReadFromDevice(progress), kResultOk);
    const int keys = c.db->commonKeyCount;
    StrictS5Ops bad({"--lcps", "2", "--records", "3", "--fault", "badrecord%6"});
    ASSERT_TRUE(bad.sim.started());
    EXPECT_EQ(bad.db->ReadFromDevice(progress), kResultRecordChecksum);
    // The bad record took no slot: no hole, no count past it.
    for (int l = 1; l <= bad.db->lcpCount(); ++l) {
        const s5::LcpDatabase& d = *bad.db->lcp(l);
        for (int j = 0; j < d.keyCount; ++j)
            EXPECT_TRUE(d.keyUsed(j));
    }
    EXPECT_LE(bad.db->commonKeyCount, keys);
}

TEST(S5TransferE2E, PartsAndTheDirectRead) {
    StrictS5Ops c({"--lcps", "2", "--records", "4"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    ASSERT_EQ(c.db->ReadFromDevice(progress), kResultOk);
    ASSERT_EQ(c.db->lcpCount(), 2);
    EXPECT_EQ(c.db->lcp(2)->deviceCount, 4);

    // One LCP changed and written alone, then read alone into another database.
    s5::DeviceRecord& d = c.db->lcp(2)->devices[1];
    s5::setNameText(s5::deviceName(d), "Новое имя");
    ASSERT_EQ(c.db->WritePart(progress, ConsolePart::Lcp, 2), kResultOk);
    auto other = c.makeDb();
    fillDatabase(*other, {{1, 0, 0}, {1, 0, 0}}, 0);
    ASSERT_EQ(other->ReadPart(progress, ConsolePart::Lcp, 2), kResultOk);
    EXPECT_EQ(s5::nameText(s5::deviceName(other->lcp(2)->devices[1])), "Новое имя");
    EXPECT_EQ(other->lcp(2)->objectCount, 4);
    EXPECT_EQ(other->lcp(1)->deviceCount, 1);  // the other LCP stays as it was
    ASSERT_EQ(other->ReadPart(progress, ConsolePart::ConsoleKeys, 0), kResultOk);
    EXPECT_EQ(other->commonKeyCount, c.db->commonKeyCount);
    EXPECT_EQ(other->ReadPart(progress, ConsolePart::Lcp, 9), kResultBadCommand);

    // The LCP's own firmware version; an LCP the console cannot reach.
    EXPECT_EQ(other->ReadLcpVersion(2), kResultOk);
    EXPECT_EQ(other->lcp(2)->firmwareVersion, 12);
    EXPECT_EQ(other->ReadLcpVersion(7), kResultBadCommand);

    // Straight from the LCP: its devices, and nothing else of it.
    EXPECT_EQ(other->ReadLcpDirect(progress, 1), kResultOk);
    EXPECT_EQ(other->lcp(1)->deviceCount, 4);
    EXPECT_EQ(other->lcp(1)->objectCount, 0);
    EXPECT_EQ(other->lcp(1)->keyCount, 0);
}

TEST(S5TransferE2E, NoLinkWithAnLcpEndsTheRead) {
    StrictS5Ops c({"--lcps", "3", "--records", "2", "--no-link", "2"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    EXPECT_EQ(c.db->ReadFromDevice(progress), kResultNoTargetLink);
}

TEST(S5TransferE2E, AFailedReadLeavesTheDatabaseAsItWas) {
    StrictS5Ops c({"--lcps", "3", "--records", "2", "--no-link", "2"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    fillDatabase(*c.db, {{4, 1, 1}, {3, 0, 0}}, 2);
    ASSERT_TRUE(c.db->SaveToDisk((c.dir / "mine").string()));
    c.db->lcp(1)->devices[0][s5::dev::kParams] = 0x77;  // an unsaved change
    c.db->modified = 5;
    EXPECT_EQ(c.db->ReadFromDevice(progress), kResultNoTargetLink);
    EXPECT_EQ(c.db->lcpCount(), 2);
    EXPECT_EQ(c.db->lcp(1)->deviceCount, 4);
    EXPECT_EQ(c.db->lcp(1)->devices[0][s5::dev::kParams], 0x77);
    EXPECT_EQ(c.db->commonKeyCount, 2);
    EXPECT_EQ(c.db->modified, 5);
    EXPECT_EQ(c.db->filePath, (c.dir / "mine").string());
    EXPECT_EQ(c.db->firmwareVersion, 12);  // what the console said of itself stays
    EXPECT_EQ(c.db->ReadPart(progress, ConsolePart::Lcp, 2), kResultNoTargetLink);
    EXPECT_EQ(c.db->lcp(2)->deviceCount, 3);
}

TEST(S5TransferE2E, TheConsolesDatabaseSavedOverTheFolderItWasReadInto) {
    // The folder held four LCPs; the console has two: saving the read
    // database there leaves no files that would bring the other two back.
    StrictS5Ops c({"--lcps", "2", "--records", "2"});
    ASSERT_TRUE(c.sim.started());
    NullProgress progress;
    fillDatabase(*c.db, {{1, 0, 0}, {1, 0, 0}, {1, 0, 0}, {1, 1, 1}}, 0);
    const std::string folder = (c.dir / "db").string();
    ASSERT_TRUE(c.db->SaveToDisk(folder));
    ASSERT_EQ(c.db->ReadFromDevice(progress), kResultOk);
    ASSERT_TRUE(c.db->SaveToDisk(folder));
    DBS5 again(0, c.ctx);
    ASSERT_TRUE(again.LoadFromDisk(folder));
    EXPECT_EQ(again.lcpCount(), 2);
    EXPECT_FALSE(std::filesystem::exists(c.dir / "db" / "DBKEY.004"));
}

TEST(S5TransferE2E, StoppingAReadEndsItAndKeepsTheDatabase) {
    // A slow line: the read is still running when the user stops it.
    StrictS5Ops c({"--lcps", "2", "--records", "40", "--baud", "2400"});
    ASSERT_TRUE(c.sim.started());
    fillDatabase(*c.db, {{2, 1, 1}}, 1);
    NullProgress progress;
    std::thread stopper([&c] {
        for (int i = 0; i < 200 && !c.db->link().running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        c.db->exchangeActive.cancel();
    });
    const auto start = std::chrono::steady_clock::now();
    const int code = c.db->ReadFromDevice(progress);
    stopper.join();
    EXPECT_EQ(code, kResultStoppedByUser);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_FALSE(c.db->link().running());
    EXPECT_EQ(c.db->lcpCount(), 1);
    EXPECT_EQ(c.db->lcp(1)->deviceCount, 2);
}
