// tavrin-panelsim as a panel: its memory, journal, active events, dustiness,
// clock and refusals, seen through the real exchange on its pty.
#include <gtest/gtest.h>

#include <fstream>

#include "base/bytes.h"
#include "base/crc8.h"
#include "link/result_codes.h"
#include "support/fake_port.h"
#include "support/sim_process.h"
#include "support/strict_prompter.h"
#include "support/temp_dir.h"
#include "support/test_dbase.h"

namespace tavrin::test {
namespace {

struct Panel {
    explicit Panel(std::vector<std::string> args, int family = 2)
        : sim([&] {
              args.insert(args.begin(), {"--family", family == 1 ? "r7" : "k2"});
              return args;
          }()) {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<TestDBase>(family, ctx);
        db->portName = sim.path();
        db->simulation = false;
        db->SavePortSettings();
        db->readTotalTimeoutConstant = 80;
    }
    // One request; the reply (empty on failure, with the code in `code`).
    Bytes ask(const Bytes& request) {
        Bytes reply;
        code = db->Exchange(reply, request);
        return reply;
    }

    SimProcess sim;
    TempDir dir;
    StrictPrompter prompter;
    AppContext ctx;
    std::unique_ptr<TestDBase> db;
    int code = -1;
};

Bytes frame(const Bytes& body) {
    Bytes f{static_cast<std::uint8_t>(body.size() + 1)};
    f.insert(f.end(), body.begin(), body.end());
    f.push_back(Crc8(f));
    return f;
}

const Bytes kAccepted = k2Frame({0xFF});
const Bytes kRefused = k2Frame({0xFE});

TEST(PanelSimK2, WritesChangeLaterReads) {
    Panel p({});
    // Devices 5 and 6.
    Bytes write{2, 5};
    for (int i = 0; i < 16; ++i)
        write.push_back(static_cast<std::uint8_t>(0x40 + i));
    EXPECT_EQ(p.ask(frame(write)), kAccepted);
    const Bytes read = p.ask(k2Frame({3, 5}));
    ASSERT_EQ(p.code, 0);
    ASSERT_EQ(read.size(), 4u + 7 * 8);
    EXPECT_EQ(read[1], 3);  // more follow
    EXPECT_EQ(read[2], 5);
    EXPECT_EQ(Bytes(read.begin() + 3, read.begin() + 19), Bytes(write.begin() + 2, write.end()));
    // A block: the key map.
    Bytes keyMap{16};
    for (int i = 0; i < 32; ++i)
        keyMap.push_back(static_cast<std::uint8_t>(i * 3));
    EXPECT_EQ(p.ask(frame(keyMap)), kAccepted);
    EXPECT_EQ(p.ask(k2Frame({17})), frame([&] {
                  Bytes b{17};
                  b.insert(b.end(), keyMap.begin() + 1, keyMap.end());
                  return b;
              }()));
    // Wrong sizes and unknown commands are refused.
    EXPECT_EQ(p.ask(k2Frame({16, 1, 2})), kRefused);
    EXPECT_EQ(p.ask(k2Frame({2, 127, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16})),
              kRefused);
    EXPECT_EQ(p.ask(k2Frame({99})), kRefused);
    EXPECT_EQ(p.code, kResultRefused);
}

TEST(PanelSimK2, TablesTravelInFramesSizedByTheFirmware) {
    struct Row {
        const char* firmware;
        std::uint8_t command;
        int frames;
        int records;
    };
    for (const Row row : {Row{"1.04", 3, 19, 128}, Row{"1.01", 3, 5, 128}, Row{"1.04", 11, 43, 128},
                          Row{"1.01", 11, 7, 96}, Row{"1.04", 9, 26, 256}}) {
        Panel p({"--firmware", row.firmware});
        int frames = 0, records = 0;
        for (int index = 0; frames < 100;) {
            const Bytes r = p.ask(k2Frame({row.command, static_cast<std::uint8_t>(index)}));
            ASSERT_EQ(p.code, 0);
            ++frames;
            const std::size_t size = row.command == 3 ? 8 : row.command == 11 ? 16 : 6;
            const int n = static_cast<int>((r[0] - 3) / size);
            EXPECT_EQ(r[2], index);
            records += n;
            index += n;
            if (r[1] & 0x80) break;
        }
        EXPECT_EQ(frames, row.frames) << row.firmware << " " << int(row.command);
        EXPECT_EQ(records, row.records) << row.firmware << " " << int(row.command);
    }
}

TEST(PanelSimK2, VersionClockAndBadRequests) {
    Panel p({"--firmware", "1.02"});
    EXPECT_EQ(p.db->ReadVersion(), 0);
    EXPECT_EQ(p.db->firmwareVersionText, "1.02");
    EXPECT_EQ(p.ask(k2Frame({1, 26, 3, 5, 14, 7, 9})), kAccepted);
    EXPECT_EQ(p.ask(k2Frame({1, 26, 13, 5, 14, 7, 9})), kRefused);
    Bytes badCrc = k2Frame({20});
    badCrc.back() ^= 1;
    EXPECT_EQ(p.ask(badCrc), kRefused);
}

TEST(PanelSimK2, JournalPagesThroughItsRecords) {
    Panel p({"--journal", "30"});
    Bytes r = p.ask(k2Frame({12, 1, 0}));
    ASSERT_EQ(p.code, 0);
    EXPECT_EQ(r[0], 4 + 25 * 10);
    EXPECT_EQ(r[1], 12);
    EXPECT_EQ(getU16(r, 2), 1);
    r = p.ask(k2Frame({12, 26, 0}));
    EXPECT_EQ(r[0], 4 + 5 * 10);
    EXPECT_EQ(r[1], 12 | 0x80);
    EXPECT_LT(r[4 + 9], 16);  // event type of the first record
    EXPECT_EQ(p.ask(k2Frame({12, 31, 0})), k2Frame({0x8C, 31, 0}));
}

TEST(PanelSimK2, ActiveEventsInFourCategories) {
    Panel p({"--events", "6"});
    // Event e is in category e % 4 + 1: events 0 and 4 in the first, 2 in the third.
    Bytes r = p.ask(k2Frame({21}));
    EXPECT_EQ(r[0], 2 + 2 * 4);
    EXPECT_EQ(r[1], 21 | 0x80);
    r = p.ask(k2Frame({23}));
    EXPECT_EQ(r[0], 2 + 1 * 4);
    Panel none({});
    EXPECT_EQ(none.ask(k2Frame({24})), k2Frame({24 | 0x80, 0xFF}));
}

TEST(PanelSimK2, DustinessForEverySmokeDetector) {
    Panel p({"--detectors", "25"});
    Bytes r = p.ask(k2Frame({29}));
    EXPECT_EQ(r[0], 2 + 20 * 3);
    EXPECT_EQ(r[1], 29);
    EXPECT_EQ(r[2], 1);   // device number of device 0
    EXPECT_EQ(r[3], 32);  // its loop
    for (std::size_t i = 4; i + 1 < r.size(); i += 3)
        EXPECT_LE(r[i], 10) << i;  // tens of percent
    r = p.ask(k2Frame({29}));
    EXPECT_EQ(r[0], 2 + 5 * 3);
    EXPECT_EQ(r[1], 29 | 0x80);
    // Removing a detector through the device map removes its dustiness.
    Bytes map{14};
    map.resize(17, 0);
    map[1] = 0x01;
    EXPECT_EQ(p.ask(frame(map)), kAccepted);
    EXPECT_EQ(p.ask(k2Frame({29}))[0], 2 + 1 * 3);
}

// A database file of the given version laid out field by field.
Bytes databaseFile(int version) {
    ByteWriter w;
    w.i32(version);
    if (version >= 1) {
        w.u32(10);
        for (const char c : std::string("1.04"))
            w.u16(static_cast<std::uint16_t>(c));
        w.u16(0);
    }
    Bytes deviceMap(16, 0);
    deviceMap[0] = 0x01;
    w.bytes(deviceMap);
    Bytes devices(128 * 8, 0);
    devices[0] = 0x34;
    devices[2] = 0x00;
    devices[3] = 40;
    devices[4] = 1;
    w.bytes(devices);
    w.bytes(Bytes(128 * 9, 0x09));
    w.bytes(Bytes(32, 0));
    w.bytes(Bytes(256 * 6, 0));
    w.bytes(Bytes(256 * 6, 0xEE));
    w.bytes(Bytes((version >= 3 ? 128 : 96) * 16, 'N'));
    w.bytes(Bytes(29, 0x29));
    if (version >= 2) {
        w.bytes(Bytes(16, 0xB1));
        w.bytes(Bytes(16, 0xB2));
    }
    return w.take();
}

TEST(PanelSimK2, DatabaseFilePreloadsTheMemory) {
    for (const int version : {3, 2, 0}) {
        TempDir dir;
        const auto path = dir / "base.bta";
        const Bytes file = databaseFile(version);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()),
                   static_cast<std::streamsize>(file.size()));
        Panel p({"--db", path.string()});
        const Bytes devices = p.ask(k2Frame({3, 0}));
        ASSERT_EQ(p.code, 0) << version;
        EXPECT_EQ(devices[3], 0x34) << version;
        // Detector 0 reads 3 (30 %, in tens of percent).
        EXPECT_EQ(p.ask(k2Frame({29})), k2Frame({29 | 0x80, 1, 40, 3})) << version;
        const Bytes last = p.ask(k2Frame({11, 126}));
        EXPECT_EQ(last[3], version >= 3 ? 'N' : ' ') << version;
        EXPECT_EQ(p.ask(k2Frame({26}))[2], version >= 2 ? 0xB2 : 0) << version;
        EXPECT_EQ(p.ask(k2Frame({19}))[2], 0x29) << version;
    }
}

