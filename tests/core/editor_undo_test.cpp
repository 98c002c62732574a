// "Возврат на команду": every recorded edit of the "Талвир К2" tree is
// reversed exactly (the whole database, as it would be saved, and its change
// counter are as they were before the edit).
#include <gtest/gtest.h>

#include "editor/k2/k2_tree.h"
#include "editor_test_util.h"

namespace tavrin::test {
namespace {

using namespace k2;

struct UndoCase {
    const char* name;
    std::function<void(EditorFixture&)>
        setUp;  // builds the database and selects where the edit starts
    std::function<void(EditorFixture&)> edit;
};

TEST(K2Undo, EveryEditIsReversedExactly) {
    const std::vector<UndoCase> cases = {
        {"add a device on a loop", [](EditorFixture& f) { ASSERT_TRUE(f.pick(0x80 + 32, -31)); },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(1151)); }},
        {"add an employee key", [](EditorFixture& f) { ASSERT_TRUE(f.pick(-7, -4)); },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kAddKey)); }},
        {"delete a device",
         [](EditorFixture& f) {
             const int d = f.device(kTypeIpr, 33);
             setBit(f.db.blockedDevices, static_cast<std::size_t>(d));
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(d, 0x80 + 33));
         },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteDevice)); }},
        {"delete two keys",
         [](EditorFixture& f) {
             f.key(false);
             f.key(false);
             f.db.keys[1][0] = 0x55;
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(0x100, -6));
             f.tree.toggleMark(f.node(0x101, -6));
         },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteKeys)); }},
        {"delete a member loop",
         [](EditorFixture& f) {
             f.link(5, 100);
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(0x80 + 5, 0x80 + 100));
         },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kDeleteDevice)); }},
        {"block a loop", [](EditorFixture& f) { ASSERT_TRUE(f.pick(0x80 + 7, -30)); },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kBlock)); }},
        {"paste a copied device",
         [](EditorFixture& f) {
             const int d = f.device(kTypeDip, 32);
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(d, 0x80 + 32));
             ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
             ASSERT_TRUE(f.pick(0x80 + 50, -31));
         },
         [](EditorFixture& f) { ASSERT_TRUE(f.tree.runCommand(cmd::kPasteK2)); }},
        {"move a three-loop device's loop",
         [](EditorFixture& f) {
             const int d = f.device(kTypeTk3, 2);
             f.db.devices[static_cast<std::size_t>(d)][4] = 66;
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(d, 0x80 + 66));
             ASSERT_TRUE(f.tree.runCommand(cmd::kCutK2));
             ASSERT_TRUE(f.pick(0x80 + 80, -32));
         },
         [](EditorFixture& f) {
             ASSERT_TRUE(f.tree.runCommand(cmd::kPasteK2));
             EXPECT_EQ(f.db.devices[0][4], 80);
             EXPECT_TRUE(f.tree.buffer().empty());
         }},
        {"loop into a control loop",
         [](EditorFixture& f) {
             ASSERT_TRUE(f.pick(0x80 + 70, -32));
             ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
             ASSERT_TRUE(f.pick(0x80 + 120, -33));
         },
         [](EditorFixture& f) {
             ASSERT_TRUE(f.tree.runCommand(cmd::kPasteK2));
             EXPECT_EQ(f.db.loops[120][kLoopLogic], 2);
         }},
        {"key applied to a loop",
         [](EditorFixture& f) {
             f.key(true, 1);
             f.tree.rebuild();
             ASSERT_TRUE(f.pick(0x100, -7));
             ASSERT_TRUE(f.tree.runCommand(cmd::kCopy));
             ASSERT_TRUE(f.pick(0x80 + 45, -31));
         },
         [](EditorFixture& f) {
             ASSERT_TRUE(f.tree.runCommand(cmd::kPasteK2));
             EXPECT_EQ(f.db.keys[0][kKeyApplication + 1], 0x20);
         }},
        {"parameters of a loop", [](EditorFixture& f) { ASSERT_TRUE(f.pick(0x80 + 9, -30)); },
         [](EditorFixture& f) {
             ASSERT_TRUE(f.grid.commitText(0, "склад"));
             ASSERT_TRUE(f.grid.commitText(2, "30"));
             ASSERT_TRUE(f.grid.commitText(3, "У01"));
             ASSERT_TRUE(f.pick(0x80 + 10, -30));  // leaving the item writes it back
         }},
    };
    for (const UndoCase& c : cases) {
        SCOPED_TRACE(c.name);
        EditorFixture f;
        c.setUp(f);
        const Bytes before = f.image();
        const int modifiedBefore = f.db.modified;
        c.edit(f);
        EXPECT_NE(f.image(), before);
        EXPECT_EQ(f.db.modified, modifiedBefore + 1);
        ASSERT_TRUE(f.tree.editMenu().undo.enabled);
        ASSERT_TRUE(f.tree.runCommand(cmd::kEditUndo));
        EXPECT_EQ(f.image(), before);
        EXPECT_EQ(f.db.modified, modifiedBefore);
    }
}

