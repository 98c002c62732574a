// The recovery copy through the main window: an edit made with the widgets
// is copied at once, saving or closing without saving removes the copy, and
// a copy left by a run that ended without removing it is offered at the next
// start ("Да" restores it, switching the family; "Нет" keeps it; "Отмена"
// removes it).
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include "app/application.h"
#include "app/commands.h"
#include "app/main_frame.h"
#include "base/file_io.h"
#include "editor/editor_dialogs.h"
#include "families/k2/dbk2.h"
#include "families/r7/element_types.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;
namespace fs = std::filesystem;

namespace {

std::vector<std::string> namesIn(const fs::path& folder) {
    std::vector<std::string> names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

// A run that copies its edited database and ends without removing the copy,
// as a crash ends it. Returns its process id.
pid_t crashedRun(const fs::path& programFolder, Family family) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        AppContext ctx = makeAppContext(programFolder);
        auto db = CreateDatabase(family, 0, ctx);
        db->ResetDatabase();
        db->databaseValid = true;
        if (family == Family::K2) db->CreateElement(k2::kTypeDip, -1);
        if (family == Family::R7) db->CreateElement(r7::kTypeObject, 0);
        db->filePath = pathToUtf8(programFolder / "Склад.base");
        db->modified = 1;
        RecoveryStore(RecoveryStore::folderFor(ctx)).update(*db, RecoveryStore::now());
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return pid;
}

}  // namespace

class TestRecovery : public QObject {
    Q_OBJECT
  private slots:
    void anEditIsCopiedAndSavingOrClosingRemovesTheCopy() {
        for (const bool save : {true, false}) {
            test::TempDir dir;
            test::RecordingPrompter prompter;
            AppContext ctx = makeAppContext(dir.path());
            ctx.prompter = &prompter;
            const fs::path folder = RecoveryStore::folderFor(ctx);
            gui::CMainFrame frame(ctx);
            frame.resize(1000, 700);
            frame.show();
            QVERIFY(namesIn(folder).empty());

            gui::CTree* tree = frame.leftTree();
            const QModelIndex devices = tree->indexOfCode(-3, 0);
            QVERIFY(devices.isValid());
            QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                              tree->visualRect(devices).center());
            frame.runCommand(kCmdAddElement);
            auto* dlg = frame.findChild<gui::CDlgNewElement*>();
            QVERIFY(dlg && dlg->isVisible());
            QTest::mouseClick(dlg->addButton(), Qt::LeftButton);
            dlg->close();
            QVERIFY(frame.database()->modified != 0);
            const std::string own = std::to_string(::getpid()) + "-0";
            QCOMPARE(namesIn(folder), (std::vector<std::string>{own + ".bta", own + ".info"}));

            if (save) {
                frame.database()->filePath = pathToUtf8(dir / "saved.bta");
                frame.runCommand(kCmdSave);
                QCOMPARE(frame.database()->modified, 0);
            } else {
                prompter.answers = {PromptAnswer::No};  // "Сохранить изменения?" no
                QVERIFY(frame.close());
            }
            QVERIFY(namesIn(folder).empty());
        }
    }

    void aCopyLeftBehindIsOfferedAtTheNextStart() {
        struct Case {
            const char* name;
            Family family;
            PromptAnswer answer;
            bool restored, kept;
        } cases[] = {
            {"yes", Family::K2, PromptAnswer::Yes, true, false},
            {"yes, another family", Family::R7, PromptAnswer::Yes, true, false},
            {"no", Family::K2, PromptAnswer::No, false, true},
            {"cancel", Family::K2, PromptAnswer::Cancel, false, false},
        };
        for (const Case& c : cases) {
            test::TempDir dir;
            const pid_t crashed = crashedRun(dir.path(), c.family);
            const fs::path folder = dir / RecoveryStore::kFolderName;
            const std::string left = std::to_string(crashed) + "-0";
            QCOMPARE(namesIn(folder).size(), std::size_t{2});

            test::RecordingPrompter prompter;
            prompter.answers = {c.answer};
            {
                gui::CKvitorApp app(dir.path(), &prompter);
                QVERIFY(app.InitInstance({}));
                QVERIFY2(!prompter.calls.empty(), c.name);
                const test::PromptCall& asked = prompter.calls.front();
                QCOMPARE(asked.title, std::string("Восстановление базы"));
                QVERIFY(asked.text.rfind("Восстановить несохранённую базу?", 0) == 0);
                QVERIFY(asked.text.find("Склад.base") != std::string::npos);
                QCOMPARE(asked.buttons, PromptButtons::YesNoCancel);

                DBase* db = app.frame()->database();
                QCOMPARE(db->family(), c.restored ? c.family : Family::K2);
                QCOMPARE(db->filePath == pathToUtf8(dir / "Склад.base"), c.restored);
                QCOMPARE(app.frame()->isWindowModified(), c.restored);
                bool leftFound = false, ownFound = false;
                for (const std::string& name : namesIn(folder)) {
                    leftFound = leftFound || name.rfind(left + ".", 0) == 0;
                    ownFound = ownFound || name.rfind(std::to_string(::getpid()) + "-", 0) == 0;
                }
                QCOMPARE(leftFound, c.kept);
                QCOMPARE(ownFound, c.restored);  // this run keeps its own copy now
                if (c.restored && c.family == Family::K2) {
                    QCOMPARE(app.frame()->leftTree()->indexOfCode(-3).data().toString(),
                             QString::fromUtf8("Устройства (1)"));
                }
                if (c.restored) {
                    prompter.answers = {PromptAnswer::No};
                    QVERIFY(app.frame()->close());
                }
            }
            // The next start asks again only about a copy that was kept.
            test::RecordingPrompter again;
            again.answers = {PromptAnswer::No};
            gui::CKvitorApp next(dir.path(), &again);
            QVERIFY(next.InitInstance({}));
            QCOMPARE(again.calls.size(), std::size_t{c.kept ? 1u : 0u});
        }
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    TestRecovery t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_recovery.moc"
