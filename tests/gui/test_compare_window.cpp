// The compare window: one row per difference with the item, the row and
// both values; added and removed items stand out; the count line; equal
// databases say "Нет различий"; the text copied and saved; a double click
// names the item in both databases.
#include <QApplication>
#include <QClipboard>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include "editor/tree_editor.h"
#include "link/console_operations.h"
#include "service/compare_window.h"
#include "service/service_windows.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

// A double click as the user makes it: the first click, then the second.
void doubleClick(QTableWidget* t, int row, int column) {
    const QPoint at = t->visualItemRect(t->item(row, column)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
}

DiffEntry entry(DiffEntry::Kind kind, const char* path, ItemPath ours, ItemPath theirs,
                const char* row = "", const char* a = "", const char* b = "") {
    DiffEntry e;
    e.kind = kind;
    e.path = path;
    e.ours = std::move(ours);
    e.theirs = std::move(theirs);
    e.row = row;
    e.ourText = a;
    e.theirText = b;
    return e;
}

std::vector<DiffEntry> sample() {
    using K = DiffEntry::Kind;
    return {entry(K::Changed, "К / Шлейфы / А1", {0, 3}, {0, 3}, "Имя ШС", "", "Кухня"),
            entry(K::Changed, "К / Шлейфы / А1", {0, 3}, {0, 3}, "Задержка", "0", "30"),
            entry(K::Added, "К / Устройства / ИПР 003", {}, {0, 1, 3}),
            entry(K::Removed, "К / Устройства / ТК 002", {0, 1, 2}, {})};
}

QStringList rowCells(QTableWidget* t, int r) {
    QStringList out;
    for (int c = 0; c < t->columnCount(); ++c)
        out << (t->item(r, c) ? t->item(r, c)->text() : QString());
    return out;
}

}  // namespace

class CompareWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void rowsCountAndMarks() {
        gui::CompareWindow w(sample(), "файл.k2", "Прибор");
        w.show();
        QTableWidget* t = w.table();
        QCOMPARE(t->rowCount(), 4);
        QCOMPARE(t->horizontalHeaderItem(2)->text(), QString("файл.k2"));
        QCOMPARE(t->horizontalHeaderItem(3)->text(), QString("Прибор"));
        QCOMPARE(rowCells(t, 0), QStringList({"К / Шлейфы / А1", "Имя ШС", "", "Кухня"}));
        QCOMPARE(rowCells(t, 1), QStringList({"К / Шлейфы / А1", "Задержка", "0", "30"}));
        QCOMPARE(rowCells(t, 2).mid(0, 2),
                 QStringList({"К / Устройства / ИПР 003", gui::CompareWindow::addedText()}));
        QCOMPARE(rowCells(t, 3).mid(0, 2),
                 QStringList({"К / Устройства / ТК 002", gui::CompareWindow::removedText()}));
        // Added and removed rows have their own backgrounds, apart from each
        // other and from the changed rows.
        const QBrush changed = t->item(0, 0)->background();
        const QBrush added = t->item(2, 0)->background();
        const QBrush removed = t->item(3, 3)->background();
        QVERIFY(added != changed);
        QVERIFY(removed != changed);
        QVERIFY(added != removed);
        // Three items differ (the loop counts once), four differences.
        QVERIFY(w.countLabel()->text().contains("3"));
        QVERIFY(w.countLabel()->text().contains("4"));
    }

    void equalDatabasesSaySo() {
        gui::CompareWindow w({}, "a", "b");
        w.show();
        QCOMPARE(w.countLabel()->text(), QString("Нет различий"));
        QCOMPARE(w.table()->rowCount(), 1);
        QCOMPARE(w.table()->item(0, 0)->text(), QString("Нет различий"));
        // The message row names no item.
        QSignalSpy spy(&w, &gui::CompareWindow::itemActivated);
        doubleClick(w.table(), 0, 0);
        QCOMPARE(spy.count(), 0);
    }

    void doubleClickNamesTheItemInBothDatabases() {
        gui::CompareWindow w(sample(), "a", "b");
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        ItemPath ours{99}, theirs{99};
        connect(&w, &gui::CompareWindow::itemActivated, [&](const ItemPath& a, const ItemPath& b) {
            ours = a;
            theirs = b;
        });
        QTableWidget* t = w.table();
        doubleClick(t, 2, 1);
        QCOMPARE(ours, ItemPath{});
        QCOMPARE(theirs, (ItemPath{0, 1, 3}));
        t->setCurrentCell(3, 0);
        t->setFocus();
        QTest::keyClick(t, Qt::Key_Return);
        QCOMPARE(ours, (ItemPath{0, 1, 2}));
        QCOMPARE(theirs, ItemPath{});
    }

    void textCopiedAndSaved() {
        gui::CompareWindow w(sample(), "файл.k2", "Прибор");
        const QStringList lines = w.text().split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 6);
        QCOMPARE(lines[0], QString("файл.k2 → Прибор"));
        QCOMPARE(lines[3], QString("К / Шлейфы / А1: Задержка: 0 → 30"));
        QCOMPARE(lines[4], QString("К / Устройства / ИПР 003: добавлено"));
        QCOMPARE(lines[5], QString("К / Устройства / ТК 002: удалено"));

        QTest::mouseClick(w.copyButton(), Qt::LeftButton);
        QCOMPARE(QApplication::clipboard()->text(), w.text());

        test::TempDir dir;
        const QString path = QString::fromStdString((dir.path() / "различия.txt").string());
        QVERIFY(w.saveText(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(f.readAll()), w.text());
    }

    // A console's comparison: only what is not equal becomes a row, and a
    // part that could not be compared is never taken for equal.
    void consoleComparisonAsDifferences() {
        auto row = [](const char* path, int record, const char* ours, const char* theirs,
                      CompareState state, std::int32_t item) {
            ComparisonRow r;
            r.path = path;
            r.row = record;
            r.ours = ours;
            r.theirs = theirs;
            r.same = state == CompareState::Equal;
            r.verdict = compareStateText(state);
            r.item = item;
            return r;
        };
        const ComparisonRows rows = {
            row("Пульт / Ключи пульта", -1, "12AB", "12AB", CompareState::Equal, 0),
            row("LCP 1 / АУ", -1, "0001", "0002", CompareState::Different, 7),
            row("LCP 1 / Объекты", 2, "00FF", "00FF", CompareState::Different, 9),
            row("LCP 2 / АУ", -1, "0003", "", CompareState::OnlyComputer, 11),
            row("LCP 3 / АУ", -1, "", "0004", CompareState::OnlyConsole, 0),
            row("LCP 4 / АУ", -1, "0005", "", CompareState::NoLink, 13),
        };
        QString equal;
        const std::vector<DiffEntry> got = gui::consoleDifferences(rows, &equal);
        QCOMPARE(equal, QString("Совпадают: Пульт / Ключи пульта"));
        struct Expected {
            DiffEntry::Kind kind;
            const char* row;
            ItemPath ours;
        };
        using K = DiffEntry::Kind;
        const Expected expected[] = {
            {K::Changed, "Контрольная сумма", {kNoItem, 7}},
            {K::Changed, "Запись 3", {kNoItem, 9}},
            {K::Removed, "", {kNoItem, 11}},
            {K::Added, "", {}},
            {K::Changed, "Нет связи с LCP", {kNoItem, 13}},
        };
        QCOMPARE(got.size(), std::size(expected));
        for (std::size_t i = 0; i < got.size(); ++i) {
            QCOMPARE(got[i].path, rows[i + 1].path);
            QCOMPARE(got[i].kind, expected[i].kind);
            QCOMPARE(got[i].row, std::string(expected[i].row));
            QCOMPARE(got[i].ours, expected[i].ours);
        }
        QCOMPARE(got[0].ourText, std::string("0001"));
        QCOMPARE(got[0].theirText, std::string("0002"));
        // Nothing compared but the unreachable LCP: not "Нет различий".
        const std::vector<DiffEntry> unreachable =
            gui::consoleDifferences({rows[0], rows[5]}, &equal);
        gui::CompareWindow w(unreachable, "Компьютер", "Пульт");
        QVERIFY(w.countLabel()->text() != QString("Нет различий"));
    }
};

QTEST_MAIN(CompareWindowTest)
#include "test_compare_window.moc"
