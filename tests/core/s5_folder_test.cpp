// "Версан С5" database folder: loading hand-built files, saving them back
// byte for byte, and the folder's odd cases (gaps in the LCP numbers,
// partial and oversized files, absent messages, unreadable files, paths).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "base/file_io.h"
#include "base/folder_commit.h"
#include "base/text.h"
#include "families/s5/db_folder.h"
#include "families/s5/dbs5.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;
namespace fs = std::filesystem;

namespace {

// ---- Records built from the documented disk layouts ------------------------------

void putNamePadded(Bytes& r, std::size_t at, const std::string& utf8) {
    const std::string bytes = utf8ToCp1251(utf8);
    for (std::size_t i = 0; i < kNameSize; ++i) {
        r[at + i] = i < bytes.size() ? static_cast<std::uint8_t>(bytes[i]) : 0x20;
    }
}

// Two's complement of the byte sum of r[first..last], stored at `at`.
void putSum(Bytes& r, std::size_t last, std::size_t at) {
    unsigned sum = 0;
    for (std::size_t i = 0; i <= last; ++i)
        sum += r[i];
    const unsigned cs = (0x10000u - (sum & 0xFFFFu)) & 0xFFFFu;
    r[at] = static_cast<std::uint8_t>(cs);
    r[at + 1] = static_cast<std::uint8_t>(cs >> 8);
}

// 63 bytes: device bytes 0..60, checksum.
Bytes deviceImage(int number, int type, const std::string& name, int object = 0) {
    Bytes r(63, 0);
    r[0] = static_cast<std::uint8_t>(number);
    r[1] = static_cast<std::uint8_t>(type);
    r[2] = 8;
    r[3] = 0x81;
    r[6] = 0x34;
    r[7] = 0x12;
    r[8] = static_cast<std::uint8_t>(object);
    for (int i = 9; i <= 40; ++i)
        r[i] = static_cast<std::uint8_t>(i * 3 + number);
    putNamePadded(r, 41, name);
    putSum(r, 60, 61);
    return r;
}

// 96 bytes: object bytes 0..21, then 23..96 (disk offset = memory offset - 1).
Bytes objectImage(int flags, const std::string& name, int parent = 0, int linkLcp = 0,
                  int linkObject = 0) {
    Bytes r(96, 0);
    r[0] = static_cast<std::uint8_t>(flags);
    r[1] = 3;
    putNamePadded(r, 2, name);
    r[22] = 0x05;  // device bitmap: devices 0 and 2
    r[54] = static_cast<std::uint8_t>(linkLcp);
    r[55] = static_cast<std::uint8_t>(linkObject);
    r[56] = 30;
    r[57] = 42;  // 7:00
    r[58] = 126;
    putSum(r, 58, 59);
    r[93] = static_cast<std::uint8_t>(parent);
    putSum(r, 93, 94);
    return r;
}

// 32 bytes: key bytes 0..22, then 24..32.
Bytes keyImage(int number, const std::string& owner) {
    Bytes r(32, 0);
    r[0] = 2;
    r[1] = static_cast<std::uint8_t>(number);
    putNamePadded(r, 3, owner);
    for (int i = 0; i < 6; ++i)
        r[23 + i] = static_cast<std::uint8_t>(0xA0 + number + i);
    r[29] = 5;
    putSum(r, 29, 30);
    return r;
}

Bytes concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes messageEntry(const std::string& utf8) {
    Bytes out(4, 0);
    if (utf8.empty()) return out;
    const std::string text = utf8ToCp1251(utf8);
    putU32(out, 0, static_cast<std::uint32_t>(text.size() + 1));
    out.insert(out.end(), text.begin(), text.end());
    out.push_back(0);
    return out;
}

void writeFile(const fs::path& p, const Bytes& data) {
    std::ofstream f(p, std::ios::binary);
    f.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
}

Bytes readFile(const fs::path& p) {
    std::ifstream f(p, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>());
}

std::vector<std::string> fileNames(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class S5Folder : public ::testing::Test {
  protected:
    S5Folder() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        db = std::make_unique<DBS5>(0, ctx);
        fs::create_directories(in());
    }

    fs::path in() const { return dir / "in"; }
    fs::path out() const { return dir / "out"; }
    std::string str(const fs::path& p) const { return pathToUtf8(p); }

    // A populated folder: LCP 1 with every kind, LCP 2 with objects only,
    // console keys, messages and an archive list.
    void writePopulated() {
        writeFile(in() / "DBAU.001",
                  concat({deviceImage(0, 17, "ВЕРС-ДИП 0", 1), deviceImage(1, 37, "Ручной", 0),
                          deviceImage(2, 49, "УПТ ровно двадцать б", 2)}));
        writeFile(in() / "DBOBJ.001", concat({objectImage(0x81, "Склад"),
                                              objectImage(0x01, "Склад: стеллажи", 1, 2, 1)}));
        writeFile(in() / "DBKEY.001", concat({keyImage(1, "Иванов"), keyImage(2, "")}));
        writeFile(in() / "DBOBJ.002", objectImage(0x40, "Виртуальный", 0, 1, 1));
        writeFile(in() / "Keys.conf",
                  concat({keyImage(1, "Охрана"), keyImage(2, "Петров"), keyImage(3, "Сидоров")}));
        Bytes soob;
        for (int i = 0; i < 16; ++i) {
            const Bytes e = messageEntry(i == 0 ? "Пожар на складе" : i == 3 ? "X" : "");
            soob.insert(soob.end(), e.begin(), e.end());
        }
        writeFile(in() / "Soob.conf", soob);
        writeFile(in() / "ARCH.dat",
                  Bytes{'A', 'R', 'C', '0', '0', '1', '.', 'D', 'A', 'T', 0,   0,
                        'A', 'R', 'C', '0', '0', '2', '.', 'D', 'A', 'T', 'X', 'Y'});
    }

    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
};

}  // namespace

