// Nothing typed or stored is lost in the main window: the grid's pending
// values reach the database before every command that uses it, another
// database brings an empty undo list and buffer, closing and the family
// switch offer both databases, the filter toolbar agrees with the tree, the
// root is not device 0, and opening a file never marks it modified.
#include <QApplication>
#include <QLineEdit>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "editor/c_grid.h"
#include "editor/editor_views.h"
#include "editor/g_combo_box.h"
#include "editor/g_edit.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "support/fake_database.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::k2;

namespace {

class QueuedDialogs : public gui::FileDialogs {
  public:
    std::optional<std::string> openFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&) override {
        return next();
    }
    std::optional<std::string> saveFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>&,
                                        const std::string&) override {
        return next();
    }
    std::optional<std::string> folder(QWidget*, const std::string&) override { return next(); }
    std::optional<std::string> next() {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<std::optional<std::string>> answers;
};

// The main window on the real "Талвир К2" databases (or on simulated ones
// whose device operations follow a script).
struct Frame {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    test::DeviceScript script;
    QueuedDialogs dialogs;
    AppContext ctx;
    std::unique_ptr<gui::CMainFrame> frame;

    explicit Frame(bool simulated = false) : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        frame = simulated ? std::make_unique<gui::CMainFrame>(ctx, test::fakeFactory(script))
                          : std::make_unique<gui::CMainFrame>(ctx);
        frame->setFileDialogs(&dialogs);
        frame->setWaitFactor(0);
        frame->resize(1000, 700);
        frame->show();
        QApplication::setActiveWindow(frame.get());
    }
    DBK2& db(int role) { return *dynamic_cast<DBK2*>(frame->shell().document().database(role)); }
    gui::CTree* tree(int role) { return role == 0 ? frame->leftTree() : frame->rightTree(); }
    gui::CGrid* grid() { return frame->views()->grid(); }
    const ClipBuffer& buffer() { return frame->views()->document().buffer; }
    std::string path(const char* name) { return pathToUtf8(dir / name); }

    void click(int role, ItemCode code, ItemCode parent) {
        gui::CTree* t = tree(role);
        const QModelIndex i =
            parent == kNoItem ? t->indexOfCode(code) : t->indexOfCode(code, parent);
        QVERIFY2(i.isValid(), "no such item");
        t->scrollTo(i);
        QTest::mouseClick(t->viewport(), Qt::LeftButton, {}, t->visualRect(i).center());
    }
    // Opens the editor of a grid row by clicking its value cell.
    int openRow(const char* name) {
        const int r = grid()->model().findRow(name);
        if (r < 0) qWarning("no row %s", name);
        QTest::mouseClick(grid()->table()->viewport(), Qt::LeftButton, {},
                          grid()->table()->valueRect(r).center());
        return r;
    }
    // Types into a row's edit box and confirms with Enter.
    void typeInto(const char* name, const QString& text) {
        openRow(name);
        QVERIFY(grid()->edit()->isVisible());
        grid()->edit()->selectAll();
        for (QChar c : text) {
            QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
            QApplication::sendEvent(grid()->edit(), &press);
        }
        QTest::keyClick(grid()->edit(), Qt::Key_Return);
    }
    bool enabled(int command) { return frame->action(command)->isEnabled(); }
};

constexpr const char* kCountdown = "Время обратного отсчета";  // security loop byte 7

}  // namespace

class TestEditorSafety : public QObject {
    Q_OBJECT
  private slots:
    void pendingValuesReachTheDatabaseBeforeACommand() {
        Frame f;
        const std::string path = f.path("a.bta");
        f.dialogs.answers = {path};
        f.frame->runCommand(kCmdSaveAs);
        // A value confirmed with Enter is saved by "Сохранить".
        f.click(0, 0x80 + 9, -30);
        f.typeInto(kCountdown, "30");
        f.frame->runCommand(kCmdSave);
        QCOMPARE(f.frame->statusText(), QString::fromUtf8("База сохранена"));
        QCOMPARE(f.db(0).modified, 0);
        DBK2 saved{0, f.ctx};
        QVERIFY(saved.LoadFromDisk(path));
        QCOMPARE(saved.loops[9][kLoopParam7], 30);
        // It went in with its undo record.
        QVERIFY(f.enabled(kCmdUndo));
        // A filter button rebuilds the tree: the value is not dropped.
        f.typeInto(kCountdown, "45");
        f.frame->action(kCmdFilterKeys)->trigger();
        QCOMPARE(f.db(0).loops[9][kLoopParam7], 45);
        const int row = f.grid()->model().findRow(kCountdown);
        QCOMPARE(f.grid()->model().rows()[static_cast<std::size_t>(row)].text, std::string("45"));
        // A refused value stops the command and keeps the focus on it.
        f.typeInto(kCountdown, "12A");
        f.prompter.calls.clear();
        f.frame->setStatusText("");
        f.frame->runCommand(kCmdSave);
        QVERIFY(f.frame->statusText().isEmpty());
        QVERIFY(saved.LoadFromDisk(path));
        QCOMPARE(saved.loops[9][kLoopParam7], 30);
        QCOMPARE(f.grid()->editingRow(), row);
        QCOMPARE(f.grid()->edit()->text(), QString("12A"));
        QCOMPARE(f.prompter.calls.size(), std::size_t{1});
        QCOMPARE(f.prompter.calls[0].text, std::string(kGridErrorText));
    }

