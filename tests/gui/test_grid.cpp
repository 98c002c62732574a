// The parameter grid on screen: the editors laid over the value cells, the
// commit on Enter and on leaving the cell, clamped and refused values, the
// tree that keeps an item with an error, the write-back, the second tab.
#include <QAbstractItemView>
#include <QApplication>
#include <QListWidget>
#include <QTabWidget>
#include <QTimeEdit>
#include <QtTest>

#include "editor/g_combo_box.h"
#include "editor/g_edit.h"
#include "views_fixture.h"

using namespace tavrin;
using test::ViewsFixture;

namespace {

// A family grid with one row of every editor kind, to reach the kinds the
// "Талвир К2"'s items do not use.
class AllKinds : public FamilyGrid {
  public:
    struct Work : GridWork {
        std::vector<GridRow> rows;
    };
    std::unique_ptr<GridWork> load(const DBase&, ItemCode, bool) override {
        auto w = std::make_unique<Work>();
        auto row = [&](const char* name, EditorKind kind, const char* text, int value) {
            GridRow r;
            r.name = name;
            r.kind = kind;
            r.text = text;
            r.value = value;
            w->rows.push_back(r);
            return &w->rows.back();
        };
        row("text", EditorKind::Text, "Вход", 0);
        row("number", EditorKind::Number, "10", 10);
        row("number5", EditorKind::Number5, "1000", 1000)->maximum = 65535;
        GridRow* list = row("list", EditorKind::List, "Пожар", 1);
        list->list = gridValueList(1007);
        GridRow* name = row("name", EditorKind::NameCombo, "склад", 49);
        name->list = gridValueList(1010);
        row("hex", EditorKind::Hex, "00FF", 0xFF)->maximum = 0xFFFF;
        row("key", EditorKind::KeyNumber, "00 00 00 00 00 00", 0);
        row("time", EditorKind::Time, "08:30", 8 * 60 + 30);
        row("read-only", EditorKind::ReadOnly, "1.2", 0);
        return w;
    }
    void buildRows(const DBase&, const GridWork& work, std::vector<GridRow>& rows,
                   CheckList&) override {
        rows = static_cast<const Work&>(work).rows;
    }
    void applyRow(GridWork& work, const GridRow& row) override {
        for (GridRow& r : static_cast<Work&>(work).rows) {
            if (r.name == row.name) r = row;
        }
    }
    bool applyCheck(GridWork&, const CheckEntry&, bool, std::string&) override { return true; }
    void store(DBase&, const GridWork&) override {}
    std::size_t textLimit() const override { return 16; }
};

}  // namespace

class TestGrid : public QObject {
    Q_OBJECT

