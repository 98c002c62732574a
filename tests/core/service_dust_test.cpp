#include <gtest/gtest.h>

#include "base/file_io.h"
#include "files/dust_file.h"
#include "service/dust_list.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

using test::RecordingPrompter;
using test::TempDir;

Bytes dustHeader(std::uint32_t kind, std::uint32_t mark, std::uint32_t count) {
    ByteWriter w;
    w.u32(kind);
    w.u32(mark);
    w.u32(count);
    return w.take();
}

TEST(DustFile, SaveAndReadBackGivesTheSameRecordsAsKindTwo) {
    TempDir dir;
    const std::vector<DustRecord> records = {
        DustRecord::make("ИП 212 №5", "Шлейф 1  Склад 1", 3),
        DustRecord::make("Датчик", "", 8),
        DustRecord::make("", "Коридор", 10),
    };
    const std::string path = pathToUtf8(dir / "Zap.tvz");
    ASSERT_TRUE(writeDustinessFile(path, records));
    Bytes raw;
    ASSERT_TRUE(readWholeFile(dir / "Zap.tvz", raw));
    ASSERT_EQ(raw.size(), kDustFileHeaderSize + 3 * kDustRecordSize);
    EXPECT_EQ(getU32(raw, 0), 2u);
    EXPECT_EQ(getU32(raw, 4), 1u);
    EXPECT_EQ(getU32(raw, 8), 3u);

    RecordingPrompter prompter;
    std::vector<DustRecord> back;
    ASSERT_TRUE(readDustinessFile(path, prompter, back));
    EXPECT_EQ(back, records);
    EXPECT_EQ(back[0].firstText(), "ИП 212 №5");
    EXPECT_EQ(back[0].secondText(), "Шлейф 1  Склад 1");
    EXPECT_TRUE(prompter.calls.empty());

    ASSERT_TRUE(writeDustinessFile(path, {}));
    ASSERT_TRUE(readDustinessFile(path, prompter, back));
    EXPECT_TRUE(back.empty());
}

TEST(DustFile, KindZeroAndKindOneRecords) {
    Bytes b = dustHeader(0, 1, 1);
    b.push_back(3);
    const std::string name = "Sensor-20-bytes-name";  // exactly 20 bytes
    b.insert(b.end(), name.begin(), name.end());
    b.push_back(9);
    RecordingPrompter prompter;
    std::vector<DustRecord> out;
    ASSERT_EQ(parseDustinessFile(b, "x", prompter, out), DustReadStatus::Ok);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(out[0].firstText(), "LCP 3");
    EXPECT_EQ(out[0].secondText(), name);
    EXPECT_EQ(out[0].level(), 9);

    Bytes k1 = dustHeader(1, 1, 1);
    const DustRecord r = DustRecord::make("a", "b", 5);
    k1.insert(k1.end(), r.bytes.begin(), r.bytes.end());
    ASSERT_EQ(parseDustinessFile(k1, "x", prompter, out), DustReadStatus::Ok);
    EXPECT_EQ(out, std::vector<DustRecord>{r});
}

TEST(DustFile, RefusesWhatIsNotADustinessFile) {
    const Bytes oneRecord(kDustRecordSize, 0);
    struct Case {
        const char* what;
        Bytes data;
    };
    Bytes markTwo = dustHeader(2, 2, 1);
    markTwo.insert(markTwo.end(), oneRecord.begin(), oneRecord.end());
    Bytes kindNine = dustHeader(9, 1, 0);
    Bytes shortOfRecords = dustHeader(2, 1, 2);
    shortOfRecords.insert(shortOfRecords.end(), oneRecord.begin(), oneRecord.end());
    const Case cases[] = {
        {"mark 2", markTwo},
        {"unknown kind", kindNine},
        {"fewer records than claimed", shortOfRecords},
        {"huge count", dustHeader(2, 1, 0xFFFFFFFFu)},
        {"short header", Bytes{2, 0, 0, 0, 1}},
    };
    for (const Case& c : cases) {
        RecordingPrompter prompter;
        std::vector<DustRecord> out;
        EXPECT_EQ(parseDustinessFile(c.data, "/tmp/Zap.tvz", prompter, out),
                  DustReadStatus::NotDust)
            << c.what;
        EXPECT_TRUE(out.empty()) << c.what;
        ASSERT_EQ(prompter.calls.size(), 1u) << c.what;
        EXPECT_EQ(prompter.calls[0].text, "Это не файл запыленности!\n/tmp/Zap.tvz");
        EXPECT_EQ(prompter.calls[0].title, "Чтение запыленности");
        EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Error);
    }
}

TEST(DustList, LevelClassesAndPercentText) {
    EXPECT_EQ(dustClass(7), DustClass::Normal);
    EXPECT_EQ(dustClass(8), DustClass::Over80);
    EXPECT_EQ(dustClass(9), DustClass::Over90);
    EXPECT_EQ(dustClass(10), DustClass::Over90);
    EXPECT_EQ(dustPercentText(8), " 80%");
    EXPECT_EQ(dustPercentText(0), "  0%");
    EXPECT_EQ(dustPercentText(10), "100%");
}

TEST(DustList, FilterButtons) {
    std::vector<DustRecord> records;
    for (std::uint8_t level = 0; level <= 10; ++level) {
        records.push_back(DustRecord::make("d" + std::to_string(level), "l", level));
    }
    struct Case {
        DustFilter filter;
        std::vector<int> levels;
    };
    const Case cases[] = {
        {{false, false, false}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{true, true, true}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}},
        {{false, false, true}, {9, 10}},
        {{false, true, false}, {8}},
        {{true, false, true}, {0, 1, 2, 3, 4, 5, 6, 7, 9, 10}},
    };
    for (const Case& c : cases) {
        const auto rows = dustRows(records, c.filter);
        std::vector<int> levels;
        for (const DustRow& r : rows) {
            levels.push_back(records[r.record].level());
            EXPECT_EQ(r.number, static_cast<int>(levels.size()));
        }
        EXPECT_EQ(levels, c.levels);
    }
    const auto rows = dustRows(records, DustFilter{false, true, false});
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].cls, DustClass::Over80);
    EXPECT_EQ(rows[0].first, "d8");
    EXPECT_EQ(rows[0].percent, " 80%");
}

}  // namespace
}  // namespace tavrin
