// The commands of the main window: their identifiers, the shape of the menu
// bar for each family, and the family checks and preconditions that decide
// whether a command runs or is refused with a message. Data only: the gui
// builds its menus and actions from it and forwards each command by id.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "base/family.h"

namespace tavrin {

// Command identifiers (the id travels with every menu and toolbar action).
enum CommandId : int {
    kCmdFilterDevices = 107,
    kCmdFilterSecurityLoops = 108,
    kCmdFilterFireLoops = 109,
    kCmdFilterControlLoops = 110,
    kCmdFilterOutputLoops = 111,
    kCmdFilterKeys = 112,

    kCmdNew = 57600,
    kCmdOpen = 57601,
    kCmdSave = 32775,
    kCmdSaveAs = 32776,
    kCmdCheck = 32793,
    kCmdPrint = 32856,
    kCmdExportCsv = 32930,
    kCmdTwoBases = 32928,
    kCmdExit = 57665,
    kCmdRecent1 = 32815,  // .. 32824 for entry 10
    kCmdRecent10 = 32824,
    kCmdOpenLast = 32896,
    kCmdRestoreBackup = 32950,

    kCmdUndo = 57643,
    kCmdCut = 57635,
    kCmdCopy = 57634,
    kCmdPaste = 57637,
    kCmdDelete = 57632,
    kCmdAddElement = 32921,
    kCmdShowBuffer = 32922,

    kCmdReadDatabase = 32782,
    kCmdWriteDatabase = 32784,
    kCmdReadJournal = 32786,
    kCmdReadActiveEvents = 32862,
    kCmdReadDustiness = 32834,
    kCmdReadVersion = 32868,
    kCmdSetTime = 32780,
    kCmdReadTime = 32803,
    kCmdFirmware = 32829,

    kCmdUpdateFromSd = 32882,
    kCmdCompare = 32869,
    kCmdReadArchiveList = 32865,
    kCmdArchive = 32866,
    kCmdReadAll = 32902,
    kCmdReadConsoleKeys = 32901,
    kCmdReadLcp = 32903,
    kCmdWriteAll = 32905,
    kCmdWriteConsoleKeys = 32899,
    kCmdWriteLcp = 32906,
    kCmdS5Extra1 = 32890,  // .. 32894
    kCmdS5Extra5 = 32894,

    kCmdJournal = 32788,
    kCmdActiveEvents = 32854,
    kCmdDustiness = 32833,
    kCmdSearchDatabase = 32859,
    kCmdFindDevice = 32931,
    kCmdCompareWithFile = 32945,  // "Сравнить с файлом..."

    kCmdFamilyR7 = 32773,
    kCmdFamilyK2 = 32774,
    kCmdFamilyS5 = 32827,

    kCmdPortSettings = 32920,
    kCmdProgramSettings = 32778,
    kCmdAbout = 57664,
};

inline constexpr int kRecentFileCount = 10;

// The family command (32773, 32774, 32827) of a family, and back (nothing
// for a command that selects no family).
int familyCommand(Family family);
std::optional<Family> familyOfCommand(int command);

// ---- Menu bar ------------------------------------------------------------------

struct MenuNode {
    enum class Kind { Item, Separator, Submenu, RecentFiles };
    Kind kind = Kind::Item;
    int id = 0;  // Item: the command
    std::string text;
    bool enabled = true;
    bool checkable = false;
    std::vector<MenuNode> children;  // Submenu and the top-level menus
};

// The menu bar for a family, shaped as the family needs it: items that the
// family lacks are absent, "Прочитать время" is greyed for "Версан С5",
// reading and writing the database are submenus for "Версан С5". Every
// family has its item in "Сервис". `RecentFiles` marks where the recent entries go.
std::vector<MenuNode> buildMenuBar(Family family);

// Finds an item by id anywhere below `nodes` (nullptr when absent).
const MenuNode* findMenuItem(const std::vector<MenuNode>& nodes, int id);

// ---- Checks before a command runs ---------------------------------------------------

struct Refusal {
    std::string text;
    std::string title;
};

// The refusal of a command for a family and database state, or nothing when
// the command may run. Covers the family checks and the "valid database"
// preconditions of the command table.
std::optional<Refusal> checkCommand(int command, Family family, bool databaseValid);

// Commands that run a device operation on the worker thread.
bool isDeviceCommand(int command);

// The title of a device command's message boxes ("Чтение базы" ...).
std::string deviceCommandTitle(int command);

}  // namespace tavrin
