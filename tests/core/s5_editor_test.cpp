// "Версан С5" in the editor: the shape of the tree from small databases,
// the menus per item kind, adding and deleting LCPs with readdressing, and
// the grid rows of each kind.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>

#include <memory>
#include <string>

#include "editor/grid_model.h"
#include "editor/s5/s5_tree.h"
#include "editor/tree_editor.h"
#include "families/s5/dbs5.h"
#include "registry/family_registry.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::s5;

namespace {

struct S5Editor : ::testing::Test {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBS5> db;
    EditorDocument doc{CreateFamilyTree};
    GridModel grid{prompter};
    std::unique_ptr<TreeEditor> tree;

    S5Editor() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        db = std::make_unique<DBS5>(0, ctx);
        doc.databases[0] = db.get();
    }
    void show() {
        tree = std::make_unique<TreeEditor>(doc, 0, prompter);
        tree->setGrid(&grid);
        tree->rebuild();
    }
    int object(int l, const std::string& name, int parent = -1) {
        const int j = db->NewObject(l);
        setNameText(objectName(db->lcp(l)->objects[j]), name);
        if (parent >= 0)
            db->lcp(l)->objects[j][obj::kParent] = static_cast<std::uint8_t>(parent + 1);
        return j;
    }
    int device(int l, const std::string& name, int objectByte = 0) {
        const int j = db->CreateElement(17, l);
        setNameText(deviceName(db->lcp(l)->devices[j]), name);
        db->lcp(l)->devices[j][dev::kObject] = static_cast<std::uint8_t>(objectByte);
        return j;
    }
    std::string dump() const {
        std::string out;
        tree->model().visit([&](const TreeNode& n, int depth) {
            out += std::string(static_cast<std::size_t>(2 * depth), ' ') + "[" +
                   std::to_string(n.code) + "] " + n.label + "\n";
        });
        return out;
    }
    bool pick(ItemCode code) {
        const NodeId n = tree->model().find(code);
        return n != kNoNode && tree->select(n);
    }
    std::vector<std::string> menuLabels(ItemCode code) {
        std::vector<std::string> out;
        const NodeId n = tree->model().find(code);
        for (const MenuItem& m : tree->contextMenu(n))
            out.push_back(m.label);
        return out;
    }
};

