// The "Версан С5" console commands through the main window with the
// built-in simulation: the comparison window and its jump to the tree, the
// archive window opening an archive in the journal window, the program
// target dialog, clearing events, and the menus that carry them.
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <QLabel>
#include "app/commands.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "journal/journal_window.h"
#include "link/idle_port.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"

#include "service/compare_window.h"
#include "service/console_windows.h"
#include "service/service_windows.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

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

// The simulation's pace passes at once.
class QuickClock : public SystemClock {
  public:
    void sleepMs(unsigned) override {}
};

QString u(const char* text) {
    return QString::fromUtf8(text);
}

struct ConsoleFrame {
    ConsoleFrame() : ctx(makeAppContext(dir.path())) {
        ctx.prompter = &prompter;
        ctx.clock = &clock;
        ctx.ports = &ports;
        test::writeIni(dir / "Tavrin.ini", "[Версан_С5]\r\nCOM=COM1\r\nИмитация=да\r\n");
        frame = std::make_unique<gui::CMainFrame>(ctx, [](Family f, int role, const AppContext& c) {
            return CreateDatabase(f, role, c);
        });
        frame->setFileDialogs(&dialogs);
        frame->runCommand(kCmdFamilyS5);
        db = dynamic_cast<DBS5*>(frame->database());
    }

    test::TempDir dir;
    test::RecordingPrompter prompter;
    QuickClock clock;
    IdlePortFactory ports;
    NoDialogs dialogs;
    AppContext ctx;
    std::unique_ptr<gui::CMainFrame> frame;
    DBS5* db = nullptr;
};

}  // namespace

class TestConsoleWindows : public QObject {
    Q_OBJECT
  private slots:
    void comparisonWindowNamesEveryPartCompared() {
        ConsoleFrame f;
        QVERIFY(f.db);
        QVERIFY(f.db->simulation);
        const int l = f.db->AddLcp();
        f.db->CreateElement(17, l);
        f.db->NewObject(l);
        f.db->lcp(l)->objects[0][s5::obj::kFlags] = s5::obj::kFlagMain;
        f.frame->runCommand(kCmdCompare);
        QCOMPARE(f.frame->statusText(), u("Команда выполнена"));
        gui::CompareWindow* window = f.frame->services()->differencesWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->windowTitle(), u("Сличение баз"));
        // Every part agrees: no rows of differences, the parts compared named.
        QCOMPARE(window->countLabel()->text(), u("Нет различий"));
        QVERIFY(window->entries().empty());
        QVERIFY(window->noteLabel()->isVisible());
        const QString note = window->noteLabel()->text();
        for (const char* part : {"Пульт / Ключи пульта", "LCP 1 / АУ", "LCP 1 / Объекты"})
            QVERIFY2(note.contains(u(part)), part);
        QVERIFY(f.prompter.calls.empty());
    }

    void archiveWindowOpensAnArchiveAsAJournal() {
        ConsoleFrame f;
        f.frame->runCommand(kCmdReadArchiveList);
        gui::DLArchive* window = f.frame->services()->archiveWindow();
        QVERIFY(window && window->isVisible());
        QCOMPARE(window->list()->count(), 1);
        QCOMPARE(window->list()->item(0)->text(), u("ARC00001.DAT"));
        window->openButton()->click();
        gui::DLJournal* journal = f.frame->services()->journalWindow();
        QVERIFY(journal && journal->isVisible());
        QVERIFY(QFile::exists(QString::fromStdString((f.dir / "ARC00001.vsj").string())));
        QVERIFY(f.prompter.calls.empty());
        // "Архив" from the menu opens the window with the list already read.
        delete window;
        f.frame->runCommand(kCmdArchive);
        QCOMPARE(f.frame->services()->archiveWindow()->list()->count(), 1);
    }

    void programFromTheSdCardAndClearingEvents() {
        ConsoleFrame f;
        f.db->AddLcp();
        test::onModal<gui::DLProgramTarget>([](gui::DLProgramTarget* dialog) {
            QCOMPARE(dialog->targetBox()->count(), 2);  // the console and LCP 1
            QCOMPARE(dialog->targetBox()->itemText(1), u("LCP 1"));
            dialog->nameEdit()->setText("SOFT.BIN");
            dialog->targetBox()->setCurrentIndex(1);
            QCOMPARE(dialog->choice().target, 1);
            dialog->accept();
        });
        f.frame->runCommand(kCmdUpdateFromSd);
        QCOMPARE(f.frame->statusText(), u("Команда выполнена"));
        f.frame->setStatusText("");
        f.frame->runCommand(kCmdS5Extra1 + 1);
        QCOMPARE(f.frame->statusText(), u("Команда выполнена"));
        QVERIFY(f.prompter.calls.empty());
    }

    void menusCarryTheConsoleCommands() {
        const auto menus = buildMenuBar(Family::S5);
        for (int id : {kCmdReadAll, kCmdReadConsoleKeys, kCmdReadLcp, kCmdWriteAll,
                       kCmdWriteConsoleKeys, kCmdWriteLcp, kCmdCompare, kCmdReadArchiveList,
                       kCmdArchive, kCmdUpdateFromSd, kCmdS5Extra1, kCmdS5Extra5})
            QVERIFY2(findMenuItem(menus, id), std::to_string(id).c_str());
        QCOMPARE(QString::fromStdString(findMenuItem(menus, kCmdS5Extra5)->text), u("Все типы"));
        QVERIFY(!findMenuItem(buildMenuBar(Family::K2), kCmdS5Extra1));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestConsoleWindows t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_console_windows.moc"
