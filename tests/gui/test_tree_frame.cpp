// The trees and the grid inside the main window: the Edit menu's commands
// and labels, the filter buttons, the new-element and buffer windows, a
// copy from the first database into the second of "Две базы", and the cut
// item's greyed look following the buffer in every family.
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "base/file_io.h"
#include "editor/c_grid.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_views.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::k2;

namespace {

class NoDialogs : public gui::FileDialogs {
  public:
    std::optional<std::string> openFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&) override {
        return std::nullopt;
    }
    std::optional<std::string> saveFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> folder(QWidget*, const std::string&) override {
        return std::nullopt;
    }
};

// An item to cut and the item to paste it on, by codes (a parent of
// kNoItem: the first item with the code anywhere).
struct CutAndPaste {
    ItemCode item = 0, itemParent = kNoItem, target = 0, targetParent = kNoItem;
};

// Fills an empty database of the family with an item to cut and a place
// to paste it.
CutAndPaste fillForCut(DBase& base) {
    if (auto* k2 = dynamic_cast<DBK2*>(&base)) {
        const int dip = k2->CreateElement(kTypeDip, -1);
        k2->devices[static_cast<std::size_t>(dip)][kDevLoop] = 32;
        return {dip, 0x80 + 32, 0x80 + 40, -31};
    }
    if (auto* r7 = dynamic_cast<DBR7*>(&base)) {
        const int a = r7->CreateElement(r7::kTypeObject, 0);
        const int device = r7->CreateElement(26, a);
        const int b = r7->CreateElement(r7::kTypeObject, 0);
        return {device, a, b, 0};
    }
    auto& s5 = dynamic_cast<DBS5&>(base);
    s5.AddLcp();
    const int a = s5.NewObject(1);
    const int b = s5.NewObject(1);
    const int device = s5.CreateElement(17, 1);
    s5.lcp(1)->setDeviceObject(device, a);
    s5.MarkObjects();
    return {s5::deviceItem(1, device), kNoItem, s5::objectItem(1, b), kNoItem};
}

struct Frame {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    NoDialogs dialogs;
    std::unique_ptr<gui::CMainFrame> frame;

    Frame() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        frame = std::make_unique<gui::CMainFrame>(ctx);
        frame->setFileDialogs(&dialogs);
        frame->resize(1000, 700);
        frame->show();
        QApplication::setActiveWindow(frame.get());
    }
    DBK2& db(int role) { return *dynamic_cast<DBK2*>(frame->shell().document().database(role)); }
    gui::CTree* tree(int role) { return role == 0 ? frame->leftTree() : frame->rightTree(); }
    void click(int role, ItemCode code, ItemCode parent) {
        gui::CTree* t = tree(role);
        const QModelIndex i = t->indexOfCode(code, parent);
        QVERIFY2(i.isValid(), "no such item");
        t->scrollTo(i);
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(i).center());
    }
    QString text(int command) { return frame->action(command)->text().remove(QLatin1Char('&')); }
    // Makes the item current in the first tree; false when it is not shown.
    bool choose(ItemCode code, ItemCode parent) {
        gui::CTree* t = tree(0);
        const QModelIndex i =
            parent == kNoItem ? t->indexOfCode(code) : t->indexOfCode(code, parent);
        if (!i.isValid()) return false;
        t->setCurrentIndex(i);
        return t->editor().codeOf(t->editor().current()) == code;
    }
    // The items drawn greyed in both trees.
    int ghosts() {
        int n = 0;
        for (int role = 0; role < 2; ++role) {
            tree(role)->editor().model().visit([&](const TreeNode& node, int) {
                const QModelIndex i = tree(role)->itemModel()->indexOf(node.id);
                if (i.data(gui::TreeItemModel::GhostedRole).toBool()) ++n;
            });
        }
        return n;
    }
    std::size_t buffered() { return tree(0)->editor().buffer().items.size(); }
    bool enabled(int command) { return frame->action(command)->isEnabled(); }
};

}  // namespace

