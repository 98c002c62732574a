// The "Ордис Р7" configuration tree and grid in the editor: the tree's shape
// and counts, the context menus, the edits with their undo, the paste that
// renumbers the table, the drop rule and the grid rows with their limits.
#include <functional>

#include "editor/grid_model.h"
#include "editor/r7/r7_fields.h"
#include "editor/r7/r7_tree.h"
#include "editor/tree_editor.h"
#include "families/r7/element_types.h"
#include "r7_fixture.h"
#include "registry/family_registry.h"

namespace tavrin::test {
namespace {

using namespace r7;

struct R7Editor {
    TempDir dir_;
    RecordingPrompter prompter_;
    AppContext ctx_ = [this] {
        AppContext c = makeAppContext(dir_.path());
        c.prompter = &prompter_;
        return c;
    }();
    DBR7 db{0, ctx_};
    EditorDocument doc{CreateFamilyTree};
    GridModel grid{prompter_};
    TreeEditor tree{doc, 0, prompter_};
    std::string status;

    R7Editor() {
        doc.databases[0] = &db;
        tree.setGrid(&grid);
        tree.setStatusSink([this](const std::string& s) { status = s; });
        tree.rebuild();
    }

    int object() { return db.CreateElement(kTypeObject, 0); }
    int device(int type, int object, int line = 0) {
        const int i = db.CreateElement(type, object);
        db.table()[static_cast<std::size_t>(i)].bytes[kOffLine] = static_cast<std::uint8_t>(line);
        return i;
    }
    int key(int parent) { return db.CreateElement(kTypeKey, parent); }