TEST_F(S5Folder, PopulatedFolderLoadsAndSavesBackByteForByte) {
    writePopulated();
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    EXPECT_TRUE(prompter.calls.empty());
    EXPECT_TRUE(db->databaseValid);
    EXPECT_EQ(db->filePath, str(in()));
    ASSERT_EQ(db->lcpCount(), 2);
    const LcpDatabase& l1 = *db->lcp(1);
    EXPECT_EQ(l1.deviceCount, 3);
    EXPECT_EQ(l1.objectCount, 2);
    EXPECT_EQ(l1.keyCount, 2);
    EXPECT_EQ(nameText(deviceName(l1.devices[1])), "Ручной");
    EXPECT_EQ(l1.devices[1][dev::kName + 6], 0);  // trailing blanks cut in memory
    EXPECT_EQ(nameText(deviceName(l1.devices[2])), "УПТ ровно двадцать б");
    EXPECT_EQ(l1.objects[1][obj::kParent], 1);
    EXPECT_EQ(l1.objects[1][obj::kLinkedLcp], 2);
    EXPECT_EQ(getU16(l1.keys[1], key::kNumber), 2);
    EXPECT_EQ(db->lcp(2)->deviceCount, 0);
    EXPECT_EQ(db->lcp(2)->objectCount, 1);
    EXPECT_EQ(db->commonKeyCount, 3);
    EXPECT_EQ(nameText(keyOwner(db->commonKeys[2])), "Сидоров");
    EXPECT_EQ(cp1251ToUtf8(db->messages[0]), "Пожар на складе");
    EXPECT_EQ(db->messages[3], "X");
    EXPECT_TRUE(db->messages[1].empty());
    EXPECT_EQ(db->archiveList, (std::vector<std::string>{"ARC001.DAT", "ARC002.DATXY"}));

    // The database checksum of the devices: the sum of the record checksums, negated.
    unsigned sum = 0;
    for (int i = 0; i < 3; ++i)
        sum += getU16(readFile(in() / "DBAU.001"), 63u * i + 61);
    EXPECT_EQ(db->LcpChecksum(1, 1), (0x10000u - (sum & 0xFFFF)) & 0xFFFF);

    ASSERT_TRUE(db->SaveToDisk(str(out())));  // a new folder is created
    EXPECT_TRUE(prompter.calls.empty());
    EXPECT_EQ(db->modified, 0);
    EXPECT_EQ(fileNames(out()), (std::vector<std::string>{"DBAU.001", "DBKEY.001", "DBOBJ.001",
                                                          "DBOBJ.002", "Keys.conf", "Soob.conf"}));
    for (const auto& name : fileNames(out())) {
        EXPECT_EQ(readFile(out() / name), readFile(in() / name)) << name;
    }
}

