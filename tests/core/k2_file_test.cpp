// The "Талвир К2" database file: byte-exact save, older versions, refusals,
// short files.
#include <gtest/gtest.h>

#include <filesystem>

#include "base/bit_set.h"
#include "core/k2_test_util.h"

namespace tavrin {
namespace {

using test::K2Fixture;

// The body of a file (everything after the version string) built from the
// layout: every table filled with its own byte pattern, checksums included.
struct Body {
    Bytes deviceMap = Bytes(16), devices = Bytes(1024), loops = Bytes(1152), keyMap = Bytes(32),
          keyCodes = Bytes(1536), keyData = Bytes(1536), names = Bytes(2048), panel = Bytes(29),
          blockedDevices = Bytes(16), blockedLoops = Bytes(16);

    Body() {
        for (std::size_t i = 0; i < 16; ++i)
            deviceMap[i] = static_cast<std::uint8_t>(0x11 * i);
        for (int d = 0; d < 128; ++d) {
            unsigned sum = 0;
            for (int b = 0; b < 7; ++b)
                sum += devices[d * 8 + b] = static_cast<std::uint8_t>(d * 7 + b * 31);
            devices[d * 8 + 7] = static_cast<std::uint8_t>(-sum);
        }
        for (int m = 0; m < 128; ++m) {
            unsigned sum = 0;
            for (int b = 0; b < 8; ++b)
                sum += loops[m * 9 + b] = static_cast<std::uint8_t>(m * 3 + b * 17);
            loops[m * 9 + 8] = static_cast<std::uint8_t>(-sum);
        }
        for (std::size_t i = 0; i < 32; ++i)
            keyMap[i] = static_cast<std::uint8_t>(0xA5 ^ i);
        for (std::size_t i = 0; i < 1536; ++i)
            keyCodes[i] = static_cast<std::uint8_t>(i * 13);
        for (std::size_t i = 0; i < 1536; ++i)
            keyData[i] = static_cast<std::uint8_t>(i * 5 + 1);
        for (std::size_t i = 0; i < 2048; ++i)
            names[i] = static_cast<std::uint8_t>(0xC0 + i % 32);
        for (std::size_t i = 0; i < 29; ++i)
            panel[i] = static_cast<std::uint8_t>(100 + i);
        for (std::size_t i = 0; i < 16; ++i)
            blockedDevices[i] = static_cast<std::uint8_t>(1u << (i % 8));
        for (std::size_t i = 0; i < 16; ++i)
            blockedLoops[i] = static_cast<std::uint8_t>(0x80u >> (i % 8));
    }

