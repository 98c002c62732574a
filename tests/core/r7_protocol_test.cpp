// "Ордис Р7" frames, the journal ring order, the clock and version replies
// over a fake line, and the built-in simulation.
#include <gtest/gtest.h>

#include "base/crc8.h"
#include "families/r7/protocol.h"
#include "files/journal_file.h"
#include "link/result_codes.h"
#include "r7_fixture.h"
#include "support/fake_port.h"

namespace tavrin::test {
namespace {

using namespace r7;

Bytes withCrc(Bytes b) {
    b.push_back(Crc8(b));
    return b;
}

TEST(R7Protocol, RequestFramesFromTheLayout) {
    EXPECT_EQ(readRecordRequest(1, 300), withCrc({0x01, 0x00, 0x04, 0x01, 0x03, 0x01, 0x2C}));
    EXPECT_EQ(request(wireAddress(0), kCmdReadVersion), withCrc({0x01, 0x00, 0x02, 0x01, 0x06}));
    EXPECT_EQ(journalRecordRequest(7, 2047), withCrc({0x07, 0x00, 0x04, 0x01, 0x04, 0x07, 0xFF}));
    EXPECT_EQ(setClockRequest(1, LocalTime{2026, 3, 5, 14, 7, 9, 0, 4}),
              withCrc({0x01, 0x00, 0x08, 0x01, 0x00, 26, 3, 5, 14, 7, 9}));

    // A name is sent as its characters followed by blanks up to 21; a name
    // that a terminator ends early is blank-padded after it.
    ElementRecord r;
    r.clear();
    r.setId(5);
    r.setType(kTypeObject);
    r.setName("Склад");
    r.bytes[kOffName + 2] = 0;
    const Bytes f = writeRecordRequest(1, 0x0102, r);
    ASSERT_EQ(f.size(), 46u);
    EXPECT_EQ(f[2], 42);
    EXPECT_EQ(f[5], 0x01);
    EXPECT_EQ(f[6], 0x02);
    EXPECT_EQ(f[7], 5);
    const std::string cp = utf8ToCp1251("Ск");
    EXPECT_EQ(f[7 + kOffName], static_cast<std::uint8_t>(cp[0]));
    EXPECT_EQ(f[7 + kOffName + 1], static_cast<std::uint8_t>(cp[1]));
    for (int i = 2; i < kNameLength; ++i)
        EXPECT_EQ(f[static_cast<std::size_t>(7 + kOffName + i)], ' ') << i;
    EXPECT_TRUE(checksumOk(f));
}

TEST(R7Protocol, RepliesAndRefusals) {
    struct Case {
        Bytes frame;
        bool crc, refusal;
        int mapped;  // mapRefusal(7, frame)
    } cases[] = {
        {withCrc({1, 0, 3, 0, 2, 0}), true, false, kResultUnknownDeviceError},
        {withCrc({1, 0, 3, 0, 2, 1}), true, true, kResultConfiguratorCrc},
        {withCrc({1, 0, 3, 0, 2, 2}), true, true, kResultBadCommand},
        {withCrc({1, 0, 3, 0, 2, 3}), true, true, kResultNoRights},
        {withCrc({1, 0, 3, 0, 2, 9}), true, true, kResultUnknownDeviceError},
        {{1, 0, 3, 0, 2, 1, 0x00}, false, true, kResultConfiguratorCrc},
        {{1, 0, 9, 0}, false, false, kResultRefused},  // shorter than its length
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checksumOk(c.frame), c.crc);
        EXPECT_EQ(isRefusal(c.frame), c.refusal);
        EXPECT_EQ(mapRefusal(kResultRefused, c.frame), c.mapped);
        EXPECT_EQ(mapRefusal(kResultOk, c.frame), kResultOk);
    }
    const auto v = parseVersionReply(withCrc({1, 0, 4, 0, 6, 2, 5}));
    ASSERT_TRUE(v);
    EXPECT_EQ(v->major, 2);
    EXPECT_EQ(v->minor, 5);
    EXPECT_FALSE(parseVersionReply(withCrc({1, 0, 3, 0, 6, 0})));
    EXPECT_FALSE(parseRecordReply(withCrc({1, 0, 4, 0, 3, 0, 1})));
    EXPECT_FALSE(parseJournalReply(withCrc({1, 0, 6, 0, 4, 0, 1, 1, 2, 3})));
}

JournalEntry event(int n) {
    return {26, 1, 2, 3, 4, static_cast<std::uint8_t>(n % 60), 0, 0, 0, 0, 1, 0};
}

TEST(R7Journal, RingOrderByPosition) {
    std::vector<JournalEntry> ring(kJournalCapacity);
    for (int i = 0; i < 10; ++i)
        ring[static_cast<std::size_t>(i)] = event(i);
    // Not wrapped: the ten events before the position, the empty slot not listed.
    auto list = orderJournalRing(ring, 10);
    ASSERT_EQ(list.size(), 10u);
    EXPECT_EQ(list.front(), event(0));
    EXPECT_EQ(list.back(), event(9));
    EXPECT_TRUE(orderJournalRing(ring, 0).empty() == false);  // slot 0 is written: wrapped
    EXPECT_EQ(orderJournalRing(std::vector<JournalEntry>(kJournalCapacity), 0).size(), 0u);

    // Wrapped: the slot at the position holds the oldest record. An event
    // number outside 1..76 still counts as a record.
    std::vector<JournalEntry> full(kJournalCapacity);
    for (int i = 0; i < kJournalCapacity; ++i)
        full[static_cast<std::size_t>(i)] = event(i);
    full[5][10] = 80;
    list = orderJournalRing(full, 5);
    ASSERT_EQ(list.size(), 2048u);
    EXPECT_EQ(list.front(), full[5]);
    EXPECT_EQ(list.back(), full[4]);
    EXPECT_EQ(list[2043], full[0]);

    // The last slot: empty gives 2047 records, written gives 2048.
    full[2047].fill(0xFF);
    EXPECT_EQ(orderJournalRing(full, 2047).size(), 2047u);
}

// A database whose port is a fake line, with a fake clock.
struct FakeLink {
    TempDir dir_;
    RecordingPrompter prompter_;
    AppContext ctx_;
    std::unique_ptr<DBR7> db_;
    FakeClock clock;
    FakeLine line{clock};
    FakePortFactory ports;

