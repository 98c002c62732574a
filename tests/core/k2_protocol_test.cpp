// The "Талвир К2" frames as tables: requests built, replies taken apart, the
// event table, the journal texts, and the operations over a fake line and
// the built-in simulation.
#include <gtest/gtest.h>

#include "base/crc8.h"
#include "families/k2/event_table.h"
#include "families/k2/protocol.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "k2_test_util.h"
#include "link/result_codes.h"
#include "support/fake_port.h"

namespace tavrin::test {
namespace {

using namespace k2;

Bytes withCrc(Bytes b) {
    b.push_back(Crc8(b));
    return b;
}

TEST(K2Protocol, RequestsAreBuiltAsTheLayoutSays) {
    const Bytes sixteen(16, 0xAB);
    const Bytes records(14, 0x11);  // two device records
    struct Case {
        const char* what;
        Bytes built;
        Bytes expected;
    } cases[] = {
        {"clock, 5 March 2026 14:07:09", clockRequest(LocalTime{2026, 3, 5, 14, 7, 9, 0, 4}),
         withCrc({0x08, 0x01, 0x1A, 0x03, 0x05, 0x0E, 0x07, 0x09})},
        {"read devices from 16", tableReadRequest(kCmdReadDevices, 16), withCrc({3, 3, 16})},
        {"read names from 0", tableReadRequest(kCmdReadNames, 0), withCrc({3, 11, 0})},
        {"read the device map", blockReadRequest(kCmdReadDeviceMap), withCrc({2, 15})},
        {"read the version", blockReadRequest(kCmdReadVersion), withCrc({2, 20})},
        {"journal from 1", journalRequest(1), withCrc({4, 12, 1, 0})},
        {"journal from 300", journalRequest(300), withCrc({4, 12, 0x2C, 0x01})},
        {"active events, category 1", activeEventsRequest(1), withCrc({2, 21})},
        {"active events, category 4", activeEventsRequest(4), withCrc({2, 24})},
        {"dustiness", blockReadRequest(kCmdReadDustiness), withCrc({2, 29})},
    };
    for (const Case& c : cases)
        EXPECT_EQ(hexBytes(c.built), hexBytes(c.expected)) << c.what;

    const Bytes write = tableWriteRequest(kCmdWriteLoops, 96, records);
    ASSERT_EQ(write.size(), 14u + 4u);
    EXPECT_EQ(write[0], 14 + 3);  // n·s + 3
    EXPECT_EQ(write[1], kCmdWriteLoops);
    EXPECT_EQ(write[2], 96);
    EXPECT_TRUE(checksumOk(write));
    const Bytes block = blockWriteRequest(kCmdWriteDeviceMap, sixteen);
    EXPECT_EQ(block[0], 18);
    EXPECT_EQ(block.size(), 19u);
    EXPECT_TRUE(checksumOk(block));
}

TEST(K2Protocol, ChecksumAndRefusal) {
    const Bytes good = withCrc({4, 0x83, 0, 0x55});
    Bytes bad = good;
    bad.back() ^= 1;
    Bytes shortFrame = good;
    shortFrame.pop_back();
    struct Case {
        const char* what;
        Bytes frame;
        bool checksum;
        bool refusal;
    } cases[] = {
        {"good", good, true, false},
        {"wrong checksum", bad, false, false},
        {"shorter than L + 1", shortFrame, false, false},
        {"L of 0", Bytes{0}, false, false},
        {"empty", Bytes{}, false, false},
        {"refusal", withCrc({2, 0xFE}), true, true},
        {"accepted", withCrc({2, 0xFF}), true, false},
        {"FE in a longer frame", withCrc({3, 0xFE, 0}), true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(checksumOk(c.frame), c.checksum) << c.what;
        EXPECT_EQ(isRefusal(c.frame), c.refusal) << c.what;
    }
}

TEST(K2Protocol, RepliesAreTakenApart) {
    // Devices 0..15 with the last flag: L = 3 + 8·16.
    Bytes f{static_cast<std::uint8_t>(3 + 8 * 16), 0x83, 0};
    for (int i = 0; i < 16 * 8; ++i)
        f.push_back(static_cast<std::uint8_t>(i));
    f = withCrc(f);
    const TableReply t = parseTableReply(f, kDeviceRecordSize);
    EXPECT_TRUE(t.last);
    EXPECT_EQ(t.index, 0);
    EXPECT_EQ(t.count, 16);
    EXPECT_EQ(t.records.size(), 128u);
    EXPECT_EQ(t.records[127], 127);

    // A partial record at the end is not counted.
    const TableReply partial = parseTableReply(
        withCrc({3 + 10, 0x03, 7, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10}), kDeviceRecordSize);
    EXPECT_FALSE(partial.last);
    EXPECT_EQ(partial.index, 7);
    EXPECT_EQ(partial.count, 1);

    // L larger than the bytes at hand never reads past them.
    const Bytes lying{200, 0x03, 0, 1, 2};
    EXPECT_EQ(parseTableReply(lying, kDeviceRecordSize).count, 0);
    EXPECT_TRUE(parseJournalReply(lying).records.empty());

    struct VersionCase {
        Bytes frame;
        std::optional<std::string> text;
        int minor;
    } versions[] = {
        {withCrc({6, 20, '1', '.', '0', '4'}), "1.04", 4},
        {withCrc({5, 20, '2', '.', '7'}), "2.7", 7},
        {withCrc({4, 20, '1', '.'}), std::nullopt, 0},
        {withCrc({12, 20, '1', '.', '1', '2', 'a', 'b', 'c', 'd', 'e', 'f'}), "1.12abcd", 12},
    };
    for (const auto& v : versions) {
        EXPECT_EQ(parseVersionReply(v.frame), v.text) << hexBytes(v.frame);
        if (v.text) {
            EXPECT_EQ(minorVersion(*v.text), v.minor);
        }
    }

    const JournalReply j = parseJournalReply(
        withCrc({14, 0x8C, 0x2C, 0x01, 5, 5, 0x1E, 0x0F, 3, 7, 0x1A, 0xFF, 3, 9}));
    EXPECT_TRUE(j.last);
    EXPECT_EQ(j.firstNumber, 300);
    ASSERT_EQ(j.records.size(), 1u);
    EXPECT_EQ(j.records[0][kJrType], 9);

    const EventsReply none = parseEventsReply(withCrc({3, 0x95, 0xFF}));
    EXPECT_TRUE(none.none);
    const EventsReply two = parseEventsReply(withCrc({10, 0x15, 1, 0x20, 1, 8, 2, 0x20, 2, 8}));
    EXPECT_FALSE(two.last);
    ASSERT_EQ(two.events.size(), 2u);
    EXPECT_EQ(two.events[1][2], 2);

    const DustinessReply d = parseDustinessReply(withCrc({8, 0x9D, 1, 32, 40, 2, 33, 90}));
    EXPECT_TRUE(d.last);
    ASSERT_EQ(d.records.size(), 2u);
    EXPECT_EQ(d.records[1][kDrLevel], 90);
}

TEST(K2Protocol, FirmwareVersionsChooseFrameSizesAndNames) {
    struct Case {
        const char* version;
        int devices, loops, keys, names, nameCount;
    } cases[] = {
        {"1.04", 7, 6, 10, 3, 128},    {"1.10", 7, 6, 10, 3, 128},    {"2.0", 7, 6, 10, 3, 128},
        {"1.03", 31, 28, 42, 15, 128}, {"1.02", 31, 28, 42, 15, 128}, {"1.01", 31, 28, 42, 15, 96},
        {"", 31, 28, 42, 15, 96},      {"1.0", 31, 28, 42, 15, 96},
    };
    for (const Case& c : cases) {
        const RecordsPerFrame r = recordsPerWriteFrame(c.version);
        EXPECT_EQ(r.devices, c.devices) << c.version;
        EXPECT_EQ(r.loops, c.loops) << c.version;
        EXPECT_EQ(r.keyHalves, c.keys) << c.version;
        EXPECT_EQ(r.names, c.names) << c.version;
        EXPECT_EQ(namesCount(c.version), c.nameCount) << c.version;
    }
}

TEST(K2Events, DecodingTable) {
    struct Case {
        int type, code;
        bool known;
        int eventClass;
        const char* text;
    } cases[] = {
        {8, 6, true, kClassFire, "ПОЖАР"},
        {9, 5, true, kClassFire, "Внимание"},
        {0, 1, true, kClassNone, ""},
        {3, 193, true, kClassNone, "рег"},
        {7, 53, true, kClassFault, "Обыв цепи ВН/ПОЖ. восстановлен"},
        {15, 20, true, kClassService, "Отсутствие дополнительной памяти"},
        {12, 9, true, kClassSecurity, "КЗ считывателя"},
        {1, 0, false, kClassNone, "Неизвестное событие тип=1 код=0"},
        {16, 0, false, kClassNone, "Неизвестное событие тип=16 код=0"},
        {3, 194, false, kClassNone, "Неизвестное событие тип=3 код=194"},
        {15, 21, false, kClassNone, "Неизвестное событие тип=15 код=21"},
    };
    for (const Case& c : cases) {
        const EventInfo e = decodeEvent(c.type, c.code);
        EXPECT_EQ(e.known, c.known) << c.type << "/" << c.code;
        EXPECT_EQ(e.eventClass, c.eventClass) << c.type << "/" << c.code;
        EXPECT_EQ(e.text, c.text) << c.type << "/" << c.code;
    }
    const int counts[kEventTypeCount] = {7, 0, 0, 194, 4, 0, 28, 66, 7, 7, 9, 6, 10, 11, 9, 21};
    for (int t = 0; t < kEventTypeCount; ++t)
        EXPECT_EQ(eventCodeCount(t), counts[t]) << t;
}

TEST(K2Journal, RecordTexts) {
    K2Fixture f;
    const int dev = f.db.CreateElement(kTypeIpr, 0);  // index 0, number 1
    f.db.devices[dev][kDevLoop] = 33;
    f.db.CreateElement(kTypeDip, 0);
    f.db.CreateElement(kTypeDip, 0);  // index 2, number 3
    f.setName(4, "Склад");
    f.db.loops[100][kLoopLogic] = 1;
    f.db.loops[100][kLoopNameIndex] = 4;
    f.db.loops[100][kLoopNumber] = 12;

    struct Case {
        JournalEntry record;
        std::array<std::string, 4> texts;
    } cases[] = {
        {{5, 5, 0x1E, 0x0F, 3, 7, 0x1A, 0xFF, 3, 9},
         {"26/07/03 15:30:05", "Внимание", "", ""}},  // device 3 is not in use
        {{5, 5, 0x1E, 0x0F, 3, 7, 0x1A, 0xFF, 2, 9},
         {"26/07/03 15:30:05", "Внимание", "", "Т12-ДИП  003"}},
        {{0, 0, 0, 0, 1, 1, 0, 100, 200, 16},
         {"00/01/01 00:00:00", "Неизвестное событие тип=16 код=0", "пУ05  Склад 12", ""}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(f.db.JournalTexts(c.record), c.texts);

    const ActiveEvent e{3, 6, 100, 1, 8};
    EXPECT_EQ(f.db.ActiveEventTexts(e),
              (std::array<std::string, 4>{"3", "ПОЖАР", "пУ05  Склад 12", "Т12-ИПР /1"}));
    EXPECT_EQ(f.db.ActiveEventTexts(ActiveEvent{1, 0, 0xFF, 129, 0})[3], "");
    EXPECT_EQ(f.db.ActiveEventTexts(ActiveEvent{1, 0, 0xFF, 0, 0})[3], "");
}

TEST(K2Journal, EmptyJournalFileIsSixBytes) {
    K2Fixture f;
    ASSERT_TRUE(f.db.SaveJournal(f.path("Journal.tvj")));
    EXPECT_EQ(hexBytes(f.read("Journal.tvj")), "00 00 00 00 00 00");
}

// A database whose port is a fake line answered by `reply`, with a fake clock.
struct FakeLink : K2Fixture {
    FakeClock clock;
    FakeLine line{clock};
    FakePortFactory ports;
    std::vector<Bytes> requests;

    explicit FakeLink(bool simulate = false) {
        ctx.clock = &clock;
        ctx.ports = &ports;
        ports.lines["COM3"] = &line;
        db.portName = "COM3";
        db.simulation = simulate;
        db.SavePortSettings();
    }
};

TEST(K2Transfer, ClockFrameFromTheClock) {
    FakeLink l;
    l.clock.base = LocalTime{2026, 3, 5, 14, 7, 9, 0, 4};
    l.line.onWrite = [&](ByteSpan) { l.line.arrive(1, k2Frame({0xFF})); };
    EXPECT_EQ(l.db.SetDeviceTime(), kResultOk);
    ASSERT_EQ(l.line.writes.size(), 1u);
    EXPECT_EQ(hexBytes(l.line.writes[0]),
              hexBytes(withCrc({0x08, 0x01, 0x1A, 0x03, 0x05, 0x0E, 0x07, 0x09})));
    EXPECT_FALSE(l.db.IsPortOpen());
}

TEST(K2Transfer, VersionReplyAndItsLength) {
    FakeLink l;
    Bytes next = k2Frame({20, '1', '.', '0', '4'});
    l.line.onWrite = [&](ByteSpan) { l.line.arrive(1, next); };
    EXPECT_EQ(l.db.ReadVersion(), kResultOk);
    EXPECT_EQ(l.db.firmwareVersionText, "1.04");
    EXPECT_EQ(l.db.firmwareVersion, 4);
    EXPECT_TRUE(l.db.IsPortOpen());  // the caller closes it
    next = k2Frame({20, '1', '.'});
    EXPECT_EQ(l.db.ReadVersion(), kResultBadDataLength);
    l.db.ClosePort();
}

TEST(K2Transfer, UopvRefusedBelow102WithoutSendingTheDatabase) {
    FakeLink l;
    l.line.onWrite = [&](ByteSpan) { l.line.arrive(1, k2Frame({20, '1', '.', '0', '1'})); };
    l.db.CreateElement(kTypeUopv, 0);
    NullProgress progress;
    EXPECT_EQ(l.db.WriteToDevice(progress), kResultCancelled);
    ASSERT_EQ(l.line.writes.size(), 1u);  // only the version request
    ASSERT_EQ(l.prompter.calls.size(), 1u);
    EXPECT_EQ(l.prompter.calls[0].text, "Для поддержки УОП нужно обновить версию ПО");
    EXPECT_EQ(l.prompter.calls[0].title, "Запись БД");
    EXPECT_FALSE(l.db.IsPortOpen());
}

TEST(K2Transfer, PanelCounters) {
    K2Fixture f;
    for (int i = 0; i < 5; ++i)
        f.db.CreateElement(kTypeDip, 0);
    for (int i = 0; i < 4; ++i)
        f.db.CreateKey();
    f.db.keys[1][kKeyKind] |= kKeyEmployeeBit;
    f.db.keys[3][kKeyKind] |= kKeyEmployeeBit;
    f.db.keys[200][kKeyKind] |= kKeyEmployeeBit;  // not in use
    f.db.UpdateChecksums();
    unsigned sum = 0;
    for (const auto& d : f.db.devices)
        sum += d[kDevChecksum];
    f.db.FillPanelCounters();
    EXPECT_EQ(f.db.panelBlock[kPanelDeviceCount], 5);
    EXPECT_EQ(f.db.panelBlock[kPanelDutyKeys], 2);
    EXPECT_EQ(f.db.panelBlock[kPanelEmployeeKeys], 2);
    EXPECT_EQ((getU16(f.db.panelBlock, kPanelDeviceSum) + sum) & 0xFFFF, 0u);
}

TEST(K2Simulation, WriteThenReadReturnsTheSameDatabase) {
    FakeLink l(true);
    DBK2& db = l.db;
    for (int i = 0; i < 40; ++i)
        db.CreateElement(i % 3 == 0 ? kTypeDip : kTypeIpr, 0);
    db.devices[3][kDevLoop] = 40;
    for (int i = 0; i < 30; ++i)
        db.CreateKey();
    l.setName(127, "Последнее имя");
    db.loops[5][kLoopNumber] = 77;
    db.panelBlock[10] = 0x5A;
    db.blockedDevices[2] = 0x81;
    db.blockedLoops[15] = 0x80;
    NullProgress progress;
    ASSERT_EQ(db.WriteToDevice(progress), kResultOk);
    EXPECT_EQ(db.firmwareVersionText, "1.02");
    // 1.02 sends long frames: 5 + 5 + 7 + 7 + 9 table frames and 5 blocks.
    EXPECT_EQ(db.simulatedFrames.size(), 38u);
    EXPECT_EQ(progress.high(), kTransferStepsLongFrames);
    const Bytes written = db.SerializeFile();

    // Spoil the tables without dropping the stored frames, then read back.
    for (auto& d : db.devices)
        d.fill(0x33);
    db.deviceMap.fill(0);
    db.names[127].fill('x');
    db.panelBlock.fill(1);
    db.databaseValid = false;
    ASSERT_EQ(db.ReadFromDevice(progress), kResultOk);
    EXPECT_TRUE(db.databaseValid);
    EXPECT_EQ(db.SerializeFile(), written);
    // Every simulated frame waits 100 ms on the clock.
    EXPECT_GE(std::count(l.clock.sleeps.begin(), l.clock.sleeps.end(), 100u), 76);
}

TEST(K2Simulation, ReadBeforeAnyWriteIsRefused) {
    FakeLink l(true);
    NullProgress progress;
    EXPECT_EQ(l.db.ReadFromDevice(progress), kResultRefused);
    ASSERT_FALSE(l.prompter.calls.empty());
    EXPECT_EQ(l.prompter.calls[0].text, "Сначала базу нужно передать на прибор");
    EXPECT_EQ(l.prompter.calls[0].title, "Имитация");
    EXPECT_FALSE(l.db.IsPortOpen());
}

TEST(K2Simulation, JournalEventsAndDustiness) {
    FakeLink l(true);
    l.clock.base = LocalTime{2026, 12, 8, 10, 0, 0, 0, 2};
    DBK2& db = l.db;
    db.CreateElement(kTypeIpr, 0);
    db.CreateElement(kTypeIpr, 0);
    db.CreateElement(kTypeDip, 0);  // index 2, number 3
    db.devices[2][kDevLoop] = 33;
    db.journalOutputPath = l.path("j.tvj");
    db.activeEventsOutputPath = l.path("a.tvj");
    db.dustinessOutputPath = l.path("z.tvz");
    NullProgress progress;

    ASSERT_EQ(db.ReadJournal(progress), kResultOk);
    ASSERT_EQ(db.journal.size(), 4u);
    EXPECT_EQ(db.JournalTexts(db.journal[0])[0], "26/12/08 00:00:01");
    EXPECT_EQ(db.JournalTexts(db.journal[3])[0], "26/12/08 00:00:04");
    EXPECT_EQ(db.JournalTexts(db.journal[0])[1], "Неисправность");  // type 8, code 1
    EXPECT_EQ(db.JournalTexts(db.journal[1])[1], "Запыленность");   // type 8, code 2
    JournalFile jf;
    ASSERT_TRUE(db.ReadJournalFile(l.path("j.tvj"), jf));
    EXPECT_EQ(jf.kind, kJournalKindK2);
    ASSERT_EQ(jf.records.size(), 4u);
    EXPECT_EQ(jf.records[0][2], "П01  ");         // loop 0x20 with a blank name
    EXPECT_EQ(jf.records[0][3], "Т12-ИПР  002");  // device index 1

    ASSERT_EQ(db.ReadActiveEvents(progress), kResultOk);
    ASSERT_EQ(db.activeEvents.size(), 8u);
    EXPECT_EQ(progress.position(), 4);
    ASSERT_TRUE(db.ReadJournalFile(l.path("a.tvj"), jf));
    EXPECT_EQ(jf.kind, kJournalKindK2ActiveEvents);
    ASSERT_EQ(jf.records.size(), 8u);
    EXPECT_EQ(jf.records[7][0], "4");
    EXPECT_EQ(jf.records[7][1], "Запыленность");
    EXPECT_EQ(jf.records[7][3], "Т12-ИПР /2");

    ASSERT_EQ(db.ReadDustiness(progress, 0), kResultOk);
    ASSERT_EQ(db.dustiness.size(), 1u);
    std::vector<DustRecord> dust;
    ASSERT_TRUE(db.ReadDustinessFile(l.path("z.tvz"), dust));
    ASSERT_EQ(dust.size(), 1u);
    EXPECT_EQ(dust[0].firstText(), "Т12-ДИП  003");
    EXPECT_EQ(dust[0].secondText(), "П02  ");
    EXPECT_EQ(dust[0].level(), 2);
    EXPECT_EQ(hexBytes(ByteSpan(l.read("z.tvz")).first(12)), "02 00 00 00 01 00 00 00 01 00 00 00");
    EXPECT_TRUE(l.prompter.calls.empty());
}

TEST(K2Simulation, NoDetectors) {
    FakeLink l(true);
    l.db.CreateElement(kTypeIpr, 0);
    NullProgress progress;
    EXPECT_EQ(l.db.ReadDustiness(progress, 0), kResultCancelled);
    ASSERT_EQ(l.prompter.calls.size(), 1u);
    EXPECT_EQ(l.prompter.calls[0].text, "В базе данных нет датчиков!");
    EXPECT_FALSE(l.db.IsPortOpen());
}

TEST(K2Simulation, RefusesUnknownCommands) {
    K2Fixture f;
    std::array<std::uint8_t, DBase::kReplyBufferSize> reply{};
    for (const std::uint8_t command : {0, 13, 139, 255}) {
        const int n = f.db.SimulateDevice(k2Frame({command}), reply);
        EXPECT_EQ(hexBytes(ByteSpan(reply.data(), static_cast<std::size_t>(n))),
                  hexBytes(k2Frame({0xFE})))
            << int(command);
    }
    const int n = f.db.SimulateDevice(k2Frame({20}), reply);
    EXPECT_EQ(hexBytes(ByteSpan(reply.data(), static_cast<std::size_t>(n))),
              hexBytes(k2Frame({20, '1', '.', '0', '2'})));
}

}  // namespace
}  // namespace tavrin::test
