// The configuration tree of "Талвир К2": rebuild shapes and counts, hidden
// groups, key repair, context menus, ordering, edit menu states, and the
// refusals of cut and paste.
#include <gtest/gtest.h>

#include "editor/k2/k2_tree.h"
#include "editor_test_util.h"

namespace tavrin::test {
namespace {

using namespace k2;

// A small database: a detector on П01, a three-loop device on А1/К01, a
// control loop with two members, a duty and an employee key.
struct Sample : EditorFixture {
    int dip = -1, tk3 = -1, key0 = -1, key1 = -1;
    Sample() {
        dip = device(kTypeDip, 32);
        tk3 = device(kTypeTk3, 0);
        db.devices[static_cast<std::size_t>(tk3)][4] = 64;
        link(0, 96);
        link(64, 96);
        db.loops[96][kLoopLogic] = 0xFF;
        key0 = key(false);
        key1 = key(true);
        tree.rebuild();
    }
};

TEST(K2Tree, RebuildShapeAndCounts) {
    Sample f;
    const std::string tree = f.dump();
    EXPECT_EQ(tree.substr(0, tree.find('\n')), "[0]  Талвир К2");
    EXPECT_NE(tree.find("  [-3] Устройства (2)\n"
                        "    [0] Т12-ДИП  001\n"
                        "    [1] Т12-ТК-3 002\n"
                        "      [513] ШС А\n"
                        "      [641] ШС В\n"
                        "      [769] ШС С\n"
                        "  [-5] Шлейфы\n"
                        "    [-30] Охранные (1)\n"
                        "      [128] А1  \n"
                        "        [1] Т12-ТК-3(A)002\n"),
              std::string::npos)
        << tree;
    EXPECT_EQ(f.label(-31), "Пожарные (1)");
    EXPECT_EQ(f.label(-32), "Контрольные (1)");
    EXPECT_EQ(f.label(-33), "Управляющие (1)");
    EXPECT_EQ(f.label(-6), "Дежурный (1)");
    EXPECT_EQ(f.label(-7), "Сотрудник (1)");
    // Member loops sit under their control loop, with their devices.
    const NodeId control = f.tree.model().find(0x80 + 96);
    ASSERT_NE(control, kNoNode);
    const auto& members = f.tree.model().children(control);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(f.tree.model().node(members[0]).code, 0x80);
    EXPECT_EQ(f.tree.model().node(members[1]).code, 0x80 + 64);
    ASSERT_EQ(f.tree.model().children(members[1]).size(), 1u);
    EXPECT_EQ(f.tree.model().node(f.tree.model().children(members[1])[0]).label, "Т12-ТК-3(B)002");
    EXPECT_NE(f.node(0x100 + f.key1, -7), kNoNode);
    EXPECT_EQ(f.label(0x100 + f.key0), "Ключ_000");
    EXPECT_EQ(f.db.loops[96][kLoopContent], 1);
}

TEST(K2Tree, CountsFollowEdits) {
    Sample f;
    ASSERT_TRUE(f.pick(-3, 0));
    ASSERT_TRUE(f.tree.runCommand(1157));  // Т12-УПТ into the devices group
    EXPECT_EQ(f.label(-3), "Устройства (3)");
    ASSERT_TRUE(f.pick(0x80 + 40, -31));
    ASSERT_TRUE(f.tree.runCommand(1152));  // Т12-ИПР onto П09
    EXPECT_EQ(f.label(-31), "Пожарные (2)");
    EXPECT_EQ(f.tree.codeOf(f.tree.parentOf(f.tree.current())), 0x80 + 40);
    ASSERT_TRUE(f.pick(-7, -4));
    ASSERT_TRUE(f.tree.runCommand(cmd::kAddKey));
    EXPECT_EQ(f.label(-7), "Сотрудник (2)");
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditDelete));
    EXPECT_EQ(f.label(-7), "Сотрудник (1)");
}