TEST(PanelSimK2, RejectsAFileThatIsNoDatabase) {
    TempDir dir;
    const auto path = dir / "bad.bta";
    std::ofstream(path, std::ios::binary).write("\x07\x00\x00\x00", 4);
    SimProcess sim({"--family", "k2", "--db", path.string()});
    EXPECT_FALSE(sim.started());
    EXPECT_EQ(sim.stop(), 1);
}

TEST(PanelSimR7, RecordsReadBackAsWritten) {
    Panel p({"--address", "3"}, 1);
    Bytes write{3, 0, 42, 1, 2, 0x01, 0x2C};
    for (int i = 0; i < 38; ++i)
        write.push_back(static_cast<std::uint8_t>(i));
    write.push_back(Crc8(write));
    EXPECT_EQ(p.ask(write), r7Frame(3, {0, 2, 0}));
    const Bytes read = p.ask(r7Frame(3, {1, 3, 0x01, 0x2C}));
    ASSERT_EQ(p.code, 0);
    ASSERT_EQ(read.size(), 46u);
    EXPECT_EQ(read[5], 0x01);
    EXPECT_EQ(read[6], 0x2C);
    EXPECT_EQ(read[7 + 37], 37);
    // Frames for another address go unanswered.
    p.db->readTotalTimeoutConstant = 50;
    p.ask(r7Frame(1, {1, 6}));
    EXPECT_EQ(p.code, kResultNoAnswer);
}

}  // namespace
}  // namespace tavrin::test
