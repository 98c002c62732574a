// The "Ордис Р7" database file: the written bytes, loads of every version,
// and the files that end early or cannot be written.
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

#include "families/r7/db_file.h"
#include "r7_fixture.h"

namespace tavrin::test {
namespace {

using namespace r7;

void writeFile(const std::string& path, const Bytes& bytes) {
    std::ofstream f(pathFromUtf8(path), std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
}

Bytes readFile(const std::string& path) {
    Bytes b;
    EXPECT_TRUE(readWholeFile(pathFromUtf8(path), b));
    return b;
}

// A file of the given version: the header, then `records` followed by free
// records up to 2047, each `recordSize` bytes (byte 38 of a 39-byte record
// set to `byte38`); `cutAt` truncates the whole file.
struct FileSpec {
    std::int32_t version = 2;
    std::optional<std::u16string> text;
    std::vector<std::array<std::uint8_t, 38>> records;
    std::uint8_t byte38 = 0;
    std::optional<std::size_t> cutAt;
};

Bytes buildFile(const FileSpec& s) {
    ByteWriter w;
    w.i32(s.version);
    if (s.version >= 2) {
        if (s.text) {
            w.u32(static_cast<std::uint32_t>(2 * s.text->size() + 2));
            for (char16_t c : *s.text)
                w.u16(c);
            w.u16(0);
        } else {
            w.u32(0);
        }
    }
    for (int i = 0; i < 2047; ++i) {
        const auto r = i < static_cast<int>(s.records.size()) ? s.records[i] : freeRecord();
        w.bytes(r);
        if (s.version == 0) w.u8(s.byte38);
    }
    Bytes out = w.take();
    if (s.cutAt && *s.cutAt < out.size()) out.resize(*s.cutAt);
    return out;
}

// A small table with a hole and ids out of order: the panel (address 3),
// object 5, a hole, device 9 under the object, key 7 under the object.
std::vector<std::array<std::uint8_t, 38>> sampleRecords() {
    return {
        storedRecord(1, 0, 1, {0, 0, 3, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Ордис Р7"),
        storedRecord(5, 1, 2, {4, 0, 0, 15, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Склад"),
        freeRecord(),
        storedRecord(9, 5, 26, {0, 0, 0, 0, 2, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Датчик"),
        storedRecord(7, 5, 4, {1, 0xA1, 2, 3, 4, 5, 6, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Петров"),
    };
}

TEST_F(R7Test, SaveWritesVersionTwoByteExactAndLoadsItBack) {
    ASSERT_EQ(db_->CreateElement(2, 0), 1);   // object, id 2
    ASSERT_EQ(db_->CreateElement(4, 1), 2);   // employee key, id 3
    ASSERT_EQ(db_->CreateElement(26, 1), 3);  // ДИП, id 4
    ASSERT_EQ(db_->CreateElement(4, 0), 4);   // general key, id 5
    db_->firmwareVersionText = "1.5";

    ASSERT_TRUE(db_->SaveToDisk(path("base.ord")));
    EXPECT_EQ(db_->filePath, path("base.bor"));
    EXPECT_EQ(db_->modified, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "base.ord"));

    ByteWriter w;
    w.i32(2);
    w.u32(8);
    for (char16_t c : std::u16string(u"1.5"))
        w.u16(c);
    w.u16(0);
    w.bytes(storedRecord(1, 0, 1, {0, 0, 1, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Ордис Р7"));
    w.bytes(storedRecord(2, 1, 2, {4, 0, 0, 15, 0, 0, 0, 0, 0, 0, 0, 0}, "Объект   2"));
    w.bytes(storedRecord(3, 2, 4, {1, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                         "Ключ сотрудника   3"));
    w.bytes(storedRecord(4, 2, 26, {0, 0, 0, 0, 0, 0xFF, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF},
                         "ВЕРС-ДИП   4"));
    w.bytes(storedRecord(5, 1, 4, {2, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF}, "Ключ   5"));
    for (int i = 5; i < 2047; ++i)
        w.bytes(freeRecord());
    const Bytes expected = w.take();
    const Bytes written = readFile(path("base.bor"));
    EXPECT_EQ(written.size(), 8u + 8u + 77786u);
    EXPECT_EQ(written, expected);

    auto other = std::make_unique<DBR7>(0, ctx_);
    ASSERT_TRUE(other->LoadFromDisk(path("base.bor")));
    EXPECT_TRUE(prompter_.calls.empty());
    EXPECT_TRUE(other->databaseValid);
    EXPECT_EQ(other->firmwareVersionText, "1.5");
    for (int i = 0; i < 2047; ++i) {
        ASSERT_EQ(other->table()[i].bytes, db_->table()[i].bytes) << "record " << i;
    }
}

TEST_F(R7Test, SaveCutsTheVersionStringToEightCharacters) {
    db_->firmwareVersionText = "123456789AB";
    ASSERT_TRUE(db_->SaveToDisk(path("v.bor")));
    const Bytes b = readFile(path("v.bor"));
    EXPECT_EQ(getU32(b, 4), 18u);
    EXPECT_EQ(b.size(), 8u + 18u + 77786u);
}

struct VersionCase {
    std::int32_t version;
    const char* versionText;  // expected after the load
};

class R7VersionLoad : public R7Test, public ::testing::WithParamInterface<VersionCase> {};

TEST_P(R7VersionLoad, LoadsAndRenumbers) {
    FileSpec s;
    s.version = GetParam().version;
    s.text = u"3.14";
    s.records = sampleRecords();
    s.byte38 = 0x55;  // the version 0 terminator byte on disk is not kept
    writeFile(path("in.ord"), buildFile(s));

    ASSERT_TRUE(db_->LoadFromDisk(path("in.ord")));
    EXPECT_TRUE(prompter_.calls.empty());
    EXPECT_TRUE(db_->databaseValid);
    EXPECT_EQ(db_->fileVersion(), GetParam().version);
    EXPECT_EQ(db_->firmwareVersionText, GetParam().versionText);
    EXPECT_EQ(db_->filePath, path("in.ord"));
    EXPECT_EQ(db_->modified, 0);
    EXPECT_EQ(db_->PanelAddress(), 3);

    // Ids 5, 7, 9 become 2, 3, 4 in that order; parents follow the object.
    const auto& t = db_->table();
    EXPECT_EQ(t[1].id(), 2);
    EXPECT_EQ(t[1].type(), 2);
    EXPECT_EQ(t[1].name(), "Склад");
    // The object's references were 0xFF00 and 0xFFFF on disk: "none".
    EXPECT_EQ(t[1].reference1(), 0);
    EXPECT_EQ(t[1].reference2(), 0);
    EXPECT_EQ(t[2].id(), 3);
    EXPECT_EQ(t[2].type(), 4);
    EXPECT_EQ(t[2].parent(), 2);
    EXPECT_EQ(t[2].bytes[6], 0xA1);
    EXPECT_EQ(t[3].id(), 4);
    EXPECT_EQ(t[3].type(), 26);
    EXPECT_EQ(t[3].parent(), 2);
    EXPECT_EQ(t[3].line(), 2);
    EXPECT_EQ(t[3].name(), "Датчик");
    EXPECT_TRUE(t[4].isFree());
    for (const auto& r : t)
        EXPECT_EQ(r.bytes[kOffTerminator], 0);
    EXPECT_EQ(db_->maxElementId(), 4);

    // A new element gets the number of used records plus one.
    const int created = db_->CreateElement(2, 0);
    EXPECT_EQ(created, 4);
    EXPECT_EQ(t[4].id(), 5);
}

INSTANTIATE_TEST_SUITE_P(Versions, R7VersionLoad,
                         ::testing::Values(VersionCase{0, ""}, VersionCase{1, ""},
                                           VersionCase{2, "3.14"}, VersionCase{7, "3.14"}));

struct ShortCase {
    const char* name;
    FileSpec spec;
    bool loads;
    const char* title;  // the message title, nullptr for no message
    bool valid;
    int elements;  // used records after the load
};

class R7ShortFile : public R7Test, public ::testing::WithParamInterface<ShortCase> {};

TEST_P(R7ShortFile, LoadsOrRefusesAsTheVersionSays) {
    const ShortCase& c = GetParam();
    writeFile(path("short.bor"), buildFile(c.spec));
    db_->CreateElement(2, 0);  // something to be replaced
    EXPECT_EQ(db_->LoadFromDisk(path("short.bor")), c.loads);
    if (c.title) {
        ASSERT_EQ(prompter_.calls.size(), 1u);
        EXPECT_EQ(prompter_.calls[0].text, "Обнаружен конец файла");
        EXPECT_EQ(prompter_.calls[0].title, c.title);
    } else {
        EXPECT_TRUE(prompter_.calls.empty());
    }
    EXPECT_EQ(db_->databaseValid, c.valid);
    EXPECT_EQ(db_->counts().elements, c.elements);
    EXPECT_EQ(db_->filePath.empty(), !c.loads);
    EXPECT_EQ(db_->modified, 0);
    // Whatever was loaded, new elements get fresh ids.
    const int index = db_->CreateElement(2, 0);
    ASSERT_GE(index, 0);
    for (int i = 0; i < 2048; ++i) {
        if (i != index && !db_->table()[i].isFree()) {
            EXPECT_NE(db_->table()[i].id(), db_->table()[index].id());
        }
    }
}

FileSpec spec(std::int32_t version, std::optional<std::size_t> cut,
              std::optional<std::u16string> text = std::nullopt) {
    FileSpec s;
    s.version = version;
    s.text = std::move(text);
    s.records = sampleRecords();
    s.cutAt = cut;
    return s;
}

INSTANTIATE_TEST_SUITE_P(
    Files, R7ShortFile,
    ::testing::Values(
        ShortCase{"v2_inside_record_4", spec(2, 8 + 38 * 4 + 20), false, "Чтение базы с диска",
                  false, 1},
        ShortCase{"v2_at_record_boundary", spec(2, 8 + 38 * 100), false, "Чтение базы с диска",
                  false, 1},
        ShortCase{"v2_inside_version_string", spec(2, 14, u"1.2.3"), false, "Чтение базы с диска",
                  false, 1},
        ShortCase{"v1_no_records", spec(1, 4), false, "Чтение базы с диска", false, 1},
        ShortCase{"v0_inside_record_4", spec(0, 4 + 39 * 4 + 10), true, "Чтекие базы с диска",
                  false, 4},
        ShortCase{"v0_header_only", spec(0, 4), true, "Чтекие базы с диска", false, 1},
        ShortCase{"two_bytes", spec(2, 2), false, "Чтение базы с диска", false, 1},
        ShortCase{"negative_version", spec(-1, 4), true, nullptr, false, 1},
        ShortCase{"complete_v1", spec(1, std::nullopt), true, nullptr, true, 4}),
    [](const auto& p) { return std::string(p.param.name); });

// References of 0xFFxx in a file are saved as 0.
TEST_F(R7Test, ObjectReferencesOfOlderFilesAreSavedAsNone) {
    FileSpec s;
    s.records = sampleRecords();
    writeFile(path("in.bor"), buildFile(s));
    ASSERT_TRUE(db_->LoadFromDisk(path("in.bor")));
    ASSERT_TRUE(db_->SaveToDisk(path("out.bor")));
    const Bytes out = readFile(path("out.bor"));
    const std::size_t object = 8 + 38;  // record 1, no version string
    for (int b : {12, 13, 14, 16})
        EXPECT_EQ(out[object + static_cast<std::size_t>(b)], 0) << b;
    EXPECT_EQ(out[object + 15], 0xFF);  // not a reference: kept
}

// A file whose record 0 is not the panel is refused with a message and
// leaves the empty database; nothing is moved or read from a free record.
TEST_F(R7Test, FileWithoutThePanelInRecordZeroIsRefused) {
    for (const bool freeFirst : {false, true}) {
        SCOPED_TRACE(freeFirst);
        FileSpec s;
        s.records = sampleRecords();
        if (freeFirst)
            s.records[0] = freeRecord();
        else
            std::swap(s.records[0], s.records[1]);
        writeFile(path("bad.bor"), buildFile(s));
        prompter_.calls.clear();
        db_->CreateElement(2, 0);
        EXPECT_FALSE(db_->LoadFromDisk(path("bad.bor")));
        ASSERT_EQ(prompter_.calls.size(), 1u);
        EXPECT_EQ(prompter_.calls[0].text,
                  "Первая запись файла не прибор: файл не является базой Ордиса Р7 или "
                  "поврежден.");
        EXPECT_EQ(prompter_.calls[0].title, "Чтение базы");
        EXPECT_EQ(db_->counts().elements, 1);
        EXPECT_EQ(db_->table()[0].type(), kTypePanel);
        EXPECT_EQ(db_->PanelAddress(), 1);
        EXPECT_TRUE(db_->filePath.empty());
    }
}

TEST_F(R7Test, VersionStringCountAboveLimitIsNotSkipped) {
    // A count above 1000 is not read: the records follow the count directly.
    ByteWriter w;
    w.i32(2);
    w.u32(5000);
    for (const auto& r : sampleRecords())
        w.bytes(r);
    for (int i = 5; i < 2047; ++i)
        w.bytes(freeRecord());
    writeFile(path("big.bor"), w.take());
    ASSERT_TRUE(db_->LoadFromDisk(path("big.bor")));
    EXPECT_TRUE(db_->databaseValid);
    EXPECT_EQ(db_->firmwareVersionText, "");
    EXPECT_EQ(db_->counts().elements, 4);
}

TEST_F(R7Test, LongStoredVersionStringIsCutOnLoad) {
    FileSpec s = spec(2, std::nullopt, u"V12345678901");
    writeFile(path("long.bor"), buildFile(s));
    ASSERT_TRUE(db_->LoadFromDisk(path("long.bor")));
    EXPECT_EQ(db_->firmwareVersionText, "V1234567");
}

TEST_F(R7Test, MissingFileFailsSilentlyAndUnreadableFileShowsTheSystemError) {
    db_->CreateElement(2, 0);
    EXPECT_FALSE(db_->LoadFromDisk(path("absent.bor")));
    EXPECT_TRUE(prompter_.calls.empty());
    EXPECT_EQ(db_->counts().objects, 1);  // untouched

    std::filesystem::create_directory(dir_ / "folder.bor");
    EXPECT_FALSE(db_->LoadFromDisk(path("folder.bor")));
    ASSERT_EQ(prompter_.calls.size(), 1u);
    EXPECT_EQ(prompter_.calls[0].title, "Чтение базы");
    EXPECT_FALSE(prompter_.calls[0].text.empty());
    EXPECT_EQ(prompter_.calls[0].icon, PromptIcon::Error);
}

TEST_F(R7Test, SaveFailuresKeepTheDatabaseModified) {
    db_->CreateElement(2, 0);
    // No extension in the file name: refused, saying why.
    EXPECT_FALSE(db_->SaveToDisk(path("noext")));
    EXPECT_FALSE(db_->SaveToDisk(pathToUtf8(dir_ / "dir.d" / "noext")));
    ASSERT_EQ(prompter_.calls.size(), 2u);
    EXPECT_EQ(prompter_.calls[0].text, "У имени файла нет расширения (.bor):\n" + path("noext"));
    prompter_.calls.clear();

    EXPECT_FALSE(db_->SaveToDisk(pathToUtf8(dir_ / "missing" / "base.bor")));
    ASSERT_EQ(prompter_.calls.size(), 1u);
    EXPECT_EQ(prompter_.calls[0].title, "Сохранение базы");
    EXPECT_EQ(db_->modified, 1);
    EXPECT_TRUE(db_->filePath.empty());

    // A failed save over an existing file leaves that file as it was.
    ASSERT_TRUE(db_->SaveToDisk(path("keep.bor")));
    const Bytes before = readFile(path("keep.bor"));
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::remove);
    db_->CreateElement(2, 0);
    const bool saved = db_->SaveToDisk(path("keep.bor"));
    std::filesystem::permissions(dir_.path(), std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    if (!saved) {  // (root may write anyway)
        EXPECT_EQ(readFile(path("keep.bor")), before);
        EXPECT_EQ(db_->modified, 1);
    }
}

}  // namespace
}  // namespace tavrin::test
