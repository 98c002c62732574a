// "Версан С5" console operations without a line: the request frames, the
// journal made of an event file, file names from the console, the
// dustiness file, the check, the time range of its journal, and the
// built-in simulation answering from the database as it was.
#include <gtest/gtest.h>

#include <algorithm>

#include <thread>

#include "families/s5/console_frames.h"
#include "families/s5/dbs5.h"
#include "families/s5/events.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "journal/journal_model.h"
#include "link/idle_port.h"
#include "link/result_codes.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

class S5Ops : public ::testing::Test {
  protected:
    S5Ops() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        db = std::make_unique<DBS5>(0, ctx);
    }

    // An LCP with named records: `devices` detectors, objects and keys.
    int addLcp(int devices, int objects, int keys) {
        const int l = db->AddLcp();
        for (int o = 0; o < objects; ++o) {
            const int j = db->NewObject(l);
            db->lcp(l)->objects[static_cast<std::size_t>(j)][obj::kFlags] = obj::kFlagMain;
            setNameText(objectName(db->lcp(l)->objects[static_cast<std::size_t>(j)]),
                        "Объект " + std::to_string(l) + "." + std::to_string(o));
        }
        for (int d = 0; d < devices; ++d)
            db->CreateElement(17, l);
        for (int k = 0; k < keys; ++k) {
            const int j = db->NewLcpKey(l);
            setNameText(keyOwner(db->lcp(l)->keys[static_cast<std::size_t>(j)]),
                        "Ключ " + std::to_string(l) + "." + std::to_string(k));
        }
        return l;
    }
    void addCommonKeys(int n) {
        for (int k = 0; k < n; ++k) {
            const int j = db->CreateKey();
            setNameText(keyOwner(db->commonKeys[static_cast<std::size_t>(j)]),
                        "Пульт " + std::to_string(k));
        }
    }

    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
};

Bytes eventFile(const std::vector<Bytes>& events, std::size_t header = 48) {
    Bytes f(header, 0xEE);
    for (const Bytes& e : events)
        f.insert(f.end(), e.begin(), e.end());
    return f;
}

Bytes event(std::uint8_t code, std::uint8_t lcp, std::uint8_t object, std::uint8_t device,
            std::uint8_t keyLow, std::uint8_t keyHigh = 0) {
    // 8 December 2026 14:05:09, with high bits set that are not the date.
    return {code, lcp, object, device, 0xFC, 0x80 | 26, 0x80 | 14, 5,
            9,    8,   0x11,   0x22,   0x33, 0x44,      keyLow,    keyHigh};
}

}  // namespace

// ---- Frames ---------------------------------------------------------------------------

TEST(S5Frames, RequestsAsTheyGoOnTheLine) {
    LocalTime t;
    t.year = 2026;
    t.month = 12;
    t.day = 8;
    t.dayOfWeek = 2;
    t.hour = 14;
    t.minute = 5;
    t.second = 9;
    const Bytes wire(63, 0x11);
    struct Case {
        const char* what;
        Bytes frame;
        Bytes head;  // the frame without its checksum
        int expected;
    } cases[] = {
        {"clock", clockRequest(t)->frame, {0x80, 12, 0xF3, 0x07, 0xEA, 12, 8, 2, 14, 5, 9}, 0},
        {"device series",
         readSeriesRequest(3, kDeviceSeries)->frame,
         {0x80, 7, 'o', 3, 'U', 0},
         70},
        {"console keys", readSeriesRequest(0, kKeySeries)->frame, {0x80, 7, 'o', 0, 'S', 0}, 39},
        {"direct", directDeviceReadRequest(5)->frame, {0x80, 7, 'm', 5, '1', 0}, 70},
        {"checksum", checksumRequest(2, 1)->frame, {0x80, 6, 't', 2, 1}, 6},
        {"dust", dustRequest(4)->frame, {0x80, 6, 'u', 4, 0}, 0},
        {"clear", clearEventsRequest(0x0F)->frame, {0x80, 5, 0xF2, 0x0F}, 0},
        {"replace", replaceProgramRequest("AB", 3)->frame, {0x80, 7, 0xF1, 3, 'A', 'B'}, 0},
        {"file", readFileRequest("EV")->frame, {0x80, 8, 'v', 0, 0, 'E', 'V'}, 0},
    };
    for (const Case& c : cases) {
        ASSERT_EQ(c.frame.size(), c.head.size() + 1) << c.what;
        EXPECT_TRUE(std::equal(c.head.begin(), c.head.end(), c.frame.begin())) << c.what;
        EXPECT_TRUE(frameChecksumOk(c.frame)) << c.what;
    }
    EXPECT_EQ(clockRequest(t)->expectedLength, 0);
    EXPECT_EQ(readFileRequest(""), nullptr);
    EXPECT_EQ(readFileRequest(std::string(250, 'A')), nullptr);
}

