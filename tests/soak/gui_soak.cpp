// A long scripted run of the configurator's main window against a demo
// "Талвир К2" panel of tavrin-panelsim on a real pseudo-terminal, in one
// process: every cycle reads the database, walks the tree item by item (each
// grid shown), copies, pastes, deletes and undoes, runs the correctness
// check, saves and reopens the file, reads the journal, the active events
// and the dustiness and shows their windows, turns "Две базы" on and off,
// searches, writes the database back and starts a new one. Questions are
// answered Yes; a window left modal is closed. The process must not grow:
// its resident memory within 10 % (and 8 MB) of what it was after the
// warm-up, the same file descriptors, threads, objects under the window and
// widgets at the end.
//
//   gui_soak [--cycles N] [--verbose]   (default 20 cycles; --verbose: the memory and
//                                       the window's objects after each cycle);
//                                       run with QT_QPA_PLATFORM=offscreen
#include <dirent.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QProcess>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/file_dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "base/file_io.h"
#include "editor/c_tree.h"
#include "gui/gui_helpers.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

long residentKb() {
    std::ifstream f("/proc/self/status");
    for (std::string line; std::getline(f, line);)
        if (line.rfind("VmRSS:", 0) == 0) return std::atol(line.c_str() + 6);
    return -1;
}

int entries(const char* folder) {
    int n = 0;
    if (DIR* d = ::opendir(folder)) {
        while (const dirent* e = ::readdir(d))
            n += e->d_name[0] != '.';
        ::closedir(d);
    }
    return n - 1;  // the listing's own descriptor (for /proc/self/fd)
}

// The first pattern's extension of a dialog's filters ("*.bta;*.tlv" → "bta").
std::string extensionOf(const std::vector<FileFilter>& filters) {
    if (filters.empty()) return "bta";
    const std::string& pattern = filters.front().pattern;
    const auto dot = pattern.find("*.");
    if (dot == std::string::npos) return "bta";
    return pattern.substr(dot + 2, pattern.find_first_of(" ;)", dot) - dot - 2);
}

// Saves into the run's folder ("soak.<ext>") and opens the file of the
// dialog's kind found there (the database saved, the journal read).
class SoakDialogs : public gui::FileDialogs {
  public:
    explicit SoakDialogs(std::filesystem::path folder) : folder_(std::move(folder)) {}
    std::optional<std::string> openFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>& filters) override {
        const std::string ext = "." + extensionOf(filters);
        std::error_code ec;
        for (const auto& e : std::filesystem::directory_iterator(folder_, ec))
            if (e.is_regular_file() && e.path().extension() == ext) return pathToUtf8(e.path());
        return std::nullopt;
    }
    std::optional<std::string> saveFile(QWidget*, const std::string&,
                                        const std::vector<FileFilter>& filters,
                                        const std::string&) override {
        return pathToUtf8(folder_ / ("soak." + extensionOf(filters)));
    }
    std::optional<std::string> folder(QWidget*, const std::string&) override {
        return std::nullopt;
    }

  private:
    std::filesystem::path folder_;
};

struct Counts {
    long rssKb;
    int fds;
    int threads;
};

Counts counts() {
    return {residentKb(), entries("/proc/self/fd"), entries("/proc/self/task")};
}

}  // namespace

