// Comparing the database on screen with a file ("Сравнить с файлом...") in
// the compare window, and a chosen row selecting its item in the tree; the
// marks of "Две базы" on the items that differ, following the edits; the
// find bar of "Поиск по БД" stepping through the matches in either tree.
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "base/file_io.h"
#include "base/text.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "editor/db_diff.h"
#include "editor/diff_marks.h"
#include "editor/editor_views.h"
#include "editor/find_bar.h"
#include "editor/tree_item_model.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"
#include "service/compare_window.h"
#include "service/service_windows.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

// File dialogs that answer with one path.
class OneAnswer : public gui::FileDialogs {
  public:
    std::optional<std::string> openFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&) override {
        ++asked;
        return answer;
    }
    std::optional<std::string> saveFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&,
                                        const std::string&) override {
        return std::nullopt;
    }
    std::optional<std::string> folder(QWidget*, const std::string&) override {
        ++asked;
        return answer;
    }
    std::optional<std::string> answer;
    int asked = 0;
};

struct Fixture {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    OneAnswer dialogs;
    std::unique_ptr<gui::CMainFrame> frame;

    Fixture() {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        frame = std::make_unique<gui::CMainFrame>(ctx);
        frame->setFileDialogs(&dialogs);
        frame->show();
        // Two devices on screen.
        db().CreateElement(k2::kTypeDip, -1);
        db().CreateElement(k2::kTypeTk, -1);
        db().databaseValid = true;
        frame->databaseChanged(0);
    }
    DBK2& db() { return static_cast<DBK2&>(*frame->database()); }
    // The database on screen saved with a change made to the copy only.
    std::string saveChanged(const std::function<void(DBK2&)>& change) {
        DBK2 other(0, ctx);
        const std::string path = pathToUtf8(dir / "другая.bta");
        if (!db().SaveToDisk(path) || !other.LoadFromDisk(path)) return {};
        change(other);
        other.SaveToDisk(path);
        return path;
    }
    gui::CompareWindow* compare(const std::string& path) {
        dialogs.answer = path;
        frame->runCommand(kCmdCompareWithFile);
        return frame->services()->differencesWindow();
    }
    int rowOf(gui::CompareWindow* w, DiffEntry::Kind kind) {
        for (std::size_t i = 0; i < w->entries().size(); ++i)
            if (w->entries()[i].kind == kind) return static_cast<int>(i);
        return -1;
    }
};

using Difference = gui::TreeItemModel::Difference;

Difference differenceAt(gui::CTree* tree, const ItemPath& path) {
    return tree->itemModel()->difference(tree->editor().findPath(path));
}

void setName(DBK2& db, int index, const std::string& utf8) {
    const std::string s = utf8ToCp1251(utf8);
    db.names[static_cast<std::size_t>(index)].fill(' ');
    for (std::size_t i = 0; i < s.size() && i < 16; ++i)
        db.names[static_cast<std::size_t>(index)][i] = static_cast<std::uint8_t>(s[i]);
}

// Types a text key by key (QTest's key clicks take Latin letters only).
void type(QWidget* w, const QString& text) {
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &release);
    }
}

QString currentLabel(gui::CTree* tree) {
    const QModelIndex i = tree->currentIndex();
    return i.isValid() ? i.data().toString() : QString();
}