TEST(S5Frames, RecordWritesAndEmptyTables) {
    const Bytes wire(96, 0x22);
    const Bytes more = writeRecordRequest(7, kObjectSeries, 4, false, wire)->frame;
    ASSERT_EQ(more.size(), 103u);
    EXPECT_EQ(Bytes(more.begin(), more.begin() + 6), (Bytes{0x80, 103, 'n', 7, 'P', 4}));
    EXPECT_EQ(writeRecordRequest(7, kObjectSeries, 4, true, wire)->frame[4], 'X');
    // An empty table: the last type, index 0, all zero; the console ends its series on it.
    const struct {
        const RecordKindInfo& kind;
        std::uint8_t type;
        std::size_t length;
    } empties[] = {{kDeviceSeries, 'V', 70}, {kObjectSeries, 'X', 103}, {kKeySeries, 'W', 39}};
    for (const auto& e : empties) {
        const ExchRecPtr r = emptyTableRequest(2, e.kind);
        ASSERT_EQ(r->frame.size(), e.length);
        EXPECT_EQ(r->frame[4], e.type);
        EXPECT_EQ(r->frame[5], 0);
        EXPECT_TRUE(std::all_of(r->frame.begin() + 6, r->frame.end() - 1,
                                [](std::uint8_t b) { return b == 0; }));
        EXPECT_EQ(r->expectedLength, 5);
    }
}

TEST(S5Frames, SdCardChunksEndWithAShortFlaggedOne) {
    struct Case {
        std::size_t size;
        std::vector<std::size_t> frameLengths;  // after the header
    } cases[] = {
        {0, {7}}, {80, {87, 7}}, {81, {87, 8}}, {160, {87, 87, 7}}, {170, {87, 87, 17}},
    };
    for (const Case& c : cases) {
        Bytes data(c.size);
        for (std::size_t i = 0; i < c.size; ++i)
            data[i] = static_cast<std::uint8_t>(i + 1);
        const auto frames = sdWriteRequests("SOFT.BIN", data);
        ASSERT_EQ(frames.size(), c.frameLengths.size() + 1) << c.size;
        EXPECT_EQ(Bytes(frames[0]->frame.begin(), frames[0]->frame.end() - 1),
                  (Bytes{0x80, 14, 0xF0, 0, 0, 'S', 'O', 'F', 'T', '.', 'B', 'I', 'N'}));
        Bytes back;
        for (std::size_t n = 1; n < frames.size(); ++n) {
            const Bytes& f = frames[n]->frame;
            const bool last = n + 1 == frames.size();
            ASSERT_EQ(f.size(), c.frameLengths[n - 1]) << c.size << " chunk " << n;
            EXPECT_EQ(f[3], n);
            EXPECT_EQ(f[4], last ? 0x80 : 0x00) << c.size << " chunk " << n;
            EXPECT_EQ(f[f.size() - 2], 0);  // the byte before the checksum
            back.insert(back.end(), f.begin() + 5, f.end() - 2);
        }
        EXPECT_EQ(back, data) << c.size;
    }
    EXPECT_EQ(sdChunkCount(static_cast<std::size_t>(kSdMaxChunks) * kSdChunkSize - 1),
              kSdMaxChunks);
}