TEST(K2Tree, HidingEveryGroupLeavesTheLoopsNode) {
    Sample f;
    const std::array<const char*, 6> hide = {"Скрыть устройства",     "Скрыть охранные ШС",
                                             "Скрыть пожарные ШС",    "Скрыть контрольные ШС",
                                             "Скрыть управляющие ШС", "Скрыть ключи"};
    for (int g = 0; g < 6; ++g) {
        EXPECT_EQ(f.tree.groupToggleLabel(g), hide[static_cast<std::size_t>(g)]);
        ASSERT_TRUE(f.tree.runCommand(107 + g));
    }
    EXPECT_EQ(f.dump(), "[0]  Талвир К2\n  [-5] Шлейфы\n");
    EXPECT_EQ(f.tree.groupToggleLabel(3), "Показать контрольные ШС");
    ASSERT_TRUE(f.tree.runCommand(112));
    EXPECT_NE(f.dump().find("[-6] Дежурный (1)"), std::string::npos);
}

TEST(K2Tree, KeyWithoutNumberIsRepaired) {
    EditorFixture f;
    const int k = f.key(false);
    f.db.keys[static_cast<std::size_t>(k)][kKeyOrdinal] = 0xFF;
    f.db.modified = 0;
    f.tree.rebuild();
    EXPECT_EQ(f.db.keys[static_cast<std::size_t>(k)][kKeyOrdinal], k);
    // Showing a database is no edit: nothing to offer for saving.
    EXPECT_EQ(f.db.modified, 0);
}

TEST(K2Tree, SelectionSurvivesRebuild) {
    Sample f;
    ASSERT_TRUE(f.pick(0x80 + 64, 0x80 + 96));
    f.tree.rebuild();
    EXPECT_EQ(f.tree.currentCode(), 0x80 + 64);
    EXPECT_TRUE(f.tree.model().node(f.tree.model().find(-32)).expanded);
}

TEST(K2Tree, ContextMenus) {
    Sample f;
    auto labels = [](const std::vector<MenuItem>& m) {
        std::vector<std::string> out;
        for (const MenuItem& i : m)
            out.push_back(i.label);
        return out;
    };
    // A control loop offers no copy and no cut; it accepts the four relays.
    auto menu = f.tree.contextMenu(f.node(0x80 + 96, -33));
    EXPECT_EQ(labels(menu),
              (std::vector<std::string>{"Добавить устройство", "Заблокировать", "Разблокировать"}));
    EXPECT_EQ(labels(menu[0].submenu),
              (std::vector<std::string>{"Т12-БРП", "Т12-МАУ", "Т12-УОП", "Т12-УОПВ"}));
    // A member loop can be cut and deleted from its control loop.
    menu = f.tree.contextMenu(f.node(0x80, 0x80 + 96));
    EXPECT_EQ(labels(menu),
              (std::vector<std::string>{"Добавить устройство", "Скопировать в буфер", "Вырезать",
                                        "Удалить", "Заблокировать", "Разблокировать"}));
    // A fire loop takes the fire detectors and one УПТ.
    menu = f.tree.contextMenu(f.node(0x80 + 33, -31));
    EXPECT_EQ(labels(menu[0].submenu),
              (std::vector<std::string>{"Т12-ДИП", "Т12-ИПР", "Т12-ТК", "Т12-ИПГ", "Т12-БРП",
                                        "Т12-УПТ", "Т12-МАУ", "Т12-УОП", "Т12-УОПВ"}));
    EXPECT_EQ(menu[0].submenu[5].command, 1157);
    // A device in the device list cannot be cut.
    menu = f.tree.contextMenu(f.node(f.dip, -3));
    EXPECT_EQ(labels(menu), (std::vector<std::string>{"Удалить устройство", "Копировать",
                                                      "Заблокировать", "Разблокировать"}));
    menu = f.tree.contextMenu(f.node(-3, 0));
    EXPECT_EQ(labels(menu),
              (std::vector<std::string>{"Добавить устройство", "Упорядочить устройства"}));
    EXPECT_EQ(menu[0].submenu.size(), 12u);
    menu = f.tree.contextMenu(f.node(0x100 + f.key0, -6));
    EXPECT_EQ(labels(menu),
              (std::vector<std::string>{"Удалить ключ", "Вырезать в буфер", "Копировать"}));
    EXPECT_TRUE(f.tree.contextMenu(f.node(-5, 0)).empty());
    EXPECT_TRUE(f.tree.contextMenu(f.tree.model().roots().front()).empty());
}