class TestTreeFrame : public QObject {
    Q_OBJECT
  private slots:
    void editMenuFollowsTheTree() {
        Frame f;
        const int dip = f.db(0).CreateElement(kTypeDip, -1);
        f.db(0).devices[static_cast<std::size_t>(dip)][kDevLoop] = 32;
        f.frame->databaseChanged(0);
        QVERIFY(!f.enabled(kCmdShowBuffer));
        QCOMPARE(f.text(kCmdShowBuffer), QString::fromUtf8("Буфер пуст"));
        f.click(0, dip, 0x80 + 32);
        QVERIFY(f.enabled(kCmdCopy));
        f.frame->runCommand(kCmdCopy);
        QCOMPARE(f.frame->statusText(), QString::fromUtf8("Скопировано"));
        QCOMPARE(f.text(kCmdUndo), QString::fromUtf8("Возврат на команду"));
        QVERIFY(f.enabled(kCmdUndo));
        QCOMPARE(f.text(kCmdShowBuffer), QString::fromUtf8("Просмотр буфера"));
        // The buffer window lists what the buffer holds.
        f.frame->runCommand(kCmdShowBuffer);
        auto* buffer = f.frame->findChild<gui::CDlgBuffer*>();
        QVERIFY(buffer && buffer->isVisible());
        QCOMPARE(buffer->list()->count(), 1);
        // A filter button hides its group.
        QVERIFY(f.frame->leftTree()->indexOfCode(-3).isValid());
        f.frame->action(kCmdFilterDevices)->trigger();
        QVERIFY(!f.frame->leftTree()->indexOfCode(-3).isValid());
        f.frame->action(kCmdFilterDevices)->trigger();
        QVERIFY(f.frame->leftTree()->indexOfCode(-3).isValid());
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void newElementWindowAddsUnderTheCurrentItem() {
        Frame f;
        f.click(0, -3, 0);
        f.frame->runCommand(kCmdAddElement);
        auto* dlg = f.frame->findChild<gui::CDlgNewElement*>();
        QVERIFY(dlg && dlg->isVisible());
        QVERIFY(dlg->list()->count() >= 12);
        QCOMPARE(dlg->list()->item(0)->text(), QString::fromUtf8("Т12-ДИП"));
        QTest::mouseClick(dlg->addButton(), Qt::LeftButton);
        QCOMPARE(f.frame->leftTree()->indexOfCode(-3).data().toString(),
                 QString::fromUtf8("Устройства (1)"));
        QVERIFY(f.db(0).IsDeviceInUse(0));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void copyIntoTheSecondDatabase() {
        Frame f;
        const int dip = f.db(0).CreateElement(kTypeDip, -1);
        f.db(0).devices[static_cast<std::size_t>(dip)][kDevLoop] = 32;
        f.frame->databaseChanged(0);
        f.frame->runCommand(kCmdTwoBases);
        QVERIFY(f.frame->rightTree()->isVisible());
        f.click(0, dip, 0x80 + 32);
        f.frame->runCommand(kCmdCopy);
        f.click(1, 0x80 + 40, -31);
        QVERIFY(f.frame->shell().rightActive());
        // The grid now serves the second tree.
        QCOMPARE(f.frame->views()->grid()->model().database(), &f.db(1));
        f.frame->runCommand(kCmdPaste);
        QVERIFY(f.db(1).IsDeviceInUse(0));
        QCOMPARE(f.db(1).devices[0][kDevLoop], 40);
        QCOMPARE(f.frame->rightTree()->indexOfCode(-3).data().toString(),
                 QString::fromUtf8("Устройства (1)"));
        QVERIFY(f.db(0).IsDeviceInUse(dip));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void cutLookFollowsTheBuffer_data() {
        QTest::addColumn<int>("family");
        QTest::newRow("Талвир К2") << static_cast<int>(Family::K2);
        QTest::newRow("Ордис Р7") << static_cast<int>(Family::R7);
        QTest::newRow("Версан С5") << static_cast<int>(Family::S5);
    }

    // A cut item is greyed while the buffer holds it, and only then: after
    // the paste, an undo, a new database, an opened file and a read from
    // the panel nothing stays greyed that the buffer does not hold.
    void cutLookFollowsTheBuffer() {
        QFETCH(int, family);
        Frame f;
        if (family != static_cast<int>(Family::K2))
            QVERIFY(f.frame->shell().switchFamily(static_cast<Family>(family)));
        f.frame->shell().settings().askSaveDatabase = false;
        const auto fill = [&] {
            DBase& db = *f.frame->shell().document().database(0);
            const CutAndPaste c = fillForCut(db);
            db.databaseValid = true;
            db.modified = 0;  // nothing to save before the next new or open
            f.frame->databaseChanged(0);
            f.tree(0)->expandAll();
            return c;
        };
        const auto cut = [&](const CutAndPaste& c) {
            QVERIFY(f.choose(c.item, c.itemParent));
            f.frame->runCommand(kCmdCut);
            QCOMPARE(f.buffered(), std::size_t{1});
            QCOMPARE(f.ghosts(), 1);
        };

        CutAndPaste c = fill();
        cut(c);
        // Undo takes the cut back where the cut is an undo entry (a
        // "Версан С5" cut is not: the item stays greyed while it is held).
        f.frame->runCommand(kCmdUndo);
        QCOMPARE(f.ghosts(), family == static_cast<int>(Family::S5) ? 1 : 0);
        cut(c);
        QVERIFY(f.choose(c.target, c.targetParent));
        f.frame->runCommand(kCmdPaste);
        QCOMPARE(f.buffered(), std::size_t{0});
        QCOMPARE(f.ghosts(), 0);
        f.frame->runCommand(kCmdUndo);  // the paste undone: the cut again, or nothing
        QVERIFY(f.ghosts() <= static_cast<int>(f.buffered()));

        // A new database.
        f.frame->runCommand(kCmdNew);
        c = fill();
        cut(c);
        f.frame->runCommand(kCmdNew);
        QCOMPARE(f.ghosts(), 0);
        QCOMPARE(f.buffered(), std::size_t{0});

        // An opened file.
        c = fill();
        DBase& db = *f.frame->shell().document().database(0);
        const std::string ext = db.extension1.empty() ? "" : "." + db.extension1;
        const std::string path = pathToUtf8(f.dir / ("база" + ext));
        QVERIFY(db.SaveToDisk(path));
        cut(c);
        QVERIFY(f.frame->shell().openPath(path));
        QCOMPARE(f.ghosts(), 0);
        QCOMPARE(f.buffered(), std::size_t{0});

        // A read from the panel (the built-in simulation), whatever it reads.
        f.tree(0)->expandAll();
        cut(c);
        f.frame->shell().document().database(0)->simulation = true;
        f.frame->runCommand(kCmdReadDatabase);
        QCOMPARE(f.ghosts(), 0);
        QCOMPARE(f.buffered(), std::size_t{0});
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestTreeFrame t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_tree_frame.moc"
