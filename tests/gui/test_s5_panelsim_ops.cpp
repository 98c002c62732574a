// "Версан С5" through the main window, its worker thread and the real port,
// against the simulated console on a pseudo-terminal: the whole database
// read, "Сличить базу" finding an object renamed in a way the checksums
// cannot see and pointing the tree at it, and the archive window opening an
// archive of the console in the journal window; "Восстановить из копии..."
// writing back the folder the write's backup saved.
#include <QApplication>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include <QLabel>
#include "app/commands.h"
#include "app/device_runner.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "families/s5/dbs5.h"
#include "gui/gui_helpers.h"
#include "journal/journal_window.h"

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

QString u(const char* text) {
    return QString::fromUtf8(text);
}

// The bytes of every file of a folder, by name.
std::map<std::string, QByteArray> folderFiles(const std::filesystem::path& folder) {
    std::map<std::string, QByteArray> out;
    for (const auto& e : std::filesystem::directory_iterator(folder)) {
        QFile f(QString::fromStdString(pathToUtf8(e.path())));
        if (f.open(QIODevice::ReadOnly)) out[pathToUtf8(e.path().filename())] = f.readAll();
    }
    return out;
}

std::vector<std::filesystem::path> entries(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> out;
    for (const auto& e : std::filesystem::directory_iterator(folder))
        out.push_back(e.path());
    std::sort(out.begin(), out.end());
    return out;
}

}  // namespace

class TestS5PanelsimOps : public QObject {
    Q_OBJECT
  private slots:
    void readCompareAndArchiveThroughTheMainWindow() {
        test::TempDir dir;
        QProcess sim;
        sim.start(QString::fromUtf8(TAVRIN_PANELSIM_PATH),
                  QStringList{"--family", "s5", "--lcps", "2", "--records", "3", "--archives", "2",
                              "--journal", "5", "--repeat", "200", "--idle", "5"});
        QVERIFY(sim.waitForReadyRead(10000));
        const std::string pty = sim.readLine().trimmed().toStdString();

        AppContext ctx = makeAppContext(dir.path());
        test::writeIni(ctx.settingsPath, "[Общее]\r\nПрибор=3\r\n[Версан_С5]\r\nCOM=" + pty +
                                             "\r\nИмитация=нет\r\nЛог=нет\r\n");
        test::RecordingPrompter prompter;
        ctx.prompter = &prompter;
        gui::CCancelOb dialog;
        gui::GuiCancelWindow cancel(&dialog);
        ctx.cancelWindow = &cancel;
        NoDialogs dialogs;
        gui::CMainFrame frame(ctx);
        frame.setFileDialogs(&dialogs);
        frame.show();
        auto* db = dynamic_cast<DBS5*>(frame.database());
        QVERIFY(db);

        frame.runCommand(kCmdReadAll);
        for (const auto& c : prompter.calls)
            qWarning("%s", c.text.c_str());
        QVERIFY(prompter.calls.empty());
        QCOMPARE(frame.statusText(), u("Команда выполнена"));
        QVERIFY(db->databaseValid);
        QCOMPARE(db->lcpCount(), 2);
        QVERIFY(!db->link().running());

        // One letter of an object's name one step on: the object sums stay.
        s5::ObjectRecord& o = db->lcp(2)->objects[1];
        o[s5::obj::kName + 1] = static_cast<std::uint8_t>(o[s5::obj::kName + 1] + 1);
        frame.runCommand(kCmdCompare);
        QCOMPARE(frame.statusText(), u("Команда выполнена"));
        gui::CompareWindow* compare = frame.services()->differencesWindow();
        QVERIFY(compare && compare->isVisible());
        // One row: the objects of LCP 2, at the record found different
        // (their sums agree); the other six parts are named as equal.
        QTableWidget* table = compare->table();
        QCOMPARE(table->rowCount(), 1);
        QCOMPARE(table->item(0, 0)->text(), u("LCP 2 / Объекты"));
        QCOMPARE(table->item(0, 1)->text(), u("Запись 2"));
        QCOMPARE(table->item(0, 2)->text(), table->item(0, 3)->text());
        QCOMPARE(compare->noteLabel()->text().count(u(", ")), 5);
        const QPoint at = table->visualItemRect(table->item(0, 0)).center();
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(table->viewport(), Qt::LeftButton, {}, at);
        QCOMPARE(frame.currentItem(), s5::objectItem(2, 1));

        frame.runCommand(kCmdReadArchiveList);
        gui::DLArchive* archive = frame.services()->archiveWindow();
        QVERIFY(archive && archive->isVisible());
        QCOMPARE(archive->list()->count(), 2);
        archive->list()->setCurrentRow(1);
        QCOMPARE(archive->list()->currentItem()->text(), u("ARC00002.DAT"));
        archive->openButton()->click();
        gui::DLJournal* journal = frame.services()->journalWindow();
        QVERIFY(journal && journal->isVisible());
        QVERIFY(QFile::exists(QString::fromStdString(pathToUtf8(dir / "ARC00002.vsj"))));
        QVERIFY(!QFile::exists(QString::fromStdString(pathToUtf8(dir / "ARC00002.DAT"))));
        QVERIFY(prompter.calls.empty());
        QVERIFY(!db->link().running());

        sim.kill();
        sim.waitForFinished(5000);
    }