    NodeId node(ItemCode code, ItemCode parent) const {
        const NodeId p = parent == kNoItem ? kNoNode : tree.findItem(parent);
        if (parent == 0) return tree.model().findUnder(tree.model().roots().front(), code);
        return p == kNoNode ? kNoNode : tree.model().findUnder(p, code);
    }
    bool pick(ItemCode code, ItemCode parent) {
        const NodeId n = code == 0 ? tree.model().roots().front() : node(code, parent);
        return n != kNoNode && tree.select(n);
    }
    std::string label(ItemCode code, ItemCode parent) const {
        const NodeId n = code == 0 ? tree.model().roots().front() : node(code, parent);
        return n == kNoNode ? std::string() : tree.model().node(n).label;
    }
    std::string dump() const {
        std::string out;
        tree.model().visit([&](const TreeNode& n, int depth) {
            out += std::string(static_cast<std::size_t>(2 * depth), ' ') + "[" +
                   std::to_string(n.code) + "] " + n.label + "\n";
        });
        return out;
    }
    // The table as undo records keep it.
    Bytes table() { return tree.family()->snapshot(db); }
    std::string nameAt(ItemCode c) const { return db.table()[static_cast<std::size_t>(c)].name(); }
    // Labels of a menu, submenus as "parent>child".
    static std::vector<std::string> labels(const std::vector<MenuItem>& menu) {
        std::vector<std::string> out;
        for (const MenuItem& m : menu) {
            out.push_back(m.label);
            for (const MenuItem& s : m.submenu)
                out.push_back(m.label + ">" + s.label);
        }
        return out;
    }
};

// ---- The tree's shape ----------------------------------------------------------------

TEST(R7EditorTree, ShapesFromSmallDatabases) {
    struct Case {
        const char* name;
        std::function<void(R7Editor&)> build;
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"empty", [](R7Editor&) {},
         "[0] Ордис Р7 (0)\n  [-1] Линия А (0)\n  [-2] Линия Б (0)\n  [-3] Линия В (0)\n"
         "  [-4] Линия Г (0)\n  [-5] Без линии (0)\n"},
        {"objects with devices and employee keys, a general key",
         [](R7Editor& f) {
             const int a = f.object();      // 1
             f.device(26, a, 1);            // 2
             f.key(a);                      // 3
             const int b = f.object();      // 4
             f.device(48, b, 3);            // 5
             f.key(0);                      // 6: under the panel
             f.device(24, a, 0);            // 7: no line
             f.device(53, b, 4);            // 8
             f.db.RemoveElement(f.key(b));  // 9, gone again
         },
         "[0] Ордис Р7 (3)\n"
         "  [1] Объект   2 (3)\n    [2] ВЕРС-ДИП   3\n    [3] Ключ сотрудника   4\n"
         "    [7] ВЕРС-ИПР   8\n"
         "  [4] Объект   5 (2)\n    [5] ВЕРС-У  6\n    [8] ВЕРС-У4   9\n"
         "  [6] Ключ   7\n"
         "  [-1] Линия А (1)\n    [2] ВЕРС-ДИП   3\n  [-2] Линия Б (0)\n"
         "  [-3] Линия В (1)\n    [5] ВЕРС-У  6\n  [-4] Линия Г (1)\n    [8] ВЕРС-У4   9\n"
         "  [-5] Без линии (1)\n    [7] ВЕРС-ИПР   8\n"},
        {"a device outside every object and a line byte out of range",
         [](R7Editor& f) {
             const int a = f.object();
             f.device(99, a, 2);  // an unknown type is still a device
             f.device(42, 0, 9);  // under the panel: only its line shows it
             f.key(0);
         },
         "[0] Ордис Р7 (2)\n  [1] Объект   2 (1)\n    [2] \n  [4] Ключ   5\n"
         "  [-1] Линия А (0)\n  [-2] Линия Б (1)\n    [2] \n  [-3] Линия В (0)\n"
         "  [-4] Линия Г (0)\n  [-5] Без линии (1)\n    [3] ВЕРС-ТК   4\n"},
    };
    for (const Case& c : cases) {
        R7Editor f;
        c.build(f);
        f.tree.rebuild();
        EXPECT_EQ(f.dump(), c.expected) << c.name;
    }
}

TEST(R7EditorTree, CountsFollowEveryChange) {
    R7Editor f;
    const int a = f.object();
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(r7AddDeviceCommand(0)));  // ВЕРС-ДИП
    const int dip = f.tree.currentCode();
    EXPECT_EQ(f.db.table()[static_cast<std::size_t>(dip)].type(), 26);
    EXPECT_EQ(f.tree.codeOf(f.tree.parentOf(f.tree.current())), a);
    EXPECT_EQ(f.label(a, 0), "Объект   2 (1)");
    EXPECT_EQ(f.label(-5, 0), "Без линии (1)");
    // Every kind of the menu adds its device, "ВЕРС-ИПТ" included.
    for (std::size_t k = 1; k < deviceKinds().size(); ++k) {
        ASSERT_TRUE(f.pick(a, 0));
        ASSERT_TRUE(f.tree.runCommand(r7AddDeviceCommand(k)));
        EXPECT_EQ(f.db.table()[static_cast<std::size_t>(f.tree.currentCode())].type(),
                  deviceKinds()[k].newCode)
            << deviceKinds()[k].label;
    }
    EXPECT_EQ(f.label(a, 0), "Объект   2 (12)");
    ASSERT_TRUE(f.pick(dip, a));
    ASSERT_TRUE(f.tree.runCommand(r7cmd::kLineA + 1));
    EXPECT_EQ(f.label(-2, 0), "Линия Б (1)");
    EXPECT_EQ(f.label(-5, 0), "Без линии (11)");
    ASSERT_TRUE(f.pick(0, kNoItem));
    ASSERT_TRUE(f.tree.runCommand(cmd::kAddKey));
    EXPECT_EQ(f.label(0, kNoItem), "Ордис Р7 (2)");
    EXPECT_EQ(f.nameAt(f.tree.currentCode()), "Ключ   15");
    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteObject));
    EXPECT_EQ(f.label(0, kNoItem), "Ордис Р7 (1)");
    EXPECT_EQ(f.label(-2, 0), "Линия Б (0)");
    EXPECT_EQ(f.label(-5, 0), "Без линии (0)");
    EXPECT_EQ(f.db.counts().elements, 2);
}

// ---- Context menus -----------------------------------------------------------------------