TEST_F(S5Folder, LoadingStopsAtTheFirstAbsentLcp) {
    for (const char* name : {"DBAU.001", "DBAU.002", "DBAU.004"}) {
        writeFile(in() / name, deviceImage(0, 17, name));
    }
    writeFile(in() / "DBKEY.003", Bytes{});  // an empty file is no record
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    EXPECT_EQ(db->lcpCount(), 2);
    EXPECT_EQ(db->lcp(4), nullptr);
    EXPECT_EQ(nameText(deviceName(db->lcp(2)->devices[0])), "DBAU.002");
    EXPECT_TRUE(db->filePath.empty());  // no "Keys.conf"
}

TEST_F(S5Folder, RecordCountsAreWholeRecordsUpToTheCapacity) {
    Bytes devices = concat({deviceImage(0, 17, "a"), deviceImage(1, 17, "b")});
    devices.resize(130, 0xEE);  // 2 records and 4 stray bytes
    writeFile(in() / "DBAU.001", devices);
    Bytes many;
    for (int i = 0; i < 300; ++i) {
        const Bytes k = keyImage(i % 256, "k");
        many.insert(many.end(), k.begin(), k.end());
    }
    writeFile(in() / "DBKEY.002", many);
    writeFile(in() / "DBAU.002", deviceImage(0, 17, "x"));
    Bytes common = many;
    for (int i = 0; i < 3; ++i)
        common.insert(common.end(), many.begin(), many.end());
    writeFile(in() / "Keys.conf", common);  // 1200 keys
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    EXPECT_EQ(db->lcp(1)->deviceCount, 2);
    EXPECT_EQ(db->lcp(2)->keyCount, 255);
    EXPECT_EQ(db->commonKeyCount, 1000);
}

TEST_F(S5Folder, MessagesOfLengthZeroOrOneAreAbsent) {
    Bytes soob = messageEntry("Первое");
    const Bytes one = {1, 0, 0, 0};
    soob.insert(soob.end(), one.begin(), one.end());
    const Bytes third = messageEntry("Третье");
    soob.insert(soob.end(), third.begin(), third.end());
    std::array<std::string, kMessages> messages;
    parseMessages(soob, messages);
    EXPECT_EQ(cp1251ToUtf8(messages[0]), "Первое");
    EXPECT_TRUE(messages[1].empty());
    EXPECT_EQ(cp1251ToUtf8(messages[2]), "Третье");
    EXPECT_TRUE(messages[3].empty());  // the file ends early

    // A length past the end of the file gives absent messages from there on.
    Bytes bad = messageEntry("ok");
    const Bytes huge = {0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b'};
    bad.insert(bad.end(), huge.begin(), huge.end());
    parseMessages(bad, messages);
    EXPECT_EQ(messages[0], "ok");
    EXPECT_TRUE(messages[1].empty());

    // Saved: absent messages as length 0, the others with their zero.
    messages = {};
    messages[1] = "ab";
    const Bytes saved = serializeMessages(messages);
    EXPECT_EQ(saved.size(), 16u * 4 + 3);
    EXPECT_EQ(getU32(saved, 4), 3u);
    EXPECT_EQ(saved[10], 0);
}

TEST_F(S5Folder, SavingDeletesTheFilesOfEmptyKindsAndOfRemovedLcps) {
    writeFile(in() / "DBAU.001", deviceImage(0, 17, "a"));
    writeFile(in() / "DBOBJ.001", objectImage(0x80, "o"));
    writeFile(in() / "DBAU.002", deviceImage(0, 17, "b"));
    writeFile(in() / "DBKEY.002", keyImage(1, "k"));
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    db->RemoveElement(deviceItem(1, 0));  // LCP 1: objects but no devices
    db->RemoveLcp(2);
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    EXPECT_EQ(fileNames(in()), (std::vector<std::string>{"DBOBJ.001", "Keys.conf", "Soob.conf"}));
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    EXPECT_EQ(db->lcpCount(), 1);
    EXPECT_EQ(db->lcp(1)->deviceCount, 0);
    EXPECT_EQ(db->lcp(1)->objectCount, 1);
}

TEST_F(S5Folder, AnEmptyLcpSavesAsFailureWithAWarning) {
    db->AddLcp();
    db->CreateElement(17, 1);
    db->AddLcp();
    EXPECT_FALSE(db->SaveToDisk(str(out())));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].title, "Сохранение базы");
    EXPECT_NE(db->modified, 0);
    EXPECT_TRUE(fs::exists(out() / "DBAU.001"));
    EXPECT_TRUE(fs::exists(out() / "Soob.conf"));
}

