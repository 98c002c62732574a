// The list of recently used database files of one family: ten entries, entry
// 0 the most recent, kept as the keys "БД1" .. "БД10" of the family's section
// of the settings file. Paths are UTF-8 and kept whole.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace tavrin {

class RecentFiles {
  public:
    static constexpr int kCount = 10;

    void load(const IniFile& ini, const std::string& section);
    void store(IniFile& ini, const std::string& section) const;

    // Puts a path first: nothing changes when it already is first; a path
    // further down leaves its old place, otherwise the last entry drops out.
    // Returns true when the list changed. A path that a settings line cannot
    // hold (a line break or NUL in its name) is not taken: the list stays.
    bool add(const std::string& path);

    const std::string& entry(int index) const { return entries_[index]; }
    const std::array<std::string, kCount>& entries() const { return entries_; }

    struct MenuEntry {
        int index;         // 0-based entry
        std::string text;  // "%d.  %s"
    };
    // The menu lines of the non-empty entries.
    std::vector<MenuEntry> menuEntries() const;

  private:
    std::array<std::string, kCount> entries_;
};

// Loads the list of a section, puts the path first and writes all ten keys
// back to the settings file. Returns the updated list.
RecentFiles addRecentFile(const std::filesystem::path& settingsPath, const std::string& section,
                          const std::string& path);

}  // namespace tavrin