TEST(R7EditorTree, MenusPerItemKind) {
    R7Editor f;
    const int a = f.object();
    const int b = f.object();
    const int dev = f.device(12, a, 2);
    const int k = f.key(a);
    const int general = f.key(0);
    f.tree.rebuild();
    const std::vector<std::string> lines = {"Задать линию", "Задать линию>Линия А",
                                            "Задать линию>Линия Б", "Задать линию>Линия В",
                                            "Задать линию>Линия Г"};
    auto menu = [&](ItemCode code, ItemCode parent) {
        const NodeId n = code == 0 ? f.tree.model().roots().front() : f.node(code, parent);
        return R7Editor::labels(f.tree.contextMenu(n));
    };
    EXPECT_EQ(menu(0, kNoItem),
              (std::vector<std::string>{"Добавить объект", "Добавить общий ключ"}));

    std::vector<std::string> object = {"Добавить устройство"};
    for (const DeviceKind& kind : deviceKinds())
        object.push_back(std::string("Добавить устройство>") + kind.label);
    object.insert(object.end(),
                  {"Добавить ключ сотрудника", "Копировать", "Удалить объект", "Включить",
                   "Включить>Объекты", "Включить>Объекты и устройства", "Отключить",
                   "Отключить>Объекты", "Отключить>Объекты и устройства"});
    object.insert(object.end(), lines.begin(), lines.end());
    EXPECT_EQ(menu(a, 0), object);

    std::vector<std::string> device = {"Копировать", "Вырезать", "Удалить\t", "Включить",
                                       "Отключить"};
    device.insert(device.end(), lines.begin(), lines.end());
    EXPECT_EQ(menu(dev, a), device);
    // Under its line group a device is only switched and put on a line.
    std::vector<std::string> inGroup = {"Включить", "Отключить"};
    inGroup.insert(inGroup.end(), lines.begin(), lines.end());
    EXPECT_EQ(menu(dev, -2), inGroup);
    const std::vector<std::string> key = {"Копировать", "Вырезать", "Удалить\t", "Включить",
                                          "Отключить"};
    EXPECT_EQ(menu(k, a), key);
    EXPECT_EQ(menu(general, 0), key);
    EXPECT_TRUE(menu(-2, 0).empty());

    // The buffer adds "Вставить из буфера" where it may go.
    ASSERT_TRUE(f.pick(b, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
    EXPECT_EQ(f.status, "Скопировано");
    EXPECT_EQ(menu(0, kNoItem).back(), "Вставить из буфера");
    const auto withBuffer = menu(a, 0);
    EXPECT_NE(std::find(withBuffer.begin(), withBuffer.end(), "Вставить из буфера"),
              withBuffer.end());
    ASSERT_TRUE(f.pick(dev, a));
    ASSERT_TRUE(f.tree.runCommand(r7cmd::kCut));
    EXPECT_EQ(f.status, "Вырезано");
    EXPECT_EQ(menu(0, kNoItem).size(), 2u);  // a device does not go into the panel

    // Two objects marked: the delete names them both.
    ASSERT_TRUE(f.pick(a, 0));
    f.tree.toggleMark(f.node(b, 0));
    const auto two = R7Editor::labels(f.tree.family()->contextMenu(f.tree, f.tree.current()));
    EXPECT_NE(std::find(two.begin(), two.end(), "Удалить объекты"), two.end());
}

// ---- Switching, lines, delete ------------------------------------------------------------

TEST(R7EditorTree, SwitchAndLineCommandsReachEveryElementKind) {
    R7Editor f;
    const int a = f.object();
    const int dev = f.device(26, a);
    const int k = f.key(a);
    f.tree.rebuild();
    auto off = [&](int i) {
        return r7field::switchedOff(f.db.table()[static_cast<std::size_t>(i)]);
    };

    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(r7cmd::kSwitchOffWithDevices));
    EXPECT_TRUE(off(a));
    EXPECT_TRUE(off(dev));
    EXPECT_FALSE(off(k));                         // keys are not devices
    ASSERT_TRUE(f.tree.runCommand(cmd::kBlock));  // "Включить > Объекты"
    EXPECT_FALSE(off(a));
    EXPECT_TRUE(off(dev));

    // A key keeps its kind in byte 5: its own switch is byte 13.
    ASSERT_TRUE(f.pick(k, a));
    ASSERT_TRUE(f.tree.runCommand(cmd::kUnblock));
    EXPECT_TRUE(off(k));
    EXPECT_EQ(f.db.table()[static_cast<std::size_t>(k)].bytes[kOffKeyKind], kKeyKindEmployee);
    EXPECT_EQ(f.db.table()[static_cast<std::size_t>(k)].bytes[13], 1);

    // A line set on an object goes to its devices.
    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(r7cmd::kLineA + 3));
    EXPECT_EQ(f.db.table()[static_cast<std::size_t>(dev)].line(), 4);
    // A device chosen under its line stays chosen under its new line.
    ASSERT_TRUE(f.pick(dev, -4));
    ASSERT_TRUE(f.tree.runCommand(r7cmd::kLineA));
    EXPECT_EQ(f.tree.pathOf(f.tree.current()), (ItemPath{0, -1, dev}));

    // "Отключить > Объекты" with a general key marked beside the object
    // switches the object only.
    const int general = f.key(0);
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(a, 0));
    f.tree.toggleMark(f.node(general, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kUnblock));
    EXPECT_TRUE(off(a));
    EXPECT_FALSE(off(general));
    ASSERT_TRUE(f.pick(dev, a));

    // A switch that changes nothing records nothing.
    const std::size_t records = f.tree.commands().size();
    ASSERT_TRUE(f.tree.runCommand(cmd::kBlock));
    EXPECT_FALSE(off(dev));
    ASSERT_TRUE(f.tree.runCommand(cmd::kBlock));
    EXPECT_EQ(f.tree.commands().size(), records + 1);
}