TEST(S5Frames, SeriesRepliesBelongToTheirRequest) {
    const ExchRecPtr req = readSeriesRequest(1, kKeySeries);
    const auto reply = [](std::uint8_t type, std::uint8_t index, std::size_t record) {
        Bytes f{0x51, 0, 0x70, type, 1, index};
        f.insert(f.end(), record, 0x33);
        f.push_back(0);
        f[1] = static_cast<std::uint8_t>(f.size());
        return f;
    };
    req->reply = reply('S', 0, 32);
    EXPECT_TRUE(seriesRecord(*req, kKeySeries));
    req->reply = reply('W', 0, 32);
    EXPECT_TRUE(seriesRecord(*req, kKeySeries));
    req->reply = reply('U', 0, 32);
    EXPECT_FALSE(seriesRecord(*req, kKeySeries));
    req->reply = reply('S', 1, 32);
    EXPECT_FALSE(seriesRecord(*req, kKeySeries));
    req->reply = reply('S', 0, 20);
    EXPECT_FALSE(seriesRecord(*req, kKeySeries));
    EXPECT_TRUE(emptyRecord(Bytes(32, 0)));
    EXPECT_FALSE(emptyRecord(Bytes{0, 0, 1}));
}

TEST(S5Frames, DustReplies) {
    const DustReply r = parseDustReply(Bytes{0x52, 9, 0x76, 3, 0, 7, 4, 9, 0});
    EXPECT_EQ(r.lcp, 3);
    ASSERT_EQ(r.pairs.size(), 2u);
    EXPECT_EQ(r.pairs[1].slot, 4);
    EXPECT_EQ(r.pairs[1].value, 9);
    EXPECT_EQ(parseDustReply(Bytes{0x52, 5, 0x77, 3, 0}).pairs.size(), 0u);
    EXPECT_EQ(parseDustReply(Bytes{0x52, 9, 0x76}).lcp, -1);
}

// ---- Journal -------------------------------------------------------------------------

TEST_F(S5Ops, JournalRecordsOfAnEventFile) {
    addLcp(3, 2, 2);
    addCommonKeys(3);
    JournalFile j;
    EXPECT_FALSE(db->JournalOfEvents(Bytes(47, 0), j));  // shorter than its header
    ASSERT_TRUE(db->JournalOfEvents(Bytes(48, 0), j));
    EXPECT_TRUE(j.records.empty());
    ASSERT_TRUE(db->JournalOfEvents(eventFile({}, 63), j));
    EXPECT_TRUE(j.records.empty());

    const Bytes file = eventFile({
        event(2, 1, 2, 1, 1),       // LCP 1: object 2, device 1, key 1
        event(11, 1, 3, 3, 3),      // no text; object, device and key past their counts
        event(2, 7, 1, 0, 1),       // LCP 7 is not in the database
        event(173, 0, 9, 9, 3),     // console: key number 3 is slot 2
        event(174, 0xFF, 0, 0, 0),  // console: key number 0 names no key
        event(174, 0, 0, 0, 4, 1),  // console: key 260, past the count
    });
    ASSERT_TRUE(db->JournalOfEvents(file, j));
    EXPECT_EQ(j.kind, kJournalKindS5);
    ASSERT_EQ(j.records.size(), 6u);
    const auto row = [&j](std::size_t r) {
        std::vector<std::string> out;
        for (const auto& f : j.records[r])
            out.push_back(f.value_or("<absent>"));
        return out;
    };
    EXPECT_EQ(row(0), (std::vector<std::string>{"08/12/26 14:05:09", "Пожар", "Объект 1.1",
                                                "ВЕРС-ДИП 1", "LCP 1", "Ключ 1.0"}));
    EXPECT_EQ(row(1), (std::vector<std::string>{"08/12/26 14:05:09", "", "", "", "LCP 1", ""}));
    EXPECT_EQ(row(2),
              (std::vector<std::string>{"08/12/26 14:05:09", "Пожар", "", "", "LCP 7", ""}));
    EXPECT_EQ(row(3)[5], "Пульт 2");
    EXPECT_EQ(row(3)[2], "");
    EXPECT_EQ(row(4)[5], "");
    EXPECT_EQ(row(5)[5], "");
}