void doubleClick(QTableWidget* t, int row) {
    const QPoint at = t->visualItemRect(t->item(row, 0)).center();
    QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(t->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class TestCompareFind : public QObject {
    Q_OBJECT
  private slots:
    void compareWithFileListsTheDifferences() {
        Fixture f;
        const std::string path = f.saveChanged([](DBK2& o) {
            o.blockedDevices[0] |= 0x01;
            o.CreateElement(k2::kTypeIpr, -1);
        });
        gui::CompareWindow* w = f.compare(path);
        QVERIFY(w);
        QVERIFY(w->isVisible());
        QCOMPARE(f.dialogs.asked, 1);
        QCOMPARE(w->table()->horizontalHeaderItem(3)->text(), QString("другая.bta"));
        // The window holds what the core comparison finds, no more, no less.
        DBK2 other(0, f.ctx);
        QVERIFY(other.LoadFromDisk(path));
        const auto expected = diffDatabases(f.db(), other, CreateFamilyTree);
        QCOMPARE(w->entries().size(), expected.size());
        for (std::size_t i = 0; i < expected.size(); ++i)
            QCOMPARE(formatDiffEntry(w->entries()[i]), formatDiffEntry(expected[i]));
        QVERIFY(f.rowOf(w, DiffEntry::Kind::Added) >= 0);
        QVERIFY(f.rowOf(w, DiffEntry::Kind::Changed) >= 0);
        QCOMPARE(w->table()->rowCount(), static_cast<int>(expected.size()));
    }

    void chosenRowSelectsItsItemOrTheNearestParent() {
        Fixture f;
        const std::string path = f.saveChanged([](DBK2& o) {
            o.blockedDevices[0] |= 0x02;  // the second device
            o.CreateElement(k2::kTypeIpr, -1);
        });
        gui::CompareWindow* w = f.compare(path);
        QVERIFY(w);
        QVERIFY(QTest::qWaitForWindowExposed(w));
        gui::CTree* tree = f.frame->leftTree();

        const int changed = f.rowOf(w, DiffEntry::Kind::Changed);
        QVERIFY(changed >= 0);
        const ItemPath ours = w->entries()[static_cast<std::size_t>(changed)].ours;
        QVERIFY(tree->editor().pathOf(tree->editor().current()) != ours);
        doubleClick(w->table(), changed);
        QCOMPARE(tree->editor().pathOf(tree->editor().current()), ours);

        // An item only in the file: its place here is its parent, the group.
        const int added = f.rowOf(w, DiffEntry::Kind::Added);
        QVERIFY(added >= 0);
        const ItemPath theirs = w->entries()[static_cast<std::size_t>(added)].theirs;
        doubleClick(w->table(), added);
        QCOMPARE(tree->editor().pathOf(tree->editor().current()),
                 ItemPath(theirs.begin(), theirs.end() - 1));
    }

    void equalOrUnreadableFile() {
        Fixture f;
        gui::CompareWindow* w = f.compare(f.saveChanged([](DBK2&) {}));
        QVERIFY(w);
        QCOMPARE(w->countLabel()->text(), QString("Нет различий"));
        w->close();
        QTest::qWait(1);

        // A file that is gone is said so, and no window claims a comparison.
        f.prompter.calls.clear();
        QVERIFY(!f.compare(pathToUtf8(f.dir / "нет.bta")));
        QCOMPARE(f.prompter.calls.size(), std::size_t{1});
        QVERIFY(f.prompter.calls[0].text.find("нет.bta") != std::string::npos);
    }

    void twoBasesMarkTheDifferencesAndFollowEdits() {
        Fixture f;
        const std::string path = f.saveChanged([](DBK2& o) {
            o.blockedDevices[0] |= 0x01;
            o.CreateElement(k2::kTypeIpr, -1);
        });
        auto* marks = f.frame->findChild<gui::DiffMarks*>("diffMarks");
        QVERIFY(marks);
        f.frame->runCommand(kCmdTwoBases);
        QVERIFY(marks->enabled());
        DBase* right = f.frame->shell().document().database(1);
        QVERIFY(right && right->LoadFromDisk(path));
        f.frame->databaseReplaced(1);
        QTRY_VERIFY(!marks->pending());

        DBK2 other(0, f.ctx);
        QVERIFY(other.LoadFromDisk(path));
        const auto entries = diffDatabases(f.db(), other, CreateFamilyTree);
        QCOMPARE(entries.size(), std::size_t{2});
        gui::CTree* left = f.frame->leftTree();
        gui::CTree* rightTree = f.frame->rightTree();
        const DiffEntry& changed =
            entries[0].kind == DiffEntry::Kind::Changed ? entries[0] : entries[1];
        const DiffEntry& added =
            entries[0].kind == DiffEntry::Kind::Added ? entries[0] : entries[1];
        QCOMPARE(added.kind, DiffEntry::Kind::Added);
        // The changed device in both trees, the added one in the right only;
        // the groups above them hold a difference; the other device is clean.
        QCOMPARE(differenceAt(left, changed.ours), Difference::Differs);
        QCOMPARE(differenceAt(rightTree, changed.theirs), Difference::Differs);
        QCOMPARE(differenceAt(rightTree, added.theirs), Difference::Differs);
        const ItemPath group(added.theirs.begin(), added.theirs.end() - 1);
        QCOMPARE(differenceAt(left, group), Difference::HoldsDifference);
        QCOMPARE(differenceAt(left, {group.front()}), Difference::HoldsDifference);
        ItemPath clean = changed.ours;
        clean.back() = clean.back() == 0 ? 1 : 0;
        QCOMPARE(differenceAt(left, clean), Difference::NoDifference);
        const QModelIndex shown = left->itemModel()->indexOf(left->editor().findPath(changed.ours));
        QVERIFY(shown.data(Qt::BackgroundRole).value<QBrush>().color().isValid());
        QVERIFY(shown.data(Qt::ToolTipRole).toString().contains("Отличается от другой базы"));

        // Selecting items compares nothing again; an edit does, once, after
        // a moment.
        const int runs = marks->runs();
        left->selectPath(clean);
        left->selectPath(changed.ours);
        QVERIFY(!marks->pending());
        QCOMPARE(marks->runs(), runs);
        QVERIFY(rightTree->selectPath(added.theirs));
        QVERIFY(f.frame->views()->setActive(1));
        f.frame->runCommand(kCmdDelete);
        QCOMPARE(right->modified > 0, true);
        QVERIFY(marks->pending());
        QTRY_COMPARE(marks->runs(), runs + 1);
        QCOMPARE(differenceAt(left, changed.ours), Difference::Differs);
        QCOMPARE(differenceAt(rightTree, group), Difference::HoldsDifference);
        // The last difference made equal: no marks are left in either tree.
        f.db().blockedDevices[0] |= 0x01;
        ++f.db().modified;
        f.frame->databaseChanged(0);
        QTRY_COMPARE(marks->runs(), runs + 2);
        QCOMPARE(differenceAt(left, changed.ours), Difference::NoDifference);
        QCOMPARE(differenceAt(rightTree, group), Difference::NoDifference);
        QCOMPARE(differenceAt(rightTree, {group.front()}), Difference::NoDifference);

        // "Две базы" off: the marks go with it.
        f.db().blockedDevices[0] &= 0xFE;
        f.frame->databaseChanged(0);
        QTRY_COMPARE(differenceAt(left, changed.ours), Difference::Differs);
        f.frame->runCommand(kCmdTwoBases);
        QVERIFY(!marks->enabled());
        QCOMPARE(differenceAt(left, changed.ours), Difference::NoDifference);
    }

    void findBarStepsThroughTheMatches() {
        Fixture f;
        setName(f.db(), 0, "Кухня");
        setName(f.db(), 1, "Склад ЁЛКИ");
        f.db().keys[static_cast<std::size_t>(f.db().CreateKey())][k2::kKeyCode] = 0xAB;
        f.frame->databaseChanged(0);
        QApplication::setActiveWindow(f.frame.get());
        gui::FindBar* bar = f.frame->findBar();
        QVERIFY(bar && bar->isHidden());
        gui::CTree* tree = f.frame->leftTree();
        tree->setFocus();
        QTest::keyClick(tree, Qt::Key_F, Qt::ControlModifier);
        QVERIFY(bar->isVisible());
        QVERIFY(bar->edit()->hasFocus());

        struct Case {
            const char* query;
            int count;
            const char* first;  // the tree's label of the first match
        };
        const Case cases[] = {
            {"КУХНЯ", 1, "А1  Кухня"},      // a loop's name, any case
            {"ёлки", 1, "А2  Склад ЁЛКИ"},  // Cyrillic with Ё
            {"дип", 1, "Т12-ДИП  001"},     // a device's type
            {"ab 00", 1, "Ключ_000"},       // a key's number in the grid
            {"т12", 2, "Т12-ДИП  001"},     // two devices
            {"нет такого", 0, ""},
        };
        for (const Case& c : cases) {
            QTest::keyClick(bar->edit(), Qt::Key_A, Qt::ControlModifier);
            type(bar->edit(), QString::fromUtf8(c.query));
            QCOMPARE(bar->matchCount(), c.count);
            if (c.count == 0) {
                QCOMPARE(bar->countLabel()->text(), QString("Не найдено"));
                continue;
            }
            QCOMPARE(bar->countLabel()->text(), QString("1 из %1").arg(c.count));
            QCOMPARE(currentLabel(tree), QString::fromUtf8(c.first));
        }

        // Enter, F3 and Shift+F3 step round the two devices; the grid shows
        // the match.
        bar->edit()->setText("т12");
        QCOMPARE(currentLabel(tree), QString("Т12-ДИП  001"));
        QTest::keyClick(bar->edit(), Qt::Key_Return);
        const QString second = currentLabel(tree);
        QVERIFY2(second.startsWith("Т12-ТК") && second.endsWith("002"), qPrintable(second));
        QCOMPARE(bar->countLabel()->text(), QString("2 из 2"));
        QCOMPARE(f.frame->views()->grid()->model().item(), tree->editor().currentCode());
        QTest::keyClick(bar->edit(), Qt::Key_F3);
        QCOMPARE(currentLabel(tree), QString("Т12-ДИП  001"));
        QTest::keyClick(bar->edit(), Qt::Key_F3, Qt::ShiftModifier);
        QCOMPARE(currentLabel(tree), second);
        QTest::keyClick(bar->edit(), Qt::Key_Return, Qt::ShiftModifier);
        QCOMPARE(bar->countLabel()->text(), QString("1 из 2"));
        QTest::keyClick(bar->edit(), Qt::Key_Escape);
        QVERIFY(bar->isHidden());
    }

    void findBarSearchesTheActiveTreeOfTwoBases() {
        Fixture f;
        const std::string path = f.saveChanged([](DBK2& o) { setName(o, 0, "Только справа"); });
        f.frame->runCommand(kCmdTwoBases);
        DBase* right = f.frame->shell().document().database(1);
        QVERIFY(right && right->LoadFromDisk(path));
        f.frame->databaseReplaced(1);
        gui::FindBar* bar = f.frame->findBar();
        f.frame->runCommand(kCmdSearchDatabase);
        bar->edit()->setText("справа");
        QCOMPARE(bar->matchCount(), 0);  // the left tree is active
        QVERIFY(f.frame->views()->setActive(1));
        QTest::keyClick(bar->edit(), Qt::Key_Return);
        QCOMPARE(bar->matchCount(), 1);
        QCOMPARE(currentLabel(f.frame->rightTree()), QString("А1  Только справа"));
    }
};

QTEST_MAIN(TestCompareFind)
#include "test_compare_find.moc"
