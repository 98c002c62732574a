// Helpers of the tree and grid tests: a database shown in a real CTree beside
// a real CGrid ("Талвир К2" unless said), and the mouse and keyboard moves a
// user makes on them (clicks on items and cells, context-menu choices, drags).
#pragma once

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QSplitter>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "base/bit_set.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "families/k2/dbk2.h"
#include "link/app_context.h"
#include "registry/family_registry.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

namespace tavrin::test {

// `Top` is the parent code that names the root itself in index(), click()
// and contextMenu() (a code no item of the family carries).
template <class DB, ItemCode Top = -1>
struct BasicViewsFixture {
    TempDir dir;
    RecordingPrompter prompter;
    AppContext ctx = makeContext();
    DB db{0, ctx};
    EditorDocument doc{CreateFamilyTree};
    QSplitter window;
    gui::CTree* tree = nullptr;
    gui::CGrid* grid = nullptr;
    QString status;

    BasicViewsFixture() {
        doc.databases[0] = &db;
        tree = new gui::CTree(doc, 0, prompter, &window);
        grid = new gui::CGrid(prompter, &window);
        tree->attachGrid(grid);
        QObject::connect(tree, &gui::CTree::statusText, [this](const QString& s) { status = s; });
        window.resize(900, 700);
        window.setSizes({380, 520});
        window.show();
        tree->rebuild();
        QApplication::setActiveWindow(&window);
        QTest::qWait(10);
    }

    AppContext makeContext() {
        AppContext c = makeAppContext(dir.path());
        c.prompter = &prompter;
        return c;
    }

    // A device of a type on a loop (0xFF: none); returns its number.
    int device(int type, int loop = 0xFF) {
        const int i = db.CreateElement(type, -1);
        db.devices[static_cast<std::size_t>(i)][k2::kDevLoop] = static_cast<std::uint8_t>(loop);
        return i;
    }
    int addKey(bool employee, int group = 0) {
        const int k = db.CreateKey();
        db.keys[static_cast<std::size_t>(k)][k2::kKeyKind] =
            static_cast<std::uint8_t>((employee ? 0x80 : 0) | group);
        return k;
    }

    // The item with the code under the item `parent` (Top: the root itself).
    QModelIndex index(ItemCode code, ItemCode parent) const {
        if (parent == Top) return tree->indexOfCode(code);
        return tree->indexOfCode(code, parent);
    }
    QString label(ItemCode code) const { return tree->indexOfCode(code).data().toString(); }
    ItemCode currentCode() const { return tree->editor().currentCode(); }
    ItemCode currentParent() const {
        const TreeEditor& e = tree->editor();
        return e.codeOf(e.parentOf(e.current()));
    }

    // The centre of an item on screen (scrolled into view).
    QPoint pointOf(const QModelIndex& i) const {
        tree->scrollTo(i);
        return tree->visualRect(i).center();
    }
    void click(ItemCode code, ItemCode parent, Qt::KeyboardModifiers mods = {}) {
        const QModelIndex i = index(code, parent);
        QVERIFY2(i.isValid(), "no such item");
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, mods, pointOf(i));
    }
    void press(int key, Qt::KeyboardModifiers mods = {}) {
        tree->setFocus();
        QTest::keyClick(tree, static_cast<Qt::Key>(key), mods);
    }

    // Right-clicks an item and chooses the entry of its context menu named by
    // `path` (submenu labels, then the entry).
    void contextMenu(ItemCode code, ItemCode parent, const QStringList& path) {
        const QModelIndex i = index(code, parent);
        QVERIFY2(i.isValid(), "no such item");
        const QPoint pos = pointOf(i);
        auto level = std::make_shared<int>(0);
        auto timer = std::make_shared<QTimer>();
        auto tries = std::make_shared<int>(0);
        auto menu = std::make_shared<QPointer<QMenu>>();
        QObject::connect(timer.get(), &QTimer::timeout, [=] {
            if (!*menu) {
                for (QWidget* w : QApplication::topLevelWidgets()) {
                    if (w->objectName() == "treeContextMenu" && w->isVisible())
                        *menu = qobject_cast<QMenu*>(w);
                }
            }
            if (++*tries > 300) {
                timer->stop();
                if (*menu) (*menu)->close();
                return;
            }
            QMenu* m = *menu;
            if (!m || !m->isVisible()) return;
            const QString want = path.at(*level);
            QAction* found = nullptr;
            for (QAction* a : m->actions()) {
                if (a->text() == want) found = a;
            }
            if (!found) return;
            m->setActiveAction(found);
            if (found->menu()) {
                QTest::keyClick(m, Qt::Key_Right);
                *menu = found->menu();
                ++*level;
                return;
            }
            timer->stop();
            QTest::keyClick(m, Qt::Key_Return);
        });
        timer->start(20);
        QContextMenuEvent event(QContextMenuEvent::Mouse, pos, tree->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(tree->viewport(), &event);
        timer->stop();
    }

    // Drags an item onto another with the mouse, in small steps; `during`
    // sees the tree while the cursor is over the target.
    void drag(const QModelIndex& from, ItemCode target, ItemCode targetParent,
              const std::function<void()>& during = {}) {
        QWidget* vp = tree->viewport();
        const QPoint start = pointOf(from);
        QTest::mousePress(vp, Qt::LeftButton, {}, start);
        QTest::mouseMove(vp, start + QPoint(0, 3));
        QTest::mouseMove(vp, start + QPoint(0, 8));
        const QModelIndex to = index(target, targetParent);
        QVERIFY2(to.isValid(), "no such target");
        const QPoint end = pointOf(to);
        QTest::mouseMove(vp, end + QPoint(0, 1));
        QTest::mouseMove(vp, end);
        if (during) during();
        QTest::mouseRelease(vp, Qt::LeftButton, {}, end);
    }

    // The tree as "[code] label" lines, two blanks per level.
    std::string dump() const {
        std::string out;
        tree->editor().model().visit([&](const TreeNode& n, int depth) {
            out += std::string(static_cast<std::size_t>(2 * depth), ' ') + "[" +
                   std::to_string(n.code) + "] " + n.label + "\n";
        });
        return out;
    }
    Bytes image() { return db.SerializeFile(); }
};

using ViewsFixture = BasicViewsFixture<DBK2>;

}  // namespace tavrin::test
