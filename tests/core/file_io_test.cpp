#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <thread>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "base/file_batch.h"
#include "base/file_io.h"
#include "support/temp_dir.h"

namespace tavrin {
namespace {

// File names outside ASCII go through the wide API on Windows and through
// UTF-8 bytes elsewhere; both must reach the same file.
TEST(FileIo, WritesReplacesAndReadsANonAsciiName) {
    test::TempDir dir;
    const std::string name = pathToUtf8(dir.path()) + "/Пульт №1 – объект.bta";
    const std::filesystem::path path = pathFromUtf8(name);

    ASSERT_TRUE(writeFileAtomic(path, Bytes{1, 2, 3}));
    const Bytes second{0, 0xFF, 0x0D, 0x0A, 0x1A, 7};  // binary, no text-mode translation
    FileError error;
    ASSERT_TRUE(writeFileAtomic(path, second, &error)) << error.message;

    Bytes back;
    ASSERT_TRUE(readWholeFile(path, back));
    EXPECT_EQ(back, second);
    // Only the file itself is left: the temporary one was renamed over it.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
        ++files;
        EXPECT_EQ(pathToUtf8(entry.path().filename()), "Пульт №1 – объект.bta");
    }
    EXPECT_EQ(files, 1);
}

TEST(FileIo, ReportsTheSystemError) {
    test::TempDir dir;
    Bytes out{9};
    FileError error;
    EXPECT_FALSE(readWholeFile(dir / "нет такого.bta", out, &error));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(error.message.empty());
    EXPECT_TRUE(out.empty());

    // A save into a folder that does not exist fails and creates nothing.
    error = {};
    EXPECT_FALSE(writeFileAtomic(dir / "нет" / "база.bta", Bytes{1}, &error));
    EXPECT_NE(error.code, 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "нет"));
}

TEST(FileIo, ReadStopsAtTheLimit) {
    test::TempDir dir;
    ASSERT_TRUE(writeFileAtomic(dir / "f", Bytes(100, 0x55)));
    Bytes out;
    bool truncated = false;
    ASSERT_TRUE(readWholeFile(dir / "f", out, nullptr, 64, &truncated));
    EXPECT_EQ(out.size(), 64u);
    EXPECT_TRUE(truncated);
    ASSERT_TRUE(readWholeFile(dir / "f", out, nullptr, 100, &truncated));
    EXPECT_EQ(out.size(), 100u);
    EXPECT_FALSE(truncated);
}

Bytes readAll(const std::filesystem::path& p) {
    Bytes b;
    readWholeFile(p, b);
    return b;
}

std::vector<std::string> namesIn(const std::filesystem::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        names.push_back(pathToUtf8(e.path().filename()));
    std::sort(names.begin(), names.end());
    return names;
}

#ifndef _WIN32

// Saves running at the same time each use their own temporary file: every
// save succeeds, the file holds one of them whole, nothing is left over.
TEST(FileIo, ConcurrentSavesUseTheirOwnTemporaries) {
    test::TempDir dir;
    const auto path = dir / "f.bta";
    std::vector<std::thread> threads;
    std::atomic<int> failures{0};
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < 20; ++i) {
                if (!writeFileAtomic(path, Bytes(1000 + t, static_cast<std::uint8_t>(t))))
                    ++failures;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(failures.load(), 0);
    const Bytes b = readAll(path);
    ASSERT_GE(b.size(), 1000u);
    EXPECT_EQ(b, Bytes(b.size(), static_cast<std::uint8_t>(b.size() - 1000)));
    EXPECT_EQ(namesIn(dir.path()), std::vector<std::string>{"f.bta"});
}

// A folder, a pipe or a device is refused at once, never waited on.
TEST(FileIo, ReadsOnlyRegularFiles) {
    test::TempDir dir;
    ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
    for (const std::filesystem::path& p :
         {dir.path(), dir / "pipe", std::filesystem::path("/dev/null")}) {
        Bytes out;
        FileError error;
        EXPECT_FALSE(readWholeFile(p, out, &error)) << p;
        EXPECT_EQ(error.message, kNotARegularFileText) << p;
    }
}

mode_t modeOf(const std::filesystem::path& p) {
    struct stat st {};
    ::stat(p.c_str(), &st);
    return st.st_mode & 07777;
}

// The saved file keeps its permissions; a new one gets the default ones.
TEST(FileIo, SaveKeepsThePermissions) {
    test::TempDir dir;
    for (const mode_t mode : {0600, 0640, 0444, 0664}) {
        const auto p = dir / ("m" + std::to_string(mode));
        ASSERT_TRUE(writeFileAtomic(p, Bytes{1}));
        ASSERT_EQ(::chmod(p.c_str(), mode), 0);
        ASSERT_TRUE(writeFileAtomic(p, Bytes{2}));
        EXPECT_EQ(modeOf(p), mode) << std::oct << mode;
        EXPECT_EQ(readAll(p), Bytes{2});
    }
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ASSERT_TRUE(writeFileAtomic(dir / "new", Bytes{1}));
    EXPECT_EQ(modeOf(dir / "new"), 0666 & ~mask);
}