    // A file of the given version with a version string (ignored by version 0).
    Bytes file(std::int32_t version, const std::u16string& text) const {
        ByteWriter w;
        w.i32(version);
        if (version >= 1) {
            w.u32(static_cast<std::uint32_t>(2 * text.size() + 2));
            if (!text.empty()) {
                for (char16_t c : text)
                    w.u16(c);
                w.u16(0);
            }
        }
        for (const Bytes* b : {&deviceMap, &devices, &loops, &keyMap, &keyCodes, &keyData})
            w.bytes(*b);
        w.bytes(ByteSpan(names).first(version >= 3 ? 2048 : 1536));
        w.bytes(panel);
        if (version >= 2) {
            w.bytes(blockedDevices);
            w.bytes(blockedLoops);
        }
        return w.take();
    }
};

void expectTablesEqualBody(const DBK2& db, const Body& body, int version) {
    for (int d = 0; d < 128; ++d)
        for (int b = 0; b < 8; ++b)
            ASSERT_EQ(db.devices[d][b], body.devices[d * 8 + b]) << d << ":" << b;
    for (int m = 0; m < 128; ++m) {
        for (int b = 0; b < 9; ++b)
            ASSERT_EQ(db.loops[m][b], body.loops[m * 9 + b]) << m << ":" << b;
        ASSERT_EQ(db.loops[m][9], 0);
    }
    for (int k = 0; k < 256; ++k)
        for (int b = 0; b < 6; ++b) {
            ASSERT_EQ(db.keys[k][b], body.keyCodes[k * 6 + b]);
            ASSERT_EQ(db.keys[k][6 + b], body.keyData[k * 6 + b]);
        }
    for (int n = 0; n < 128; ++n)
        for (int b = 0; b < 16; ++b)
            ASSERT_EQ(db.names[n][b], n < 96 || version >= 3 ? body.names[n * 16 + b] : ' ') << n;
    EXPECT_TRUE(std::equal(db.deviceMap.begin(), db.deviceMap.end(), body.deviceMap.begin()));
    EXPECT_TRUE(std::equal(db.keyMap.begin(), db.keyMap.end(), body.keyMap.begin()));
    EXPECT_TRUE(std::equal(db.panelBlock.begin(), db.panelBlock.end(), body.panel.begin()));
    const bool blocked = version >= 2;
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(db.blockedDevices[i], blocked ? body.blockedDevices[i] : 0);
        EXPECT_EQ(db.blockedLoops[i], blocked ? body.blockedLoops[i] : 0);
    }
}

TEST(K2File, SavesByteExactLayoutAndLoadsItBack) {
    K2Fixture f;
    const Body body;
    // Fill the tables through their public fields from the same patterns,
    // with wrong checksums that the save must recompute.
    ASSERT_TRUE(f.db.LoadFromBytes(body.file(3, u"1.04")));
    for (auto& d : f.db.devices)
        d[7] ^= 0x5A;
    for (auto& l : f.db.loops)
        l[8] ^= 0x33;
    f.db.modified = 1;

    ASSERT_TRUE(f.db.SaveToDisk(f.path("base.tlv")));
    EXPECT_FALSE(std::filesystem::exists(f.dir / "base.tlv"));
    EXPECT_EQ(f.db.filePath, f.path("base.bta"));
    EXPECT_EQ(f.db.modified, 0);
    const Bytes saved = f.read("base.bta");
    EXPECT_EQ(saved.size(), 7413u + 10u);
    EXPECT_EQ(saved, body.file(3, u"1.04"));

    K2Fixture g;
    ASSERT_TRUE(g.db.LoadFromDisk(f.path("base.bta")));
    EXPECT_EQ(g.db.loadedFileVersion, 3);
    EXPECT_EQ(g.db.firmwareVersionText, "1.04");
    EXPECT_TRUE(g.db.databaseValid);
    EXPECT_EQ(g.db.filePath, f.path("base.bta"));
    for (bool v : g.db.sectionValid)
        EXPECT_TRUE(v);
    expectTablesEqualBody(g.db, body, 3);
    EXPECT_TRUE(g.prompter.calls.empty());
}

TEST(K2File, BuiltDatabaseSavesChecksummedRecordsAndEmptyVersionString) {
    K2Fixture f;
    const int dev = f.db.CreateElement(4, -1);
    f.db.devices[dev][0] = 0xAF;
    f.db.devices[dev][6] = 0xC0;
    const int key = f.db.CreateKey();
    f.db.keys[key][0] = 0x12;
    f.setName(3, "Склад");
    ASSERT_TRUE(f.db.SaveToDisk(f.path("new.bta")));
    const Bytes saved = f.read("new.bta");
    ASSERT_EQ(saved.size(), 7413u);
    EXPECT_EQ(getU32(saved, 0), 3u);
    EXPECT_EQ(getU32(saved, 4), 2u);  // an empty string: count 2, no characters
    const std::size_t body = 8;
    EXPECT_EQ(saved[body + 0], 0x01);  // device map: device 0
    const std::size_t d0 = body + 16;
    unsigned sum = 0;
    for (int b = 0; b < 8; ++b)
        sum += saved[d0 + b];
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(saved[d0 + 0], 0xAF);
    EXPECT_EQ(saved[d0 + 2], 0x74);  // type 4, condition 7
    EXPECT_EQ(saved[d0 + 4], 1);     // number = index + 1
    const std::size_t loop5 = body + 1040 + 5 * 9;
    sum = 0;
    for (int b = 0; b < 9; ++b)
        sum += saved[loop5 + b];
    EXPECT_EQ(sum % 256, 0u);
    EXPECT_EQ(saved[loop5 + 2], 5);  // own name index
    EXPECT_EQ(saved[loop5 + 7], 0);  // loops 0..63
    EXPECT_EQ(saved[body + 1040 + 70 * 9 + 7], 0xFF);
    EXPECT_EQ(saved[body + 2192], 0x01);           // key map
    EXPECT_EQ(saved[body + 2224], 0x12);           // key 0 code
    EXPECT_EQ(saved[body + 3760 + 0], 0);          // key 0 ordinal = its index
    EXPECT_EQ(saved[body + 3760 + 1], 3);          // key 0 kind
    EXPECT_EQ(saved[body + 3760 + 6], 0xFF);       // key 1 ordinal (free)
    EXPECT_EQ(saved[body + 5296 + 3 * 16], 0xD1);  // "С" in Windows-1251
    EXPECT_EQ(saved[body + 5296 + 3 * 16 + 15], ' ');
}

TEST(K2File, LoadsOlderVersions) {
    const Body body;
    for (int version : {0, 1, 2}) {
        SCOPED_TRACE(version);
        K2Fixture f;
        f.write("old.tlv", body.file(version, u"1.02"));
        ASSERT_TRUE(f.db.LoadFromDisk(f.path("old.tlv")));
        EXPECT_EQ(f.db.loadedFileVersion, version);
        EXPECT_EQ(f.db.firmwareVersionText, version == 0 ? "" : "1.02");
        expectTablesEqualBody(f.db, body, version);
        for (bool v : f.db.sectionValid)
            EXPECT_TRUE(v);
        EXPECT_EQ(f.db.filePath, f.path("old.tlv"));
        EXPECT_TRUE(f.prompter.calls.empty());
    }
}

TEST(K2File, RefusesWhatIsNotADatabase) {
    const struct {
        Bytes data;
        const char* message;
    } cases[] = {
        {{}, "Это не база данных"},
        {{3, 0, 0}, "Это не база данных"},
        {{0xFF, 0xFF, 0xFF, 0xFF}, "Это не база данных"},
        {{11, 0, 0, 0}, "Это не база данных"},
        {{4, 0, 0, 0}, "Номер версии БД больше версии конфигуратора"},
        {{10, 0, 0, 0, 2, 0, 0, 0}, "Номер версии БД больше версии конфигуратора"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(hexBytes(c.data));
        K2Fixture f;
        f.db.CreateElement(0, -1);
        f.db.filePath = "before.bta";
        f.write("x.bta", c.data);
        EXPECT_FALSE(f.db.LoadFromDisk(f.path("x.bta")));
        ASSERT_EQ(f.prompter.calls.size(), 1u);
        EXPECT_EQ(f.prompter.calls[0].text, c.message);
        EXPECT_EQ(f.prompter.calls[0].title, "Чтение базы");
        EXPECT_EQ(f.db.DeviceCount(), 0);  // reset
        EXPECT_FALSE(f.db.databaseValid);
        EXPECT_TRUE(f.db.filePath.empty());
    }
}

TEST(K2File, MissingFileAndUnreadablePath) {
    K2Fixture f;
    EXPECT_FALSE(f.db.LoadFromDisk(f.path("none.bta")));
    EXPECT_TRUE(f.prompter.calls.empty());
    // A folder exists but cannot be read as a file: the system's text.
    std::filesystem::create_directory(f.dir / "folder.bta");
    EXPECT_FALSE(f.db.LoadFromDisk(f.path("folder.bta")));
    ASSERT_EQ(f.prompter.calls.size(), 1u);
    EXPECT_EQ(f.prompter.calls[0].title, "Чтение базы");
    EXPECT_FALSE(f.prompter.calls[0].text.empty());
}

TEST(K2File, ShortFileKeepsDefaultsBeyondItsEnd) {
    const Body body;
    Bytes data = body.file(3, u"1.04");
    // End inside loop 10: devices, the device map and loops 0..9 come in.
    data.resize(8 + 10 + 16 + 1024 + 10 * 9 + 4);
    K2Fixture f;
    f.write("short.bta", data);
    ASSERT_TRUE(f.db.LoadFromDisk(f.path("short.bta")));
    EXPECT_TRUE(f.db.databaseValid);
    EXPECT_TRUE(f.db.sectionValid[k2::kSecDeviceMap]);
    EXPECT_TRUE(f.db.sectionValid[k2::kSecDevices]);
    EXPECT_FALSE(f.db.sectionValid[k2::kSecLoops]);
    EXPECT_FALSE(f.db.sectionValid[k2::kSecKeys]);
    EXPECT_EQ(f.db.loops[9][8], body.loops[9 * 9 + 8]);
    EXPECT_EQ(f.db.loops[10][3], body.loops[10 * 9 + 3]);  // the bytes that are there
    EXPECT_EQ(f.db.loops[10][4], 0xFF);                    // default beyond the end
    EXPECT_EQ(f.db.loops[11][2], 11);
    EXPECT_EQ(f.db.keys[0][6], 0xFF);
    EXPECT_EQ(f.db.names[0][0], ' ');
    // The load is a success, and the text for the user names every section
    // that took defaults (the cut one included) and none that came in whole.
    EXPECT_EQ(f.db.incompleteFileText,
              "Файл базы неполный: он кончается раньше, чем положено.\n"
              "Значения по умолчанию получили: шлейфы, список ключей, коды ключей, свойства "
              "ключей, имена шлейфов, параметры прибора, блокировки устройств, блокировки "
              "шлейфов.");
    EXPECT_TRUE(f.prompter.calls.empty());  // the loader itself says nothing
    // A complete file, loaded into the same database, leaves no such text.
    f.write("whole.bta", body.file(3, u"1.04"));
    ASSERT_TRUE(f.db.LoadFromDisk(f.path("whole.bta")));
    EXPECT_EQ(f.db.incompleteFileText, "");
    // A file that ends inside the version string count.
    K2Fixture g;
    g.write("tiny.bta", {3, 0, 0, 0, 10});
    ASSERT_TRUE(g.db.LoadFromDisk(g.path("tiny.bta")));
    EXPECT_EQ(g.db.DeviceCount(), 0);
    EXPECT_NE(g.db.incompleteFileText.find("Значения по умолчанию получили: список устройств, "
                                           "устройства, шлейфы"),
              std::string::npos);
}

TEST(K2File, VersionStringIsCutToEightCharactersAndOversizedCountIsNotRead) {
    const Body body;
    K2Fixture f;
    ASSERT_TRUE(f.db.LoadFromBytes(body.file(3, u"1.04-beta-build")));
    EXPECT_EQ(f.db.firmwareVersionText, "1.04-bet");
    expectTablesEqualBody(f.db, body, 3);

    // A count above 1000: no string, the sections follow the count at once.
    Bytes data = body.file(3, u"");
    putU32(data, 4, 5000);
    ASSERT_TRUE(f.db.LoadFromBytes(data));
    EXPECT_EQ(f.db.firmwareVersionText, "");
    expectTablesEqualBody(f.db, body, 3);
}

TEST(K2File, SaveNeedsAnExtensionAndReportsSystemErrors) {
    K2Fixture f;
    EXPECT_FALSE(f.db.SaveToDisk(f.path("noext")));
    EXPECT_FALSE(f.db.SaveToDisk(pathToUtf8(f.dir / "dir.d" / "noext")));
    EXPECT_TRUE(std::filesystem::is_empty(f.dir.path()) ||
                !std::filesystem::exists(f.dir / "noext"));
    // Each refusal says why.
    ASSERT_EQ(f.prompter.calls.size(), 2u);
    EXPECT_EQ(f.prompter.calls[0].text, "У имени файла нет расширения (.bta):\n" + f.path("noext"));
    EXPECT_EQ(f.prompter.calls[0].title, "Сохранение базы");
    f.prompter.calls.clear();
    EXPECT_FALSE(f.db.SaveToDisk(pathToUtf8(f.dir / "missing" / "x.bta")));
    ASSERT_EQ(f.prompter.calls.size(), 1u);
    EXPECT_EQ(f.prompter.calls[0].title, "Сохранение базы");
    EXPECT_TRUE(f.db.filePath.empty());
}

// An extension typed in capitals is the same extension: the file the user
// chose is written, under the name as the user spelt it.
TEST(K2File, ExtensionInCapitalsIsKeptAndWritesTheChosenFile) {
    struct Case {
        const char* chosen;
        const char* written;
    };
    const Case cases[] = {
        {"X.BTA", "X.BTA"}, {"y.Bta", "y.Bta"}, {"z.TLV", "z.bta"}, {"w.bta", "w.bta"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        K2Fixture f;
        ASSERT_TRUE(f.db.SaveToDisk(f.path(c.chosen)));
        EXPECT_EQ(f.db.filePath, f.path(c.written));
        std::vector<std::string> names;
        for (const auto& e : std::filesystem::directory_iterator(f.dir.path()))
            names.push_back(pathToUtf8(e.path().filename()));
        EXPECT_EQ(names, std::vector<std::string>{c.written});
    }
    K2Fixture f;
    ASSERT_TRUE(f.db.ExportCsv(f.path("LIST.CSV")));
    EXPECT_TRUE(std::filesystem::exists(f.dir / "LIST.CSV"));
    EXPECT_EQ(pathWithExtension("a.b/file", "csv"), std::nullopt);
    EXPECT_EQ(pathWithExtension("dir/F.Csv", "csv"), "dir/F.Csv");
    EXPECT_EQ(pathWithExtension("dir/F.txt", "csv"), "dir/F.csv");
}

}  // namespace
}  // namespace tavrin
