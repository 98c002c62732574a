#include "app/recent_files.h"

namespace tavrin {

namespace {
std::string keyName(int index) {
    return "БД" + std::to_string(index + 1);
}
}  // namespace

void RecentFiles::load(const IniFile& ini, const std::string& section) {
    for (int i = 0; i < kCount; ++i)
        entries_[i] = ini.value(section, keyName(i)).value_or("");
}

void RecentFiles::store(IniFile& ini, const std::string& section) const {
    for (int i = 0; i < kCount; ++i)
        ini.set(section, keyName(i), IniFile::quoted(entries_[i]));
}

bool RecentFiles::add(const std::string& path) {
    if (path.empty() || entries_[0] == path) return false;
    if (!IniFile::storable("x", "x", path)) return false;
    int from = kCount - 1;
    for (int i = 1; i < kCount; ++i) {
        if (entries_[i] == path) {
            from = i;
            break;
        }
    }
    for (int i = from; i > 0; --i)
        entries_[i] = entries_[i - 1];
    entries_[0] = path;
    return true;
}

std::vector<RecentFiles::MenuEntry> RecentFiles::menuEntries() const {
    std::vector<MenuEntry> out;
    for (int i = 0; i < kCount; ++i) {
        if (!entries_[i].empty()) out.push_back({i, std::to_string(i + 1) + ".  " + entries_[i]});
    }
    return out;
}

RecentFiles addRecentFile(const std::filesystem::path& settingsPath, const std::string& section,
                          const std::string& path) {
    IniFile ini;
    ini.load(settingsPath);
    RecentFiles list;
    list.load(ini, section);
    if (list.add(path)) {
        list.store(ini, section);
        ini.save(settingsPath);
    }
    return list;
}

}  // namespace tavrin