    std::string path(const std::string& name) const { return pathToUtf8(dir_ / name); }

    explicit FakeLink(bool simulate = false) {
        ctx_ = makeAppContext(dir_.path());
        ctx_.prompter = &prompter_;
        ctx_.clock = &clock;
        ctx_.ports = &ports;
        ports.lines["COM3"] = &line;
        db_ = std::make_unique<DBR7>(0, ctx_);
        db_->portName = "COM3";
        db_->simulation = simulate;
        db_->SavePortSettings();
    }
};

TEST(R7Transfer, VersionClockAndQueryCloseThePortOnEveryPath) {
    struct Case {
        const char* name;
        Bytes versionReply;
        Bytes clockReply;  // to the clock query; the clock set gets an acknowledgement
        int setCode, queryCode;
    } cases[] = {
        {"ok", r7Frame(1, {0, 6, 2, 5}), r7Frame(1, {0, 1, 26, 12, 31, 23, 59, 58}), kResultOk,
         kResultOk},
        {"clock refused", r7Frame(1, {0, 6, 2, 5}), r7Frame(1, {0, 1, 3}), kResultNoRights,
         kResultNoRights},
        {"clock reply of another length", r7Frame(1, {0, 6, 2, 5}), r7Frame(1, {0, 1, 26, 12}),
         kResultUnknownMessage, kResultUnknownMessage},
        {"version of another length",
         r7Frame(1, {0, 6, 2, 5, 1}),
         {},
         kResultUnknownMessage,
         kResultUnknownMessage},
    };
    for (const Case& c : cases) {
        for (const bool query : {false, true}) {
            FakeLink l;
            l.line.onWrite = [&](ByteSpan req) {
                Bytes r = req[4] == kCmdReadVersion ? c.versionReply : c.clockReply;
                if (req[4] == kCmdSetClock && isRefusal(c.clockReply))
                    r = r7Frame(1, {0, 0, 3});
                else if (req[4] == kCmdSetClock && c.clockReply.size() == 12)
                    r = r7Frame(1, {0, 0, 0});
                l.line.arrive(1, r);
            };
            const int code = query ? l.db_->QueryDeviceTime() : l.db_->SetDeviceTime();
            EXPECT_EQ(code, query ? c.queryCode : c.setCode) << c.name << " query=" << query;
            EXPECT_FALSE(l.db_->IsPortOpen()) << c.name;
            if (code == kResultOk) {
                EXPECT_EQ(l.db_->firmwareVersionText, "2.5");
                EXPECT_EQ(l.db_->firmwareVersion, 517);
            }
            if (code == kResultOk && query) {
                ASSERT_EQ(l.prompter_.calls.size(), 1u);
                EXPECT_EQ(l.prompter_.calls[0].text, "Время прибора 23:59:58  31.12.26");
                EXPECT_EQ(l.prompter_.calls[0].title, "Запрос времени");
            }
        }
    }
}

TEST(R7Transfer, JournalRefusesABadPositionAndAShortRecord) {
    struct Case {
        const char* name;
        Bytes position;
        Bytes record;  // the reply to every record request
        int code;
    } cases[] = {
        {"position past the ring", r7Frame(1, {0, 5, 0x08, 0x00}), {}, kResultBadReply},
        {"position reply of another length", r7Frame(1, {0, 5, 0x00}), {}, kResultBadDataLength},
        {"record one byte short", r7Frame(1, {0, 5, 0, 3}),
         r7Frame(1, {0, 4, 0, 0, 26, 1, 1, 0, 0, 0, 0, 0, 0, 0, 1}), kResultBadDataLength},
    };
    for (const Case& c : cases) {
        FakeLink l;
        l.db_->firmwareVersion = 0x0101;
        l.db_->journalOutputPath = l.path("Journal.odj");
        l.line.onWrite = [&](ByteSpan req) {
            l.line.arrive(1, req[4] == kCmdJournalPosition ? c.position : c.record);
        };
        NullProgress progress;
        EXPECT_EQ(l.db_->ReadJournal(progress), c.code) << c.name;
        EXPECT_FALSE(l.db_->IsPortOpen()) << c.name;
        EXPECT_FALSE(std::filesystem::exists(l.dir_ / "Journal.odj")) << c.name;
    }
}

TEST(R7Simulation, WriteThenReadReturnsTheSameTableAndTheJournal) {
    FakeLink l(true);
    DBR7& db = *l.db_;
    const int object = db.CreateElement(kTypeObject, 0);
    const int device = db.CreateElement(26, object);
    db.table()[static_cast<std::size_t>(device)].bytes[kOffLine] = 2;
    db.table()[static_cast<std::size_t>(object)].setName("Склад");
    NullProgress progress;
    ASSERT_EQ(db.WriteToDevice(progress), kResultOk);
    const r7::ElementTable written = db.table();

    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    EXPECT_TRUE(db.databaseValid);
    EXPECT_EQ(db.firmwareVersionText, "1.1");
    for (int i = 0; i < kElementCount; ++i)
        EXPECT_EQ(db.table()[static_cast<std::size_t>(i)].bytes,
                  written[static_cast<std::size_t>(i)].bytes)
            << i;

    // The journal: ten events before position 10, dated in the past, newest first in the file.
    l.clock.base = LocalTime{2027, 1, 1, 0, 0, 5, 0, 5};
    db.journalOutputPath = l.path("Journal.odj");
    ASSERT_EQ(db.ReadJournal(progress), kResultOk);
    ASSERT_EQ(db.journal.size(), 10u);
    JournalFile file;
    ASSERT_TRUE(readJournalFile(db.journalOutputPath, 2048, l.prompter_, file));
    ASSERT_EQ(file.records.size(), 10u);
    EXPECT_EQ(file.kind, kJournalKindR7);
    EXPECT_EQ(*file.records[0][0], "27/01/01 00:00:04");
    EXPECT_EQ(*file.records[9][0], "26/12/31 23:59:55");
    EXPECT_EQ(*file.records[0][1], "Звук отключен");
    EXPECT_FALSE(db.IsPortOpen());
}

TEST(R7Simulation, AFullPanelWarnsThatItsLastElementIsNotKeptInTheFile) {
    FakeLink l(true);
    DBR7& db = *l.db_;
    const int object = db.CreateElement(kTypeObject, 0);
    while (db.CreateElement(26, object) >= 0) {
    }
    // The file keeps 2047 records; the panel has one more.
    ElementRecord& last = db.table()[kElementCount - 1];
    last = db.table()[kElementCount - 2];
    last.setId(static_cast<std::uint16_t>(kElementCount));
    last.setName("Последний");
    NullProgress progress;
    ASSERT_EQ(db.WriteToDevice(progress), kResultOk);
    EXPECT_TRUE(l.prompter_.calls.empty());
    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    ASSERT_EQ(l.prompter_.calls.size(), 1u);
    EXPECT_NE(l.prompter_.calls[0].text.find("Последний"), std::string::npos);
    EXPECT_EQ(l.prompter_.calls[0].title, "Чтение базы");
}

TEST_F(R7Test, JournalTextsNameElementsAndUnknownOnes) {
    const int object = db_->CreateElement(kTypeObject, 0);
    const int device = db_->CreateElement(26, object);
    db_->table()[static_cast<std::size_t>(device)].bytes[kOffLine] = 3;
    const auto id = [&](int i) { return db_->table()[static_cast<std::size_t>(i)].id(); };
    const auto rec = [](std::uint16_t second, std::uint16_t first, std::uint8_t ev) {
        return JournalEntry{26,
                            12,
                            31,
                            23,
                            59,
                            58,
                            static_cast<std::uint8_t>(second >> 8),
                            static_cast<std::uint8_t>(second),
                            static_cast<std::uint8_t>(first >> 8),
                            static_cast<std::uint8_t>(first),
                            ev,
                            0};
    };
    auto t = db_->JournalTexts(rec(id(device), id(object), 81));
    EXPECT_EQ(t[0], "26/12/31 23:59:58");
    EXPECT_EQ(t[1], "Нет КЗ шлейфа метки");
    EXPECT_EQ(t[2], db_->table()[static_cast<std::size_t>(object)].name());
    EXPECT_EQ(t[3], db_->table()[static_cast<std::size_t>(device)].name());
    EXPECT_EQ(t[4], "В");
    t = db_->JournalTexts(rec(0x0488, 0, 90));
    EXPECT_EQ(t[1], "Неизвестное событие № 90");
    EXPECT_EQ(t[2], "");
    EXPECT_EQ(t[3], "Нет в базе");
    EXPECT_EQ(t[4], "");
}

}  // namespace
}  // namespace tavrin::test
