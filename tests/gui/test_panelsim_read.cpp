// "Прочитать базу" from a simulated "Талвир К2" panel on a pseudo-terminal,
// through the real port and exchange: a whole read, and a read stopped with
// "Остановить" in the cancel window.
#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/main_frame.h"
#include "app/translations.h"
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

// The simulator with its pty path, stopped at the end.
struct Simulator {
    explicit Simulator(const QStringList& extra) {
        process.start(QString::fromUtf8(TAVRIN_PANELSIM_PATH),
                      QStringList{"--family", "k2"} + extra);
        if (process.waitForReadyRead(10000)) path = process.readLine().trimmed().toStdString();
    }
    ~Simulator() {
        process.kill();
        process.waitForFinished(5000);
    }
    QProcess process;
    std::string path;
};

struct Setup {
    explicit Setup(const std::string& pty) : ctx(makeAppContext(dir.path())), cancel(&dialog) {
        test::writeIni(ctx.settingsPath,
                       "[Талвир_К2]\r\nCOM=" + pty + "\r\nИмитация=нет\r\nЛог=нет\r\n");
        ctx.prompter = &prompter;
        ctx.cancelWindow = &cancel;
        frame = std::make_unique<gui::CMainFrame>(ctx);
        frame->setFileDialogs(&dialogs);
        frame->show();
    }
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    gui::CCancelOb dialog;
    gui::GuiCancelWindow cancel;
    NoDialogs dialogs;
    std::unique_ptr<gui::CMainFrame> frame;
};

}  // namespace

class TestPanelsimRead : public QObject {
    Q_OBJECT
  private slots:
    void wholeRead() {
        Simulator sim({"--detectors", "5"});
        QVERIFY(!sim.path.empty());
        Setup s(sim.path);
        {
            // The family's transfer must be there to read a panel at all.
            DBase* db = s.frame->database();
            const int probe = db->ReadVersion();
            db->ClosePort();
            db->firmwareVersion = -1;
            QCOMPARE(probe, 0);  // the simulator answers the version request
        }
        int maxProgress = 0;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (s.frame->progressBar()->isVisible()) {
                maxProgress = std::max(maxProgress, s.frame->progressBar()->maximum());
            }
        });
        poll.start(5);
        s.frame->runCommand(kCmdReadDatabase);
        for (const auto& c : s.prompter.calls)
            qWarning("%s", c.text.c_str());
        QVERIFY(s.prompter.calls.empty());
        QCOMPARE(s.frame->statusText(), QString::fromUtf8("Команда выполнена"));
        QVERIFY(s.frame->database()->databaseValid);
        QVERIFY(maxProgress > 0);
        QCOMPARE(s.dialogs.titles, std::vector<std::string>{"Сохранение базы"});
    }

    void stoppedRead() {
        Simulator sim({"--baud", "2400"});
        QVERIFY(!sim.path.empty());
        Setup s(sim.path);
        {
            // The family's transfer must be there to read a panel at all.
            DBase* db = s.frame->database();
            const int probe = db->ReadVersion();
            db->ClosePort();
            db->firmwareVersion = -1;
            QCOMPARE(probe, 0);  // the simulator answers the version request
        }
        bool stopped = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!s.dialog.isVisible() || s.frame->progressBar()->value() < 2) return;
            poll.stop();
            QCOMPARE(s.dialog.titleLabel()->text().isEmpty(), false);
            s.dialog.stopButton()->click();
            stopped = true;
        });
        poll.start(10);
        s.frame->runCommand(kCmdReadDatabase);
        QVERIFY(stopped);
        QVERIFY(!s.prompter.calls.empty());
        QCOMPARE(s.prompter.calls.back().text,
                 std::string("Команда отменена пользователем.  Сеанс обмена закрыт."));
        QCOMPARE(s.prompter.calls.back().title, std::string("Чтение базы"));
        QVERIFY(!s.frame->database()->databaseValid);
        QVERIFY(!s.dialog.isVisible());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestPanelsimRead t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_panelsim_read.moc"
