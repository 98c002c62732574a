// Fuzz target: the commit record a killed folder save leaves behind (a folder
// handed over may carry any bytes under its name). Recovery must never touch
// a file outside the folder nor crash; the folder holds a file and one
// temporary of our naming for it to act on.
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "base/file_io.h"
#include "base/folder_commit.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    namespace fs = std::filesystem;
    static const fs::path root =
        fs::temp_directory_path() / ("tavrin-fuzz-commit-" + std::to_string(::getpid()));
    std::error_code ec;
    fs::remove_all(root, ec);
    const fs::path folder = root / "db";
    fs::create_directories(folder, ec);
    tavrin::writeFileAtomic(root / "outside", tavrin::Bytes{1});
    tavrin::writeFileAtomic(folder / "DBAU.001", tavrin::Bytes{2});
    tavrin::writeFileAtomic(folder / "DBAU.001.~1-0123456789abcdef.tmp~", tavrin::Bytes{3});
    tavrin::writeFileAtomic(folder / tavrin::FolderCommit::kRecordName,
                            tavrin::ByteSpan(data, size));
    tavrin::FileError error;
    tavrin::FolderCommit::recover(folder, &error);
    if (!fs::exists(root / "outside")) __builtin_trap();
    fs::remove_all(root, ec);
    return 0;
}
