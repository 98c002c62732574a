// A device command runs on the worker thread: wait cursor, progress bar over
// the status bar, the cancel window with "Остановить", a question from the
// operation answered on the user-interface thread, and the follow-ups.
#include <QApplication>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QtTest>
#include <thread>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/gui_prompter.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "gui/gui_helpers.h"
#include "link/result_codes.h"
#include "support/fake_database.h"
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

class TestDeviceCommand : public QObject {
    Q_OBJECT
  private slots:
    void readWithProgressQuestionAndCancel() {
        test::TempDir dir;
        gui::GuiPrompter prompter;
        gui::CCancelOb cancelDialog;
        gui::GuiCancelWindow cancelWindow(&cancelDialog);
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        ctx.cancelWindow = &cancelWindow;
        test::DeviceScript script;
        gui::CMainFrame frame(ctx, test::fakeFactory(script));
        NoDialogs dialogs;
        frame.setFileDialogs(&dialogs);
        frame.show();

        // The operation: asks a question, shows the cancel window, moves the
        // progress and waits until the user stops it.
        PromptAnswer answer = PromptAnswer::Cancel;
        std::thread::id workerThread;
        script.duringRead = [&](Progress& progress) {
            workerThread = std::this_thread::get_id();
            answer = ctx.prompter->ask("Продолжить?", "Вопрос", PromptIcon::Question,
                                       PromptButtons::YesNo);
            DBase* db = frame.database();
            db->exchangeActive.arm();
            ctx.cancelWindow->show("Чтение базы прибора", db->exchangeActive);
            progress.setRange(0, 10);
            progress.setVisible(true);
            for (int i = 0; i < 3; ++i)
                progress.step();
            for (int i = 0; i < 500 && db->exchangeActive.active(); ++i) {
                std::this_thread::sleep_for(std::chrono::milliseconds(10));
            }
            if (!db->exchangeActive.active()) script.readCode = kResultStoppedByUser;
            ctx.cancelWindow->hide();
        };

        bool sawWindow = false;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            if (!cancelDialog.isVisible() || frame.progressBar()->value() < 3) return;
            poll.stop();
            sawWindow = true;
            QCOMPARE(cancelDialog.titleLabel()->text(), QString::fromUtf8("Чтение базы прибора"));
            QCOMPARE(cancelDialog.titleLabel()->alignment() & Qt::AlignHCenter, Qt::AlignHCenter);
            QCOMPARE(cancelDialog.stopButton()->text(), QString::fromUtf8("&Остановить"));
            QVERIFY(frame.progressBar()->isVisible());
            QCOMPARE(frame.progressBar()->maximum(), 10);
            QVERIFY(QApplication::overrideCursor() &&
                    QApplication::overrideCursor()->shape() == Qt::WaitCursor);
            cancelDialog.stopButton()->click();
        });
        poll.start(10);
        // The question first; the result box is watched for once it is answered.
        test::onModal<QMessageBox>([](QMessageBox* box) {
            QCOMPARE(box->text(), QString::fromUtf8("Продолжить?"));
            box->button(QMessageBox::Yes)->click();
            test::onModal<QMessageBox>([](QMessageBox* result) {
                QCOMPARE(result->windowTitle(), QString::fromUtf8("Чтение базы"));
                QCOMPARE(result->icon(), QMessageBox::Critical);
                QCOMPARE(
                    result->text(),
                    QString::fromUtf8("Команда отменена пользователем.  Сеанс обмена закрыт."));
                result->accept();
            });
        });
        frame.runCommand(kCmdReadDatabase);

        QVERIFY(sawWindow);
        QVERIFY(answer == PromptAnswer::Yes);
        QVERIFY(workerThread != std::this_thread::get_id());
        QVERIFY(!cancelDialog.isVisible());
        QVERIFY(!frame.progressBar()->isVisible());
        QVERIFY(!QApplication::overrideCursor());
        QVERIFY(!frame.database()->databaseValid);  // reset after the failure
        QVERIFY(dialogs.titles.empty());            // no "Сохранить как..."
    }

    void successfulReadOpensSaveAs() {
        test::TempDir dir;
        test::RecordingPrompter prompter;
        AppContext ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        test::DeviceScript script;
        gui::CMainFrame frame(ctx, test::fakeFactory(script));
        NoDialogs dialogs;
        frame.setFileDialogs(&dialogs);
        frame.runCommand(kCmdReadDatabase);
        QCOMPARE(frame.statusText(), QString::fromUtf8("Команда выполнена"));
        QCOMPARE(dialogs.titles, std::vector<std::string>{"Сохранение базы"});
        QVERIFY(frame.database()->modified != 0);
        QVERIFY(prompter.calls.empty());
    }
};

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    TestDeviceCommand t;
    return QTest::qExec(&t, argc, argv);
}

#include "test_device_command.moc"