TEST_F(S5Ops, FormJournalKeepsTheSourceUnlessTheJournalIsWritten) {
    const auto source = dir / "EVENTS.dat";
    const Bytes file = eventFile({event(2, 0, 0, 0, 0)});
    ASSERT_TRUE(writeFileAtomic(source, file));
    std::filesystem::create_directory(dir / "blocked.vsj");
    EXPECT_EQ(db->FormJournal(source, dir / "blocked.vsj"), kResultSourceFileError);
    EXPECT_TRUE(std::filesystem::exists(source));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text, "Не могу сохранить файл " + (dir / "blocked.vsj").string());

    ASSERT_TRUE(writeFileAtomic(source, Bytes(20, 1)));
    EXPECT_EQ(db->FormJournal(source, dir / "j.vsj"), kResultBadDataLength);
    EXPECT_TRUE(std::filesystem::exists(source));
    EXPECT_FALSE(std::filesystem::exists(dir / "j.vsj"));

    ASSERT_TRUE(writeFileAtomic(source, file));
    EXPECT_EQ(db->FormJournal(source, dir / "j.vsj"), kResultOk);
    EXPECT_FALSE(std::filesystem::exists(source));
    EXPECT_EQ(db->journalCapacity, 1);

    EXPECT_EQ(db->FormJournal(dir / "none", dir / "j.vsj"), kResultSourceFileError);
    EXPECT_EQ(prompter.calls.back().text, "Не могу считать файл " + (dir / "none").string());
}

TEST_F(S5Ops, JournalCountStopsAtSixteenBits) {
    JournalFile j;
    ASSERT_TRUE(db->JournalOfEvents(Bytes(48 + 65536 * 16, 0), j));
    EXPECT_EQ(j.records.size(), 65535u);
}

TEST(S5Events, TextsAndFileNames) {
    EXPECT_STREQ(eventText(2), "Пожар");
    EXPECT_STREQ(eventText(250), "Посылка не принята");
    EXPECT_STREQ(eventText(3), "");
    EXPECT_STREQ(eventText(251), "");
    for (const char* good : {"ARC00001.DAT", "EVENTS.dat", "архив.dat", "a..b"})
        EXPECT_TRUE(plainFileName(good)) << good;
    for (const char* bad : {"", ".", "..", "../x", "..\\x", "a/b", "C:x", "x\ty", "a*b", "日本"})
        EXPECT_FALSE(plainFileName(bad)) << bad;
}

TEST_F(S5Ops, ArchiveJournalsAreNamedAfterTheArchiveInTheProgramFolder) {
    EXPECT_EQ(std::filesystem::path(db->archiveJournalPath("ARC00007.DAT")), dir / "ARC00007.vsj");
    EXPECT_EQ(std::filesystem::path(db->archiveJournalPath("NOEXT")), dir / "NOEXT.vsj");
    EXPECT_EQ(db->archiveJournalPath("../up.dat"), "");
}