TEST(K2Tree, OrderingOfDevices) {
    EditorFixture f;
    f.device(kTypeUop);
    f.device(kTypeDip);
    f.device(kTypeKtm);
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(-3, 0));
    ASSERT_TRUE(f.tree.runCommand(cmd::kOrderByType));
    f.tree.rebuild();  // the order by type survives a rebuild
    auto order = [&] {
        std::vector<ItemCode> c;
        for (NodeId n : f.tree.model().children(f.tree.model().find(-3)))
            c.push_back(f.tree.codeOf(n));
        return c;
    };
    EXPECT_EQ(order(), (std::vector<ItemCode>{1, 2, 0}));  // ДИП, КТМ, УОП
    ASSERT_TRUE(f.tree.runCommand(cmd::kOrderByNumber));
    EXPECT_EQ(order(), (std::vector<ItemCode>{0, 1, 2}));
    EXPECT_FALSE(f.tree.orderedByType());
}

TEST(K2Tree, EditMenuStates) {
    Sample f;
    EditMenuState s = f.tree.editMenu();
    EXPECT_EQ(s.undo.label, "Список команд пуст");
    EXPECT_FALSE(s.undo.enabled);
    EXPECT_EQ(s.showBuffer.label, "Буфер пуст");
    ASSERT_TRUE(f.pick(f.dip, 0x80 + 32));
    s = f.tree.editMenu();
    EXPECT_EQ(s.undo.label, "Возврат на команду");  // the selection was recorded
    EXPECT_TRUE(s.undo.enabled);
    EXPECT_EQ(s.cut.label, "Переместить в буфер");
    EXPECT_EQ(s.copy.label, "Создать копию в буфере");
    EXPECT_FALSE(s.paste.enabled);
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditCopy));
    EXPECT_EQ(f.status, "Скопировано");
    s = f.tree.editMenu();
    EXPECT_EQ(s.showBuffer.label, "Просмотр буфера");
    EXPECT_TRUE(f.tree.model().node(f.tree.current()).ghosted);
    ASSERT_TRUE(f.pick(0x80 + 40, -31));
    s = f.tree.editMenu();
    EXPECT_TRUE(s.paste.enabled);
    EXPECT_EQ(s.paste.label, "Вставить из буфера");
}

TEST(K2Tree, CutRefusals) {
    Sample f;
    struct Case {
        ItemCode item, parent;
        const char* text;
    };
    const Case cases[] = {
        {0, -3,
         "Вырезать устройства из 'Устройств' нельзя!\nПоскольку они будут удалены совсем из БД"},
        {1, 0x80 + 64, nullptr},  // found below under the member loop
        {0x80 + 96, -33, "Эти объекты нельзя удалить(вырезать) из дерева"},
    };
    for (const Case& c : cases) {
        if (!c.text) continue;
        ASSERT_TRUE(f.pick(c.item, c.parent));
        const EditMenuState s = f.tree.editMenu();
        EXPECT_FALSE(s.cut.enabled);
        EXPECT_EQ(s.cut.label, c.text);
        EXPECT_FALSE(f.tree.runCommand(cmd::kEditCut));
        EXPECT_TRUE(f.tree.buffer().empty());
    }
    // A device inside a member loop of a control loop.
    const NodeId member = f.node(0x80 + 64, 0x80 + 96);
    const NodeId nested = f.tree.model().findUnder(member, f.tk3);
    ASSERT_TRUE(f.tree.select(nested));
    EXPECT_EQ(f.tree.editMenu().cut.label, "Вырезать устройства из вложенных ШС нельзя!");
    EXPECT_EQ(f.tree.editMenu().copy.label, "Копировать устройства из вложенных ШС нельзя!");
}