TEST(K2Undo, MoveBetweenTwoDatabases) {
    EditorFixture f;
    DBK2 second{1, f.ctx};
    f.doc.databases[1] = &second;
    TreeEditor tree2(f.doc, 1, f.prompter);
    const int k = second.CreateKey();
    second.keys[static_cast<std::size_t>(k)][0] = 0x77;
    tree2.rebuild();
    ASSERT_TRUE(tree2.select(tree2.model().find(0x100 + k)));
    ASSERT_TRUE(tree2.runCommand(cmd::kCutK2));
    ASSERT_TRUE(f.pick(-7, -4));
    const Bytes before1 = f.image(), before2 = second.SerializeFile();
    ASSERT_TRUE(f.tree.runCommand(cmd::kPasteK2));
    EXPECT_TRUE(f.db.IsKeyInUse(0));
    EXPECT_EQ(f.db.keys[0][0], 0x77);
    EXPECT_TRUE(isEmployeeKey(f.db.keys[0]));
    EXPECT_FALSE(second.IsKeyInUse(k));
    EXPECT_EQ(f.label(-7), "Сотрудник (1)");
    EXPECT_EQ(tree2.model().node(tree2.model().find(-6)).label, "Дежурный (0)");
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditUndo));
    EXPECT_EQ(f.image(), before1);
    EXPECT_EQ(second.SerializeFile(), before2);
    // The spent buffer is filled again from the record.
    EXPECT_EQ(f.tree.buffer().items, std::vector<ItemCode>{0x100 + k});
    EXPECT_EQ(tree2.model().node(tree2.model().find(-6)).label, "Дежурный (1)");
}

