// The recovery copy of a modified database: written when it changed (at most
// every 30 s), removed once saved, found after a run that ended without
// removing it (a SIGKILL), restored intact, and cleared when stale or broken.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <functional>
#include <map>

#include "app/recovery.h"
#include "base/file_io.h"
#include "families/r7/element_types.h"
#include "families/s5/dbs5.h"
#include "registry/family_registry.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {
namespace {

namespace fs = std::filesystem;

// What a database saves under `stem` (its extension added): every file by
// name for a folder, the one file's content under "" otherwise.
std::map<std::string, Bytes> saved(DBase& db, const fs::path& stem) {
    fs::path where = stem;
    if (!db.extension1.empty()) where += "." + db.extension1;
    const std::string path = db.filePath;
    const int modified = db.modified;
    EXPECT_TRUE(db.SaveToDisk(pathToUtf8(where)));
    db.filePath = path;
    db.modified = modified;
    std::map<std::string, Bytes> files;
    if (fs::is_directory(where)) {
        for (const auto& e : fs::directory_iterator(where))
            readWholeFile(e.path(), files[pathToUtf8(e.path().filename())]);
    } else {
        readWholeFile(where, files[""]);
    }
    fs::remove_all(where);
    return files;
}

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(pathToUtf8(it->path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

// An edit of each family through its own operations.
void edit(DBase& db) {
    switch (db.family()) {
        case Family::K2:
            db.CreateKey();
            break;
        case Family::R7:
            db.CreateElement(r7::kTypeObject, 0);
            break;
        case Family::S5: {
            auto& s5 = static_cast<DBS5&>(db);
            if (s5.lcpCount() == 0) s5.AddLcp();
            db.CreateElement(17, 1);
            break;
        }
    }
    ++db.modified;
}

struct RecoveryTest : ::testing::Test {
    TempDir dir;
    RecordingPrompter prompter;
    AppContext ctx = [this] {
        AppContext c = makeAppContext(dir.path());
        c.prompter = &prompter;
        return c;
    }();
    fs::path folder = RecoveryStore::folderFor(ctx);

    std::unique_ptr<DBase> fresh(Family family) {
        auto db = CreateDatabase(family, 0, ctx);
        db->ResetDatabase();
        db->databaseValid = true;
        return db;
    }
};

// For every family: no copy while unmodified; the first change is copied at
// once and the database keeps its file name and state; a later change waits
// for the interval; the copy restores the database exactly, with its own
// file name (a hostile one) and modified; saving removes the copy.
TEST_F(RecoveryTest, ACopyFollowsTheDatabaseAndRestoresItExactly) {
    const std::string hostileName = "/media/stick/a\n[Общее]\nfile=x.bta";
    for (const Family family : {Family::K2, Family::R7, Family::S5}) {
        SCOPED_TRACE(familyCode(family));
        RecoveryStore store(folder);
        auto db = fresh(family);
        db->filePath = hostileName;
        EXPECT_EQ(store.update(*db, 1000), 0);
        EXPECT_TRUE(namesIn(folder).empty());

        edit(*db);
        const int modified = db->modified;
        EXPECT_EQ(store.update(*db, 1000), 0);
        EXPECT_EQ(namesIn(folder).size(), 2u);
        EXPECT_EQ(db->filePath, hostileName);
        EXPECT_EQ(db->modified, modified);
        const auto first = saved(*db, dir / "first");

        edit(*db);
        EXPECT_EQ(store.update(*db, 1010), 20);  // too soon: the copy stays the first
        EXPECT_EQ(store.update(*db, 1030), 0);
        const auto second = saved(*db, dir / "second");
        ASSERT_NE(first, second);

        // Another run finds it once this one is gone: here, read as it lies.
        const auto copies = RecoveryStore(folder).leftBehind(1040);
        EXPECT_TRUE(copies.empty());  // this process still runs
        auto back = fresh(family);
        RecoveryCopy copy;
        copy.family = family;
        copy.filePath = hostileName;
        for (const std::string& name : namesIn(folder))
            if (name.find(".info") == std::string::npos) copy.data = folder / name;
        ASSERT_TRUE(RecoveryStore::restore(copy, *back));
        EXPECT_EQ(saved(*back, dir / "back"), second);
        EXPECT_EQ(back->filePath, hostileName);
        EXPECT_NE(back->modified, 0);
        // A copy of another family is not loaded.
        auto other = fresh(family == Family::K2 ? Family::R7 : Family::K2);
        EXPECT_FALSE(RecoveryStore::restore(copy, *other));

        db->modified = 0;  // saved
        EXPECT_EQ(store.update(*db, 1100), 0);
        EXPECT_TRUE(namesIn(folder).empty());
    }
}

// A copy the family will not save yet (an LCP still empty) shows nothing and
// leaves no description; the database is copied once it saves again.
TEST_F(RecoveryTest, ACopyThatCannotBeSavedShowsNothing) {
    RecoveryStore store(folder);
    auto db = fresh(Family::S5);
    edit(*db);
    static_cast<DBS5&>(*db).AddLcp();  // empty
    ++db->modified;
    store.update(*db, 1000);
    EXPECT_TRUE(prompter.calls.empty());
    for (const std::string& name : namesIn(folder))
        EXPECT_EQ(name.find(".info"), std::string::npos) << name;
    static_cast<DBS5&>(*db).RemoveLcp(2);
    ++db->modified;
    store.update(*db, 1001);
    EXPECT_EQ(namesIn(folder).size(), 2u);
    EXPECT_TRUE(prompter.calls.empty());
}

#ifndef _WIN32
// A process that no longer runs: a child that has ended.
unsigned long deadPid() {
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(0);
    int status = 0;
    ::waitpid(pid, &status, 0);
    return static_cast<unsigned long>(pid);
}

// A program killed with SIGKILL after an edit: the next start finds its copy
// with the file name and time, restores it byte for byte, and removes it.
TEST_F(RecoveryTest, ACopyWrittenBeforeSigkillIsFoundAndRestoredIntact) {
    const auto make = [&] {
        auto db = fresh(Family::K2);
        for (int i = 0; i < 5; ++i)
            edit(*db);
        db->filePath = "/home/user/Склад.bta";
        return db;
    };
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        auto db = make();
        RecoveryStore store(folder);
        store.update(*db, RecoveryStore::now());
        (void)!::write(ready[1], "x", 1);
        for (;;)
            ::pause();
    }
    char c = 0;
    ASSERT_EQ(::read(ready[0], &c, 1), 1);
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ::close(ready[0]);
    ::close(ready[1]);
    ASSERT_TRUE(WIFSIGNALED(status));

    const auto copies = RecoveryStore(folder).leftBehind(RecoveryStore::now());
    ASSERT_EQ(copies.size(), 1u);
    const RecoveryCopy& copy = copies[0];
    EXPECT_EQ(copy.pid, static_cast<unsigned long>(child));
    EXPECT_EQ(copy.family, Family::K2);
    EXPECT_EQ(copy.filePath, "/home/user/Склад.bta");
    EXPECT_LE(RecoveryStore::now() - copy.savedAt, 60);
    const std::string question = RecoveryStore::question(copy);
    EXPECT_EQ(question.rfind("Восстановить несохранённую базу?", 0), 0u) << question;
    EXPECT_NE(question.find("/home/user/Склад.bta"), std::string::npos);

    auto back = fresh(Family::K2);
    ASSERT_TRUE(RecoveryStore::restore(copy, *back));
    auto expected = make();
    EXPECT_EQ(saved(*back, dir / "back"), saved(*expected, dir / "back"));
    RecoveryStore::remove(copy);
    EXPECT_TRUE(namesIn(folder).empty());
}

// What a start finds: a fresh copy of an ended run is offered; a stale one,
// a description without its copy, a copy without its description and a
// broken description are removed; the copy of a running program is left.
TEST_F(RecoveryTest, LeftBehindOffersOnlyWholeFreshCopiesOfEndedRuns) {
    fs::create_directories(folder);
    auto db = fresh(Family::R7);
    edit(*db);
    const auto put = [&](const std::string& stem, unsigned long pid, std::int64_t savedAt,
                         bool withData, bool withInfo) {
        if (withData) {
            const std::string path = db->filePath;
            ASSERT_TRUE(db->SaveToDisk(pathToUtf8(folder / (stem + ".bor"))));
            db->filePath = path;
        }
        if (withInfo) {
            const std::string info =
                "tavrin recovery 1\nfamily=1\nrole=" + stem.substr(stem.size() - 1) +
                "\npid=" + std::to_string(pid) + "\nsaved=" + std::to_string(savedAt) +
                "\nfile=/x/" + stem + ".bor";
            ASSERT_TRUE(
                writeFileAtomic(folder / (stem + ".info"), Bytes(info.begin(), info.end())));
        }
    };
    const unsigned long dead = deadPid();
    const std::int64_t now = 2'000'000'000;
    const std::string d = std::to_string(dead);
    put(d + "-0", dead, now - 100, true, true);                            // offered
    put(d + "-1", dead, now - 50, true, true);                             // offered, first
    put("1-0", dead, now - RecoveryStore::kStaleSeconds - 1, true, true);  // stale
    put("2-0", dead, now - 10, false, true);                               // no copy
    const unsigned long dead2 = deadPid();
    put(std::to_string(dead2) + "-0", dead2, now - 10, true, false);              // no description
    put(std::to_string(ownProcessId()) + "-0", ownProcessId(), now, true, true);  // running
    ASSERT_TRUE(writeFileAtomic(folder / "3-0.info", Bytes{'x', '\n'}));          // broken

    const auto copies = RecoveryStore(folder).leftBehind(now);
    ASSERT_EQ(copies.size(), 2u);
    EXPECT_EQ(copies[0].role, 1);
    EXPECT_EQ(copies[1].role, 0);
    EXPECT_EQ(copies[0].filePath, "/x/" + d + "-1.bor");
    const std::string own = std::to_string(ownProcessId()) + "-0";
    std::vector<std::string> expected{d + "-0.bor",  d + "-0.info", d + "-1.bor",
                                      d + "-1.info", own + ".bor",  own + ".info"};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(namesIn(folder), expected);
}
#endif

}  // namespace
}  // namespace tavrin::test
