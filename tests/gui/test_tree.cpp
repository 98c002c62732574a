// The configuration tree on screen, driven as a user drives it: context
// menus, clicks with Ctrl and Shift, the edit keys, undo, and drags.
#include <QApplication>
#include <QtTest>

#include "editor/k2/k2_tree.h"
#include "families/s5/dbs5.h"
#include "resources/tree_icons.h"
#include "views_fixture.h"

using namespace tavrin;
using namespace tavrin::k2;
using test::ViewsFixture;

class TestTree : public QObject {
    Q_OBJECT
  private slots:
    void addDeviceFromTheContextMenu() {
        ViewsFixture f;
        f.device(kTypeDip, 32);
        f.tree->rebuild();
        QCOMPARE(f.label(-3), QString::fromUtf8("Устройства (1)"));
        f.contextMenu(-3, 0,
                      {QString::fromUtf8("Добавить устройство"), QString::fromUtf8("Т12-ИПР")});
        QCOMPARE(f.label(-3), QString::fromUtf8("Устройства (2)"));
        // The new device is selected, on screen, with its icon and its grid.
        const QModelIndex current = f.tree->currentIndex();
        QVERIFY(current.isValid());
        QCOMPARE(f.currentParent(), -3);
        QVERIFY(f.db.IsDeviceInUse(f.currentCode()));
        QCOMPARE(deviceType(f.db.devices[static_cast<std::size_t>(f.currentCode())]), kTypeIpr);
        QVERIFY(current.data().toString().startsWith(QString::fromUtf8("Т12-ИПР")));
        QVERIFY(!current.data(Qt::DecorationRole).value<QIcon>().isNull());
        QVERIFY(f.tree->selectionModel()->isSelected(current));
        QVERIFY(f.grid->model().findRow("Тип") >= 0);
        // A fire loop's menu adds onto the loop and counts it in its group.
        f.contextMenu(0x80 + 40, -31,
                      {QString::fromUtf8("Добавить устройство"), QString::fromUtf8("Т12-ДИП")});
        QCOMPARE(f.currentParent(), 0x80 + 40);
        QCOMPARE(f.label(-31), QString::fromUtf8("Пожарные (2)"));
        QCOMPARE(f.label(-3), QString::fromUtf8("Устройства (3)"));
    }