TEST_F(S5Editor, TreeShapes) {
    struct Case {
        const char* what;
        void (*fill)(S5Editor&);
        const char* shape;
    };
    const Case cases[] = {
        {"empty console", [](S5Editor&) {},
         "[-100]  Версан С5\n  [-101] Ключи пульта\n  [-99] Сообщения\n"},
        {"console keys and an empty LCP",
         [](S5Editor& f) {
             const int k = f.db->CreateKey();
             setNameText(keyOwner(f.db->commonKeys[k]), "Дежурный");
             f.db->AddLcp();
         },
         "[-100]  Версан С5\n  [-101] Ключи пульта\n    [-1000] Дежурный\n  [-2] LCP 1\n"
         "  [-99] Сообщения\n"},
        {"a child listed before its parent needs a second pass",
         [](S5Editor& f) {
             f.db->AddLcp();
             const int a = f.object(1, "Дочерний");  // slot 0, parent set below
             const int b = f.object(1, "Головной");  // slot 1
             f.db->lcp(1)->objects[a][obj::kParent] = static_cast<std::uint8_t>(b + 1);
             f.device(1, "Датчик", b + 1);
             f.device(1, "Свободный");
             const int k = f.db->NewLcpKey(1);
             setNameText(keyOwner(f.db->lcp(1)->keys[k]), "Охрана");
         },
         "[-100]  Версан С5\n  [-101] Ключи пульта\n  [-2] LCP 1\n    [1001] Головной\n"
         "      [1000] Дочерний\n      [1255] Датчик\n    [1256] Свободный\n    [1510] Охрана\n"
         "  [-99] Сообщения\n"},
        {"two LCPs in address order",
         [](S5Editor& f) {
             f.db->AddLcp();
             f.db->AddLcp();
             f.object(2, "Склад");
         },
         "[-100]  Версан С5\n  [-101] Ключи пульта\n  [-2] LCP 1\n  [-3] LCP 2\n"
         "    [2000] Склад\n  [-99] Сообщения\n"},
        {"an object whose parent chain never reaches the LCP still shows",
         [](S5Editor& f) {
             f.db->AddLcp();
             const int a = f.object(1, "А");
             const int b = f.object(1, "Б", a);
             f.db->lcp(1)->objects[a][obj::kParent] = static_cast<std::uint8_t>(b + 1);
         },
         "[-100]  Версан С5\n  [-101] Ключи пульта\n  [-2] LCP 1\n    [1000] А\n"
         "    [1001] Б\n  [-99] Сообщения\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        db->ResetDatabase();
        c.fill(*this);
        show();
        EXPECT_EQ(dump(), c.shape);
    }
}

TEST_F(S5Editor, DanglingObjectByteIsRepairedToNone) {
    db->AddLcp();
    const int d = device(1, "Датчик", 7);  // names object 6, which does not exist
    show();
    EXPECT_EQ(db->lcp(1)->devices[d][dev::kObject], 0);
    EXPECT_EQ(tree->model().parent(tree->model().find(deviceItem(1, d))),
              tree->model().find(lcpItem(1)));
}

TEST_F(S5Editor, MenusPerItemKind) {
    db->AddLcp();
    const int o = object(1, "Зона");
    const int d = device(1, "Датчик", o + 1);
    const int k = db->NewLcpKey(1);
    show();
    EXPECT_EQ(menuLabels(kItemRoot), std::vector<std::string>{"Добавить LCP"});
    EXPECT_EQ(menuLabels(kItemCommonKeys), std::vector<std::string>{"Добавить ключ"});
    EXPECT_EQ(menuLabels(lcpItem(1)),
              (std::vector<std::string>{"Добавить объект", "Добавить устройство", "Добавить ключ",
                                        "Удалить LCP 1"}));
    ASSERT_TRUE(pick(objectItem(1, o)));
    EXPECT_EQ(menuLabels(objectItem(1, o)),
              (std::vector<std::string>{"Добавить устройство", "Добавить подчиненный объект",
                                        "Вырезать в буфер Зона", "Удалить"}));
    EXPECT_EQ(menuLabels(deviceItem(1, d)),
              (std::vector<std::string>{"Вырезать в буфер Датчик", "Удалить"}));
    EXPECT_EQ(menuLabels(keyItem(1, k)),
              (std::vector<std::string>{"Копировать ", "Вырезать ", "Удалить "}));
    // With devices in the buffer the LCP and the object offer a paste, the
    // console keys do not.
    ASSERT_TRUE(pick(deviceItem(1, d)));
    ASSERT_TRUE(tree->runCommand(1170));
    EXPECT_EQ(menuLabels(lcpItem(1)).at(3), "Вставить из буфера");
    ASSERT_TRUE(pick(objectItem(1, o)));
    EXPECT_EQ(menuLabels(objectItem(1, o)).at(2), "Вставить из буфера");
    EXPECT_EQ(menuLabels(kItemCommonKeys), std::vector<std::string>{"Добавить ключ"});
    EXPECT_TRUE(menuLabels(kItemMessages).empty());
}

TEST_F(S5Editor, AddAndDeleteLcpsWithReaddressing) {
    show();
    ASSERT_TRUE(pick(kItemRoot));
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(tree->runCommand(s5cmd::kAddLcp));
    EXPECT_EQ(db->lcpCount(), 3);
    EXPECT_EQ(tree->currentCode(), lcpItem(3));

    // LCP 3 gets an object, then LCP 1 goes: LCP 3 moves to address 1.
    ASSERT_TRUE(pick(lcpItem(3)));
    ASSERT_TRUE(tree->runCommand(cmd::kAddObject));
    EXPECT_EQ(tree->currentCode(), objectItem(3, 0));
    EXPECT_EQ(tree->model().node(tree->current()).label, "Объект 1");

    ASSERT_TRUE(pick(lcpItem(1)));
    prompter.answers = {PromptAnswer::No};
    ASSERT_TRUE(tree->runCommand(s5cmd::kDeleteLcp));
    EXPECT_EQ(db->lcpCount(), 3) << "No keeps the LCP";
    ASSERT_EQ(prompter.calls.size(), 1u);
    EXPECT_EQ(prompter.calls[0].text,
              "Подтвердите удаление LCP.\nАдрес последнего LCP будет изменен!\nУдалить?");
    EXPECT_EQ(prompter.calls[0].title, "Удаление");

    ASSERT_TRUE(tree->runCommand(s5cmd::kDeleteLcp));
    EXPECT_EQ(db->lcpCount(), 2);
    EXPECT_NE(tree->model().find(objectItem(1, 0)), kNoNode) << "the moved LCP's object";
    EXPECT_EQ(tree->model().find(lcpItem(3)), kNoNode);

    // The last LCP asks the short question.
    ASSERT_TRUE(pick(lcpItem(2)));
    ASSERT_TRUE(tree->runCommand(s5cmd::kDeleteLcp));
    EXPECT_EQ(prompter.calls.back().text, "Подтвердите удаление LCP.\nУдалить?");
    EXPECT_EQ(db->lcpCount(), 1);
    EXPECT_GT(db->modified, 0);
}

TEST_F(S5Editor, NewKeysAndObjectsAreNamedAndNested) {
    db->AddLcp();
    const int o = object(1, "Зона");
    show();
    ASSERT_TRUE(pick(objectItem(1, o)));
    ASSERT_TRUE(tree->runCommand(cmd::kAddObject));
    const NodeId child = tree->current();
    EXPECT_EQ(tree->model().node(child).label, "Объект 2");
    EXPECT_EQ(tree->codeOf(tree->parentOf(child)), objectItem(1, o));

    ASSERT_TRUE(pick(kItemCommonKeys));
    ASSERT_TRUE(tree->runCommand(cmd::kAddKey));
    EXPECT_EQ(tree->currentCode(), commonKeyItem(0));
    EXPECT_EQ(tree->model().node(tree->current()).label, "Ключ 1");
}

TEST_F(S5Editor, AddedDevicesGetTheirTypeAndObject) {
    db->AddLcp();
    const int o = object(1, "Зона");
    show();
    struct Case {
        int command;
        bool alternative;
        int type;
    } cases[] = {{1151, false, 17}, {1152, false, 24}, {1152, true, 37},
                 {1178, false, 45}, {1178, true, 84},  {1177, false, 48}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        db->alternativeCodes = c.alternative;
        ASSERT_TRUE(pick(objectItem(1, o)));
        ASSERT_TRUE(tree->runCommand(c.command));
        const ItemRef r = decodeItem(tree->currentCode());
        ASSERT_EQ(r.kind, ItemKind::Device);
        EXPECT_EQ(db->lcp(1)->devices[r.slot][dev::kType], c.type);
        EXPECT_EQ(db->lcp(1)->devices[r.slot][dev::kObject], o + 1);
        EXPECT_EQ(tree->codeOf(tree->parentOf(tree->current())), objectItem(1, o));
    }
}

TEST_F(S5Editor, DeletingALinkedObjectAsksAboutLinkedLcps) {
    db->AddLcp();
    db->AddLcp();
    const int o = object(1, "Зона");
    db->lcp(1)->objects[o][obj::kLinkedLcp] = 2;
    db->lcp(1)->objects[o][obj::kLinkedObject] = 1;
    show();
    ASSERT_TRUE(pick(objectItem(1, o)));
    prompter.answers = {PromptAnswer::No};
    ASSERT_TRUE(tree->runCommand(cmd::kDeleteObject));
    EXPECT_EQ(prompter.calls.back().text, "Есть связанные LCP.\nУдалить?");
    EXPECT_TRUE(db->lcp(1)->objectUsed(o));
    ASSERT_TRUE(tree->runCommand(cmd::kDeleteObject));
    EXPECT_FALSE(db->lcp(1)->objectUsed(o));
    EXPECT_EQ(tree->model().find(objectItem(1, o)), kNoNode);
}

TEST_F(S5Editor, PasteMovesOrCopiesAndRefusesACutDeviceInAnotherLcp) {
    db->AddLcp();
    db->AddLcp();
    const int o = object(1, "Зона");
    const int d = device(1, "Датчик");
    const int k = db->NewLcpKey(1);
    setNameText(keyOwner(db->lcp(1)->keys[k]), "Охрана");
    show();

    // A cut device goes into an object of its own LCP: moved, not copied.
    ASSERT_TRUE(pick(deviceItem(1, d)));
    ASSERT_TRUE(tree->runCommand(1170));
    EXPECT_TRUE(doc.buffer.takenByCut);
    ASSERT_TRUE(pick(objectItem(1, o)));
    ASSERT_TRUE(tree->runCommand(cmd::kPasteS5));
    EXPECT_EQ(db->lcp(1)->devices[d][dev::kObject], o + 1);
    EXPECT_EQ(db->lcp(1)->deviceCount, 1);
    EXPECT_EQ(tree->codeOf(tree->parentOf(tree->model().find(deviceItem(1, d)))), objectItem(1, o));

    // Cut again, into another LCP: refused, nothing moves.
    ASSERT_TRUE(pick(deviceItem(1, d)));
    ASSERT_TRUE(tree->runCommand(1170));
    ASSERT_TRUE(pick(lcpItem(2)));
    ASSERT_TRUE(tree->runCommand(cmd::kPasteS5));
    EXPECT_EQ(prompter.calls.back().text, "Перенос АУ в другое LCP недопустим!");
    EXPECT_EQ(prompter.calls.back().title, "Вставка");
    EXPECT_TRUE(db->lcp(1)->deviceUsed(d));
    EXPECT_EQ(db->lcp(2)->deviceCount, 0);

    // A copied key goes to the console keys; the source stays.
    ASSERT_TRUE(pick(keyItem(1, k)));
    ASSERT_TRUE(tree->runCommand(1186));
    EXPECT_FALSE(doc.buffer.takenByCut);
    ASSERT_TRUE(pick(kItemCommonKeys));
    ASSERT_TRUE(tree->runCommand(cmd::kPasteS5));
    EXPECT_EQ(tree->currentCode(), commonKeyItem(0));
    EXPECT_EQ(tree->model().node(tree->current()).label, "Охрана");
    EXPECT_TRUE(db->lcp(1)->keyUsed(k));
}

TEST_F(S5Editor, ACutObjectMovesWithWhatItHoldsAndNeverUnderItself) {
    db->AddLcp();
    db->AddLcp();
    const int top = object(1, "Корпус");
    const int zone = object(1, "Зона", top);
    const int room = object(1, "Комната", zone);
    const int smoke = device(1, "Дым", room + 1);
    show();

    // The link test: "Зона" cannot go into itself nor under "Комната".
    for (int target : {zone, room}) {
        ASSERT_TRUE(pick(objectItem(1, zone)));
        ASSERT_TRUE(tree->runCommand(1170));
        ASSERT_TRUE(pick(objectItem(1, target)));
        ASSERT_TRUE(tree->runCommand(cmd::kPasteS5));
        EXPECT_EQ(prompter.calls.back().text, DBS5::kObjectLoop);
        EXPECT_EQ(db->lcp(1)->objects[zone][obj::kParent], top + 1);
    }
    // Dragging is refused the same way, with the rule's reason.
    const NodeId zoneNode = tree->model().find(objectItem(1, zone));
    const NodeId roomNode = tree->model().find(objectItem(1, room));
    EXPECT_FALSE(tree->canDrop(roomNode, {zoneNode}));
    EXPECT_EQ(tree->dropRefusal(roomNode, {zoneNode}), DBS5::kObjectLoop);
    // A device may not be dragged into another LCP.
    const NodeId smokeNode = tree->model().find(deviceItem(1, smoke));
    const NodeId lcp2 = tree->model().find(lcpItem(2));
    EXPECT_FALSE(tree->canDrop(lcp2, {smokeNode}));
    EXPECT_EQ(tree->dropRefusal(lcp2, {smokeNode}), "Перенос АУ в другое LCP недопустим!");
    EXPECT_FALSE(tree->canDrop(lcp2, {zoneNode, smokeNode})) << "one kind per drag";

    // Dropped on the LCP, "Зона" keeps its slot, its subordinate and device.
    ASSERT_TRUE(tree->drop(tree->model().find(lcpItem(1)), {zoneNode}, false));
    const LcpDatabase& d = *db->lcp(1);
    EXPECT_EQ(d.objects[zone][obj::kParent], 0);
    EXPECT_EQ(d.objects[top][obj::kSubMap], 0);
    EXPECT_EQ(d.objects[room][obj::kParent], zone + 1);
    EXPECT_EQ(d.devices[smoke][dev::kObject], room + 1);
    EXPECT_EQ(tree->parentOf(tree->model().find(objectItem(1, zone))),
              tree->model().find(lcpItem(1)));
    EXPECT_EQ(tree->currentCode(), objectItem(1, zone));
}

TEST_F(S5Editor, ACopiedDeviceMayGoToAnotherLcpAndTheOtherTree) {
    db->AddLcp();
    db->AddLcp();
    const int d = device(1, "Датчик");
    show();
    DBS5 right(1, ctx);
    right.AddLcp();
    doc.databases[1] = &right;
    TreeEditor rightTree(doc, 1, prompter);
    rightTree.rebuild();

    ASSERT_TRUE(pick(deviceItem(1, d)));
    ASSERT_TRUE(tree->runCommand(cmd::kCopy));
    ASSERT_TRUE(pick(lcpItem(2)));
    ASSERT_TRUE(tree->runCommand(cmd::kPasteS5));
    EXPECT_EQ(db->lcp(2)->deviceCount, 1);
    EXPECT_EQ(nameText(deviceName(db->lcp(2)->devices[0])), "Датчик");

    ASSERT_TRUE(rightTree.select(rightTree.model().find(lcpItem(1))));
    ASSERT_TRUE(rightTree.runCommand(cmd::kPasteS5));
    EXPECT_EQ(right.lcp(1)->deviceCount, 1);
    EXPECT_TRUE(db->lcp(1)->deviceUsed(d));
}

TEST_F(S5Editor, GridRowsOfAnObjectEditTheRecord) {
    db->AddLcp();
    const int o = object(1, "Зона");
    show();
    ASSERT_TRUE(pick(objectItem(1, o)));
    const int name = grid.findRow("Имя объекта");
    const int delay = grid.findRow("Задержка срабатывания, сек.");
    ASSERT_GE(name, 0);
    ASSERT_GE(delay, 0);
    EXPECT_EQ(grid.rows()[static_cast<std::size_t>(name)].text, "Зона");
    EXPECT_TRUE(grid.commitText(delay, "256"));
    EXPECT_EQ(grid.rows()[static_cast<std::size_t>(delay)].text, "255") << "held at the limit";
    EXPECT_TRUE(grid.commitText(delay, "30"));
    EXPECT_TRUE(grid.commitText(name, "Склад"));
    ASSERT_TRUE(pick(lcpItem(1)));
    EXPECT_EQ(db->lcp(1)->objects[o][obj::kDelay], 30);
    EXPECT_EQ(nameText(objectName(db->lcp(1)->objects[o])), "Склад");

    // The second tab lists the LCP's devices, marked where they belong here.
    device(1, "Дым 1", o + 1);
    device(1, "Дым 2");
    show();
    ASSERT_TRUE(pick(objectItem(1, o)));
    const CheckList& tab = grid.secondTab();
    EXPECT_EQ(tab.caption, "Связанные АУ");
    ASSERT_EQ(tab.entries.size(), 2u);
    EXPECT_EQ(tab.entries[0].label, "Дым 1");
    EXPECT_TRUE(tab.entries[0].checked);
    EXPECT_FALSE(tab.entries[1].checked);
}

TEST_F(S5Editor, ObjectTabsMoveDevicesAndSubordinatesAndRefuseALoop) {
    db->AddLcp();
    const int top = object(1, "Корпус");
    const int zone = object(1, "Зона", top);
    const int other = object(1, "Склад");
    db->lcp(1)->objects[top][obj::kSubMap] = static_cast<std::uint8_t>(1u << zone);
    const int inOther = device(1, "Дым 1");
    db->lcp(1)->setDeviceObject(inOther, other);
    const int loose = device(1, "Дым 2");
    show();
    ASSERT_TRUE(pick(objectItem(1, zone)));
    ASSERT_EQ(grid.tabs().size(), 2u);
    EXPECT_EQ(grid.tabs()[1].caption, "Подчиненные объекты");
    EXPECT_TRUE(grid.tabs()[0].editable);

    // "Связанные АУ": both devices come into the zone, the first leaving "Склад".
    ASSERT_TRUE(grid.setCheck(0, 0, true));
    ASSERT_TRUE(grid.setCheck(0, 1, true));
    // "Подчиненные объекты" lists the others; the zone's own parent would close
    // a loop: refused with its message, nothing marked.
    const auto& children = grid.tabs()[1].entries;
    ASSERT_EQ(children.size(), 2u);
    EXPECT_EQ(children[0].label, "Корпус");
    EXPECT_FALSE(grid.setCheck(1, 0, true));
    EXPECT_EQ(prompter.calls.back().text,
              "Объект \"Корпус\" стоит выше в цепочке подчинения: подчинить его нельзя!");
    EXPECT_FALSE(grid.tabs()[1].entries[0].checked);
    ASSERT_TRUE(grid.setCheck(1, 1, true));
    EXPECT_TRUE(grid.tabs()[1].entries[1].checked) << "the tab is rebuilt from the change";
    EXPECT_EQ(db->lcp(1)->objects[other][obj::kParent], 0) << "nothing stored before leaving";

    ASSERT_TRUE(pick(lcpItem(1)));
    const LcpDatabase& d = *db->lcp(1);
    EXPECT_EQ(d.devices[inOther][dev::kObject], zone + 1);
    EXPECT_EQ(d.devices[loose][dev::kObject], zone + 1);
    EXPECT_EQ(d.objects[other][obj::kDeviceMap], 0) << "the former object lost its bit";
    EXPECT_EQ(d.objects[zone][obj::kDeviceMap], (1u << inOther) | (1u << loose));
    EXPECT_EQ(d.objects[other][obj::kParent], zone + 1);
    EXPECT_EQ(d.objects[zone][obj::kSubMap], 1u << other);
    EXPECT_EQ(d.objects[top][obj::kFlags] & obj::kTypeMask, 1) << "types marked again";
    // The tree follows: "Склад" and both devices now hang under the zone.
    const NodeId zoneNode = tree->model().find(objectItem(1, zone));
    EXPECT_EQ(tree->parentOf(tree->model().find(objectItem(1, other))), zoneNode);
    EXPECT_EQ(tree->parentOf(tree->model().find(deviceItem(1, loose))), zoneNode);

    // Unmarking takes a device out again.
    ASSERT_TRUE(pick(objectItem(1, zone)));
    ASSERT_TRUE(grid.setCheck(0, 0, false));
    ASSERT_TRUE(pick(lcpItem(1)));
    EXPECT_EQ(db->lcp(1)->devices[inOther][dev::kObject], 0);
}

TEST_F(S5Editor, KeyTabListsTheObjectsItsRightsReach) {
    db->AddLcp();
    db->AddLcp();
    const int guarded = object(1, "Охрана");
    db->lcp(1)->objects[guarded][obj::kFlags] = obj::kFlagMain | 0x02;
    object(1, "Пожарный");
    const int remote = object(2, "Склад");
    db->lcp(2)->objects[remote][obj::kFlags] = obj::kFlagMain | 0x02;
    const int k = db->NewLcpKey(1);
    const int common = db->CreateKey();
    db->commonKeys[common][key::kRights] = 0x01;
    show();

    ASSERT_TRUE(pick(keyItem(1, k)));
    const CheckList* tab = &grid.secondTab();
    EXPECT_EQ(tab->caption, "Связанные объекты");
    EXPECT_FALSE(tab->editable);
    ASSERT_EQ(tab->entries.size(), 2u);
    EXPECT_FALSE(tab->entries[0].checked) << "no right to arm or disarm";
    // Granting "Постановка на охрану" marks the security object at once.
    ASSERT_TRUE(grid.commitEntry(grid.findRow("Постановка на охрану"), 0));
    tab = &grid.secondTab();
    EXPECT_TRUE(tab->entries[0].checked);
    EXPECT_FALSE(tab->entries[1].checked) << "not a security object";

    // A console key lists the main objects of every LCP.
    ASSERT_TRUE(pick(commonKeyItem(common)));
    tab = &grid.secondTab();
    ASSERT_EQ(tab->entries.size(), 2u);
    EXPECT_EQ(tab->entries[1].label, "LCP 2: Склад");
    EXPECT_TRUE(tab->entries[1].checked);
}

std::vector<std::string> rowNames(const GridModel& grid) {
    std::vector<std::string> out;
    for (const GridRow& r : grid.rows())
        out.push_back(r.name);
    return out;
}

TEST_F(S5Editor, DeviceRowsFollowTheDeviceType) {
    struct Case {
        int type;
        std::vector<std::string> rows;  // after the four common rows
    };
    const Case cases[] = {
        {17, {"Запуск автоматики", "Блокировка АУ"}},
        {37, {"Блокировка АУ"}},
        {49,
         {"Условие срабатывания", "Задержка включения ИУ, сек.", "Задержка выключения ИУ, сек.",
          "Блокировка АУ"}},
        {33,
         {"Применение", "Тип сообщения шл.1.", "Тип сообщения шл.2.", "Тип сообщения шл.3.",
          "Сообщение шл.1", "Сообщение шл.2", "Сообщение шл.3", "Блокировка АУ"}},
        {84, {"Применение", "Тип сообщения", "Сообщение", "Блокировка АУ"}},
        {48,
         {"Задержка включения ИУ, сек.", "Задержка выключения ИУ, сек.", "Блокировка АУ",
          "Применение", "Срабатывание", "Срабатывание", "Входит в группу КДУ", "Звуковой"}},
        {52,
         {"Задержка включения ИУ, сек.", "Задержка выключения ИУ, сек.", "Блокировка АУ",
          "Применение", "Срабатывание", "Срабатывание", "Срабатывание", "Входит в группу КДУ",
          "Звуковой"}},
    };
    db->AddLcp();
    std::vector<int> slots;
    for (const Case& c : cases)
        slots.push_back(db->CreateElement(c.type, 1));
    show();
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        ASSERT_TRUE(pick(deviceItem(1, slots[i])));
        std::vector<std::string> want = {"Имя устройства", "Тип устройства", "Серийный номер",
                                         "Номер записи БД"};
        want.insert(want.end(), c.rows.begin(), c.rows.end());
        EXPECT_EQ(rowNames(grid), want) << "type " << c.type;
    }
}