TEST(S5JournalTime, TheRangeComparesMomentsForEveryDateOrder) {
    // Day first: text order would put 15/11 after 01/12.
    JournalModel s5({"Время"},
                    {{"15/11/26 10:00:00"}, {"15/12/26 10:00:00"}, {"02/01/27 00:00:00"}});
    s5.setTimeOrder(journalTimeOrder(kJournalKindS5));
    s5.setTimeRange("01/12/26 00:00:00", "31/12/26 23:59:59");
    ASSERT_EQ(s5.rows().size(), 1u);
    EXPECT_EQ(s5.cell(s5.rows()[0].record, 0), "15/12/26 10:00:00");
    // Year first, as the other families write.
    JournalModel k2({"Время"}, {{"26/11/15 10:00:00"}, {"26/12/15 10:00:00"}});
    k2.setTimeOrder(journalTimeOrder(kJournalKindK2));
    k2.setTimeRange("26/12/01 00:00:00", "26/12/31 23:59:59");
    ASSERT_EQ(k2.rows().size(), 1u);
    // Open ends given as text.
    s5.setTimeRange("", "~");
    EXPECT_EQ(s5.rows().size(), 3u);
    EXPECT_EQ(journalTimeKey("08/12/26 14:05:09", JournalTimeOrder::DayFirst), 261208140509LL);
    EXPECT_EQ(journalTimeKey("08/12/26", JournalTimeOrder::DayFirst), -1);
}

// ---- Dustiness file, check -----------------------------------------------------------

TEST_F(S5Ops, DustinessFileNamesOnlyDevicesTheDatabaseHas) {
    addLcp(2, 0, 0);
    db->dustiness = {{1, 1, 8}, {1, 7, 9}, {5, 0, 3}};
    ASSERT_TRUE(db->SaveDustinessFile());
    std::vector<DustRecord> records;
    ASSERT_TRUE(readDustinessFile((dir / "Zap.conf").string(), prompter, records));
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].firstText(), "LCP 1");
    EXPECT_EQ(records[0].secondText(), "ВЕРС-ДИП 1");
    EXPECT_EQ(records[0].level(), 8);
    EXPECT_EQ(records[1].secondText(), "");  // no device in slot 7
    EXPECT_EQ(records[2].firstText(), "LCP 5");
    EXPECT_EQ(records[2].secondText(), "");  // no LCP 5
    // Detectors of the table only.
    db->CreateElement(49, 1);
    db->CreateElement(26, 1);
    db->CreateElement(37, 1);
    EXPECT_EQ(db->SensorCount(0), 3);
    EXPECT_EQ(db->SensorCount(2), 0);
}

TEST_F(S5Ops, TheCheckNeverPacksAndRefusesKeysNoSeriesCarries) {
    addLcp(3, 0, 0);
    db->RemoveElement(deviceItem(1, 0));
    ASSERT_TRUE(db->lcp(1)->needsPacking);
    EXPECT_EQ(db->CheckDatabase(nullptr, nullptr, nullptr), 0);
    EXPECT_TRUE(db->writable);
    EXPECT_TRUE(db->lcp(1)->needsPacking);
    EXPECT_FALSE(db->lcp(1)->deviceUsed(0));

    addCommonKeys(256);
    ReportList remarks;
    EXPECT_EQ(db->CheckDatabase(&remarks, nullptr, nullptr), 2);
    EXPECT_FALSE(db->writable);
    // The critical section names the console keys (the keys without a full
    // number are only remarks).
    const auto critical = std::find_if(remarks.rows.begin(), remarks.rows.end(),
                                       [](const auto& r) { return r[0] == "КРИТИЧЕСКИЕ ОШИБКИ"; });
    ASSERT_NE(critical, remarks.rows.end());
    ASSERT_NE(critical + 1, remarks.rows.end());
    EXPECT_EQ((*(critical + 1))[0], "Ключи пульта");
    db->RemoveKey(0);
    EXPECT_EQ(db->CheckDatabase(&remarks, nullptr, nullptr), 0);
    for (const auto& row : remarks.rows)
        EXPECT_NE(row[0], "КРИТИЧЕСКИЕ ОШИБКИ");
}