TEST_F(S5Folder, NewRecordsWithHolesArePackedBeforeSaving) {
    db->AddLcp();
    for (int i = 0; i < 3; ++i)
        db->CreateElement(17, 1);
    db->RemoveElement(deviceItem(1, 1));
    for (int i = 0; i < 3; ++i)
        db->CreateKey();
    db->RemoveKey(0);
    ASSERT_TRUE(db->SaveToDisk(str(out())));
    EXPECT_EQ(readFile(out() / "DBAU.001").size(), 2u * 63);
    EXPECT_EQ(readFile(out() / "Keys.conf").size(), 2u * 32);
    ASSERT_TRUE(db->LoadFromDisk(str(out())));
    EXPECT_EQ(db->lcp(1)->devices[1][dev::kNumber], 1);
    EXPECT_EQ(nameText(deviceName(db->lcp(1)->devices[1])), "ВЕРС-ДИП 2");
    EXPECT_EQ(getU16(db->commonKeys[1], key::kNumber), 2);
}

TEST_F(S5Folder, UnreadableFilesAreReportedAndLoadingGoesOn) {
    writeFile(in() / "DBAU.001", deviceImage(0, 17, "a"));
    fs::create_directory(in() / "DBOBJ.001");  // exists, cannot be read as a file
    fs::create_directory(in() / "Soob.conf");
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    ASSERT_EQ(prompter.calls.size(), 2u);
    for (const auto& c : prompter.calls) {
        EXPECT_EQ(c.title, "Чтение базы");
        EXPECT_EQ(c.icon, PromptIcon::Error);
        EXPECT_FALSE(c.text.empty());
    }
    EXPECT_EQ(db->lcpCount(), 0);  // the failed object file makes LCP 1 absent
    EXPECT_TRUE(db->databaseValid);
}

// An LCP whose object file cannot be read fails although its key file
// reads (the outcome is the AND of the reads), and the load is partial: a
// save over the folder asks first and deletes nothing.
TEST_F(S5Folder, AnUnreadableFileFailsItsLcpAndTheSaveDeletesNothing) {
    writeFile(in() / "DBAU.001", deviceImage(0, 17, "a"));
    writeFile(in() / "DBKEY.001", keyImage(1, "k"));
    fs::create_directory(in() / "DBOBJ.001");  // exists, cannot be read as a file
    writeFile(in() / "DBAU.002", deviceImage(0, 17, "b"));
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    EXPECT_EQ(db->lcpCount(), 0);
    EXPECT_TRUE(db->folderReadIncomplete);
    const std::string warning = db->SaveWarning(str(in()));
    EXPECT_EQ(warning, "База в папке\n" + str(in()) +
                           "\nпрочитана не полностью: файлы LCP 1 не удалось прочитать, LCP с "
                           "большими номерами не загружены.\nСохранить базу в эту папку? "
                           "Непрочитанные файлы не будут удалены.");
    EXPECT_EQ(db->SaveWarning(str(out())), "");

    // Saved anyway (the user said yes): every file of the folder is still there.
    db->AddLcp();
    db->CreateElement(17, 1);
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    EXPECT_TRUE(fs::is_directory(in() / "DBOBJ.001"));
    EXPECT_TRUE(fs::exists(in() / "DBKEY.001"));
    EXPECT_TRUE(fs::exists(in() / "DBAU.002"));
    // The folder still holds what was never read: the next save asks again.
    EXPECT_FALSE(db->SaveWarning(str(in())).empty());
}

