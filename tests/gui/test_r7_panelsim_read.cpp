// "Прочитать базу" and "Прочитать время" for "Ордис Р7" through the main
// window, its worker thread and the real port, against a simulated panel on
// a pseudo-terminal that holds a database.
#include <QApplication>
#include <QProcess>
#include <QProgressBar>
#include <QtTest>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "families/r7/dbr7.h"
#include "gui/gui_helpers.h"
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
    std::optional<std::string> saveFile(QWidget*, const std::string& title,
                                        const std::vector<FileFilter>&,
                                        const std::string&) override {
        titles.push_back(title);
        return std::nullopt;
    }
    std::optional<std::string> folder(QWidget*, const std::string&) override {
        return std::nullopt;
    }
    std::vector<std::string> titles;
};

}  // namespace

class TestR7PanelsimRead : public QObject {
    Q_OBJECT
  private slots:
    void readDatabaseAndClock() {
        test::TempDir dir;
        AppContext ctx = makeAppContext(dir.path());
        // The panel's database: an object with three devices.
        {
            DBR7 source(0, ctx);
            const int o = source.CreateElement(r7::kTypeObject, 0);
            source.table()[static_cast<std::size_t>(o)].setName("Склад");
            for (int i = 0; i < 3; ++i)
                source.CreateElement(26, o);
            QVERIFY(source.SaveToDisk(pathToUtf8(dir / "panel.bor")));
        }
        QProcess sim;
        sim.start(QString::fromUtf8(TAVRIN_PANELSIM_PATH),
                  QStringList{"--family", "r7", "--db",
                              QString::fromStdString(pathToUtf8(dir / "panel.bor"))});
        QVERIFY(sim.waitForReadyRead(10000));
        const std::string pty = sim.readLine().trimmed().toStdString();

        test::writeIni(ctx.settingsPath, "[Общее]\r\nПрибор=1\r\n[Ордис_Р7]\r\nCOM=" + pty +
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
        QCOMPARE(frame.database()->familyCode, 1);

        int maxProgress = 0, lastProgress = 0;
        bool cancelShown = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (frame.progressBar()->isVisible()) {
                maxProgress = std::max(maxProgress, frame.progressBar()->maximum());
                lastProgress = std::max(lastProgress, frame.progressBar()->value());
            }
            cancelShown = cancelShown || dialog.isVisible();
        });
        poll.start(5);
        frame.runCommand(kCmdReadDatabase);
        for (const auto& c : prompter.calls)
            qWarning("%s", c.text.c_str());
        QVERIFY(prompter.calls.empty());
        QCOMPARE(frame.statusText(), QString::fromUtf8("Адрес=1. Команда выполнена"));
        auto* db = dynamic_cast<DBR7*>(frame.database());
        QVERIFY(db && db->databaseValid);
        QCOMPARE(db->counts().devices, 3);
        QCOMPARE(db->table()[1].name(), std::string("Склад"));
        QCOMPARE(maxProgress, 2047);
        QVERIFY(lastProgress > 1000);
        QVERIFY(cancelShown);
        QVERIFY(!db->IsPortOpen());
        QCOMPARE(dialogs.titles, std::vector<std::string>{"Сохранение базы"});

        frame.runCommand(kCmdReadTime);
        QCOMPARE(prompter.calls.size(), std::size_t{1});
        QVERIFY(prompter.calls[0].text.rfind("Время прибора ", 0) == 0);
        QCOMPARE(prompter.calls[0].title, std::string("Запрос времени"));
        QVERIFY(!db->IsPortOpen());

        sim.kill();
        sim.waitForFinished(5000);
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestR7PanelsimRead t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_r7_panelsim_read.moc"