// With "Две базы" each tree's undo reverses only the records its own
// operation changed: a device cut in one tree and pasted in the other
// survives undos in both trees in either order, and an undo never takes back
// what the other tree changed since.
TEST(K2Undo, TwoTreesUndoOnlyTheirOwnRecords) {
    for (const bool rightFirst : {true, false}) {
        SCOPED_TRACE(rightFirst ? "right tree first" : "left tree first");
        EditorFixture f;
        DBK2 second{1, f.ctx};
        f.doc.databases[1] = &second;
        TreeEditor right(f.doc, 1, f.prompter);
        const int d = f.device(kTypeDip, 32);
        f.tree.rebuild();
        right.rebuild();
        const Bytes leftBefore = f.image(), rightBefore = second.SerializeFile();
        // Cut in the left tree, paste into a fire loop of the right one.
        ASSERT_TRUE(f.pick(d, 0x80 + 32));
        ASSERT_TRUE(f.tree.runCommand(cmd::kCutK2));
        ASSERT_TRUE(right.select(right.model().findUnder(right.model().find(-31), 0x80 + 40)));
        ASSERT_TRUE(right.runCommand(cmd::kPasteK2));
        ASSERT_FALSE(f.db.IsDeviceInUse(d));
        ASSERT_TRUE(second.IsDeviceInUse(0));
        // A later edit in the left tree: block loop 7.
        ASSERT_TRUE(f.pick(0x80 + 7, -30));
        ASSERT_TRUE(f.tree.runCommand(cmd::kBlock));
        ASSERT_TRUE(f.db.IsLoopBlocked(7));

        auto undoLeft = [&] {
            while (f.tree.editMenu().undo.enabled)
                f.tree.runCommand(cmd::kEditUndo);
        };
        auto undoRight = [&] {
            while (right.editMenu().undo.enabled)
                right.runCommand(cmd::kEditUndo);
        };
        if (rightFirst) {
            undoRight();
            // The paste is taken back; the left tree's later block stays.
            EXPECT_TRUE(f.db.IsDeviceInUse(d));
            EXPECT_TRUE(f.db.IsLoopBlocked(7));
            EXPECT_FALSE(second.IsDeviceInUse(0));
            undoLeft();
        } else {
            undoLeft();
            // Unblocking does not bring the moved device back into the left.
            EXPECT_FALSE(f.db.IsLoopBlocked(7));
            EXPECT_FALSE(f.db.IsDeviceInUse(d));
            EXPECT_TRUE(second.IsDeviceInUse(0));
            undoRight();
        }
        // The device is back where it was, once, and nothing else changed.
        EXPECT_EQ(f.image(), leftBefore);
        EXPECT_EQ(second.SerializeFile(), rightBefore);
        EXPECT_EQ(f.label(-3), "Устройства (1)");
        EXPECT_TRUE(f.prompter.calls.empty());
    }
}

// An undo whose records the other tree changed since is refused with a
// message and changes nothing.
TEST(K2Undo, ConflictingUndoChangesNothing) {
    EditorFixture f;
    DBK2 second{1, f.ctx};
    f.doc.databases[1] = &second;
    TreeEditor right(f.doc, 1, f.prompter);
    const int d = f.device(kTypeDip, 32);
    f.tree.rebuild();
    right.rebuild();
    ASSERT_TRUE(f.pick(d, 0x80 + 32));
    ASSERT_TRUE(f.tree.runCommand(cmd::kCutK2));
    ASSERT_TRUE(right.select(right.model().findUnder(right.model().find(-31), 0x80 + 40)));
    ASSERT_TRUE(right.runCommand(cmd::kPasteK2));
    // The left tree puts a new device into the freed slot.
    ASSERT_TRUE(f.pick(0x80 + 33, -31));
    ASSERT_TRUE(f.tree.runCommand(1152));
    ASSERT_TRUE(f.db.IsDeviceInUse(d));
    const Bytes left = f.image(), rightNow = second.SerializeFile();
    while (right.editMenu().undo.enabled && f.prompter.calls.empty())
        right.runCommand(cmd::kEditUndo);
    ASSERT_EQ(f.prompter.calls.size(), 1u);
    EXPECT_EQ(f.prompter.calls[0].title, "Возврат на команду");
    EXPECT_EQ(f.image(), left);
    EXPECT_EQ(second.SerializeFile(), rightNow);
}

TEST(K2Undo, SelectionAndGroupRecords) {
    EditorFixture f;
    f.device(kTypeDip, 32);  // device 0 shares the root's code
    f.tree.rebuild();
    ASSERT_TRUE(f.pick(0x80 + 3, -30));
    ASSERT_TRUE(f.pick(0x80 + 4, -30));
    ASSERT_TRUE(f.tree.runCommand(108));  // hide the security loops
    EXPECT_EQ(f.tree.model().find(-30), kNoNode);
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditUndo));
    EXPECT_NE(f.tree.model().find(-30), kNoNode);
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditUndo));
    EXPECT_EQ(f.tree.currentCode(), 0x80 + 3);
    ASSERT_TRUE(f.tree.runCommand(cmd::kEditUndo));
    EXPECT_EQ(f.tree.currentCode(), 0);
    EXPECT_EQ(f.tree.parentOf(f.tree.current()), kNoNode);
    EXPECT_EQ(f.tree.editMenu().undo.label, "Список команд пуст");
}

}  // namespace
}  // namespace tavrin::test