    void cutAndPasteADeviceIntoAFireLoop() {
        ViewsFixture f;
        const int dip = f.device(kTypeDip, 32);
        f.tree->rebuild();
        f.click(dip, 0x80 + 32);
        QCOMPARE(f.currentCode(), dip);
        f.press(Qt::Key_X, Qt::ControlModifier);
        QCOMPARE(f.status, QString::fromUtf8("Вырезано"));
        QVERIFY(f.index(dip, 0x80 + 32).data(gui::TreeItemModel::GhostedRole).toBool());
        f.click(0x80 + 40, -31);
        f.press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.db.devices[static_cast<std::size_t>(dip)][kDevLoop], 40);
        QVERIFY(f.index(dip, 0x80 + 40).isValid());
        QVERIFY(!f.index(dip, 0x80 + 32).isValid());
        QVERIFY(!f.index(dip, 0x80 + 40).data(gui::TreeItemModel::GhostedRole).toBool());
        // Copy writes its own status text.
        f.click(dip, -3);
        f.press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(f.status, QString::fromUtf8("Скопировано"));
    }

    void aRefusedPasteShowsItsMessageAndChangesNothing() {
        ViewsFixture f;
        f.device(kTypeUpt, 32);
        const int other = f.device(kTypeUpt, 40);
        f.tree->rebuild();
        f.click(other, 0x80 + 40);
        f.press(Qt::Key_C, Qt::ControlModifier);
        f.click(0x80 + 32, -31);
        const Bytes before = f.image();
        const std::string tree = f.dump();
        f.prompter.calls.clear();
        f.press(Qt::Key_V, Qt::ControlModifier);
        QVERIFY(!f.prompter.calls.empty());
        QCOMPARE(f.prompter.calls.back().text, std::string("УПТ в ШС может быть только одно!"));
        QCOMPARE(f.prompter.calls.back().title, std::string("Вставка из буфера"));
        QVERIFY(f.image() == before);
        QCOMPARE(f.dump(), tree);
    }

    void undoReturnsTheTreeAndTheDatabase() {
        ViewsFixture f;
        const int dip = f.device(kTypeDip, 32);
        f.addKey(false);
        f.tree->rebuild();
        const Bytes before = f.image();
        const std::string tree = f.dump();
        // An added device, a move by cut and paste, and a deleted key.
        f.contextMenu(-3, 0,
                      {QString::fromUtf8("Добавить устройство"), QString::fromUtf8("Т12-ИПР")});
        f.click(dip, 0x80 + 32);
        f.press(Qt::Key_X, Qt::ControlModifier);
        f.click(0x80 + 41, -31);
        f.press(Qt::Key_V, Qt::ControlModifier);
        f.click(0x100, -6);
        f.press(Qt::Key_Delete);
        QVERIFY(f.image() != before);
        QVERIFY(f.tree->editor().editMenu().undo.enabled);
        for (int i = 0; i < 40 && !f.tree->editor().commands().empty(); ++i)
            f.press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.tree->editor().commands().empty());
        QVERIFY(f.image() == before);
        QCOMPARE(f.dump(), tree);
        QCOMPARE(f.tree->editor().editMenu().undo.label, std::string("Список команд пуст"));
    }

    void ctrlAndShiftMarkSiblings() {
        ViewsFixture f;
        for (int i = 0; i < 5; ++i)
            f.addKey(false);
        f.tree->rebuild();
        f.click(0x100 + 1, -6);
        f.click(0x100 + 3, -6, Qt::ControlModifier);
        QCOMPARE(f.tree->selectionModel()->selectedIndexes().size(), 2);
        // Shift marks the run from the current key.
        f.click(0x100 + 4, -6, Qt::ShiftModifier);
        QCOMPARE(f.tree->editor().selection().size(), std::size_t(4));
        QCOMPARE(f.tree->selectionModel()->selectedIndexes().size(), 4);
        // An item of another parent is not marked.
        f.click(-3, 0, Qt::ControlModifier);
        QCOMPARE(f.tree->editor().selection().size(), std::size_t(4));
        f.press(Qt::Key_Delete);
        QCOMPARE(f.label(-6), QString::fromUtf8("Дежурный (1)"));
        QVERIFY(f.index(0x100, -6).isValid());
    }

    void dragADeviceOntoLoops() {
        ViewsFixture f;
        const int dip = f.device(kTypeDip);
        f.tree->rebuild();
        f.tree->setExpanded(f.index(-30, -5), true);
        f.tree->setExpanded(f.index(-31, -5), true);
        const Bytes before = f.image();
        QWidget* vp = f.tree->viewport();
        // A security loop refuses a smoke detector: nothing is highlighted,
        // and the cursor says no.
        f.drag(f.index(dip, -3), 0x80 + 1, -30, [&] {
            QVERIFY(f.tree->dragging());
            QVERIFY(!f.tree->dropTarget().isValid());
            QVERIFY(f.tree->dropIndicatorRect().isEmpty());
            QCOMPARE(vp->cursor().shape(), Qt::ForbiddenCursor);
            QCOMPARE(f.status, QString::fromUtf8("Перенос"));
        });
        QVERIFY(!f.tree->dragging());
        QVERIFY(!vp->testAttribute(Qt::WA_SetCursor));
        QVERIFY(f.image() == before);
        // The refused drop says why nothing happened.
        QVERIFY2(f.status.startsWith(QString::fromUtf8("Перенос отменен: \"")) &&
                     f.status.endsWith(QString::fromUtf8("не принимает перетаскиваемые элементы")),
                 qPrintable(f.status));
        // A fire loop takes it: its row is framed across the view where
        // the drop lands, and the cursor shows a move.
        f.drag(f.index(dip, -3), 0x80 + 40, -31, [&] {
            QVERIFY(f.tree->dropTarget().isValid());
            QCOMPARE(f.tree->dropTarget().data(gui::TreeItemModel::CodeRole).toInt(), 0x80 + 40);
            const QRect row = f.tree->visualRect(f.index(0x80 + 40, -31));
            const QRect frame = f.tree->dropIndicatorRect();
            QCOMPARE(frame.top(), row.top());
            QCOMPARE(frame.height(), row.height());
            QCOMPARE(frame.width(), vp->width());
            QCOMPARE(vp->cursor().shape(), Qt::DragMoveCursor);
            QVERIFY(!vp->grab().isNull());  // drawn with the frame
        });
        QVERIFY(f.tree->dropIndicatorRect().isEmpty());
        QCOMPARE(f.db.devices[static_cast<std::size_t>(dip)][kDevLoop], 40);
        QVERIFY(f.index(dip, 0x80 + 40).isValid());
        QCOMPARE(f.label(-31), QString::fromUtf8("Пожарные (1)"));
    }

    void aBrpGoesOnNoLoopByDragging() {
        // Only МАУ, УОП and УОПВ may be dropped on any loop; a БРП on none.
        ViewsFixture f;
        const int brp = f.device(kTypeBrp);
        const int mau = f.device(kTypeMau);
        f.tree->rebuild();
        f.tree->setExpanded(f.index(-30, -5), true);
        f.tree->setExpanded(f.index(-31, -5), true);
        const Bytes before = f.image();
        for (ItemCode loop : {0x80 + 1, 0x80 + 40}) {
            f.drag(f.index(brp, -3), loop, loop < 0x80 + 32 ? -30 : -31,
                   [&] { QVERIFY(!f.tree->dropTarget().isValid()); });
        }
        QVERIFY(f.image() == before);
        f.drag(f.index(mau, -3), 0x80 + 1, -30, [&] { QVERIFY(f.tree->dropTarget().isValid()); });
        QCOMPARE(f.db.devices[static_cast<std::size_t>(mau)][kDevLoop], 1);
    }

    void groupsHideAndShow() {
        ViewsFixture f;
        f.tree->setGroupHidden(107, true);
        f.tree->setGroupHidden(112, true);
        QVERIFY(!f.tree->indexOfCode(-3).isValid());
        QVERIFY(!f.tree->indexOfCode(-4).isValid());
        QCOMPARE(f.tree->editor().groupToggleLabel(0), std::string("Показать устройства"));
        f.tree->setGroupHidden(107, false);
        QVERIFY(f.tree->indexOfCode(-3).isValid());
    }

    void everyImageOfTheFamiliesHasAPicture() {
        // Every image the "Талвир К2" items can return, over a database
        // with devices of every kind in every loop group, blocked and not.
        ViewsFixture f;
        for (int kind : {0, 1, 2, 3, 4, 5, 6, 7, 11, 12, 13, 14}) {
            for (int loop : {0, 32, 64, 96, 0xFF})
                f.device(kind, loop);
        }
        for (int g = 0; g < 3; ++g) {
            f.db.loops[96 + static_cast<std::size_t>(g)][kLoopLogic] = static_cast<std::uint8_t>(g);
            f.addKey(true, g);
        }
        f.addKey(false);
        f.tree->rebuild();
        int seen = 0;
        f.tree->editor().model().visit([&](const TreeNode& n, int) {
            if (n.image < 0) return;
            ++seen;
            QVERIFY2(gui::treeIconDefined(Family::K2, n.image),
                     qPrintable(QString::number(n.image)));
        });
        QVERIFY(seen > 100);
        for (int image :
             {0, 1, 2, 3, 4, 5, 10, 11, 12, 13, 14, 17, 38, 39, 44, 50, 51, 52, 74, 75, 76, 79})
            QVERIFY2(gui::treeIconDefined(Family::R7, image), qPrintable(QString::number(image)));

        // "Версан С5": every item kind, objects of every type and devices of
        // every class.
        test::TempDir dir;
        DBS5 s5db(0, makeAppContext(dir.path()));
        const int l = s5db.AddLcp();
        std::vector<ItemCode> codes = {s5::kItemRoot, s5::kItemCommonKeys, s5::kItemMessages,
                                       s5::lcpItem(l), s5::keyItem(l, s5db.NewLcpKey(l))};
        for (int flags : {0, 1, 2, 3, 4, 5, 6, 7, 0x40}) {
            const int o = s5db.NewObject(l);
            s5db.lcp(l)->objects[static_cast<std::size_t>(o)][s5::obj::kFlags] =
                static_cast<std::uint8_t>(flags);
            codes.push_back(s5::objectItem(l, o));
        }
        for (int type : {17, 24, 8, 48, 84, 200})
            codes.push_back(s5::deviceItem(l, s5db.CreateElement(type, l)));
        for (ItemCode c : codes) {
            const int image = s5db.GetItemImage(c);
            QVERIFY2(image >= 0 && gui::treeIconDefined(Family::S5, image),
                     qPrintable(QString::number(c)));
        }
    }

    void iconsStaySharpAndDistinctWhenScaled() {
        // At 200 % every tree and toolbar picture is drawn anew at twice its
        // size (a bitmap would stay at the size it was drawn at), and no two
        // pictures of one family or of the toolbar look alike.
        auto checkSet = [](const QString& name, const std::vector<QIcon>& icons, int side) {
            std::vector<QImage> seen;
            for (const QIcon& icon : icons) {
                const QPixmap pm = icon.pixmap(QSize(side, side), 2.0);
                QCOMPARE(pm.size(), QSize(2 * side, 2 * side));
                const QImage image = pm.toImage();
                for (const QImage& other : seen)
                    QVERIFY2(image != other, qPrintable(name));
                seen.push_back(image);
            }
            QVERIFY2(!seen.empty(), qPrintable(name));
        };
        for (Family family : {Family::K2, Family::R7, Family::S5}) {
            std::vector<QIcon> icons;
            for (int i = 0; i < gui::kTreeImageCount; ++i) {
                if (gui::treeIconDefined(family, i)) icons.push_back(gui::treeIcon(family, i));
            }
            checkSet(QString::number(static_cast<int>(family)), icons, 32);
        }
        std::vector<QIcon> toolbar;
        for (const QString& file : QDir(":/icons/toolbar").entryList()) {
            toolbar.push_back(gui::scalableIcon(":/icons/toolbar/" + file));
            QVERIFY2(!toolbar.back().isNull(), qPrintable(file));
        }
        QVERIFY(toolbar.size() >= 13);
        checkSet("toolbar", toolbar, 24);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestTree t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_tree.moc"