TEST_F(S5Editor, DependentDeviceRowsAreRebuiltAndWritten) {
    db->AddLcp();
    db->messages[3] = "Pozhar";
    const int u = db->CreateElement(52, 1);  // УОП
    const int k = db->CreateElement(84, 1);  // КТМ
    show();
    ASSERT_TRUE(pick(deviceItem(1, u)));
    auto row = [&](const std::string& name) { return grid.findRow(name); };
    auto entries = [&](int r) {
        std::vector<std::string> out;
        for (const ListEntry& e : grid.rows()[static_cast<std::size_t>(r)].list.entries)
            out.push_back(e.text);
        return out;
    };
    EXPECT_TRUE(grid.modified()) << "zero bytes no list carries are corrected on show";
    EXPECT_EQ(entries(row("Срабатывание")).front(), "Внимание");
    EXPECT_EQ(row("Номер группы КДУ"), -1) << "not a member of a group";
    ASSERT_TRUE(grid.commitText(row("Применение"), "охранный"));
    EXPECT_EQ(entries(row("Срабатывание")),
              (std::vector<std::string>{"Тихая тревога", "Тревога 1", "Тревога 2"}));
    ASSERT_TRUE(grid.commitText(row("Входит в группу КДУ"), "Да"));
    ASSERT_GE(row("Номер группы КДУ"), 0);
    ASSERT_TRUE(grid.commitText(row("Номер группы КДУ"), "КДУ 7"));
    ASSERT_TRUE(grid.commitText(row("Блокировка АУ"), "Запрещена"));

    ASSERT_TRUE(pick(deviceItem(1, k)));
    const auto& ktm = db->lcp(1)->devices[static_cast<std::size_t>(u)];
    EXPECT_EQ(ktm[dev::kFlags] & dev::kFlagBlocked, 0);
    EXPECT_EQ(ktm[dev::kParams + 11], 7);
    EXPECT_EQ(entries(row("Сообщение")), (std::vector<std::string>{"Pozhar"}));
    EXPECT_EQ(grid.rows()[static_cast<std::size_t>(row("Применение"))].text, "контрольный");
    ASSERT_TRUE(grid.commitText(row("Применение"), "охранный"));
    EXPECT_EQ(entries(row("Тип сообщения")).front(), "Тихая тревога");
    ASSERT_TRUE(pick(lcpItem(1)));
    const std::uint8_t flags = db->lcp(1)->devices[static_cast<std::size_t>(k)][dev::kFlags];
    EXPECT_EQ(flags & (dev::kFlagTypeBit2 | dev::kFlagTypeBit4), dev::kFlagTypeBit2)
        << "a security КТМ gives its object the security type";
}