// A link planted where a temporary file used to be put does not lead the save
// to its target; saving over a link writes the file it leads to and keeps it.
TEST(FileIo, LinksAreNeitherFollowedNorReplaced) {
    test::TempDir dir;
    const auto victim = dir / "victim";
    ASSERT_TRUE(writeFileAtomic(victim, Bytes{'v'}));
    std::filesystem::create_symlink(victim, dir / "db.bta.tmp~");
    ASSERT_TRUE(writeFileAtomic(dir / "db.bta", Bytes{'n'}));
    EXPECT_EQ(readAll(victim), Bytes{'v'});
    EXPECT_EQ(readAll(dir / "db.bta"), Bytes{'n'});
    EXPECT_FALSE(std::filesystem::is_symlink(dir / "db.bta.tmp~"));  // the stale name cleaned

    std::filesystem::create_directories(dir / "real");
    ASSERT_TRUE(writeFileAtomic(dir / "real" / "x.bta", Bytes{1}));
    ASSERT_EQ(::chmod((dir / "real" / "x.bta").c_str(), 0600), 0);
    std::filesystem::create_symlink("real/x.bta", dir / "rel-link");   // relative
    std::filesystem::create_symlink(dir / "rel-link", dir / "chain");  // a chain of two
    for (const char* name : {"rel-link", "chain"}) {
        const Bytes data(3, static_cast<std::uint8_t>(name[0]));
        ASSERT_TRUE(writeFileAtomic(dir / name, data)) << name;
        EXPECT_TRUE(std::filesystem::is_symlink(dir / name)) << name;
        EXPECT_EQ(readAll(dir / "real" / "x.bta"), data) << name;
        EXPECT_EQ(modeOf(dir / "real" / "x.bta"), 0600u) << name;
    }
    EXPECT_EQ(namesIn(dir / "real"), std::vector<std::string>{"x.bta"});
}

// Temporaries of a killed save are removed by the next save of the same
// file; those of a running process and of other files stay.
TEST(FileIo, NextSaveRemovesStaleTemporaries) {
    const pid_t dead = ::fork();
    if (dead == 0) ::_exit(0);
    ASSERT_GT(dead, 0);
    ::waitpid(dead, nullptr, 0);
    const std::string tag = "-0123456789abcdef.tmp~";
    const std::string deadName = "db.bta.~" + std::to_string(dead) + tag;
    const std::string liveName = "db.bta.~" + std::to_string(::getppid()) + tag;
    const std::string otherName = "other.bta.~" + std::to_string(dead) + tag;
    const std::string userName = "db.bta.~notours.tmp~";

    for (const bool batch : {false, true}) {
        test::TempDir dir;
        for (const auto& n : {deadName, liveName, otherName, userName, std::string("db.bta.tmp~")})
            ASSERT_TRUE(writeFileAtomic(dir / n, Bytes{0}));
        if (batch) {
            AtomicWriteBatch b;
            ASSERT_TRUE(b.add(dir / "db.bta", Bytes{1}));
            ASSERT_TRUE(b.commit(nullptr));
        } else {
            ASSERT_TRUE(writeFileAtomic(dir / "db.bta", Bytes{1}));
        }
        std::vector<std::string> expected{"db.bta", liveName, userName, otherName};
        std::sort(expected.begin(), expected.end());
        EXPECT_EQ(namesIn(dir.path()), expected) << batch;
        EXPECT_TRUE(isOurTemporaryName(deadName));
        EXPECT_FALSE(isOurTemporaryName(userName));
    }
}

#endif

}  // namespace
}  // namespace tavrin

// Messages about files are Russian whatever the system's language.
TEST(SystemErrorText, CommonNumbersAreRussian) {
    auto cyrillic = [](const std::string& s) {
        return s.find('\xD0') != std::string::npos || s.find('\xD1') != std::string::npos;
    };
    for (int code : {ENOENT, EACCES, EISDIR, ENOTDIR, ENOSPC, EROFS, EBUSY, EEXIST, ENXIO, EIO}) {
        SCOPED_TRACE(code);
        const std::string text = tavrin::systemErrorText(code);
        EXPECT_TRUE(cyrillic(text)) << text;
        EXPECT_EQ(text.find("directory"), std::string::npos) << text;
    }
#ifndef _WIN32
    // Windows numbers its errors otherwise (21 is "device not ready" there).
    if (std::string(std::strerror(EISDIR)) == "Is a directory") {
        EXPECT_EQ(tavrin::systemErrorText(EISDIR), "Это каталог");
    }
#endif
    // An unknown number still says something Russian and keeps the number.
    const std::string odd = tavrin::systemErrorText(9999);
    EXPECT_TRUE(cyrillic(odd)) << odd;
    EXPECT_NE(odd.find("9999"), std::string::npos) << odd;
}
