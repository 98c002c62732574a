// Menus as data: the tree's context menus and the Edit menu's states. A view
// turns them into real menus and sends the command id back to the tree.
#pragma once

#include <string>
#include <vector>

namespace tavrin {

// Command ids shared by the tree, the main frame and the menus.
namespace cmd {
inline constexpr int kDeleteDevice = 1160;
inline constexpr int kAddKey = 1161;
inline constexpr int kDeleteKeys = 1162;
inline constexpr int kAddObject = 1163;
inline constexpr int kDeleteObject = 1167;
inline constexpr int kCopy = 1172;
inline constexpr int kOrderByType = 1183;
inline constexpr int kOrderByNumber = 1184;
inline constexpr int kCutK2 = 1192;
inline constexpr int kPasteK2 = 1193;
inline constexpr int kBlock = 1194;
inline constexpr int kUnblock = 1195;
inline constexpr int kPasteR7 = 1203;
inline constexpr int kPasteS5 = 1174;
// Groups shown or hidden (main frame): devices, security, fire, monitoring,
// control loops, keys.
inline constexpr int kToggleDevices = 107;
inline constexpr int kToggleKeys = 112;
// Edit menu.
inline constexpr int kEditDelete = 57632;
inline constexpr int kEditCopy = 57634;
inline constexpr int kEditCut = 57635;
inline constexpr int kEditPaste = 57637;
inline constexpr int kEditUndo = 57643;
inline constexpr int kNewElement = 32921;
inline constexpr int kShowBuffer = 32922;
}  // namespace cmd

struct MenuItem {
    int command = 0;  // 0 for a submenu
    std::string label;
    bool enabled = true;
    std::vector<MenuItem> submenu;  // non-empty: the item opens a submenu
};

struct MenuState {
    int command = 0;
    std::string label;
    bool enabled = false;
};

// The Edit menu items the tree keeps current after every edit and selection.
struct EditMenuState {
    MenuState insert{cmd::kNewElement, "", false};
    MenuState cut{cmd::kEditCut, "", false};
    MenuState copy{cmd::kEditCopy, "", false};
    MenuState paste{cmd::kEditPaste, "", false};
    MenuState remove{cmd::kEditDelete, "", false};
    MenuState undo{cmd::kEditUndo, "Список команд пуст", false};
    MenuState showBuffer{cmd::kShowBuffer, "Буфер пуст", false};
};

}  // namespace tavrin