TEST_F(S5Editor, KeyRowsEditTypeNumberAndRights) {
    db->AddLcp();
    const int j = db->NewLcpKey(1);
    show();
    ASSERT_TRUE(pick(keyItem(1, j)));
    const auto rights = rowNames(grid);
    EXPECT_EQ(rights, (std::vector<std::string>{"Владелец", "Тип ключа", "Полный номер ключа",
                                                "Постановка на охрану", "Снятие с охраны", "Доступ",
                                                "Номер ключа"}));
    EXPECT_TRUE(grid.commitText(grid.findRow("Тип ключа"), "Наладчик"));
    EXPECT_TRUE(grid.commitText(grid.findRow("Полный номер ключа"), "01 02 03 04 05 A6"));
    EXPECT_FALSE(grid.commitText(grid.findRow("Полный номер ключа"), "01 02"));
    EXPECT_TRUE(grid.commitText(grid.findRow("Полный номер ключа"), "01 02 03 04 05 A6"));
    EXPECT_TRUE(grid.commitText(grid.findRow("Снятие с охраны"), "Да"));
    EXPECT_TRUE(grid.commitText(grid.findRow("Доступ"), "Да"));
    ASSERT_TRUE(pick(lcpItem(1)));
    const KeyRecord& k = db->lcp(1)->keys[static_cast<std::size_t>(j)];
    EXPECT_EQ(k[key::kType], 4);
    EXPECT_EQ(k[key::kFullNumber + 5], 0xA6);
    EXPECT_EQ(k[key::kRights] & 0x07, 0x06);
}