TEST(R7EditorTree, DeletingLetsTheBufferGoOfWhatIsGone) {
    R7Editor f;
    const int a = f.object();
    const int dev = f.device(26, a);
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(dev, a));
    ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteObject));
    EXPECT_TRUE(f.tree.buffer().empty());
    // The next element takes the freed record: a paste cannot take it instead.
    f.object();
    EXPECT_EQ(f.db.CreateElement(44, 1), dev);
    f.tree.rebuild();
    EXPECT_FALSE(f.tree.editMenu().paste.enabled);
}

// ---- Undo -----------------------------------------------------------------------------------

TEST(R7EditorUndo, EveryEditIsReversedExactly) {
    struct UndoCase {
        const char* name;
        std::function<void(R7Editor&)> setUp;
        std::function<void(R7Editor&)> edit;
    };
    const std::vector<UndoCase> cases = {
        {"add an object", [](R7Editor& f) { ASSERT_TRUE(f.pick(0, kNoItem)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kAddObject)); }},
        {"add a device", [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(1165)); }},
        {"add an employee key", [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kAddKey)); }},
        {"delete an object with its elements", [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteObject)); }},
        {"delete two devices",
         [](R7Editor& f) {
             ASSERT_TRUE(f.pick(2, 1));
             f.tree.toggleMark(f.node(3, 1));
         },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteDevice)); }},
        {"switch an object off with its devices", [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(r7cmd::kSwitchOffWithDevices)); }},
        {"put devices on a line", [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(r7cmd::kLineA + 2)); }},
        {"paste a copied object",
         [](R7Editor& f) {
             ASSERT_TRUE(f.pick(1, 0));
             ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
             ASSERT_TRUE(f.pick(0, kNoItem));
         },
         [](R7Editor& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kPasteR7)); }},
        {"move a cut device to another object",
         [](R7Editor& f) {
             ASSERT_TRUE(f.pick(3, 1));
             ASSERT_TRUE(f.tree.runCommand(r7cmd::kCut));
             ASSERT_TRUE(f.pick(5, 0));
         },
         [](R7Editor& f) {
             ASSERT_TRUE(f.tree.runCommand(cmd::kPasteR7));
             EXPECT_TRUE(f.tree.buffer().empty());
         }},
        {"a value written back from the grid",
         [](R7Editor& f) {
             ASSERT_TRUE(f.pick(2, 1));
             ASSERT_TRUE(f.grid.commitText(f.grid.findRow("Имя устройства"), "Коридор"));
         },
         [](R7Editor& f) { ASSERT_TRUE(f.pick(1, 0)); }},
    };
    for (const UndoCase& c : cases) {
        SCOPED_TRACE(c.name);
        R7Editor f;
        const int a = f.object();          // 1
        f.device(26, a, 1);                // 2
        f.device(44, a, 2);                // 3
        const int hole = f.device(15, a);  // 4
        f.object();                        // 5
        f.key(a);                          // 6
        // A hole at record 4 makes every compaction move elements.
        f.db.RemoveElement(hole);
        f.db.modified = 0;
        f.tree.rebuild();
        c.setUp(f);
        const Bytes before = f.table();
        const int counter = f.db.modified;
        c.edit(f);
        ASSERT_NE(f.table(), before);
        f.tree.undo();
        EXPECT_EQ(f.table(), before);
        EXPECT_EQ(f.db.modified, counter);
    }
}