    void switchingTreesWritesThePendingValueBack() {
        Frame f;
        f.frame->runCommand(kCmdTwoBases);
        f.click(0, 0x80 + 9, -30);
        f.typeInto(kCountdown, "30");
        f.click(1, 0x80 + 9, -30);
        QVERIFY(f.frame->shell().rightActive());
        QCOMPARE(f.db(0).loops[9][kLoopParam7], 30);
        QCOMPARE(f.db(0).modified, 1);
        // A refused value keeps the left tree active.
        f.click(0, 0x80 + 9, -30);
        f.typeInto(kCountdown, "3x");
        f.click(1, 0x80 + 9, -30);
        QVERIFY(!f.frame->shell().rightActive());
        QCOMPARE(f.grid()->model().database(), &f.db(0));
    }

    void anotherDatabaseBringsAnEmptyUndoListAndBuffer() {
        Frame f;
        const std::string path = f.path("empty.bta");
        f.dialogs.answers = {path};
        f.frame->runCommand(kCmdSaveAs);
        // An added device (undoable) in the buffer.
        f.click(0, -3, 0);
        QVERIFY(f.tree(0)->runCommand(1151));
        f.click(0, 0, -3);
        f.frame->runCommand(kCmdCopy);
        QVERIFY(f.enabled(kCmdUndo));
        QVERIFY(!f.buffer().empty());
        // Opening the file again, without saving.
        f.prompter.answers = {PromptAnswer::No};
        f.dialogs.answers = {path};
        f.frame->runCommand(kCmdOpen);
        QVERIFY(!f.db(0).IsDeviceInUse(0));
        QVERIFY(!f.enabled(kCmdUndo));
        QVERIFY(f.buffer().empty());
        QVERIFY(!f.enabled(kCmdPaste));
        f.frame->runCommand(kCmdUndo);
        f.frame->runCommand(kCmdPaste);
        QCOMPARE(f.db(0).modified, 0);
        QVERIFY(!f.db(0).IsDeviceInUse(0));
    }

    void closingAndTheFamilySwitchOfferBothDatabases() {
        Frame f(true);
        f.frame->runCommand(kCmdTwoBases);
        f.frame->runCommand(kCmdTwoBases);  // off again
        QVERIFY(!f.frame->rightTree()->isVisible());
        f.db(0).modified = 1;
        f.db(1).modified = 1;
        for (int command : {0, int{kCmdFamilyR7}}) {
            f.prompter.calls.clear();
            f.prompter.answers = {PromptAnswer::No, PromptAnswer::Cancel};
            if (command == 0) {
                QVERIFY(!f.frame->close());
            } else {
                f.frame->runCommand(command);
                QCOMPARE(f.frame->shell().family(), Family::K2);
            }
            QCOMPARE(f.prompter.calls.size(), std::size_t{2});
            QCOMPARE(f.prompter.calls[0].title, std::string("Левая"));
            QCOMPARE(f.prompter.calls[1].title, std::string("Правая"));
            QCOMPARE(f.prompter.calls[1].text,
                     std::string("База данных изменена.\n(Новая)\nСохранить?"));
        }
    }

    void theBufferIsEmptiedWithTheSecondTreeAndByARead() {
        Frame f(true);
        const int dip = f.db(1).CreateElement(kTypeDip, -1);
        f.db(1).modified = 0;
        f.frame->runCommand(kCmdTwoBases);
        f.frame->databaseChanged(1);
        f.click(1, dip, -3);
        f.frame->runCommand(kCmdCopy);
        QVERIFY(!f.buffer().empty());
        f.frame->runCommand(kCmdTwoBases);  // off: nothing may come from the hidden one
        QVERIFY(f.buffer().empty());
        QVERIFY(!f.enabled(kCmdPaste));

        const int own = f.db(0).CreateElement(kTypeDip, -1);
        f.db(0).modified = 0;
        f.frame->databaseChanged(0);
        f.click(0, own, -3);
        f.frame->runCommand(kCmdCopy);
        QVERIFY(!f.buffer().empty());
        f.script.readCode = 4;  // even a failed read empties it
        f.frame->runCommand(kCmdReadDatabase);
        QVERIFY(f.buffer().empty());
    }

