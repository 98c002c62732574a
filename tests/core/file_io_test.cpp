#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

#include <filesystem>

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
    if (std::string(std::strerror(EISDIR)) == "Is a directory") {
        EXPECT_EQ(tavrin::systemErrorText(EISDIR), "Это каталог");
    }
    // An unknown number still says something Russian and keeps the number.
    const std::string odd = tavrin::systemErrorText(9999);
    EXPECT_TRUE(cyrillic(odd)) << odd;
    EXPECT_NE(odd.find("9999"), std::string::npos) << odd;
}
