#include "app/trusted_write.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "base/file_io.h"
#include "base/text.h"
#include "link/console_operations.h"
#include "link/port_settings.h"
#include "registry/family_registry.h"
#include "settings/ini_file.h"

namespace tavrin {

namespace {

// "YYYY-MM-DD_HH-MM-SS" at the end of a name (without its extension).
bool parseStamp(const std::string& s, LocalTime& t) {
    // The stamp follows the address's "_".
    if (s.size() < 20 || s[s.size() - 20] != '_') return false;
    const std::string tail = s.substr(s.size() - 19);
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, se = 0;
    char c1 = 0, c2 = 0, c3 = 0, c4 = 0, c5 = 0;
    if (std::sscanf(tail.c_str(), "%4d%c%2d%c%2d%c%2d%c%2d%c%2d", &y, &c1, &mo, &c2, &d, &c3, &h,
                    &c4, &mi, &c5, &se) != 11 ||
        c1 != '-' || c2 != '-' || c3 != '_' || c4 != '-' || c5 != '-')
        return false;
    t.year = y;
    t.month = mo;
    t.day = d;
    t.hour = h;
    t.minute = mi;
    t.second = se;
    return true;
}

// A database of the same family that reads the panel `like` is written to.
std::unique_ptr<DBase> freshDatabase(const DBase& like, const DatabaseFactory& factory) {
    auto db = factory ? factory(like.family(), like.role, like.context())
                      : CreateDatabase(like.family(), like.role, like.context());
    if (db) db->ReadPanelAt(like.PanelAddress());
    return db;
}

}  // namespace

bool backupBeforeWrite(const FamilyTraits& traits, const std::filesystem::path& settingsPath) {
    IniFile ini;
    ini.load(settingsPath);
    const auto v = ini.value(traits.sectionName, kBackupSettingKey);
    if (!v) return traits.backupByDefault;
    return equalsIgnoreCase(*v, kYes);
}

bool setBackupBeforeWrite(const FamilyTraits& traits, const std::filesystem::path& settingsPath,
                          bool on) {
    IniFile ini;
    ini.load(settingsPath);
    ini.set(traits.sectionName, kBackupSettingKey, on ? kYes : kNo);
    return ini.save(settingsPath);
}

std::filesystem::path backupsFolder(const std::filesystem::path& settingsPath) {
    return settingsPath.parent_path() / kBackupsFolderName;
}

std::string backupFileName(const FamilyTraits& traits, int panelAddress, const LocalTime& t) {
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "%04d-%02d-%02d_%02d-%02d-%02d", t.year, t.month, t.day,
                  t.hour, t.minute, t.second);
    std::string name =
        std::string(traits.sectionName) + "_" + std::to_string(panelAddress) + "_" + stamp;
    if (traits.extension1[0] != '\0') name += std::string(".") + traits.extension1;
    return name;
}

std::vector<BackupFile> listBackups(const FamilyTraits& traits,
                                    const std::filesystem::path& folder) {
    std::vector<BackupFile> out;
    std::error_code ec;
    const std::string prefix = std::string(traits.sectionName) + "_";
    for (const auto& e : std::filesystem::directory_iterator(folder, ec)) {
        const std::string name = pathToUtf8(e.path().filename());
        if (name.rfind(prefix, 0) != 0) continue;
        std::string stem = name;
        if (traits.extension1[0] != '\0') {
            const std::string ext = std::string(".") + traits.extension1;
            if (stem.size() <= ext.size() ||
                !equalsIgnoreCase(stem.substr(stem.size() - ext.size()), ext))
                continue;
            stem.resize(stem.size() - ext.size());
        }
        BackupFile b;
        b.path = e.path();
        // A further backup of the same second carries "_N" after the stamp.
        if (const auto cut = stem.find_last_of('_');
            cut != std::string::npos && cut + 1 < stem.size() && stem.size() - cut <= 4 &&
            stem.find_first_not_of("0123456789", cut + 1) == std::string::npos) {
            b.sequence = std::stoi(stem.substr(cut + 1));
            stem.resize(cut);
        }
        if (!parseStamp(stem, b.taken)) continue;
        // "<section>_<address>_<stamp>": the address between the two.
        const std::string middle =
            stem.size() >= prefix.size() + 20
                ? stem.substr(prefix.size(), stem.size() - prefix.size() - 20)
                : "";
        if (middle.empty() || middle.find_first_not_of("0123456789") != std::string::npos ||
            middle.size() > 3)
            continue;
        b.address = std::stoi(middle);
        out.push_back(std::move(b));
    }
    auto key = [](const BackupFile& b) {
        const LocalTime& t = b.taken;
        return std::tuple(t.year, t.month, t.day, t.hour, t.minute, t.second, b.sequence);
    };
    std::stable_sort(out.begin(), out.end(),
                     [&](const BackupFile& a, const BackupFile& b) { return key(a) > key(b); });
    return out;
}

