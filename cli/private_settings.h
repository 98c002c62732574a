// The private copy of the settings file that a device command works with: the
// user's "Tavrin.ini" with the port keys of the command line, so that the
// user's own file never changes.
//
// The copy lives in the temporary folder as a temporary file of our naming
// (created exclusively, with the process id in its name). It is removed when
// the command ends; a copy left by a command that was killed is removed by
// the next command.
#pragma once

#include <filesystem>
#include <string>

#include "settings/ini_file.h"

namespace tavrin::cli {

class PrivateSettings {
  public:
    PrivateSettings() = default;
    ~PrivateSettings();
    PrivateSettings(const PrivateSettings&) = delete;
    PrivateSettings& operator=(const PrivateSettings&) = delete;

    // Writes the copy; false with the reason printed on stderr.
    bool create(const IniFile& ini);
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

}  // namespace tavrin::cli
