// The trees and the grid inside the main window: the Edit menu's commands
// and labels, the filter buttons, the new-element and buffer windows, and
// a copy from the first database into the second of "Две базы".
#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "editor/c_grid.h"
#include "editor/editor_dialogs.h"
#include "editor/editor_views.h"
#include "families/k2/dbk2.h"
#include "gui/gui_helpers.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
using namespace tavrin::k2;

namespace {

struct Frame {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<gui::CMainFrame> frame;

    Frame() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        frame = std::make_unique<gui::CMainFrame>(ctx);
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
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestTreeFrame t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_tree_frame.moc"