TEST_F(S5Editor, TheMovedLcpKeepsItsOpenBranchesAndBufferedItems) {
    for (int l = 1; l <= 3; ++l)
        db->AddLcp();
    const int parent = object(3, "Корпус");
    const int child = object(3, "Этаж", parent);
    object(3, "Подвал", child);
    show();
    tree->setExpanded(tree->model().find(lcpItem(3)), true);
    tree->setExpanded(tree->model().find(objectItem(3, parent)), true);
    doc.buffer.items = {objectItem(3, child)};
    doc.buffer.parent = objectItem(3, parent);
    doc.buffer.tree = 0;

    ASSERT_TRUE(pick(lcpItem(2)));
    ASSERT_TRUE(tree->runCommand(s5cmd::kDeleteLcp));
    EXPECT_EQ(tree->currentCode(), lcpItem(2));
    EXPECT_TRUE(tree->model().node(tree->model().find(lcpItem(2))).expanded);
    EXPECT_TRUE(tree->model().node(tree->model().find(objectItem(2, parent))).expanded);
    EXPECT_FALSE(tree->model().node(tree->model().find(objectItem(2, child))).expanded);
    EXPECT_EQ(doc.buffer.items, std::vector<ItemCode>{objectItem(2, child)});
    EXPECT_EQ(doc.buffer.parent, objectItem(2, parent));

    // Removing the LCP that holds the buffered items empties the buffer.
    ASSERT_TRUE(tree->runCommand(s5cmd::kDeleteLcp));
    EXPECT_TRUE(doc.buffer.empty());
}