// Saving into a folder that holds another database with more LCPs: the
// next load of the folder must give exactly the saved database, so the
// other database's files go with the commit, but only after the user agreed
// (without it nothing is written). Files of other names are never touched.
TEST_F(S5Folder, AnotherDatabasesFilesGoOnlyWithConsentAndTheFolderLoadsAsSaved) {
    fs::create_directories(out());
    for (int l = 1; l <= 3; ++l)
        writeFile(out() / deviceFileName(l), deviceImage(0, 17, "чужой " + std::to_string(l)));
    writeFile(out() / "DBKEY.001", keyImage(1, "чужой"));
    const std::vector<std::string> others = {"notes.txt", "DBAU.003.bak", "DBAU.065", "DBAU.3"};
    for (const auto& name : others)
        writeFile(out() / name, Bytes{1, 2, 3});
    db->AddLcp();
    db->CreateElement(17, 1);
    db->AddLcp();
    db->CreateElement(17, 2);

    EXPECT_EQ(db->foreignFolderFiles(str(out())),
              (std::vector<std::string>{"DBKEY.001", "DBAU.003"}));
    const std::string warning = db->SaveWarning(str(out()));
    EXPECT_EQ(warning, "В папке\n" + str(out()) +
                           "\nесть файлы другой базы, которых нет в сохраняемой:\nDBKEY.001, "
                           "DBAU.003\nПри чтении папки они смешались бы с этой базой.\nУдалить "
                           "эти файлы и сохранить базу в эту папку?");

    // Unconfirmed (the cli without --force, a caller that did not ask): refused.
    const auto before = fileNames(out());
    EXPECT_FALSE(db->SaveToDisk(str(out())));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Error);
    EXPECT_NE(prompter.calls[0].text.find("DBAU.003"), std::string::npos);
    EXPECT_NE(prompter.calls[0].text.find("База не сохранена."), std::string::npos);
    EXPECT_EQ(fileNames(out()), before);
    EXPECT_NE(db->modified, 0);

    // A confirmation is for that folder and the next save only.
    db->ConfirmSave(str(in()));
    EXPECT_FALSE(db->SaveToDisk(str(out())));
    db->ConfirmSave(str(out()));
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    EXPECT_FALSE(db->SaveToDisk(str(out())));
    EXPECT_EQ(fileNames(out()), before);

    db->ConfirmSave(str(out()));
    ASSERT_TRUE(db->SaveToDisk(str(out())));
    for (const auto& name : others)
        EXPECT_TRUE(fs::exists(out() / name)) << name;
    EXPECT_FALSE(fs::exists(out() / "DBAU.003"));
    EXPECT_FALSE(fs::exists(out() / "DBKEY.001"));
    DBS5 loaded(0, ctx);
    ASSERT_TRUE(loaded.LoadFromDisk(str(out())));
    ASSERT_EQ(loaded.lcpCount(), 2);
    for (int l = 1; l <= 2; ++l) {
        EXPECT_EQ(loaded.lcp(l)->deviceCount, 1);
        EXPECT_EQ(loaded.lcp(l)->keyCount, 0);
        EXPECT_EQ(loaded.lcp(l)->devices[0], db->lcp(l)->devices[0]);
    }
    // Now its own folder: saving again asks nothing.
    EXPECT_EQ(db->SaveWarning(str(out())), "");
}

