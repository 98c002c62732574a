// The main window: menus per family, the family switch, recent files, the
// filter toolbar, two databases, the settings sheet, the port dialog and the
// About box.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QScreen>
#include <QTabWidget>
#include <QToolBar>
#include <QTreeWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "editor/c_grid.h"
#include "editor/editor_views.h"
#include "editor/g_edit.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "support/fake_database.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

// File dialogs answered from a queue.
class QueuedDialogs : public gui::FileDialogs {
  public:
    std::optional<std::string> openFile(QWidget*, const std::string& title,
                                        const std::vector<FileFilter>&) override {
        titles.push_back(title);
        return next();
    }
    std::optional<std::string> saveFile(QWidget*, const std::string& title,
                                        const std::vector<FileFilter>&,
                                        const std::string&) override {
        titles.push_back(title);
        return next();
    }
    std::optional<std::string> folder(QWidget*, const std::string& title) override {
        titles.push_back(title);
        return next();
    }
    std::optional<std::string> next() {
        if (answers.empty()) return std::nullopt;
        auto a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    std::vector<std::optional<std::string>> answers;
    std::vector<std::string> titles;
};

// A menu text as shown, without its mnemonic marks.
QString plain(QString text) {
    return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
        .remove(QLatin1Char('&'))
        .replace(QStringLiteral("\x01"), QStringLiteral("&"));
}

// Every command id reachable from the menu bar.
QSet<int> menuCommands(QMenuBar* bar) {
    QSet<int> ids;
    std::function<void(const QList<QAction*>&)> walk = [&](const QList<QAction*>& actions) {
        for (QAction* a : actions) {
            if (a->menu())
                walk(a->menu()->actions());
            else if (a->data().isValid() && a->isVisible())
                ids.insert(a->data().toInt());
        }
    };
    walk(bar->actions());
    return ids;
}

struct Fixture {
    explicit Fixture(const std::string& ini = "") : ctx(makeAppContext(dir.path())) {
        if (!ini.empty()) test::writeIni(ctx.settingsPath, ini);
        ctx.prompter = &prompter;
        frame = std::make_unique<gui::CMainFrame>(ctx, test::fakeFactory(script));
        frame->setFileDialogs(&dialogs);
        frame->setWaitFactor(0);
    }
    std::string file(const std::string& name) {
        const auto p = dir / name;
        writeFileAtomic(p, Bytes{'d', 'b'});
        return pathToUtf8(p);
    }
    test::TempDir dir;
    test::RecordingPrompter prompter;
    test::DeviceScript script;
    QueuedDialogs dialogs;
    AppContext ctx;
    std::unique_ptr<gui::CMainFrame> frame;
};

}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
  private slots:
    void menusOfEachFamily() {
        Fixture k2;
        const QSet<int> k2Ids = menuCommands(k2.frame->menuBar());
        for (int id : {kCmdReadActiveEvents, kCmdActiveEvents, kCmdReadDustiness, kCmdTwoBases,
                       kCmdReadDatabase, kCmdWriteDatabase, kCmdFamilyK2, kCmdFamilyR7}) {
            QVERIFY2(k2Ids.contains(id), qPrintable(QString::number(id)));
        }
        for (int id : {kCmdReadTime, kCmdFirmware, kCmdUpdateFromSd, kCmdArchive}) {
            QVERIFY2(!k2Ids.contains(id), qPrintable(QString::number(id)));
        }
        QVERIFY(k2.frame->action(kCmdTwoBases)->isVisible());

        Fixture r7("[Общее]\r\nПрибор=1\r\n");
        const QSet<int> r7Ids = menuCommands(r7.frame->menuBar());
        QVERIFY(r7Ids.contains(kCmdReadTime));
        QVERIFY(r7Ids.contains(kCmdFirmware));
        QCOMPARE(plain(r7.frame->action(kCmdFirmware)->text()),
                 QString::fromUtf8("Обновить программу прибора"));
        for (int id : {kCmdReadActiveEvents, kCmdReadDustiness, kCmdDustiness, kCmdTwoBases}) {
            QVERIFY2(!r7Ids.contains(id), qPrintable(QString::number(id)));
        }
        QVERIFY(!r7.frame->action(kCmdTwoBases)->isVisible());
        // "Параметры" and "Линии" are the tabs shown; the other check-list tabs stay hidden.
        QTabWidget* tabs = r7.frame->gridTabs();
        QStringList shown;
        for (int i = 0; i < tabs->count(); ++i) {
            if (tabs->isTabVisible(i)) shown << tabs->tabText(i);
        }
        QCOMPARE(shown, QStringList({QString::fromUtf8("Параметры"), QString::fromUtf8("Линии")}));
        QCOMPARE(r7.frame->gridEditor()->maxLength(), 20);
        QCOMPARE(k2.frame->gridEditor()->maxLength(), 16);
    }

    void familySwitch() {
        Fixture f("[Общее]\r\nЗапрашивать_сохр_базы=0\r\n");
        DBase* before = f.frame->database();
        f.frame->action(kCmdFamilyK2)->trigger();  // already selected: nothing changes
        QCOMPARE(f.frame->database(), before);
        QVERIFY(f.frame->action(kCmdFamilyK2)->isChecked());

        // A modified database with a file is saved without a question.
        const std::string path = f.file("a.bta");
        QVERIFY(f.frame->shell().openPath(path));
        f.frame->database()->modified = 3;
        f.frame->action(kCmdFamilyR7)->trigger();
        QVERIFY(f.prompter.calls.empty());
        QCOMPARE(f.frame->shell().family(), Family::R7);
        QVERIFY(f.frame->action(kCmdFamilyR7)->isChecked());
        QVERIFY(!f.frame->action(kCmdFamilyK2)->isChecked());
        QCOMPARE(f.frame->windowTitle().remove(QStringLiteral("[*]")),
                 QString::fromUtf8("Конфигуратор Ордис Р7"));
        QVERIFY(menuCommands(f.frame->menuBar()).contains(kCmdReadTime));
        QCOMPARE(readProfileInt(f.ctx.settingsPath, "Общее", "Прибор", 0), 1);

        // A modified database without a file opens the save dialog; cancelling
        // it abandons the switch.
        f.frame->database()->modified = 1;
        f.frame->action(kCmdFamilyK2)->trigger();
        QCOMPARE(f.dialogs.titles.back(), std::string("Сохранение базы"));
        QCOMPARE(f.frame->shell().family(), Family::R7);
        QVERIFY(f.frame->action(kCmdFamilyR7)->isChecked());
        QVERIFY(!f.frame->action(kCmdFamilyK2)->isChecked());
    }

    void recentFilesInTheMenu() {
        Fixture f;
        std::vector<std::string> paths;
        for (int i = 1; i <= 11; ++i) {
            paths.push_back(f.file("f" + std::to_string(i) + ".bta"));
            f.dialogs.answers = {paths.back()};
            f.frame->action(kCmdOpen)->trigger();
        }
        auto entry = [&](int i) { return f.frame->action(kCmdRecent1 + i); };
        // The text is "N.  path" (shortened in the middle when long), the
        // tooltip the whole path.
        auto shows = [&](int i, int n, const std::string& path) {
            const QString full = QString::fromStdString(path);
            return entry(i)->toolTip() == full &&
                   plain(entry(i)->text()) ==
                       QString::number(n) + QStringLiteral(".  ") + gui::elidePath(full, 64);
        };
        QVERIFY(shows(0, 1, paths[10]));
        QVERIFY(shows(9, 10, paths[1]));
        const QSet<int> ids = menuCommands(f.frame->menuBar());
        QVERIFY(ids.contains(kCmdRecent10));

        entry(4)->trigger();  // paths[6] moves to the top without a duplicate
        QVERIFY(shows(0, 1, paths[6]));
        QVERIFY(shows(1, 2, paths[10]));
        QVERIFY(shows(9, 10, paths[1]));
        QCOMPARE(f.frame->database()->filePath, paths[6]);

        // The toolbar's "last database" opens entry 1.
        f.frame->shell().execute(kCmdNew);
        f.frame->action(kCmdOpenLast)->trigger();
        QCOMPARE(f.frame->database()->filePath, paths[6]);
    }

    void filterToolbarTooltips() {
        Fixture f;
        QAction* keys = f.frame->action(kCmdFilterKeys);
        QCOMPARE(keys->toolTip(), QString::fromUtf8("Скрыть ключи"));
        int hiddenSignal = -1;
        connect(f.frame.get(), &gui::CMainFrame::treeFilterChanged, this,
                [&](int, bool hidden) { hiddenSignal = hidden; });
        keys->trigger();
        QCOMPARE(keys->toolTip(), QString::fromUtf8("Показать ключи"));
        QCOMPARE(hiddenSignal, 1);
        keys->trigger();
        QCOMPARE(keys->toolTip(), QString::fromUtf8("Скрыть ключи"));
        QCOMPARE(f.frame->filterToolBar()->actions().size(), 6);
        QVERIFY(!Fixture().frame->filterToolBar()->isHidden());

        // Only a family whose tree has these groups shows the buttons.
        f.frame->shell().settings().askSaveDatabase = false;
        for (auto [command, shown] :
             {std::pair{kCmdFamilyR7, false}, std::pair{kCmdFamilyS5, false},
              std::pair{kCmdFamilyK2, true}}) {
            f.frame->runCommand(command);
            QCOMPARE(!f.frame->filterToolBar()->isHidden(), shown);
        }
    }

    void twoDatabases() {
        Fixture f;
        f.frame->show();
        QVERIFY(!f.frame->rightTree()->isVisible());
        f.frame->action(kCmdTwoBases)->trigger();
        QVERIFY(f.frame->action(kCmdTwoBases)->isChecked());
        QVERIFY(f.frame->rightTree()->isVisible());
        f.frame->shell().setRightActive(true);
        QCOMPARE(f.frame->shell().database(), f.frame->shell().document().second());
        // Each tree's header names its file; the active one is marked.
        auto header = [&](gui::CTree* t) {
            return t->isHeaderHidden() ? QString()
                                       : t->model()->headerData(0, Qt::Horizontal).toString();
        };
        f.dialogs.answers = {f.file("right.bta")};
        f.frame->runCommand(kCmdOpen);
        f.frame->views()->setActive(1);
        QCOMPARE(header(f.frame->rightTree()), QString::fromUtf8("\u25B6 right.bta"));
        QCOMPARE(header(f.frame->leftTree()), QString::fromUtf8("(без файла)"));
        f.frame->views()->setActive(0);
        QVERIFY(header(f.frame->leftTree()).startsWith(QString::fromUtf8("\u25B6 ")));
        QCOMPARE(header(f.frame->rightTree()), QStringLiteral("right.bta"));
        f.frame->action(kCmdTwoBases)->trigger();
        QVERIFY(f.frame->leftTree()->isHeaderHidden());
        QVERIFY(!f.frame->rightTree()->isVisible());
        QCOMPARE(f.frame->shell().database(), f.frame->shell().document().main());
    }

    void refusalsAreErrorBoxes() {
        Fixture f("[Общее]\r\nПрибор=1\r\n");
        f.frame->runCommand(kCmdExportCsv);
        QCOMPARE(f.prompter.calls.back().text, std::string("Функция не реализована"));
        QCOMPARE(f.prompter.calls.back().title, std::string("Вывод базы"));
        QCOMPARE(f.prompter.calls.back().icon, PromptIcon::Error);
    }

    void settingsSheetChangesThePassword() {
        Fixture f;
        test::onModal<gui::CDlgParam>([](gui::CDlgParam* d) {
            QCOMPARE(d->windowTitle(), QString::fromUtf8("Настройка параметров"));
            QCOMPARE(d->tabs->tabText(0), QString::fromUtf8("Прочие"));
            QCOMPARE(d->tabs->tabText(1), QString::fromUtf8("Доступ"));
            d->askDatabaseBox->setChecked(false);
            d->extendedComBox->setChecked(true);
            d->tabs->setCurrentIndex(1);
            d->newPassword->setText("pw");
            d->confirmPassword->setText("pw");
            d->accept();
        });
        f.frame->runCommand(kCmdProgramSettings);
        GeneralSettings s;
        IniFile ini;
        ini.load(f.ctx.settingsPath);
        s.load(ini);
        QVERIFY(!s.askSaveDatabase);
        QVERIFY(s.extendedPortParameters);
        QVERIFY(s.passwordOn);
        QVERIFY(s.password == u"pw");
        QCOMPARE(ini.value("Общее", "Парам").value_or(""), std::string("px"));  // 'w' + 1

        // A wrong current password changes nothing and says so.
        test::onModal<gui::CDlgParam>([](gui::CDlgParam* d) {
            d->tabs->setCurrentIndex(1);
            d->currentPassword->setText("nope");
            d->accept();
        });
        f.frame->runCommand(kCmdProgramSettings);
        QCOMPARE(f.prompter.calls.back().text, std::string("Старый пароль не подтвержден!"));
        QVERIFY(f.frame->shell().settings().password == u"pw");
    }

    void portDialog() {
        for (bool extended : {false, true}) {
            Fixture f(extended ? "[Общее]\r\nПараметры_СОМ=1\r\n[Талвир_К2]\r\nCOM=COM7\r\n"
                               : "[Талвир_К2]\r\nCOM=COM7\r\n");
            test::onModal<gui::CPageCom>([extended](gui::CPageCom* d) {
                QCOMPARE(d->windowTitle(), QString::fromUtf8("COM порт"));
                QCOMPARE(d->portLabel->text(), QString("COM7"));
                QCOMPARE(d->speedGroup->isVisible(), extended);
                QCOMPARE(d->stopGroup->isVisible(), extended);
                QCOMPARE(d->parityGroup->isVisible(), extended);
                d->upButton->click();
                d->upButton->click();
                d->downButton->click();
                QCOMPARE(d->portLabel->text(), QString("COM8"));
                if (extended) {
                    d->speedButtons[2]->setChecked(true);  // 19200
                    d->parityButtons[2]->setChecked(true);
                }
                d->accept();
            });
            f.frame->runCommand(kCmdPortSettings);
            QCOMPARE(readProfileString(f.ctx.settingsPath, "Талвир_К2", "COM", "", 20),
                     std::string("COM8"));
            QCOMPARE(readProfileInt(f.ctx.settingsPath, "Талвир_К2", "Скорость", 0),
                     extended ? 19200 : 128000);
        }
    }

    void portNumberStaysInRange() {
        test::TempDir dir;
        AppContext ctx = makeAppContext(dir.path());
        DBK2 db(0, ctx);
        db.portName = "COM1";
        gui::CPageCom d(db, false, {});
        d.downButton->click();
        QCOMPARE(d.portLabel->text(), QString("COM1"));
        db.portName = "COM100";
        gui::CPageCom d2(db, false, {});
        d2.upButton->click();
        QCOMPARE(d2.portLabel->text(), QString("COM100"));
        db.portName = "/dev/pts/5";
        gui::CPageCom d3(db, false, {"/dev/ttyUSB0"});
        // A device path set is shown as it is, not as a COM number.
        QCOMPARE(d3.portLabel->text(), QStringLiteral("/dev/pts/5"));
        DBK2 out(0, ctx);
        d3.applyTo(out);
        QCOMPARE(out.portName, std::string("/dev/pts/5"));
    }

    void aboutBoxShowsTheThirdFamily() {
        gui::CAboutDlg about;
        about.show();
        auto* third = about.findChild<QLabel*>("control1099");
        QVERIFY(third);
        QVERIFY(third->isVisible());
        QCOMPARE(third->text(), QString::fromUtf8("Версан С5,         отладка"));
        bool version = false;
        for (QLabel* l : about.findChildren<QLabel*>())
            version |= l->text().contains("1.084");
        QVERIFY(version);
    }

    void realFamilyFileRoundTripAndDrop() {
        // The real "Талвир К2" database: save as, create, open again, export.
        test::TempDir dir;
        test::RecordingPrompter prompter;
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        gui::CMainFrame frame(ctx);
        QueuedDialogs dialogs;
        frame.setFileDialogs(&dialogs);
        const std::string path = pathToUtf8(dir / "real.bta");
        dialogs.answers = {path};
        frame.runCommand(kCmdSaveAs);
        QVERIFY(std::filesystem::exists(dir / "real.bta"));
        QCOMPARE(frame.statusText(), QString::fromUtf8("База сохранена"));
        frame.runCommand(kCmdNew);
        QVERIFY(frame.database()->filePath.empty());
        dialogs.answers = {path};
        frame.runCommand(kCmdOpen);
        QCOMPARE(frame.database()->filePath, path);
        QVERIFY(frame.database()->databaseValid);
        QCOMPARE(frame.windowTitle().remove(QStringLiteral("[*]")),
                 QString::fromUtf8("Конфигуратор Талвир К2 - ") + QString::fromStdString(path));

        dialogs.answers = {pathToUtf8(dir / "out.csv")};
        frame.runCommand(kCmdExportCsv);
        QVERIFY(std::filesystem::exists(dir / "out.csv"));

        // A file dropped on the window is opened.
        frame.runCommand(kCmdNew);
        QVERIFY(frame.openDropped({QUrl::fromLocalFile(QString::fromStdString(path))}));
        QCOMPARE(frame.database()->filePath, path);
        for (const auto& c : prompter.calls)
            qWarning("%s", c.text.c_str());
        QVERIFY(prompter.calls.empty());
    }

    void savingOverAnotherDatabasesFolderAsksFirst() {
        // "Сохранить как" of a "Версан С5" database into a folder holding
        // another database with more LCPs: the question names the folder and
        // the files; "Нет" writes nothing, "Да" leaves exactly this database.
        test::TempDir dir;
        test::RecordingPrompter prompter;
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        const std::string other = pathToUtf8(dir / "other");
        {
            DBS5 db(0, ctx);
            for (int l = 1; l <= 2; ++l) {
                db.AddLcp();
                db.CreateElement(17, l);
            }
            QVERIFY(db.SaveToDisk(other));
        }
        gui::CMainFrame frame(ctx);
        QueuedDialogs dialogs;
        frame.setFileDialogs(&dialogs);
        frame.action(kCmdFamilyS5)->trigger();
        auto* db = dynamic_cast<DBS5*>(frame.database());
        QVERIFY(db);
        db->AddLcp();
        db->CreateElement(17, 1);
        db->modified = 1;
        prompter.calls.clear();

        prompter.answers = {PromptAnswer::No};
        dialogs.answers = {other};
        frame.runCommand(kCmdSaveAs);
        QCOMPARE(prompter.calls.size(), std::size_t{1});
        QCOMPARE(prompter.calls[0].buttons, PromptButtons::YesNoDefaultNo);
        QVERIFY(prompter.calls[0].text.find(other) != std::string::npos);
        QVERIFY(prompter.calls[0].text.find("DBAU.002") != std::string::npos);
        QCOMPARE(frame.statusText(), QString::fromUtf8("Сохранение отменено"));
        QVERIFY(std::filesystem::exists(dir / "other" / "DBAU.002"));
        QVERIFY(db->modified != 0);

        prompter.answers = {PromptAnswer::Yes};
        dialogs.answers = {other};
        frame.runCommand(kCmdSaveAs);
        QCOMPARE(frame.statusText(), QString::fromUtf8("База сохранена"));
        QVERIFY(!std::filesystem::exists(dir / "other" / "DBAU.002"));
        DBS5 loaded(0, ctx);
        QVERIFY(loaded.LoadFromDisk(other));
        QCOMPARE(loaded.lcpCount(), 1);
    }

    void portSearchFromTheToolbarAndTheDialog() {
        struct Prober : PortProber {
            std::optional<std::vector<std::string>> candidates(std::string&) override {
                return std::vector<std::string>{"COM1", "COM5"};
            }
            bool probe(Family, const std::string& port) override { return port == "COM5"; }
        } prober;
        Fixture f("[Талвир_К2]\r\nCOM=COM2\r\n");
        f.frame->setPortProber(&prober);
        f.prompter.answers = {PromptAnswer::No};
        f.frame->action(kCmdFindDevice)->trigger();
        QCOMPARE(f.prompter.calls.back().text,
                 std::string("Обнаружен прибор на COM5\nВнести в базу?"));
        QCOMPARE(f.frame->database()->portName, std::string("COM2"));
        QCOMPARE(f.frame->statusText(), QString());

        // "Автопоиск" in the port dialog takes the port and shows it.
        test::onModal<gui::CPageCom>([](gui::CPageCom* d) {
            d->searchButton->click();
            QCOMPARE(d->portLabel->text(), QString("COM5"));
            d->reject();
        });
        f.frame->runCommand(kCmdPortSettings);
        QCOMPARE(f.frame->database()->portName, std::string("COM5"));
        QCOMPARE(readProfileString(f.ctx.settingsPath, "Талвир_К2", "COM", "", 20),
                 std::string("COM5"));
    }

    // The keyboard reaches every command and pane: the platform's standard
    // keys on the file commands, distinct underlined letters in each menu,
    // F6 / Ctrl+Tab / Tab between the tree and the grid, an edit made with
    // the keys alone, and the unsaved marker in the title as soon as it lands.
    void keyboardShortcutsPanesAndTheUnsavedMarker() {
        Fixture f;
        struct Key {
            int command;
            QKeySequence::StandardKey key;
        } keys[] = {{kCmdNew, QKeySequence::New},   {kCmdOpen, QKeySequence::Open},
                    {kCmdSave, QKeySequence::Save}, {kCmdPrint, QKeySequence::Print},
                    {kCmdUndo, QKeySequence::Undo}, {kCmdCopy, QKeySequence::Copy}};
        for (const Key& k : keys) {
            QVERIFY2(f.frame->action(k.command)->shortcuts().contains(
                         QKeySequence::keyBindings(k.key).value(0)),
                     qPrintable(QString::number(k.command)));
        }
        QVERIFY(f.frame->action(kCmdSaveAs)->shortcuts().contains(QKeySequence("Ctrl+Shift+S")));
        QVERIFY(f.frame->action(kCmdExit)->shortcuts().contains(QKeySequence("Ctrl+Q")));
        QVERIFY(f.frame->action(kCmdAbout)->shortcuts().contains(QKeySequence(Qt::Key_F1)));
        QVERIFY(!f.frame->action(kCmdSearchDatabase) ||
                f.frame->action(kCmdSearchDatabase)->shortcuts().isEmpty() ||
                f.frame->action(kCmdSearchDatabase)->shortcuts().contains(QKeySequence::Find));
        // Each menu's mnemonics are distinct, and every entry has one.
        std::function<void(const QList<QAction*>&)> check = [&](const QList<QAction*>& actions) {
            QSet<QChar> seen;
            for (QAction* a : actions) {
                if (a->isSeparator() || !a->isVisible()) continue;
                const QString t = a->text();
                const qsizetype at = t.indexOf(QRegularExpression(QStringLiteral("&[^&]")));
                QVERIFY2(at >= 0, qPrintable(t));
                const QChar c = t.at(at + 1).toLower();
                QVERIFY2(!seen.contains(c), qPrintable(t));
                seen.insert(c);
                if (a->menu()) check(a->menu()->actions());
            }
        };
        check(f.frame->menuBar()->actions());

        // Ctrl+S saves through its shortcut as the menu does.
        const std::string path = pathToUtf8(f.dir / "keys.bta");
        f.dialogs.answers = {path};
        f.frame->show();
        QVERIFY(QTest::qWaitForWindowActive(f.frame.get()));
        QTest::keyClick(f.frame.get(), Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(f.frame->database()->filePath, path);
        QVERIFY(!f.frame->isWindowModified());
        QVERIFY(f.frame->windowTitle().endsWith(QStringLiteral("[*]")));

        // The panes: F6 and Ctrl+Tab go from the tree to the grid, Tab back.
        gui::CTree* tree = f.frame->leftTree();
        QWidget* table = f.frame->views()->grid()->table();
        tree->setFocus();
        tree->setCurrentIndex(tree->model()->index(0, 0));
        QTest::keyClick(tree, Qt::Key_F6);
        QVERIFY(table->hasFocus());
        QTest::keyClick(table, Qt::Key_Tab);
        QVERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Tab, Qt::ControlModifier);
        QVERIFY(table->hasFocus());
        QTest::keyClick(table, Qt::Key_Backtab, Qt::ShiftModifier);
        QVERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Tab);
        QVERIFY(table->hasFocus());

        // An edit by keys alone: the first editable number row, F2, a value,
        // Enter. The title's marker follows at once.
        gui::CGrid* grid = f.frame->views()->grid();
        const auto& rows = grid->model().rows();
        int r = -1;
        for (std::size_t i = 0; i < rows.size() && r < 0; ++i) {
            if (rows[i].kind == EditorKind::Number) r = static_cast<int>(i);
        }
        QVERIFY(r >= 0);
        QTest::keyClick(table, Qt::Key_Home);
        for (int i = 0; i < r; ++i)
            QTest::keyClick(table, Qt::Key_Down);
        QTest::keyClick(table, Qt::Key_F2);
        QCOMPARE(grid->editingRow(), r);
        // A value over the row's limit is brought to it, and the status bar
        // says so.
        const GridRow& edited = rows[static_cast<std::size_t>(r)];
        QVERIFY(edited.maximum < 999);
        grid->edit()->selectAll();
        QTest::keyClicks(grid->edit(), QStringLiteral("999"));
        QTest::keyClick(grid->edit(), Qt::Key_Return);
        const QString limit = QString::number(edited.maximum);
        QCOMPARE(QString::fromStdString(edited.text), limit);
        QVERIFY2(f.frame->statusText().contains(QStringLiteral("999 заменено на ") + limit),
                 qPrintable(f.frame->statusText()));
        // The value goes into the database when the tree takes the focus back.
        QTest::keyClick(table, Qt::Key_F6);
        QVERIFY(tree->hasFocus());
        QVERIFY(f.frame->database()->modified);
        QVERIFY(f.frame->isWindowModified());
        // Saving takes the marker away.
        QTest::keyClick(f.frame.get(), Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f.frame->isWindowModified());
    }

    // A stored placement is kept inside the screen's available area.
    void placementClampedToTheScreen() {
        const QRect area(0, 0, 1280, 1024);
        struct Case {
            QRect stored, shown;
        } cases[] = {
            {{100, 80, 800, 600}, {100, 80, 800, 600}},      // fits: unchanged
            {{2000, 1500, 800, 600}, {480, 424, 800, 600}},  // off screen: moved in
            {{-300, -50, 800, 600}, {0, 0, 800, 600}},       // above and left
            {{100, 100, 3000, 2000}, {0, 0, 1280, 1024}},    // too large: shrunk
            {{10, 10, 20, 20}, {10, 10, 200, 150}},          // too small to use
        };
        for (const Case& c : cases) {
            QCOMPARE(gui::clampToArea(c.stored, area), c.shown);
        }
        // Through the settings: a window stored for a larger screen fits.
        Fixture f("[Общее]\r\nСлева=5000\r\nВерх=4000\r\nШирина=9000\r\nВысота=7000\r\n");
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY2(screen.contains(f.frame->geometry()), qPrintable(QString("%1,%2 %3x%4")
                                                                      .arg(f.frame->x())
                                                                      .arg(f.frame->y())
                                                                      .arg(f.frame->width())
                                                                      .arg(f.frame->height())));
    }

    void closingWritesThePlacement() {
        Fixture f;
        f.frame->setGeometry(40, 50, 800, 600);
        f.frame->show();
        QVERIFY(f.frame->close());
        QCOMPARE(readProfileInt(f.ctx.settingsPath, "Общее", "Ширина", 0), 800);
        QCOMPARE(readProfileInt(f.ctx.settingsPath, "Общее", "Состояние", 9), 0);

        // A modified database and "Отмена" keep the window open.
        f.frame->show();
        f.frame->database()->modified = 1;
        f.prompter.answers = {PromptAnswer::Cancel};
        QVERIFY(!f.frame->close());
        QCOMPARE(f.prompter.calls.back().title, std::string("Левая"));
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestMainFrame t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_main_frame.moc"