    int row(ViewsFixture& f, const char* name) {
        const int r = f.grid->model().findRow(name);
        if (r < 0) qWarning("no row %s", name);
        return r;
    }
    const GridRow& rowOf(ViewsFixture& f, const char* name) {
        return f.grid->model().rows().at(static_cast<std::size_t>(row(f, name)));
    }
    void clickValue(ViewsFixture& f, int r) {
        QTest::mouseClick(f.grid->table()->viewport(), Qt::LeftButton, {},
                          f.grid->table()->valueRect(r).center());
    }
    void clickName(ViewsFixture& f, int r) {
        QTest::mouseClick(f.grid->table()->viewport(), Qt::LeftButton, {},
                          f.grid->table()->nameRect(r).center());
    }
    // Key presses of any characters (Cyrillic included).
    static void keys(QWidget* w, const QString& text) {
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &press);
            QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(w, &release);
        }
    }
    // Types into the open GEdit over all that it holds.
    void type(ViewsFixture& f, const QString& text) {
        QVERIFY(f.grid->edit()->isVisible());
        f.grid->edit()->selectAll();
        keys(f.grid->edit(), text);
    }
    // Whether the cell shows pixels of a colour.
    bool cellHas(ViewsFixture& f, int r, QColor color) {
        const QImage img = f.grid->table()->viewport()->grab().toImage();
        const QRect cell = f.grid->table()->valueRect(r);
        for (int y = cell.top() + 2; y < cell.bottom() - 1; ++y) {
            for (int x = cell.left() + 2; x < cell.right() - 1; ++x) {
                const QColor c = img.pixelColor(x, y);
                if (std::abs(c.red() - color.red()) < 40 &&
                    std::abs(c.green() - color.green()) < 40 &&
                    std::abs(c.blue() - color.blue()) < 40)
                    return true;
            }
        }
        return false;
    }

  private slots:
    void typing300IntoA255RowStores255() {
        ViewsFixture f;
        f.click(0, -1);  // the root: the panel's rows
        const int r = row(f, "Время задержки на Вход-Выход");
        QVERIFY(r >= 0);
        clickValue(f, r);
        QCOMPARE(f.grid->editingRow(), r);
        QVERIFY(f.grid->edit()->hasFocus());
        type(f, "300");
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        QVERIFY(!f.grid->edit()->isVisible());
        QCOMPARE(rowOf(f, "Время задержки на Вход-Выход").text, std::string("255"));
        QVERIFY(rowOf(f, "Время задержки на Вход-Выход").changed);
        QVERIFY(cellHas(f, r, QColor(0, 0, 200)));  // a changed value is blue
        // Leaving the item writes it; coming back shows the stored value.
        const int before = f.db.modified;
        f.click(-3, 0);
        QVERIFY(f.db.modified > before);
        f.click(0, -1);
        QCOMPARE(rowOf(f, "Время задержки на Вход-Выход").text, std::string("255"));
        QVERIFY(!rowOf(f, "Время задержки на Вход-Выход").changed);
    }

    void textTheFileEncodingCannotHoldIsRefused() {
        // A typed loop name and a text row: "☃" has no Windows-1251 form.
        ViewsFixture f;
        f.click(0x80 + 9, -30);
        const int r = row(f, "Имя ШС");
        const Bytes before = f.image();
        clickValue(f, r);
        QVERIFY(f.grid->combo()->isEditable());
        f.grid->combo()->lineEdit()->selectAll();
        keys(f.grid->combo()->lineEdit(), QString::fromUtf8("Склад ☃"));
        f.prompter.calls.clear();
        QTest::keyClick(f.grid->combo()->lineEdit(), Qt::Key_Return);
        QCOMPARE(f.prompter.calls.size(), std::size_t(1));
        QVERIFY(f.prompter.calls[0].text.find("\"☃\"") != std::string::npos);
        QVERIFY(rowOf(f, "Имя ШС").error);
        QCOMPARE(rowOf(f, "Имя ШС").text, std::string("Склад ☃"));
        QVERIFY(cellHas(f, r, QColor(255, 0, 0)));
        // The tree keeps the loop and nothing reaches the database.
        f.click(0x80 + 10, -30);
        QCOMPARE(f.currentCode(), 0x80 + 9);
        QVERIFY(f.image() == before);

        ViewsFixture g;
        g.grid->model().setFamily(std::make_unique<AllKinds>());
        g.grid->model().show(&g.db, 0, true);
        const int t = row(g, "text");
        QVERIFY(!g.grid->model().commitText(t, "Вход ☃"));
        QVERIFY(rowOf(g, "text").error);
        QVERIFY(g.grid->model().commitText(t, "Вход №1"));  // "№" is in the code page
        QVERIFY(!rowOf(g, "text").error);
    }

    void aBadKeyNumberTurnsRedAndKeepsTheSelection() {
        ViewsFixture f;
        f.addKey(false);
        f.tree->rebuild();
        f.click(0x100, -6);
        const int r = row(f, "Полный номер ключа");
        clickValue(f, r);
        type(f, "12 34 5G 78 9A BC");
        f.prompter.calls.clear();
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        QCOMPARE(f.prompter.calls.size(), std::size_t(1));
        QCOMPARE(f.prompter.calls.back().text, std::string("Ошибка в параметре!"));
        QCOMPARE(f.prompter.calls.back().title, std::string());
        QVERIFY(rowOf(f, "Полный номер ключа").error);
        QCOMPARE(rowOf(f, "Полный номер ключа").text, std::string("12 34 5G 78 9A BC"));
        QVERIFY(cellHas(f, r, QColor(255, 0, 0)));
        // The tree keeps the key.
        f.click(-3, 0);
        QCOMPARE(f.prompter.calls.back().text,
                 std::string("В параметрах устройства есть ошибки!\nНеобходимо исправить"));
        QCOMPARE(f.prompter.calls.back().title, std::string("Корректировка параметров"));
        QCOMPARE(f.currentCode(), 0x100);
        QCOMPARE(f.tree->currentIndex(), f.index(0x100, -6));
        // Corrected, it is written and the tree moves on.
        clickValue(f, r);
        type(f, "12 34 56 78 9a bc");
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        QVERIFY(!rowOf(f, "Полный номер ключа").error);
        f.click(-3, 0);
        QCOMPARE(f.currentCode(), -3);
        f.click(0x100, -6);
        QCOMPARE(rowOf(f, "Полный номер ключа").text, std::string("12 34 56 78 9A BC"));
    }

    void enterEndsAnEditAsLeavingTheCellDoes() {
        struct Case {
            const char* row;
            bool list;
        } cases[] = {{"Порядковый номер ключа", false}, {"Тип ШС", true}};
        for (const Case& c : cases) {
            std::string results[2];
            for (int way = 0; way < 2; ++way) {
                ViewsFixture f;
                f.addKey(false);
                f.tree->rebuild();
                f.click(0x100, -6);
                const int r = row(f, c.row);
                clickValue(f, r);
                if (c.list) {
                    QVERIFY(f.grid->combo()->isVisible());
                    f.grid->combo()->setCurrentIndex(1);
                } else {
                    type(f, "77");
                }
                if (way == 0) {
                    QTest::keyClick(f.grid->activeEditor(), Qt::Key_Return);
                } else {
                    clickName(f, 0);
                }
                QCOMPARE(f.grid->editingRow(), -1);
                QVERIFY(!f.grid->activeEditor());
                QVERIFY(f.grid->model().modified());
                results[way] = rowOf(f, c.row).text;
            }
            QCOMPARE(results[0], results[1]);
            QCOMPARE(results[0], std::string(c.list ? "пожарный" : "77"));
        }
    }

    // Without a mouse: the arrows move the highlighted row, F2 or Enter
    // opens its editor, Esc drops the typed value, Enter commits it; F4 and
    // Alt+Down open a list's entries, and typing in the list jumps to an entry.
    void keyboardOnly() {
        ViewsFixture f;
        f.addKey(false);
        f.tree->rebuild();
        f.click(0x100, -6);
        gui::GridTable* table = f.grid->table();
        table->setFocus();
        QVERIFY(table->hasFocus());
        const int number = row(f, "Порядковый номер ключа");
        const int list = row(f, "Тип ШС");
        QVERIFY(number >= 0 && list >= 0);
        const int last = static_cast<int>(f.grid->model().rows().size()) - 1;
        QTest::keyClick(table, Qt::Key_End);
        QCOMPARE(table->currentRow(), last);
        QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentRow(), last);
        QTest::keyClick(table, Qt::Key_Up);
        QCOMPARE(table->currentRow(), last - 1);
        QTest::keyClick(table, Qt::Key_Home);
        QCOMPARE(table->currentRow(), 0);
        for (int i = 0; i < number; ++i)
            QTest::keyClick(table, Qt::Key_Down);
        QCOMPARE(table->currentRow(), number);
        const std::string before = rowOf(f, "Порядковый номер ключа").text;

        for (Qt::Key open : {Qt::Key_F2, Qt::Key_Return}) {
            QTest::keyClick(table, open);
            QCOMPARE(f.grid->editingRow(), number);
            QCOMPARE(f.grid->activeEditor(), static_cast<QWidget*>(f.grid->edit()));
            type(f, "42");
            QTest::keyClick(f.grid->edit(), Qt::Key_Escape);
            QCOMPARE(f.grid->editingRow(), -1);
            QVERIFY(table->hasFocus());
            QCOMPARE(rowOf(f, "Порядковый номер ключа").text, before);
            QVERIFY(!f.grid->model().modified());
        }
        QTest::keyClick(table, Qt::Key_F2);
        type(f, "42");
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        QCOMPARE(rowOf(f, "Порядковый номер ключа").text, std::string("42"));
        QVERIFY(table->hasFocus());
        QCOMPARE(table->currentRow(), number);

        // The list: F4 or Alt+Down opens the entries.
        for (auto [key, mods] : {std::pair{Qt::Key_F4, Qt::KeyboardModifiers()},
                                 std::pair{Qt::Key_Down, Qt::KeyboardModifiers(Qt::AltModifier)}}) {
            table->setCurrentRow(list);
            QTest::keyClick(table, key, mods);
            QCOMPARE(f.grid->activeEditor(), static_cast<QWidget*>(f.grid->combo()));
            QTRY_VERIFY(f.grid->combo()->view()->isVisible());
            QTest::keyClick(f.grid->combo()->view(), Qt::Key_Escape);
            QTRY_VERIFY(!f.grid->combo()->view()->isVisible());
            QTest::keyClick(f.grid->combo(), Qt::Key_Escape);
            QCOMPARE(f.grid->editingRow(), -1);
        }
        // Typing the start of an entry jumps to it; Enter takes it.
        table->setCurrentRow(list);
        QTest::keyClick(table, Qt::Key_F2);
        const QString target = f.grid->combo()->itemText(f.grid->combo()->count() - 1);
        keys(f.grid->combo(), target.left(3));
        QCOMPARE(f.grid->combo()->currentText(), target);
        QTest::keyClick(f.grid->combo(), Qt::Key_Return);
        QCOMPARE(QString::fromStdString(rowOf(f, "Тип ШС").text), target);

        // A click on a list value opens its entries at once.
        clickName(f, 0);
        clickValue(f, list);
        QTRY_VERIFY(f.grid->combo()->view()->isVisible());
    }

    void eachKindGetsItsEditor() {
        ViewsFixture f;
        f.grid->model().setFamily(std::make_unique<AllKinds>());
        f.grid->model().show(&f.db, 0);
        f.grid->setFamily(Family::K2);
        struct Case {
            const char* row;
            QWidget* editor;
        } cases[] = {
            {"text", f.grid->edit()},  {"number", f.grid->edit()},   {"number5", f.grid->edit()},
            {"list", f.grid->combo()}, {"name", f.grid->combo()},    {"hex", f.grid->edit()},
            {"key", f.grid->edit()},   {"time", f.grid->timeEdit()}, {"read-only", nullptr},
        };
        for (const Case& c : cases) {
            clickValue(f, row(f, c.row));
            QCOMPARE(f.grid->activeEditor(), c.editor);
            // Laid over the value cell.
            if (c.editor) {
                const QRect cell = f.grid->table()->valueRect(row(f, c.row));
                QVERIFY(cell.contains(c.editor->geometry().center()));
            }
            clickName(f, 0);
        }
        // Text: at most the family's length.
        clickValue(f, row(f, "text"));
        type(f, QString::fromUtf8("абвгдежзийклмнопрст"));
        QCOMPARE(f.grid->edit()->text().size(), 16);
        // Hexadecimal: letters that are not hex digits are dropped as typed.
        clickValue(f, row(f, "hex"));
        QVERIFY(f.grid->edit()->hexMode());
        type(f, "1G2z3");
        QCOMPARE(f.grid->edit()->text(), QString("123"));
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        QCOMPARE(rowOf(f, "hex").text, std::string("0123"));
        // The room names take a typed name at the top with the value 255.
        clickValue(f, row(f, "name"));
        QVERIFY(f.grid->combo()->isEditable());
        f.grid->combo()->lineEdit()->selectAll();
        keys(f.grid->combo()->lineEdit(), QString::fromUtf8("склад 2"));
        QTest::keyClick(f.grid->combo()->lineEdit(), Qt::Key_Return);
        QCOMPARE(rowOf(f, "name").text, std::string("склад 2"));
        QCOMPARE(rowOf(f, "name").value, 255);
        QCOMPARE(rowOf(f, "name").list.entries.front().text, std::string("склад 2"));
        // Time: "HH:mm".
        clickValue(f, row(f, "time"));
        QCOMPARE(f.grid->timeEdit()->displayFormat(), QString("HH:mm"));
        f.grid->timeEdit()->setTime(QTime(7, 5));
        QTest::keyClick(f.grid->timeEdit(), Qt::Key_Return);
        QVERIFY(!f.grid->activeEditor());
        QCOMPARE(rowOf(f, "time").text, std::string("07:05"));
    }

    void writtenBackWhenTheTreeGetsTheFocus() {
        ViewsFixture f;
        f.click(0, -1);
        const int r = row(f, "Время задержки на Вход-Выход");
        clickValue(f, r);
        type(f, "17");
        QTest::keyClick(f.grid->edit(), Qt::Key_Return);
        const int before = f.db.modified;
        f.click(0, -1);  // the same item: only the focus comes back
        QCOMPARE(f.currentCode(), 0);
        QVERIFY(f.db.modified > before);
        QVERIFY(!f.grid->model().modified());
        QCOMPARE(rowOf(f, "Время задержки на Вход-Выход").text, std::string("17"));
    }

    void theSecondTabMarksTheKeysLoops() {
        ViewsFixture f;
        const int k = f.addKey(false);
        f.tree->rebuild();
        f.click(0x100 + k, -6);
        QTabWidget* tabs = f.grid->tabs();
        QVERIFY(tabs->isTabVisible(1));
        QCOMPARE(tabs->tabText(1), QString::fromUtf8("Применимость ключа"));
        tabs->setCurrentIndex(1);
        QListWidget* list = f.grid->checkList();
        QCOMPARE(list->count(), 32);
        list->setFocus();
        list->setCurrentRow(3);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(list->item(3)->checkState(), Qt::Checked);
        QVERIFY(f.grid->model().modified());
        f.click(-3, 0);
        QVERIFY(!tabs->isTabVisible(1) ||
                tabs->tabText(1) != QString::fromUtf8("Применимость ключа"));
        const auto& rec = f.db.keys[static_cast<std::size_t>(k)];
        QVERIFY(rec[k2::kKeyApplication] & (1u << 3));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestGrid t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_grid.moc"