TEST(R7EditorUndo, AnAdditionIsUndoneWithTheSelectionBeforeIt) {
    R7Editor f;
    const int a = f.object();
    const int b = f.object();
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(b, 0));
    ASSERT_TRUE(f.pick(a, 0));
    ASSERT_TRUE(f.tree.runCommand(r7AddDeviceCommand(0)));
    f.tree.undo();
    EXPECT_EQ(f.db.counts().devices, 0);
    EXPECT_EQ(f.tree.currentCode(), b);  // one undo: the device and the click on its object
}

// Item codes are record indexes and a paste compacts the table: everything
// that holds a code follows the element, through the paste, its undo and the
// same paste again.
TEST(R7EditorUndo, PasteThatRenumbersThenUndoThenTheSamePasteAgain) {
    R7Editor f;
    const int a = f.object();             // 1 "Объект   2"
    const int gone = f.device(26, a);     // 2
    const int b = f.object();             // 3 "Объект   4"
    const int bDev = f.device(44, b, 1);  // 4
    const int c = f.object();             // 5
    f.db.table()[static_cast<std::size_t>(b)].setName("Склад");
    f.db.table()[static_cast<std::size_t>(bDev)].setName("Датчик склада");
    f.db.RemoveElement(gone);  // record 2 is free: the copy lands ahead of the others
    f.tree.rebuild();
    f.tree.setExpanded(f.node(b, 0), true);
    ASSERT_TRUE(f.pick(bDev, b));
    ASSERT_TRUE(f.pick(b, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
    ASSERT_TRUE(f.pick(c, 0));
    ASSERT_TRUE(f.pick(0, kNoItem));
    const Bytes before = f.table();

    ASSERT_TRUE(f.tree.runCommand(cmd::kPasteR7));
    const Bytes pasted = f.table();
    // The copy took record 2 and the compaction moved every element after it.
    EXPECT_EQ(f.db.counts().objects, 4);
    const ItemCode newB = f.tree.buffer().items.at(0);
    EXPECT_NE(newB, b);
    EXPECT_EQ(f.nameAt(newB), "Склад");
    EXPECT_EQ(f.tree.buffer().parent, 0);
    EXPECT_TRUE(f.tree.model().node(f.node(newB, 0)).expanded);
    EXPECT_TRUE(f.tree.model().node(f.node(newB, 0)).ghosted);
    // The pasted copy is selected, with its device under it.
    const ItemCode copy = f.tree.currentCode();
    EXPECT_NE(copy, newB);
    EXPECT_EQ(f.nameAt(copy), "Склад");
    EXPECT_EQ(f.label(copy, 0), "Склад (1)");

    f.tree.undo();  // the paste
    EXPECT_EQ(f.table(), before);
    EXPECT_EQ(f.tree.buffer().items, std::vector<ItemCode>{b});
    EXPECT_TRUE(f.tree.model().node(f.node(b, 0)).expanded);
    EXPECT_TRUE(f.tree.model().node(f.node(b, 0)).ghosted);
    f.tree.undo();  // the buffer record left by the copy paste
    f.tree.undo();  // the selection of the panel: back on the object picked before it
    EXPECT_EQ(f.tree.currentCode(), c);
    f.tree.undo();  // the copy, then the click before it: back on the device of "Склад"
    EXPECT_EQ(f.nameAt(f.tree.currentCode()), "Датчик склада");
    EXPECT_EQ(f.tree.codeOf(f.tree.parentOf(f.tree.current())), b);

    // The same paste again gives the same table.
    ASSERT_TRUE(f.pick(0, kNoItem));
    ASSERT_TRUE(f.tree.runCommand(cmd::kPasteR7));
    EXPECT_EQ(f.table(), pasted);
    // And its undo still finds the element selected before it.
    f.tree.undo();
    EXPECT_EQ(f.table(), before);
    f.tree.undo();  // the buffer record
    f.tree.undo();  // the click on the panel
    EXPECT_EQ(f.nameAt(f.tree.currentCode()), "Датчик склада");
    EXPECT_EQ(f.tree.codeOf(f.tree.parentOf(f.tree.current())), b);
}

// Several items pasted at once: each paste compacts the table, and the items
// still to come follow it.
TEST(R7EditorUndo, SeveralItemsPastedFollowEachCompaction) {
    R7Editor f;
    f.object();                   // 1
    const int gone = f.object();  // 2
    const int b = f.object();     // 3
    f.device(26, b, 1);           // 4
    const int c = f.object();     // 5
    f.db.table()[static_cast<std::size_t>(b)].setName("Склад");
    f.db.table()[static_cast<std::size_t>(c)].setName("Офис");
    f.db.RemoveElement(gone);
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(b, 0));
    f.tree.toggleMark(f.node(c, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
    ASSERT_EQ(f.tree.buffer().items, (std::vector<ItemCode>{b, c}));
    ASSERT_TRUE(f.pick(0, kNoItem));
    const Bytes before = f.table();
    ASSERT_TRUE(f.tree.runCommand(cmd::kPasteR7));
    std::vector<std::string> names;
    for (int i = 1; i < kElementCount; ++i) {
        const ElementRecord& r = f.db.table()[static_cast<std::size_t>(i)];
        if (!r.isFree() && r.type() == kTypeObject) names.push_back(r.name());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"Объект   2", "Склад", "Офис", "Склад", "Офис"}));
    EXPECT_EQ(f.db.counts().devices, 2);
    std::vector<std::string> held;
    for (ItemCode h : f.tree.buffer().items)
        held.push_back(f.nameAt(h));
    EXPECT_EQ(held, (std::vector<std::string>{"Склад", "Офис"}));
    f.tree.undo();
    EXPECT_EQ(f.table(), before);
    EXPECT_EQ(f.tree.buffer().items, (std::vector<ItemCode>{b, c}));
}

// ---- Drag and drop -----------------------------------------------------------------------

TEST(R7EditorTree, DropsFollowThePasteRule) {
    R7Editor f;
    const int a = f.object();
    const int b = f.object();
    const int dev = f.device(26, a, 1);
    const int k = f.key(a);
    f.tree.rebuild();
    const NodeId devNode = f.node(dev, a);
    EXPECT_TRUE(f.tree.canDrop(f.node(b, 0), {devNode, f.node(k, a)}));
    EXPECT_FALSE(f.tree.canDrop(f.tree.model().roots().front(), {devNode}));
    EXPECT_FALSE(f.tree.canDrop(f.node(-2, 0), {devNode}));
    EXPECT_FALSE(f.tree.canDrop(f.tree.model().roots().front(), {f.node(a, 0)}));
    EXPECT_EQ(f.tree.dragStatus({f.node(k, a)}, true), "Копирование");
    EXPECT_EQ(f.tree.dragStatus({devNode}, true), "Перенос");
    ASSERT_TRUE(f.tree.drop(f.node(b, 0), {devNode}, false));
    EXPECT_EQ(f.label(b, 0), "Объект   3 (1)");
    EXPECT_EQ(f.label(a, 0), "Объект   2 (1)");
}

// ---- Grid ------------------------------------------------------------------------------------

TEST(R7EditorGrid, RowsPerItemKind) {
    R7Editor f;
    const int a = f.object();
    const int relay = f.device(48, a, 3);
    const int dip = f.device(26, a, 1);
    const int k = f.key(a);
    f.tree.rebuild();
    auto names = [&](ItemCode code, ItemCode parent) {
        EXPECT_TRUE(code == 0 ? f.pick(0, kNoItem) : f.pick(code, parent));
        std::vector<std::string> out;
        for (const GridRow& r : f.grid.rows())
            out.push_back(r.name + "=" + r.text);
        return out;
    };
    EXPECT_EQ(
        names(0, kNoItem),
        (std::vector<std::string>{
            "Версия ПО прибора=", "Сетевой адрес прибора=1",
            "Тип срабатывания реле 1=выключено всегда", "Тип срабатывания реле 2=выключено всегда",
            "Тип срабатывания реле 3=выключено всегда", "Тип срабатывания реле 4=выключено всегда",
            "Отключить оповещение через(мин,0-60)=0"}));
    EXPECT_EQ(names(a, 0),
              (std::vector<std::string>{
                  "Имя объекта=Объект   2", "Включение=Включен", "Автоматика=Ручное управление",
                  "Группа УПА=Нет группы УПА", "Время УПА, сек.=15", "Переход на день=00:00",
                  "Переход на ночь=00:00", "Объект 1 для передачи \"Пожара\"=Нет",
                  "Объект 2 для передачи \"Пожара\"=Нет"}));
    EXPECT_EQ(names(relay, a),
              (std::vector<std::string>{
                  "UID=0", "Имя устройства=ВЕРС-У  3", "Тип устройства=ВЕРС-У",
                  "Серийный номер=FFFF", "Включение=Включен", "Линия=Линия В",
                  "Назначение=нет подтипа", "Тип сработки=выключено всегда",
                  "Тип сработки 1=выключено всегда", "Задержка сработки реле,сек,0-255=0"}));
    EXPECT_EQ(names(dip, a), (std::vector<std::string>{
                                 "UID=0", "Имя устройства=ВЕРС-ДИП   4", "Тип устройства=ВЕРС-ДИП",
                                 "Серийный номер=FFFF", "Включение=Включен", "Линия=Линия А",
                                 "Назначение=пожарный", "Запуск автоматики=От одного извещателя"}));
    EXPECT_EQ(names(k, a),
              (std::vector<std::string>{
                  "Имя ключа=Ключ сотрудника   5", "Тип ключа=сотрудника", "Подтип ключа=Охранник",
                  "Полный номер ключа=00 00 00 00 00 00", "Включение=Включен"}));
    // Showing corrected values (the relay's second condition, the key's
    // subtype) changes nothing in the table.
    const Bytes shown = f.table();
    ASSERT_TRUE(f.pick(a, 0));
    EXPECT_EQ(f.table(), shown);
}

TEST(R7EditorGrid, CommitsWithTheirLimitsAndRefusals) {
    struct Commit {
        const char* row;
        const char* typed;
        bool accepted;
        const char* shown;  // the cell afterwards
        int byte;           // a record byte to check, -1 none
        int value;
        const char* mend = nullptr;  // a refused value: what then mends it
    };
    R7Editor f;
    const int a = f.object();
    const int b = f.object();
    const int relay = f.device(136, a, 0);
    const int k = f.key(a);
    f.db.table()[static_cast<std::size_t>(b)].setName("Склад");
    f.tree.rebuild();
    struct Item {
        ItemCode code, parent;
        std::vector<Commit> commits;
    };
    const std::vector<Item> items = {
        {0,
         kNoItem,
         {{"Сетевой адрес прибора", "300", true, "255", 7, 255},
          {"Сетевой адрес прибора", "12A", false, "12A", 7, 255, "0"},
          {"Сетевой адрес прибора", "5", true, "5", 7, 5},
          {"Тип срабатывания реле 3", "Пуск УПА", true, "Пуск УПА", 10, 30},
          {"Отключить оповещение через(мин,0-60)", "61", true, "60", 12, 60}}},
        {a,
         0,
         {{"Имя объекта", "Котельная номер 12345678", true, "Котельная номер 1234", -1, 0},
          {"Имя объекта", "Zürich€", false, "Zürich€", -1, 0, "x"},
          {"Имя объекта", "Котельная", true, "Котельная", -1, 0},
          {"Включение", "Выключен", true, "Выключен", 5, 0x05},
          {"Автоматика", "Неснимаемый", true, "Неснимаемый", 5, 0x07},
          {"Группа УПА", "УПА 16", true, "УПА 16", 15, 16},
          {"Время УПА, сек.", "70000", true, "65535", 9, 0xFF},
          {"Переход на день", "7:05", true, "07:05", 7, 5},
          {"Переход на ночь", "24:00", false, "24:00", 10, 0, "00:00"},
          {"Переход на ночь", "22:30", true, "22:30", 10, 22},
          {"Объект 1 для передачи \"Пожара\"", "Склад", true, "Склад", 12, 3},
          {"Объект 2 для передачи \"Пожара\"", "Котельная", false, "Котельная", 14, 0, "Нет"}}},
        {relay,
         a,
         {{"UID", "-1", false, "-1", 6, 0xFF, "0"},
          {"UID", "65536", true, "65535", 7, 0xFF},
          {"Линия", "Линия Г", true, "Линия Г", 9, 4},
          {"Назначение", "охранный", true, "охранный", 12, 1},
          {"Тип сработки", "Пожар", true, "Пожар", 11, 2},
          {"Тип сработки 1", "КДУ", true, "КДУ", 10, 4},
          {"Задержка сработки реле,сек,0-255", "256", true, "255", 13, 255},
          {"Тип устройства", "ВЕРС-ДИП", true, "ВЕРС-ДИП", 4, 26}}},
        {k,
         a,
         {{"Полный номер ключа", "01 02 03 04 05 0G", false, "01 02 03 04 05 0G", 11, 0,
           "00 00 00 00 00 00"},
          {"Полный номер ключа", "01 02 03 04 05 A6", true, "01 02 03 04 05 A6", 11, 0xA6},
          {"Подтип ключа", "Системный", true, "Системный", 12, 5},
          {"Включение", "Выключен", true, "Выключен", 13, 1}}},
    };
    for (const Item& item : items) {
        ASSERT_TRUE(item.code == 0 ? f.pick(0, kNoItem) : f.pick(item.code, item.parent));
        const ItemCode code = f.tree.currentCode();
        for (const Commit& c : item.commits) {
            SCOPED_TRACE(std::string(c.row) + " <- " + c.typed);
            const int row = f.grid.findRow(c.row);
            ASSERT_GE(row, 0);
            const std::size_t messages = f.prompter_.calls.size();
            EXPECT_EQ(f.grid.commitText(row, c.typed), c.accepted);
            EXPECT_EQ(f.grid.rows()[static_cast<std::size_t>(f.grid.findRow(c.row))].text, c.shown);
            EXPECT_EQ(f.prompter_.calls.size(), messages + (c.accepted ? 0 : 1));
            if (!c.accepted) {
                // The tree keeps the item until the value is mended.
                EXPECT_FALSE(f.pick(-1, 0));
                EXPECT_EQ(f.prompter_.calls.back().text, kGridErrorText);
                ASSERT_TRUE(f.grid.commitText(row, c.mend));
            }
        }
        ASSERT_TRUE(f.pick(-1, 0));  // writes the item back
        for (const Commit& c : item.commits) {
            if (c.byte < 0 || !c.accepted) continue;
            // Later commits of a row overwrite earlier ones; check the last.
            bool last = true;
            for (const Commit& d : item.commits)
                last = last && (&d <= &c || d.byte != c.byte || !d.accepted);
            if (last) {
                EXPECT_EQ(f.db.table()[static_cast<std::size_t>(code)].bytes[c.byte], c.value)
                    << c.row;
            }
        }
    }
    EXPECT_EQ(f.nameAt(a), "Котельная");
    // The type change moved the device's rows: a detector has automatics.
    ASSERT_TRUE(f.pick(relay, a));
    EXPECT_GE(f.grid.findRow("Запуск автоматики"), 0);
    EXPECT_LT(f.grid.findRow("Тип сработки"), 0);
}

TEST(R7EditorGrid, TheLinesTab) {
    R7Editor f;
    const int a = f.object();
    const int dev = f.device(26, a, 2);
    const int other = f.device(44, a, 0);
    f.db.table()[static_cast<std::size_t>(other)].bytes[kOffSwitch] |= kSwitchedOffBit;
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(0, kNoItem));
    const CheckList& panel = f.grid.secondTab();
    EXPECT_EQ(panel.caption, "Линии");
    EXPECT_FALSE(panel.editable);
    ASSERT_EQ(panel.entries.size(), 2u);
    EXPECT_EQ(panel.entries[0].label, "Линия Б: ВЕРС-ДИП   3 — Объект   2");
    EXPECT_TRUE(panel.entries[0].checked);
    EXPECT_EQ(panel.entries[1].label, "Без линии: ВЕРС-KТM   4 — Объект   2");
    EXPECT_FALSE(panel.entries[1].checked);  // switched off
    ASSERT_TRUE(f.pick(-2, 0));
    ASSERT_EQ(f.grid.secondTab().entries.size(), 1u);
    EXPECT_EQ(f.grid.secondTab().entries[0].label, "ВЕРС-ДИП   3 — Объект   2");

    // A device's lines: marking one moves the device onto it.
    ASSERT_TRUE(f.pick(dev, a));
    ASSERT_TRUE(f.grid.secondTab().editable);
    ASSERT_TRUE(f.grid.setCheck(3, true));
    EXPECT_EQ(f.grid.rows()[static_cast<std::size_t>(f.grid.findRow("Линия"))].text, "Линия Г");
    EXPECT_FALSE(f.grid.secondTab().entries[1].checked);
    ASSERT_TRUE(f.pick(a, 0));
    EXPECT_EQ(f.db.table()[static_cast<std::size_t>(dev)].line(), 4);
    EXPECT_EQ(f.label(-4, 0), "Линия Г (1)");
}

}  // namespace
}  // namespace tavrin::test