#ifndef _WIN32  // the cli runs as a POSIX subprocess here
// The cli's tree, params and set on a saved folder.
std::string runCli(const std::string& args, int& code) {
    std::string out;
    const std::string command = std::string("\"") + TAVRIN_CLI_PATH + "\" " + args + " 2>&1";
    FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buffer[4096];
    std::size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
        out.append(buffer, n);
    const int status = pclose(p);
    code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return out;
}

TEST_F(S5Editor, CliTreeParamsAndSetOnAFolder) {
    if (!std::filesystem::exists(TAVRIN_CLI_PATH)) GTEST_SKIP() << "tavrin-cli not built";
    db->AddLcp();
    const int o = object(1, "Zone");
    device(1, "Sensor", o + 1);
    const std::string folder = (dir.path() / "base").string();
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(db->SaveToDisk(folder));

    int code = -1;
    const std::string shown = runCli("tree \"" + folder + "\" --codes", code);
    EXPECT_EQ(code, 0) << shown;
    EXPECT_NE(shown.find("[-2] LCP 1\n    [1000] Zone\n      [1255] Sensor\n"), std::string::npos)
        << shown;

    const std::string params = runCli("params \"" + folder + "\" 1000", code);
    EXPECT_EQ(code, 0) << params;
    EXPECT_NE(params.find("Zone"), std::string::npos) << params;

    const std::string out = (dir.path() / "out").string();
    const std::string set = runCli(
        "set \"" + folder + "\" 1000 \"Задержка срабатывания, сек.\" 45 -o \"" + out + "\"", code);
    EXPECT_EQ(code, 0) << set;
    DBS5 again(0, ctx);
    ASSERT_TRUE(again.LoadFromDisk(out));
    ASSERT_NE(again.lcp(1), nullptr);
    EXPECT_EQ(again.lcp(1)->objects[o][obj::kDelay], 45);
}
#endif

}  // namespace