int main(int argc, char** argv) {
    int cycles = 20;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--cycles" && i + 1 < argc) cycles = std::atoi(argv[i + 1]);
        verbose = verbose || std::string(argv[i]) == "--verbose";
    }
    if (cycles < 3) cycles = 3;

    QApplication app(argc, argv);
    gui::installRussianTranslations(app);

    QProcess sim;
    sim.start(QString::fromUtf8(TAVRIN_PANELSIM_PATH),
              QStringList{"--family", "k2", "--demo", "--journal", "60", "--events", "8"});
    if (!sim.waitForReadyRead(10000)) {
        std::fprintf(stderr, "gui_soak: the simulator did not start\n");
        return 1;
    }
    const std::string pty = sim.readLine().trimmed().toStdString();

    // The program's folder is its current folder, as when the window is
    // started: the journal and the dustiness read are saved there.
    test::TempDir dir;
    std::filesystem::current_path(dir.path());
    AppContext ctx = makeAppContext(dir.path());
    test::writeIni(
        ctx.settingsPath,
        "[Талвир_К2]\r\nCOM=" + pty + "\r\nИмитация=нет\r\nЛог=нет\r\nКопия_перед_записью=нет\r\n");
    test::RecordingPrompter prompter;  // answers every question Yes
    ctx.prompter = &prompter;
    gui::CCancelOb cancelDialog;
    gui::GuiCancelWindow cancel(&cancelDialog);
    ctx.cancelWindow = &cancel;
    SoakDialogs dialogs(dir.path());
    gui::CMainFrame frame(ctx);
    frame.setFileDialogs(&dialogs);
    frame.shell().settings().askSaveDatabase = false;
    frame.show();

    // A window that waits for a user would stop the run: close it.
    QTimer unblock;
    QObject::connect(&unblock, &QTimer::timeout, [&cancelDialog] {
        if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != &cancelDialog)
            modal->close();
    });
    unblock.start(200);

    long actions = 0;
    int failures = 0;
    const auto run = [&](int command) {
        frame.runCommand(command);
        QApplication::processEvents();
        ++actions;
    };
    const auto expectDone = [&](int command, const char* what, int cycle) {
        run(command);
        if (!frame.statusText().startsWith(QString::fromUtf8("Команда выполнена"))) {
            ++failures;
            std::fprintf(stderr, "gui_soak: cycle %d, %s: %s\n", cycle, what,
                         frame.statusText().toUtf8().constData());
        }
    };

    // Objects under the window and widgets in all: the same after every cycle.
    const auto objects = [&frame] {
        return std::make_pair(frame.findChildren<QObject*>().size(),
                              QApplication::allWidgets().size());
    };
    std::pair<qsizetype, qsizetype> warmObjects{};
    Counts warm{};
    const auto start = std::chrono::steady_clock::now();
    for (int cycle = 1; cycle <= cycles; ++cycle) {
        run(kCmdReadDatabase);
        if (!frame.database()->databaseValid) {
            ++failures;
            std::fprintf(stderr, "gui_soak: cycle %d, Прочитать базу: %s\n", cycle,
                         frame.statusText().toUtf8().constData());
        }

        // Every item of the tree, its grid shown.
        gui::CTree* tree = frame.leftTree();
        QAbstractItemModel* model = tree->model();
        std::vector<QModelIndex> items;
        for (int r = 0; r < model->rowCount(); ++r)
            items.push_back(model->index(r, 0));
        for (std::size_t at = 0; at < items.size(); ++at) {
            for (int r = 0; r < model->rowCount(items[at]); ++r)
                items.push_back(model->index(r, 0, items[at]));
        }
        for (const QModelIndex& i : items) {
            tree->setCurrentIndex(i);
            QApplication::processEvents();
            ++actions;
        }
        // Edits on the last item (a key or a device): copy, paste, delete, undo.
        if (!items.empty()) {
            tree->setCurrentIndex(items.back());
            run(kCmdCopy);
            tree->setCurrentIndex(items.back().parent());
            run(kCmdPaste);
            tree->setCurrentIndex(items.back());
            run(kCmdDelete);
            run(kCmdUndo);
            run(kCmdUndo);
        }

        run(kCmdCheck);
        run(kCmdSaveAs);
        run(kCmdNew);
        run(kCmdOpen);
        run(kCmdReadJournal);
        run(kCmdJournal);
        run(kCmdReadActiveEvents);
        run(kCmdActiveEvents);
        run(kCmdReadDustiness);
        run(kCmdDustiness);
        run(kCmdTwoBases);
        run(kCmdSearchDatabase);
        run(kCmdTwoBases);
        expectDone(kCmdWriteDatabase, "Записать базу", cycle);
        run(kCmdNew);
        // Every question is expected; an error message is a failure.
        for (const test::PromptCall& call : prompter.calls) {
            if (call.icon != PromptIcon::Error) continue;
            ++failures;
            std::fprintf(stderr, "gui_soak: cycle %d: %s: %s\n", cycle, call.title.c_str(),
                         call.text.c_str());
        }
        prompter.calls.clear();
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w != &frame && w->isVisible()) w->close();
        QApplication::processEvents();

        if (cycle == 2) {
            warm = counts();
            warmObjects = objects();
        }
        if (verbose)
            std::fprintf(stderr,
                         "gui_soak: cycle %d: %ld kB, %lld objects under the window, %lld "
                         "top-level widgets\n",
                         cycle, residentKb(),
                         static_cast<long long>(frame.findChildren<QObject*>().size()),
                         static_cast<long long>(QApplication::allWidgets().size()));
    }
    const Counts end = counts();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    std::printf(
        "gui_soak: %d cycles, %ld actions in %.1f s; resident memory %ld kB after the "
        "warm-up, %ld kB at the end; descriptors %d/%d; threads %d/%d; %d failures\n",
        cycles, actions, seconds, warm.rssKb, end.rssKb, warm.fds, end.fds, warm.threads,
        end.threads, failures);
    const long allowed = std::max(warm.rssKb / 10, 8L * 1024);
    bool ok = failures == 0;
    if (end.rssKb > warm.rssKb + allowed) {
        std::fprintf(stderr, "gui_soak: the resident memory grew past 10 %%\n");
        ok = false;
    }
    const auto endObjects = objects();
    if (endObjects != warmObjects) {
        std::fprintf(
            stderr, "gui_soak: objects under the window %lld → %lld, widgets %lld → %lld\n",
            static_cast<long long>(warmObjects.first), static_cast<long long>(endObjects.first),
            static_cast<long long>(warmObjects.second), static_cast<long long>(endObjects.second));
        ok = false;
    }
    if (end.fds != warm.fds || end.threads != warm.threads) {
        std::fprintf(stderr, "gui_soak: descriptors or threads left behind\n");
        ok = false;
    }
    sim.kill();
    sim.waitForFinished(5000);
    return ok ? 0 : 1;
}