// Pastes the item `code` under `from` into `target` under `targetParent`.
void pasteInto(EditorFixture& f, ItemCode code, ItemCode from, bool cut, ItemCode target,
               ItemCode targetParent) {
    ASSERT_TRUE(f.pick(code, from));
    ASSERT_TRUE(f.tree.runCommand(cut ? 1192 : 1172));
    ASSERT_TRUE(f.pick(target, targetParent));
    f.prompter.calls.clear();
    f.before = f.image();
    ASSERT_TRUE(f.tree.runCommand(1193));
}

TEST(K2Tree, PasteRefusals) {
    struct Case {
        const char* name;
        std::function<void(EditorFixture&)> run;
        const char* message;
    };
    const std::vector<Case> cases = {
        {"second УПТ",
         [](EditorFixture& f) {
             f.device(kTypeUpt, 32);
             const int other = f.device(kTypeUpt, 40);
             f.tree.rebuild();
             pasteInto(f, other, 0x80 + 40, false, 0x80 + 32, -31);
         },
         "УПТ в ШС может быть только одно!"},
        {"two УПТ at once",
         [](EditorFixture& f) {
             const int a = f.device(kTypeUpt, 40);
             const int b = f.device(kTypeUpt, 41);
             f.device(kTypeUpt, 42);
             (void)b;
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(a, -3));
             f.tree.toggleMark(f.node(1, -3));
             ASSERT_TRUE(f.tree.runCommand(1172));
             ASSERT_EQ(f.tree.buffer().items.size(), 2u);
             ASSERT_TRUE(f.pick(0x80 + 33, -31));
             f.prompter.calls.clear();
             f.before = f.image();
             ASSERT_TRUE(f.tree.runCommand(1193));
         },
         "УПТ в ШС может быть только одно!"},
        {"fifth link",
         [](EditorFixture& f) {
             for (int c = 96; c < 100; ++c)
                 f.link(3, c);
             f.tree.rebuild();
             pasteInto(f, 0x80 + 3, -30, false, 0x80 + 110, -33);
         },
         "Шлейф уже добавлен в четыре управляющих шлейфа!"},
        {"group against logic",
         [](EditorFixture& f) {
             f.db.loops[110][kLoopLogic] = 0;
             f.tree.rebuild();
             pasteInto(f, 0x80 + 40, -31, false, 0x80 + 110, -33);
         },
         "Такая вставка недопустима."},
        {"detector into a security loop",
         [](EditorFixture& f) {
             const int d = f.device(kTypeDip, 32);
             f.tree.rebuild();
             pasteInto(f, d, 0x80 + 32, true, 0x80 + 1, -30);
         },
         "Можно вставлять только в пожарные ШС."},
        {"key into a monitoring loop",
         [](EditorFixture& f) {
             const int k = f.key(false);
             f.tree.rebuild();
             pasteInto(f, 0x100 + k, -6, false, 0x80 + 70, -32);
         },
         "Здесь ключи не используются."},
        {"device into a key group",
         [](EditorFixture& f) {
             const int d = f.device(kTypeDip, 32);
             f.tree.rebuild();
             pasteInto(f, d, -3, false, -7, -4);
         },
         "Можно вставить только ключи."},
        {"key into the devices group",
         [](EditorFixture& f) {
             const int k = f.key(false);
             f.tree.rebuild();
             pasteInto(f, 0x100 + k, -6, false, -3, 0);
         },
         "Сюда вставлять можно только устройства"},
        {"security key into a fire loop",
         [](EditorFixture& f) {
             const int k = f.key(true, 0);
             f.tree.rebuild();
             pasteInto(f, 0x100 + k, -7, false, 0x80 + 40, -31);
         },
         "Можно вставлять только пожарные ключи."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EditorFixture f;
        c.run(f);
        ASSERT_FALSE(f.prompter.calls.empty());
        EXPECT_EQ(f.prompter.calls.back().text, c.message);
        EXPECT_EQ(f.prompter.calls.back().title, "Вставка из буфера");
        EXPECT_EQ(f.image(), f.before);  // a refused paste changes nothing
    }
}