    // With the family's backup on, "Записать базу → Все" first saves the
    // console's database as a folder in backups/; "Восстановить из копии..."
    // lists it and writes it back through the same check and question (a
    // backup of what the console holds now first), and the open database
    // stays as it was.
    void restoreWritesTheBackupFolderBack() {
        test::TempDir dir;
        QProcess sim;
        sim.start(QString::fromUtf8(TAVRIN_PANELSIM_PATH),
                  QStringList{"--family", "s5", "--lcps", "2", "--records", "3", "--repeat", "200",
                              "--idle", "5"});
        QVERIFY(sim.waitForReadyRead(10000));
        const std::string pty = sim.readLine().trimmed().toStdString();

        AppContext ctx = makeAppContext(dir.path());
        test::writeIni(ctx.settingsPath, "[Общее]\r\nПрибор=3\r\n[Версан_С5]\r\nCOM=" + pty +
                                             "\r\nИмитация=нет\r\nЛог=нет\r\n"
                                             "Копия_перед_записью=да\r\n");
        test::RecordingPrompter prompter;  // answers every question Yes
        ctx.prompter = &prompter;
        gui::CCancelOb dialog;
        gui::GuiCancelWindow cancel(&dialog);
        ctx.cancelWindow = &cancel;
        NoDialogs dialogs;
        gui::CMainFrame frame(ctx);
        frame.setFileDialogs(&dialogs);
        frame.show();
        auto* db = dynamic_cast<DBS5*>(frame.database());
        QVERIFY(db);

        frame.runCommand(kCmdReadAll);
        QCOMPARE(frame.statusText(), u("Команда выполнена"));
        QVERIFY(db->SaveToDisk(pathToUtf8(dir / "before")));
        s5::ObjectRecord& o = db->lcp(2)->objects[1];
        o[s5::obj::kName + 1] = static_cast<std::uint8_t>(o[s5::obj::kName + 1] + 1);
        const std::string changed = pathToUtf8(dir / "changed");
        QVERIFY(db->SaveToDisk(changed));

        prompter.calls.clear();
        frame.runCommand(kCmdWriteAll);
        QCOMPARE(frame.statusText(), u("Команда выполнена"));
        QCOMPARE(prompter.calls.size(), std::size_t{1});
        QVERIFY(prompter.calls[0].text.rfind("Подтвердите запись базы в прибор.\nИзменится "
                                             "элементов: 1\n",
                                             0) == 0);
        auto saved = entries(dir / "backups");
        QCOMPARE(saved.size(), std::size_t{1});
        QVERIFY(std::filesystem::is_directory(saved[0]));
        QVERIFY(folderFiles(saved[0]) == folderFiles(dir / "before"));

        QStringList listed;
        test::onModal<gui::BackupListDialog>([&](gui::BackupListDialog* d) {
            for (int r = 0; r < d->table()->rowCount(); ++r)
                listed << d->table()->item(r, 2)->text();
            d->table()->selectRow(0);
            d->accept();
        });
        prompter.calls.clear();
        frame.runCommand(kCmdRestoreBackup);
        QCOMPARE(listed, QStringList{QString::fromStdString(pathToUtf8(saved[0].filename()))});
        QCOMPARE(prompter.calls.size(), std::size_t{1});
        QCOMPARE(prompter.calls[0].title, std::string("Восстановление из копии"));
        // The renamed object, and the console's firmware version, which a
        // folder does not keep.
        QVERIFY(prompter.calls[0].text.rfind("Подтвердите запись базы в прибор.\nИзменится "
                                             "элементов: 2\n",
                                             0) == 0);
        QCOMPARE(frame.statusText(), u("Команда выполнена"));
        // The console's state before the restore was backed up too.
        saved = entries(dir / "backups");
        QCOMPARE(saved.size(), std::size_t{2});
        QVERIFY(!db->link().running());

        // The open database is unchanged; the console holds the backup again.
        QVERIFY(db->SaveToDisk(pathToUtf8(dir / "open")));
        QVERIFY(folderFiles(dir / "open") == folderFiles(dir / "changed"));
        QVERIFY(folderFiles(dir / "changed") != folderFiles(dir / "before"));
        frame.runCommand(kCmdReadAll);
        QVERIFY(db->SaveToDisk(pathToUtf8(dir / "after")));
        QVERIFY(folderFiles(dir / "after") == folderFiles(dir / "before"));

        sim.kill();
        sim.waitForFinished(5000);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestS5PanelsimOps t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_s5_panelsim_ops.moc"
