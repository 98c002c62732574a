#include <gtest/gtest.h>

#include "base/file_io.h"
#include "base/lp_text.h"
#include "base/text.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "journal/journal_view.h"
#include "registry/family_registry.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

using test::RecordingPrompter;
using test::TempDir;

Bytes header(std::uint32_t kind, std::uint16_t count) {
    ByteWriter w;
    w.u32(kind);
    w.u16(count);
    return w.take();
}

void appendText(Bytes& b, const std::u16string& s) {
    ByteWriter w;
    writeLpText(w, s);
    b.insert(b.end(), w.data().begin(), w.data().end());
}

TEST(JournalFile, RoundTripKeepsTextsEmptyAndAbsentFields) {
    for (std::uint32_t kind = 0; kind <= 3; ++kind) {
        JournalFile f;
        f.kind = kind;
        const auto n = static_cast<std::size_t>(journalStringsPerRecord(kind));
        JournalRecord a(n), b(n);
        a[0] = "26/07/03 15:30:05";
        a[1] = "Внимание";
        a[2] = "";  // empty, written with count 2
        b[0] = "Ёлка ПОЖАР";
        b[n - 1] = "последний";
        f.records = {a, b};
        const Bytes bytes = encodeJournalFile(f);
        RecordingPrompter prompter;
        JournalFile back;
        ASSERT_EQ(parseJournalFile(bytes, 2339, prompter, back), JournalReadStatus::Ok) << kind;
        EXPECT_EQ(back.kind, kind);
        EXPECT_EQ(back.records, f.records);
        EXPECT_TRUE(prompter.calls.empty());
    }
}

TEST(JournalFile, EmptyJournalIsSixBytes) {
    JournalFile f;
    EXPECT_EQ(encodeJournalFile(f), (Bytes{0, 0, 0, 0, 0, 0}));
}

TEST(JournalFile, CapacityRefusesAllKindsButTheThirdFamilys) {
    struct Case {
        std::uint32_t kind;
        std::uint16_t count;
        int capacity;
        bool refused;
    };
    const Case cases[] = {
        {0, 2340, 2339, true}, {0, 2339, 2339, false}, {3, 5, 4, true},
        {1, 2049, 2048, true}, {2, 100, 0, false},
    };
    for (const Case& c : cases) {
        JournalFile f;
        f.kind = c.kind;
        f.records.assign(c.count,
                         JournalRecord(static_cast<std::size_t>(journalStringsPerRecord(c.kind))));
        RecordingPrompter prompter;
        JournalFile back;
        const auto status = parseJournalFile(encodeJournalFile(f), c.capacity, prompter, back);
        if (c.refused) {
            EXPECT_EQ(status, JournalReadStatus::TooMany) << c.kind << " " << c.count;
            ASSERT_EQ(prompter.calls.size(), 1u);
            EXPECT_EQ(prompter.calls[0].text, "Ошибка в количестве записей");
            EXPECT_EQ(prompter.calls[0].title, "Чтение журнала");
            EXPECT_TRUE(back.records.empty());
        } else {
            EXPECT_EQ(status, JournalReadStatus::Ok) << c.kind << " " << c.count;
            EXPECT_EQ(back.records.size(), c.count);
            EXPECT_TRUE(prompter.calls.empty());
        }
    }
}

TEST(JournalFile, OverlongFieldStaysEmptyAndTheRestIsReadInStep) {
    Bytes b = header(0, 2);
    appendText(b, u"t1");
    appendText(b, std::u16string(600, u'x'));  // 1202 bytes: above the limit
    appendText(b, u"шлейф");
    appendText(b, u"");
    for (const char16_t* s : {u"t2", u"e2", u"l2", u"d2"})
        appendText(b, s);
    RecordingPrompter prompter;
    JournalFile f;
    ASSERT_EQ(parseJournalFile(b, 2339, prompter, f), JournalReadStatus::Ok);
    ASSERT_EQ(f.records.size(), 2u);
    EXPECT_EQ(f.records[0][0], "t1");
    EXPECT_FALSE(f.records[0][1].has_value());
    EXPECT_EQ(f.records[0][2], "шлейф");
    EXPECT_EQ(f.records[1][3], "d2");
}

TEST(JournalFile, DamagedFiles) {
    RecordingPrompter prompter;
    JournalFile f;
    // Shorter than its header, or a kind no family writes.
    EXPECT_EQ(parseJournalFile(Bytes{0, 0, 0}, 2339, prompter, f), JournalReadStatus::NotAJournal);
    EXPECT_EQ(parseJournalFile(header(7, 0), 2339, prompter, f), JournalReadStatus::NotAJournal);
    // Claims three records, holds one and a half: the whole one is kept.
    Bytes b = header(3, 3);
    for (const char16_t* s : {u"1", u"Пожар", u"", u""})
        appendText(b, s);
    appendText(b, u"2");
    ASSERT_EQ(parseJournalFile(b, 2339, prompter, f), JournalReadStatus::Truncated);
    ASSERT_EQ(f.records.size(), 1u);
    EXPECT_EQ(f.records[0][1], "Пожар");
    EXPECT_TRUE(prompter.calls.empty());
}

TEST(JournalFile, ThroughTheDatabaseOnDisk) {
    TempDir dir;
    RecordingPrompter prompter;
    AppContext ctx = makeAppContext(dir.path());
    ctx.prompter = &prompter;
    auto db = CreateDatabase(Family::K2, 0, ctx);
    ASSERT_TRUE(db);

    JournalFile f;
    f.records.assign(3, JournalRecord{"26/01/01 00:00:01", "ПОЖАР", std::nullopt, "ИП 1"});
    const std::string path = pathToUtf8(dir / "Журнал.tvj");
    ASSERT_TRUE(writeJournalFile(path, f));
    JournalFile back;
    ASSERT_TRUE(db->ReadJournalFile(path, back));
    EXPECT_EQ(back.records, f.records);

    f.records.resize(2340, f.records[0]);
    ASSERT_TRUE(writeJournalFile(path, f));
    EXPECT_FALSE(db->ReadJournalFile(path, back));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Ошибка в количестве записей");

    // A file that is not there: false and no message.
    EXPECT_FALSE(db->ReadJournalFile(pathToUtf8(dir / "none.tvj"), back));
    std::vector<DustRecord> dust;
    EXPECT_FALSE(db->ReadDustinessFile(pathToUtf8(dir / "none.tvz"), dust));
    EXPECT_EQ(prompter.calls.size(), 1u);
}

TEST(JournalView, OpeningAMissingFileSaysSo) {
    TempDir dir;
    RecordingPrompter prompter;
    JournalFile f;
    EXPECT_FALSE(openJournalForView(pathToUtf8(dir / "Journal.tvj"), 2339, prompter, f));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Файл не найден!");
    EXPECT_EQ(prompter.calls[0].title, "Просмотр журнала");

    ASSERT_TRUE(writeJournalFile(pathToUtf8(dir / "Journal.tvj"), JournalFile{}));
    EXPECT_TRUE(openJournalForView(pathToUtf8(dir / "Journal.tvj"), 2339, prompter, f));
    EXPECT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(journalWindowTitle(pathToUtf8(dir / "Journal.tvj")),
              "Журнал событий (Файл Journal.tvj)");
}

}  // namespace
}  // namespace tavrin