    void theFilterToolbarAgreesWithTheTree() {
        Frame f;
        QAction* devices = f.frame->action(kCmdFilterDevices);
        devices->trigger();
        QVERIFY(!f.tree(0)->indexOfCode(-3).isValid());
        QVERIFY(devices->isChecked());
        QCOMPARE(devices->toolTip(), QString::fromUtf8("Показать устройства"));
        // Undoing the toggle shows the group, and the button follows.
        f.frame->runCommand(kCmdUndo);
        QVERIFY(f.tree(0)->indexOfCode(-3).isValid());
        QVERIFY(!devices->isChecked());
        QCOMPARE(devices->toolTip(), QString::fromUtf8("Скрыть устройства"));
        // An abandoned family switch leaves groups and buttons as they were.
        QAction* keys = f.frame->action(kCmdFilterKeys);
        keys->trigger();
        f.db(0).modified = 1;
        f.prompter.answers = {PromptAnswer::Cancel};
        f.frame->runCommand(kCmdFamilyR7);
        QCOMPARE(f.frame->shell().family(), Family::K2);
        QVERIFY(!f.tree(0)->indexOfCode(-4).isValid());
        QVERIFY(keys->isChecked());
        QCOMPARE(keys->toolTip(), QString::fromUtf8("Показать ключи"));
        // A switch that goes through shows every group again.
        f.prompter.answers = {PromptAnswer::No};
        f.frame->runCommand(kCmdFamilyR7);
        f.prompter.answers = {};
        f.frame->runCommand(kCmdFamilyK2);
        QVERIFY(f.tree(0)->indexOfCode(-4).isValid());
        QVERIFY(!keys->isChecked());
        QCOMPARE(keys->toolTip(), QString::fromUtf8("Скрыть ключи"));
    }

    // Branches opened in one "Ордис Р7" file are not opened in the next one
    // just because an object sits at the same record there.
    void anotherDatabaseStartsWithItsBranchesClosed() {
        Frame f;
        f.frame->runCommand(kCmdFamilyR7);
        auto& r7 = *dynamic_cast<DBR7*>(f.frame->shell().document().database(0));
        const int object = r7.CreateElement(r7::kTypeObject, 0);
        r7.CreateElement(r7::kTypeKey, object);
        const std::string path = f.path("b.bor");
        QVERIFY(r7.SaveToDisk(path));
        f.frame->databaseChanged(0);
        gui::CTree* view = f.tree(0);
        view->expand(view->indexOfCode(object, 0));
        QVERIFY(view->isExpanded(view->indexOfCode(object, 0)));
        QVERIFY(f.frame->shell().openPath(path));
        QVERIFY(!view->isExpanded(view->indexOfCode(object, 0)));
    }

    void theRootIsNotDeviceZero() {
        Frame f;
        const int d = f.db(0).CreateElement(kTypeDip, -1);
        QCOMPARE(d, 0);
        f.frame->databaseChanged(0);
        f.click(0, 0, -3);
        // An edit of device 0, then a click on the root " Талвир К2".
        f.openRow("Условие срабатывания");
        QVERIFY(f.grid()->combo()->isVisible());
        f.grid()->combo()->setCurrentIndex(1);
        QTest::keyClick(f.grid()->combo(), Qt::Key_Return);
        f.click(0, 0, kNoItem);
        TreeEditor& e = f.tree(0)->editor();
        QCOMPARE(e.parentOf(e.current()), kNoNode);
        QVERIFY(f.grid()->model().findRow("Версия ПО прибора") >= 0);
        for (const MenuItem& m : e.contextMenu(e.current()))
            QVERIFY(m.label != "Удалить устройство");
        QCOMPARE(e.parentOf(e.current()), kNoNode);
        // Undo of the edit selects device 0 again, not the root.
        f.frame->runCommand(kCmdUndo);
        QCOMPARE(e.codeOf(e.parentOf(e.current())), ItemCode{-3});
    }

    void openingAndShowingNeverMarkTheDatabaseModified() {
        Frame f;
        // A file with a key without its number and a device whose trigger
        // condition no list entry carries.
        const std::string path = f.path("odd.bta");
        {
            DBK2 odd{0, f.ctx};
            const int d = odd.CreateElement(kTypeDip, -1);
            odd.devices[static_cast<std::size_t>(d)][kDevTypeCond] = 0x50 | kTypeDip;
            odd.devices[static_cast<std::size_t>(d)][kDevLoop] = 32;
            const int k = odd.CreateKey();
            odd.keys[static_cast<std::size_t>(k)][kKeyOrdinal] = 0xFF;
            QVERIFY(odd.SaveToDisk(path));
        }
        f.dialogs.answers = {path};
        f.frame->runCommand(kCmdOpen);
        QCOMPARE(f.db(0).filePath, path);
        f.click(0, 0, -3);
        f.click(0, 0x100, -6);
        f.click(0, 0x80 + 32, -31);
        f.click(0, 0, kNoItem);
        QCOMPARE(f.db(0).modified, 0);
        f.prompter.calls.clear();
        QVERIFY(f.frame->close());
        QVERIFY(f.prompter.calls.empty());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestEditorSafety t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_editor_safety.moc"
