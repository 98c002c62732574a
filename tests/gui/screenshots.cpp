// gui_screenshots OUT: shows the windows of the configurator and writes PNGs
// of them into the folder OUT (run under Xvfb by scripts/screenshots.sh).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "families/k2/dbk2.h"
#include "link/family_table.h"
#include "link/result_codes.h"

using namespace tavrin;

namespace {

QString outDir;

void settle() {
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

void save(QWidget* w, const char* name) {
    settle();
    const QString path = outDir + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
}

void saveScreen(const char* name) {
    settle();
    const QString path = outDir + "/" + name + ".png";
    if (!QApplication::primaryScreen()->grabWindow(0).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// A "Талвир К2" database whose read moves the progress and waits for
// "Остановить", to show a device command in progress.
class SlowRead : public DBK2 {
  public:
    using DBK2::DBK2;
    int ReadFromDevice(Progress& progress) override {
        exchangeActive.arm();
        if (ctx_.cancelWindow) ctx_.cancelWindow->show("Чтение базы прибора", exchangeActive);
        progress.setRange(0, 100);
        progress.setVisible(true);
        for (int i = 0; i < 100 && exchangeActive.active(); ++i) {
            if (i < 40) progress.step();
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        if (ctx_.cancelWindow) ctx_.cancelWindow->hide();
        return exchangeActive.active() ? kResultNoAnswer : kResultStoppedByUser;
    }
};

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    gui::installRussianTranslations(app);
    if (argc < 2) {
        std::fprintf(stderr, "usage: gui_screenshots OUT\n");
        return 2;
    }
    outDir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(outDir);
    const QString work = QDir::temp().filePath("tavrin-screenshots");
    QDir(work).removeRecursively();
    QDir().mkpath(work);

    SilentPrompter prompter;
    gui::CCancelOb cancelDialog;
    gui::GuiCancelWindow cancelWindow(&cancelDialog);
    AppContext ctx = makeAppContext(work.toStdString());
    ctx.prompter = &prompter;
    ctx.cancelWindow = &cancelWindow;
    auto factory = [](int family, int role, const AppContext& c) -> std::unique_ptr<DBase> {
        if (family == kFamilyK2) return std::make_unique<SlowRead>(role, c);
        return CreateDatabase(family, role, c);
    };

    gui::CMainFrame frame(ctx, factory);
    frame.setGeometry(20, 20, 1000, 640);
    frame.show();
    save(&frame, "main-k2");

    // A device command in progress: the cancel window over the main window.
    bool shot = false;
    QTimer::singleShot(800, [&] {
        saveScreen("device-command");
        shot = true;
        cancelDialog.stopButton()->click();
    });
    frame.runCommand(kCmdReadDatabase);
    if (!shot) std::fprintf(stderr, "device command ended early\n");

    frame.runCommand(kCmdFamilyR7);
    save(&frame, "main-r7");
    frame.shell().switchFamily(kFamilyS5);
    save(&frame, "main-s5");
    frame.runCommand(kCmdFamilyK2);

    gui::CDlgParam sheet(frame.shell().settings(), false, true, &frame);
    sheet.show();
    save(&sheet, "settings-other");
    sheet.tabs->setCurrentIndex(1);
    save(&sheet, "settings-access");
    sheet.hide();

    for (bool extended : {false, true}) {
        gui::CPageCom port(*frame.database(), extended, {"/dev/ttyS0", "/dev/ttyUSB0"}, &frame);
        port.show();
        save(&port, extended ? "port-extended" : "port-small");
    }

    gui::CDLParol password(u"", &frame);
    password.show();
    save(&password, "password");

    gui::CAboutDlg about(&frame);
    about.show();
    save(&about, "about");

    std::printf("screenshots written to %s\n", qPrintable(outDir));
    return 0;
}