TEST(K2Tree, FullLinksFromTheOtherDatabase) {
    EditorFixture f;
    DBK2 second{1, f.ctx};
    f.doc.databases[1] = &second;
    TreeEditor tree2(f.doc, 1, f.prompter);
    tree2.rebuild();
    for (int c = 96; c < 100; ++c)
        f.link(3, c);
    f.tree.rebuild();
    // Loop А4 copied in the second database, pasted into a control loop here.
    const NodeId n = tree2.model().findUnder(tree2.model().find(-30), 0x80 + 3);
    ASSERT_TRUE(tree2.select(n));
    ASSERT_TRUE(tree2.runCommand(1172));
    ASSERT_TRUE(f.pick(0x80 + 110, -33));
    ASSERT_TRUE(f.tree.runCommand(1193));
    EXPECT_EQ(f.prompter.calls.back().text, "Все ссылки шлейфа заняты!");
}

TEST(K2Tree, DropRules) {
    EditorFixture f;
    const int dip = f.device(kTypeDip);
    const int ktm = f.device(kTypeKtm);
    f.tree.rebuild();
    const NodeId dipNode = f.node(dip, -3), ktmNode = f.node(ktm, -3);
    EXPECT_TRUE(f.tree.canDrop(f.node(0x80 + 40, -31), {dipNode}));
    EXPECT_FALSE(f.tree.canDrop(f.node(0x80 + 1, -30), {dipNode}));
    EXPECT_TRUE(f.tree.canDrop(f.node(0x80 + 70, -32), {ktmNode}));
    EXPECT_FALSE(f.tree.canDrop(f.node(0x80 + 40, -31), {dipNode, ktmNode}));
    EXPECT_FALSE(f.tree.canDrop(f.node(-3, 0), {dipNode}));
    EXPECT_EQ(f.tree.dragStatus({dipNode}, true), "Перенос");
    const int k = f.key(false);
    f.tree.rebuild();
    EXPECT_EQ(f.tree.dragStatus({f.node(0x100 + k, -6)}, true), "Копирование");
    EXPECT_EQ(f.tree.dragStatus({f.node(0x100 + k, -6)}, false), "Перенос");
    ASSERT_TRUE(f.tree.drop(f.node(0x80 + 40, -31), {f.node(dip, -3)}, false));
    EXPECT_EQ(f.db.devices[static_cast<std::size_t>(dip)][kDevLoop], 40);
    EXPECT_EQ(f.label(-31), "Пожарные (1)");
}

TEST(CommandList, TheThirtyFirstRecordDropsTheOldest) {
    CommandList list;
    for (int i = 1; i <= 31; ++i) {
        auto r = std::make_unique<CommandRecord>();
        r->code = kCmdSelection;
        r->items = {i};
        list.push(std::move(r));
    }
    ASSERT_EQ(list.size(), 30u);
    EXPECT_EQ(list.at(0).items[0], 2);
    EXPECT_EQ(list.at(29).items[0], 31);
    list.setUndoInProgress(true);
    list.push(std::make_unique<CommandRecord>());
    EXPECT_EQ(list.size(), 30u);
}

}  // namespace
}  // namespace tavrin::test