// Each broken reference is a critical finding that stops the write; the
// remarks beside it do not.
TEST_F(S5Ops, TheCheckFindsBrokenReferencesAndCountsTheRecords) {
    struct Case {
        const char* what;
        void (*breakIt)(DBS5&);
        const char* message;  // the start of the critical finding; null: none
    };
    const Case cases[] = {
        {"sound", [](DBS5&) {}, nullptr},
        {"parent names a free slot", [](DBS5& base) { base.lcp(1)->objects[0][obj::kParent] = 9; },
         "Головной объект не существует"},
        {"two objects are each other's parent",
         [](DBS5& base) {
             base.lcp(1)->objects[0][obj::kParent] = 2;
             base.lcp(1)->objects[1][obj::kParent] = 1;
         },
         "Объект подчинен сам себе"},
        {"link to a missing LCP",
         [](DBS5& base) {
             base.lcp(1)->objects[0][obj::kFlags] = 0;
             base.lcp(1)->objects[0][obj::kLinkedLcp] = 7;
             base.lcp(1)->objects[0][obj::kLinkedObject] = 1;
         },
         "Связанный объект не существует"},
        {"links that lead back",
         [](DBS5& base) {
             for (int l : {1, 2}) {
                 base.lcp(l)->objects[0][obj::kFlags] = 0;
                 base.lcp(l)->objects[0][obj::kLinkedLcp] = static_cast<std::uint8_t>(3 - l);
                 base.lcp(l)->objects[0][obj::kLinkedObject] = 1;
             }
         },
         "Связи объектов образуют цикл"},
        {"device object byte names no object",
         [](DBS5& base) { base.lcp(2)->devices[0][dev::kObject] = 40; }, "Объект АУ не существует"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db = std::make_unique<DBS5>(0, ctx);
        addLcp(2, 2, 1);
        addLcp(1, 1, 0);
        db->lcp(1)->setDeviceObject(0, 0);
        db->lcp(1)->setDeviceObject(1, 1);
        db->lcp(2)->setDeviceObject(0, 0);
        c.breakIt(*db);
        ReportList remarks, devices, functions;
        const int outcome = db->CheckDatabase(&remarks, &devices, &functions);
        EXPECT_EQ(outcome, c.message ? 2 : 0);
        EXPECT_EQ(db->writable, c.message == nullptr);
        std::string critical;
        bool inCritical = false;
        for (const auto& row : remarks.rows) {
            if (row[0] == "КРИТИЧЕСКИЕ ОШИБКИ")
                inCritical = true;
            else if (inCritical)
                critical += row[1] + "\n";
        }
        if (c.message) {
            EXPECT_EQ(critical.rfind(c.message, 0), 0u) << critical;
        } else {
            EXPECT_TRUE(critical.empty()) << critical;
        }
        // Always: the key without a number is a remark.
        ASSERT_FALSE(remarks.rows.empty());
        EXPECT_EQ(remarks.rows[0][0], "ЗАМЕЧАНИЯ");
        EXPECT_NE(std::find(remarks.rows.begin(), remarks.rows.end(),
                            std::vector<std::string>{"LCP 1: Ключ 1.0", "Не задан номер ключа"}),
                  remarks.rows.end());
        // Devices by type (three smoke detectors) and the records per LCP.
        ASSERT_EQ(devices.rows.size(), 2u);
        EXPECT_EQ(devices.rows[0][0], "ДИП");
        EXPECT_EQ(devices.rows[0][1], "3");
        EXPECT_EQ(devices.columns.size(), devices.rows[0].size());
        EXPECT_EQ(functions.rows.front(), (std::vector<std::string>{"LCP 1", "2", "2", "0", "1"}));
        EXPECT_EQ(functions.columns.size(), functions.rows[0].size());
        EXPECT_EQ(functions.rows.back()[0], "Всего");
    }
}

TEST_F(S5Ops, ThePrintoutListsTheConsoleAndEveryLcp) {
    struct Surface : PrintSurface {
        std::vector<std::string> texts;
        int pages = 1;
        int pageWidth() const override { return 2000; }
        int pageHeight() const override { return 3000; }
        int lineHeight() const override { return 40; }
        int textWidth(const std::string& t) const override {
            return static_cast<int>(t.size()) * 10;
        }
        void text(int, int, const std::string& t) override { texts.push_back(t); }
        void line(int, int, int, int) override {}
        void newPage() override { ++pages; }
        bool has(const std::string& t) const {
            return std::find(texts.begin(), texts.end(), t) != texts.end();
        }
    } surface;
    addLcp(60, 2, 1);
    addLcp(1, 1, 0);
    addCommonKeys(1);
    db->lcp(1)->objects[1][obj::kParent] = 1;
    db->lcp(1)->setDeviceObject(0, 0);
    db->PrintDatabase(surface);
    EXPECT_TRUE(db->traits().commands.print);
    for (const char* t :
         {"База данных прибора Версан С5.", "Пульт", "Ключи пульта", "Пульт 0", "LCP 1", "LCP 2",
          "Объект 1.0", "Головной объект", "Объект 2.0", "Ключ 1.0", "ДИП", "Неизвестна", "стр. 2"})
        EXPECT_TRUE(surface.has(t)) << t;
    EXPECT_GE(surface.pages, 2);
}

TEST_F(S5Ops, AFileTooLargeForTheChunkNumbersIsRefusedUnsent) {
    const std::size_t tooLarge = static_cast<std::size_t>(kSdMaxChunks) * kSdChunkSize;
    ASSERT_TRUE(writeFileAtomic(dir / "big.bin", Bytes(tooLarge, 0x5A)));
    NullProgress progress;
    EXPECT_EQ(db->WriteFileToDevice(progress, "BIG.BIN", (dir / "big.bin").string()),
              kResultSourceFileError);
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_NE(prompter.calls[0].text.find("слишком велик"), std::string::npos);
    EXPECT_EQ(db->link().framesWritten(), 0);
    EXPECT_FALSE(db->link().running());
}

// ---- Built-in simulation --------------------------------------------------------------

namespace {

// The simulation paces its frames with sleeps: here they pass at once.
class QuickClock : public SystemClock {
  public:
    void sleepMs(unsigned) override { std::this_thread::yield(); }
};

}  // namespace

TEST_F(S5Ops, TheSimulationReadsBackTheDatabaseAsItWas) {
    QuickClock clock;
    IdlePortFactory ports;
    ctx.clock = &clock;
    ctx.ports = &ports;
    db = std::make_unique<DBS5>(0, ctx);
    db->portName = "COM1";
    db->simulation = true;
    db->SavePortSettings();
    addLcp(4, 2, 3);
    addLcp(1, 1, 0);
    addCommonKeys(2);
    ASSERT_TRUE(db->SaveToDisk((dir / "before").string()));
    // The progress range counts every series of a whole read: the console's
    // keys and three for each of 64 LCPs; a read of two LCPs ends at its top.
    struct RangeProgress : NullProgress {
        void setRange(int, int high) override { top = high; }
        void setPosition(int p) override { last = p; }
        int top = 0, last = -1;
    } range;
    ASSERT_EQ(db->ReadFromDevice(range), kResultOk);
    EXPECT_EQ(range.top, 193);
    EXPECT_EQ(range.last, 193);
    NullProgress progress;
    ASSERT_TRUE(db->SaveToDisk((dir / "after").string()));
    for (const char* f :
         {"DBAU.001", "DBOBJ.001", "DBKEY.001", "DBAU.002", "DBOBJ.002", "Keys.conf"}) {
        Bytes a, b;
        ASSERT_TRUE(readWholeFile(dir / "before" / f, a)) << f;
        ASSERT_TRUE(readWholeFile(dir / "after" / f, b)) << f;
        EXPECT_EQ(a, b) << f;
    }
    ASSERT_EQ(db->CompareWithDevice(progress), kResultOk);
    for (const CompareEntry& e : db->comparison())
        EXPECT_EQ(e.state, CompareState::Equal) << e.lcp;
    EXPECT_EQ(db->WriteToDevice(progress), kResultOk);
    EXPECT_EQ(db->SetDeviceTime(), kResultOk);
    EXPECT_EQ(db->ReadJournal(progress), kResultOk);
}