// Saving back into the folder the database was loaded from deletes the
// files of the LCPs the user removed without asking; a database file there
// that the load never took (past a gap) is another database's and is asked
// about like any.
TEST_F(S5Folder, TheOwnFolderLosesItsRemovedLcpsUnasked) {
    for (int l = 1; l <= 3; ++l)
        writeFile(in() / deviceFileName(l), deviceImage(0, 17, "d"));
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    ASSERT_EQ(db->lcpCount(), 3);
    db->RemoveLcp(3);
    EXPECT_EQ(db->SaveWarning(str(in())), "");
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    EXPECT_FALSE(fs::exists(in() / "DBAU.003"));
    EXPECT_TRUE(fs::exists(in() / "DBAU.002"));
    EXPECT_TRUE(prompter.calls.empty());

    writeFile(in() / "DBKEY.005", keyImage(1, "k"));
    EXPECT_EQ(db->foreignFolderFiles(str(in())), std::vector<std::string>{"DBKEY.005"});
    EXPECT_FALSE(db->SaveToDisk(str(in())));
    EXPECT_TRUE(fs::exists(in() / "DBKEY.005"));
}

// A recovery copy or a backup is saved elsewhere without the database
// taking that folder as its own: saving back into its own folder after it
// still deletes the removed LCPs' files unasked, and a later copy over a
// bigger earlier one leaves no stale LCP behind.
TEST_F(S5Folder, ACopyKeepsTheDatabasesOwnFolder) {
    for (int l = 1; l <= 3; ++l)
        writeFile(in() / deviceFileName(l), deviceImage(0, 17, "d"));
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    ASSERT_TRUE(db->SaveCopyToDisk(str(out())));
    db->RemoveLcp(3);
    const int modified = db->modified;
    const std::string path = db->filePath;
    ASSERT_TRUE(db->SaveCopyToDisk(str(out())));
    EXPECT_EQ(db->modified, modified);
    EXPECT_EQ(db->filePath, path);
    EXPECT_FALSE(fs::exists(out() / "DBAU.003"));
    EXPECT_EQ(db->SaveWarning(str(in())), "");
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    EXPECT_FALSE(fs::exists(in() / "DBAU.003"));
}

TEST_F(S5Folder, PathsThatAreMissingOrTooLong) {
    db->AddLcp();
    EXPECT_FALSE(db->LoadFromDisk(str(dir / "missing")));
    EXPECT_TRUE(prompter.calls.empty());
    EXPECT_EQ(db->lcpCount(), 1);  // nothing was reset

    const std::string longPath = str(dir.path()) + "/" + std::string(200, 'a');
    EXPECT_FALSE(db->LoadFromDisk(longPath));
    EXPECT_FALSE(db->SaveToDisk(longPath));
    ASSERT_EQ(prompter.calls.size(), 2u);
    EXPECT_EQ(prompter.calls[0].title, "Чтение базы");
    EXPECT_EQ(prompter.calls[1].title, "Сохранение базы");
    EXPECT_EQ(db->lcpCount(), 1);
    EXPECT_FALSE(fs::exists(longPath));

    // Exactly 200 characters (Cyrillic counts one each) is accepted.
    std::string fits = str(dir.path());
    while (utf16Length(fits) < 185)
        fits += "/яяяяяяяяяя";
    while (utf16Length(fits) < 200)
        fits += "a";
    writeFile(in() / "DBAU.001", deviceImage(0, 17, "a"));
    fs::create_directories(pathFromUtf8(fits));
    fs::copy_file(in() / "DBAU.001", pathFromUtf8(fits) / "DBAU.001");
    EXPECT_TRUE(db->LoadFromDisk(fits));
    EXPECT_EQ(db->lcpCount(), 1);
}

TEST_F(S5Folder, SavingLeavesNoTemporaryFiles) {
    writePopulated();
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    ASSERT_TRUE(db->SaveToDisk(str(in())));
    for (const auto& name : fileNames(in()))
        EXPECT_EQ(name.find(".tmp"), std::string::npos) << name;
}