BackupResult backupPanel(DBase& db, const std::filesystem::path& folder, Progress& progress,
                         const DatabaseFactory& factory) {
    BackupResult r;
    auto panel = freshDatabase(db, factory);
    if (!panel) {
        r.code = kResultNotImplemented;
        return r;
    }
    r.code = panel->ReadFromDevice(progress);
    panel->ClosePort();
    if (r.code != kResultOk) return r;
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    const LocalTime now = db.context().clock ? db.context().clock->now() : SystemClock().now();
    // A backup never replaces another: one taken in the same second gets
    // "_2", "_3"... after its stamp.
    const std::string name = backupFileName(db.traits(), panel->PanelAddress(), now);
    const std::string ext = db.traits().extension1[0] != '\0'
                                ? std::string(".") + db.traits().extension1
                                : std::string();
    const std::string stem = name.substr(0, name.size() - ext.size());
    r.path = folder / pathFromUtf8(name);
    for (int n = 2; std::filesystem::exists(r.path, ec) && n < 1000; ++n)
        r.path = folder / pathFromUtf8(stem + "_" + std::to_string(n) + ext);
    if (!panel->SaveToDisk(pathToUtf8(r.path))) {
        r.code = kResultSourceFileError;
        return r;
    }
    r.changes = diffDatabases(*panel, db, CreateFamilyTree);
    r.changedItems = countChangedItems(r.changes);
    return r;
}

std::string writeQuestion(const DBase& db, const BackupResult* backup) {
    std::string q = "Подтвердите запись базы в прибор.";
    if (db.traits().showsPanelAddress) q += "\nАдрес = " + std::to_string(db.PanelAddress());
    if (backup) {
        q += "\nИзменится элементов: " + std::to_string(backup->changedItems) +
             "\nКопия базы прибора: " + pathToUtf8(backup->path.filename());
    } else {
        q += "\n";
        q += kWriteWithoutBackupText;
    }
    return q;
}

namespace {

// A console keeps checksums of its tables and is compared with them, and its
// objects (which those sums cannot see) record by record: that comparison
// confirms the write without reading every table back. Each part that is
// not equal names itself, with both checksums and the verdict.
VerifyResult verifyOnConsole(ConsoleOperations& console, DBase& sent, Progress& progress) {
    VerifyResult r;
    r.code = console.CompareWithDevice(progress);
    sent.ClosePort();
    if (r.code != kResultOk) return r;
    const std::string notAsked = compareStateText(CompareState::NotAsked);
    for (const ComparisonRow& row : comparisonRows(console)) {
        if (row.same || row.verdict == notAsked) continue;
        DiffEntry d;
        d.path = row.path;
        d.row = row.verdict;
        if (row.row >= 0) d.row += ", объект " + std::to_string(row.row + 1);
        d.ourText = row.ours.empty() ? "-" : row.ours;
        d.theirText = row.theirs.empty() ? "-" : row.theirs;
        r.differences.push_back(std::move(d));
    }
    if (!r.differences.empty()) r.code = kResultWriteNotConfirmed;
    return r;
}

}  // namespace

VerifyResult verifyWrite(DBase& sent, Progress& progress, const DatabaseFactory& factory) {
    if (ConsoleOperations* console = consoleOperations(sent))
        return verifyOnConsole(*console, sent, progress);
    VerifyResult r;
    auto panel = freshDatabase(sent, factory);
    if (!panel) {
        r.code = kResultNotImplemented;
        return r;
    }
    r.code = panel->ReadFromDevice(progress);
    panel->ClosePort();
    if (r.code != kResultOk) return r;
    r.differences = diffDatabases(sent, *panel, CreateFamilyTree);
    if (!r.differences.empty()) r.code = kResultWriteNotConfirmed;
    return r;
}

std::string verifiedText(DBase& db) {
    return db.DescribeResult(kResultOk) + kWriteVerifiedSuffix;
}

std::string notConfirmedText(DBase& db, const std::vector<DiffEntry>& differences,
                             std::size_t limit) {
    std::string text =
        db.DescribeResult(kResultWriteNotConfirmed) + "\nПрибор хранит не то, что было записано:";
    for (std::size_t i = 0; i < differences.size() && i < limit; ++i)
        text += "\n" + formatDiffEntry(differences[i]);
    if (differences.size() > limit)
        text += "\n... и еще " + std::to_string(differences.size() - limit);
    return text;
}

}  // namespace tavrin
