// An "Ордис Р7" database in the real tree and grid, driven as a user drives
// them: a file opened and shown with its icons, the context menus, values
// chosen in the grid, the "Линии" tab, copy and paste with undo, a drag.
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QtTest>

#include "base/file_io.h"
#include "editor/g_combo_box.h"
#include "editor/r7/r7_tree.h"
#include "families/r7/dbr7.h"
#include "gui/gui_helpers.h"
#include "views_fixture.h"

using namespace tavrin;
using namespace tavrin::r7;

namespace {

using R7Views = test::BasicViewsFixture<DBR7, kNoItem>;

// A small database saved to a file and opened again, as a user opens one:
// object 1 with devices 2 (line Б) and 3, an employee key 4, object 5, a
// general key 6.
void openFixture(R7Views& f) {
    DBR7 made(0, f.ctx);
    const int a = made.CreateElement(kTypeObject, 0);
    const int dip = made.CreateElement(26, a);
    made.table()[static_cast<std::size_t>(dip)].bytes[kOffLine] = 2;
    made.CreateElement(136, a);
    made.CreateElement(kTypeKey, a);
    made.CreateElement(kTypeObject, 0);
    made.CreateElement(kTypeKey, 0);
    const std::string path = pathToUtf8(f.dir / "base.bor");
    QVERIFY(made.SaveToDisk(path));
    QVERIFY(f.db.LoadFromDisk(path));
    f.tree->rebuild();
}

}  // namespace

class TestR7Tree : public QObject {
    Q_OBJECT

    static QString u(const char* s) { return QString::fromUtf8(s); }
    const GridRow& rowOf(R7Views& f, const char* name) {
        const int r = f.grid->model().findRow(name);
        if (r < 0) qWarning("no row %s", name);
        return f.grid->model().rows().at(static_cast<std::size_t>(r));
    }

  private slots:
    void aFileIsShownWithItsIcons() {
        R7Views f;
        openFixture(f);
        QCOMPARE(f.label(0), u("Ордис Р7 (3)"));
        QCOMPARE(f.index(1, 0).data().toString(), u("Объект   2 (3)"));
        QCOMPARE(f.index(-2, 0).data().toString(), u("Линия Б (1)"));
        QCOMPARE(f.index(-5, 0).data().toString(), u("Без линии (1)"));
        // A device is under its object and under its line.
        QVERIFY(f.index(2, 1).isValid());
        QVERIFY(f.index(2, -2).isValid());
        QVERIFY(f.index(3, -5).isValid());
        int items = 0;
        f.tree->editor().model().visit([&](const TreeNode& n, int) {
            ++items;
            const QModelIndex i = f.tree->indexOfCode(n.code);
            QVERIFY2(!i.data(Qt::DecorationRole).value<QIcon>().isNull(),
                     qPrintable(QString::fromStdString(n.label)));
        });
        QCOMPARE(items, 14);
        // The root shows the panel in the grid, and the tab is "Линии".
        f.click(0, kNoItem);
        QCOMPARE(f.grid->tabs()->tabText(1), u("Линии"));
        QCOMPARE(QString::fromStdString(rowOf(f, "Сетевой адрес прибора").text), u("1"));
        QVERIFY(!f.db.modified);
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void addFromTheContextMenus() {
        R7Views f;
        openFixture(f);
        f.contextMenu(5, 0, {u("Добавить устройство"), u("ВЕРС-ИПТ")});
        QCOMPARE(f.currentParent(), 5);
        QCOMPARE(f.db.table()[static_cast<std::size_t>(f.currentCode())].type(), 25);
        QCOMPARE(f.index(5, 0).data().toString(), u("Объект   6 (1)"));
        QVERIFY(f.grid->model().findRow("Запуск автоматики") >= 0);
        f.contextMenu(0, kNoItem, {u("Добавить объект")});
        QCOMPARE(f.label(0), u("Ордис Р7 (4)"));
        f.contextMenu(1, 0, {u("Отключить"), u("Объекты и устройства")});
        QVERIFY(f.db.table()[1].switchedOff());
        QVERIFY(f.db.table()[2].switchedOff());
        f.contextMenu(2, 1, {u("Задать линию"), u("Линия Г")});
        QCOMPARE(int(f.db.table()[2].line()), 4);
        QCOMPARE(f.index(-4, 0).data().toString(), u("Линия Г (1)"));
        // Undo takes the line back, then the click on the device, then the switch.
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(f.db.table()[2].line()), 2);
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.currentCode(), 1);
        QVERIFY(f.db.table()[1].switchedOff());
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(!f.db.table()[1].switchedOff());
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void aValueChosenInTheGridAndTheLinesTab() {
        R7Views f;
        openFixture(f);
        f.click(3, 1);
        const int r = f.grid->model().findRow("Тип сработки");
        QVERIFY(r >= 0);
        QTest::mouseClick(f.grid->table()->viewport(), Qt::LeftButton, {},
                          f.grid->table()->valueRect(r).center());
        QVERIFY(f.grid->combo()->isVisible());
        f.grid->combo()->setCurrentIndex(f.grid->combo()->findText(u("Пожар")));
        QTest::keyClick(f.grid->combo(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(rowOf(f, "Тип сработки").text), u("Пожар"));
        // The second tab: mark line А.
        f.grid->tabs()->setCurrentIndex(1);
        QListWidget* lines = f.grid->checkList();
        QCOMPARE(lines->count(), 4);
        lines->item(0)->setCheckState(Qt::Checked);
        QCOMPARE(QString::fromStdString(rowOf(f, "Линия").text), u("Линия А"));
        f.grid->tabs()->setCurrentIndex(0);
        // Leaving the device writes both.
        f.click(1, 0);
        QCOMPARE(int(f.db.table()[3].bytes[11]), 2);
        QCOMPARE(int(f.db.table()[3].line()), 1);
        QCOMPARE(f.index(-1, 0).data().toString(), u("Линия А (1)"));
        // The click on the object, then the values.
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(f.currentCode(), 3);
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(int(f.db.table()[3].line()), 0);
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void copyPasteAndUndoWithTheKeys() {
        R7Views f;
        openFixture(f);
        const Bytes before = f.tree->editor().family()->snapshot(f.db);
        f.click(1, 0);
        f.press(Qt::Key_C, Qt::ControlModifier);
        QCOMPARE(f.status, u("Скопировано"));
        f.click(0, kNoItem);
        f.press(Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(f.db.counts().objects, 3);
        QCOMPARE(f.label(0), u("Ордис Р7 (4)"));
        QCOMPARE(f.currentParent(), 0);
        QVERIFY(f.index(f.currentCode(), 0).data().toString().endsWith(u(" (3)")));
        f.press(Qt::Key_Z, Qt::ControlModifier);
        QVERIFY(f.tree->editor().family()->snapshot(f.db) == before);
        QCOMPARE(f.label(0), u("Ордис Р7 (3)"));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }

    void dragADeviceOntoAnotherObject() {
        R7Views f;
        openFixture(f);
        f.tree->expand(f.index(1, 0));
        f.drag(f.index(2, 1), 5, 0, [&] { QCOMPARE(f.status, u("Перенос")); });
        QCOMPARE(f.index(5, 0).data().toString(), u("Объект   6 (1)"));
        QCOMPARE(f.index(1, 0).data().toString(), u("Объект   2 (2)"));
        // Nothing here puts up a question or an error.
        QVERIFY2(f.prompter.calls.empty(), qPrintable(test::shownPrompts(f.prompter)));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestR7Tree t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_r7_tree.moc"
