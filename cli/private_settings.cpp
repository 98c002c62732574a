#include "private_settings.h"

#include <iostream>

#include "base/file_io.h"

namespace tavrin::cli {

PrivateSettings::~PrivateSettings() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove(path_, ec);
}

bool PrivateSettings::create(const IniFile& ini) {
    std::error_code ec;
    const auto folder = std::filesystem::temp_directory_path(ec);
    if (ec) {
        std::cerr << "tavrin-cli: no temporary folder: " << ec.message() << "\n";
        return false;
    }
    const auto base = folder / "tavrin-cli.ini";
    removeStaleTemporaries(base);
    TemporaryFile file;
    int code = createTemporaryBeside(base, file);
    if (code == 0) {
        path_ = file.path;
        code = writeTemporary(file, ini.serialize());
        const int closed = closeTemporary(file);
        if (code == 0) code = closed;
    }
    if (code != 0) {
        std::cerr << "tavrin-cli: cannot write the settings copy in " << pathToUtf8(folder) << ": "
                  << systemErrorText(code) << "\n";
        return false;
    }
    return true;
}

}  // namespace tavrin::cli