TEST_F(S5Folder, AFileThatCannotBeReplacedFailsTheSaveAndLeavesTheFolder) {
    writePopulated();
    ASSERT_TRUE(db->LoadFromDisk(str(in())));
    fs::create_directories(out() / "Keys.conf" / "inside");  // cannot be replaced by a file
    EXPECT_FALSE(db->SaveToDisk(str(out())));
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].title, "Сохранение базы");
    EXPECT_EQ(prompter.calls[0].icon, PromptIcon::Error);
    EXPECT_EQ(fileNames(out()), std::vector<std::string>{"Keys.conf"});  // nothing else came
    EXPECT_TRUE(fs::is_directory(out() / "Keys.conf" / "inside"));
    EXPECT_EQ(db->filePath, str(in()));  // still the folder it came from
}

// The folder's files by name, without the temporary files of a save.
std::map<std::string, Bytes> folderState(const fs::path& folder) {
    std::map<std::string, Bytes> files;
    for (const auto& name : fileNames(folder)) {
        if (isOurTemporaryName(name) || name == FolderCommit::kRecordName) continue;
        files[name] = readFile(folder / name);
    }
    return files;
}

// A save stopped at any step, as a kill stops it, leaves a folder that the
// next load finds entirely old (before the commit record) or entirely new
// (after it), deletions included; a rename that fails puts the old files
// back.
TEST_F(S5Folder, AFolderSaveIsAllOrNothingAtEveryStep) {
    writePopulated();
    const auto edit = [](DBS5& d) {
        d.RemoveLcp(2);                     // deletes DBOBJ.002
        d.RemoveElement(deviceItem(1, 0));  // rewrites DBAU.001
        d.messages[1] = "Новое сообщение";  // rewrites Soob.conf
    };
    const auto oldState = folderState(in());
    std::vector<std::string> steps;
    {
        fs::copy(in(), dir / "probe");
        DBS5 d(0, ctx);
        ASSERT_TRUE(d.LoadFromDisk(str(dir / "probe")));
        edit(d);
        FolderCommit::testHook = [&](const std::string& step) {
            steps.push_back(step);
            return true;
        };
        ASSERT_TRUE(d.SaveToDisk(str(dir / "probe")));
        FolderCommit::testHook = nullptr;
    }
    const auto newState = folderState(dir / "probe");
    ASSERT_NE(oldState, newState);
    ASSERT_EQ(newState.count("DBOBJ.002"), 0u);
    ASSERT_GE(steps.size(), 8u);

    bool decided = false;
    for (const std::string& stop : steps) {
        decided = decided || stop == "record";
        const fs::path work = dir / ("w" + std::to_string(&stop - steps.data()));
        fs::copy(in(), work);
        {
            DBS5 d(0, ctx);
            ASSERT_TRUE(d.LoadFromDisk(str(work)));
            edit(d);
            FolderCommit::testHook = [&](const std::string& step) { return step != stop; };
            d.SaveToDisk(str(work));
            FolderCommit::testHook = nullptr;
        }
        DBS5 again(0, ctx);
        ASSERT_TRUE(again.LoadFromDisk(str(work))) << stop;
        EXPECT_EQ(folderState(work), decided ? newState : oldState) << stop;
        EXPECT_FALSE(fs::exists(work / FolderCommit::kRecordName)) << stop;
    }

    // A rename that fails (its new file vanished): the old files come back.
    const fs::path work = dir / "failing";
    fs::copy(in(), work);
    DBS5 d(0, ctx);
    ASSERT_TRUE(d.LoadFromDisk(str(work)));
    edit(d);
    FolderCommit::testHook = [&](const std::string& step) {
        if (step == "rename:Soob.conf") {
            for (const auto& name : fileNames(work))
                if (name.rfind("Soob.conf.~", 0) == 0) fs::remove(work / name);
        }
        return true;
    };
    prompter.calls.clear();
    EXPECT_FALSE(d.SaveToDisk(str(work)));
    FolderCommit::testHook = nullptr;
    EXPECT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(folderState(work), oldState);
    EXPECT_EQ(fileNames(work).size(), oldState.size());
}
