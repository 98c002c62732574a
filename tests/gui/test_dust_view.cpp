// The dustiness window over real dustiness files: icons by level, the three
// filter buttons, the legend strip and the resizing rules, the refusal of a
// file that is not one, saving and reading back, the refresh from the panel.
#include <QAction>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

#include "app/commands.h"
#include "app/main_frame.h"
#include "families/k2/dbk2.h"
#include "registry/family_registry.h"
#include "service/dustiness_window.h"
#include "service/service_windows.h"
#include "service/viewer_dialogs.h"
#include "settings/settings.h"
#include "support/recording_prompter.h"
#include "support/temp_dir.h"

using namespace tavrin;

namespace {

class ScriptedDialogs : public gui::ViewerDialogs {
  public:
    std::optional<std::string> openFile(QWidget*, const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string&) override {
        titles.push_back(title);
        lastFilters = filters;
        return openAnswer;
    }
    std::optional<std::string> saveFile(QWidget*, const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& extension, const std::string&) override {
        titles.push_back(title);
        lastFilters = filters;
        lastExtension = extension;
        return saveAnswer;
    }
    std::optional<std::string> openAnswer, saveAnswer;
    std::vector<std::string> titles;
    std::vector<FileFilter> lastFilters;
    std::string lastExtension;
};

std::vector<DustRecord> levels(std::initializer_list<int> ls) {
    std::vector<DustRecord> out;
    int n = 0;
    for (int l : ls) {
        ++n;
        out.push_back(DustRecord::make("ДИП " + std::to_string(n), "ШС " + std::to_string(n),
                                       static_cast<std::uint8_t>(l)));
    }
    return out;
}

// A first-family database whose panel read writes a dustiness file of three
// sensors, as the family does after a successful read.
class DustyK2 : public DBK2 {
  public:
    using DBK2::DBK2;
    int ReadDustiness(Progress& progress, int) override {
        progress.setRange(0, 3);
        progress.setPosition(3);
        ++reads;
        return writeDustinessFile(pathToUtf8(ctx_.programFolder / dustinessFileName),
                                  levels({1, 8, 9}))
                   ? 0
                   : 1;
    }
    static inline int reads = 0;
};

struct Fixture {
    test::TempDir dir;
    test::RecordingPrompter prompter;
    AppContext ctx;
    std::unique_ptr<DBK2> db;
    ScriptedDialogs dialogs;

    Fixture() {
        ctx = makeAppContext(dir.path());
        ctx.prompter = &prompter;
        db = std::make_unique<DBK2>(0, ctx);
        gui::setViewerDialogs(&dialogs);
    }
    ~Fixture() { gui::setViewerDialogs(nullptr); }
    std::string path(const char* name) const { return pathToUtf8(dir / name); }
    gui::DatabaseGetter getter() {
        return [this] { return static_cast<DBase*>(db.get()); };
    }
    bool prompted(const std::string& text) const {
        for (const auto& c : prompter.calls)
            if (c.text == text) return true;
        return false;
    }
};

}  // namespace

class TestDustView : public QObject {
    Q_OBJECT
  private slots:
    void filterButtonsIconsAndLayout() {
        Fixture f;
        QVERIFY(writeDustinessFile(f.path("Zap.tvz"), levels({0, 7, 8, 9, 10})));
        gui::CMainFrame frame(f.ctx);
        frame.runCommand(kCmdDustiness);
        gui::DLZapil* w = frame.services()->dustWindow();
        QVERIFY(w && w->isVisible());
        QVERIFY(w->windowTitle().startsWith(QStringLiteral("Запыленность датчиков (Файл ")));
        QCOMPARE(w->list()->topLevelItemCount(), 5);
        QCOMPARE(w->list()->headerItem()->text(1), QStringLiteral("Имя датчика"));
        QCOMPARE(w->list()->topLevelItem(2)->text(3), QStringLiteral(" 80%"));
        QCOMPARE(w->list()->topLevelItem(4)->text(3), QStringLiteral("100%"));
        QCOMPARE(w->list()->topLevelItem(0)->text(1), QStringLiteral("ДИП 1"));

        auto shown = [&] { return w->list()->topLevelItemCount(); };
        w->filterButton(2)->trigger();  // 90 % only
        QCOMPARE(shown(), 2);
        w->filterButton(1)->trigger();  // 80 % and 90 %
        QCOMPARE(shown(), 3);
        QCOMPARE(w->list()->topLevelItem(0)->text(3), QStringLiteral(" 80%"));
        w->filterButton(0)->trigger();  // all three
        QCOMPARE(shown(), 5);
        w->filterButton(2)->trigger();
        w->filterButton(1)->trigger();  // normal only
        QCOMPARE(shown(), 2);
        w->filterButton(0)->trigger();  // none
        QCOMPARE(shown(), 5);
        QCOMPARE(w->filterButton(1)->text(), QStringLiteral("Запыленность больше 80%"));

        // The icon column tells the three classes apart.
        const QImage normal = w->list()->topLevelItem(0)->icon(0).pixmap(16).toImage();
        const QImage over80 = w->list()->topLevelItem(2)->icon(0).pixmap(16).toImage();
        const QImage over90 = w->list()->topLevelItem(3)->icon(0).pixmap(16).toImage();
        QVERIFY(normal != over80 && over80 != over90);
        QCOMPARE(w->list()->topLevelItem(4)->icon(0).pixmap(16).toImage(), over90);

        // The labelled toolbar on top, the list below it across the width
        // with its columns filling it, the legend once, centred below; the
        // level buttons show their icons only.
        w->resize(700, 500);
        w->show();
        QVERIFY(QTest::qWaitForWindowExposed(w));
        const QRect bar = w->toolBar()->geometry(), list = w->list()->geometry();
        QVERIFY(bar.top() < list.top() && bar.bottom() < list.top());
        QVERIFY(list.width() >= 690);
        const QRect legend = w->legend()->geometry();
        QVERIFY(legend.top() > list.bottom() && legend.bottom() < 500);
        QVERIFY(std::abs(legend.center().x() - 350) <= 4);
        int columns = 0;
        for (int c = 0; c < w->list()->columnCount(); ++c)
            columns += w->list()->columnWidth(c);
        QCOMPARE(columns, w->list()->viewport()->width());
        auto* open = qobject_cast<QToolButton*>(
            w->toolBar()->widgetForAction(w->toolBar()->actions().first()));
        QVERIFY(open);
        QCOMPARE(open->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        QCOMPARE(open->text(), QStringLiteral("Открыть файл"));
        auto* level = qobject_cast<QToolButton*>(w->toolBar()->widgetForAction(w->filterButton(1)));
        QVERIFY(level);
        QCOMPARE(level->toolButtonStyle(), Qt::ToolButtonIconOnly);
    }

    void refusalSaveAndReadBack() {
        Fixture f;
        gui::DLZapil w(f.getter(), gui::runHere, {});
        // Kind 2 but a format mark of 2: not a dustiness file.
        const Bytes bad = {2, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0};
        QVERIFY(writeFileAtomic(f.dir / "bad.tvz", bad));
        QVERIFY(!w.loadFile(f.path("bad.tvz")));
        QVERIFY(f.prompted("Это не файл запыленности!\n" + f.path("bad.tvz")));

        const auto records = levels({3, 8, 10});
        QVERIFY(writeDustinessFile(f.path("a.tvz"), records));
        f.dialogs.openAnswer = f.path("a.tvz");
        QVERIFY(w.openFile());
        QCOMPARE(f.dialogs.titles.back(), std::string("Открытие файла запыленности"));
        QCOMPARE(f.dialogs.lastFilters.front().pattern, std::string("*.tvz"));
        QCOMPARE(w.list()->topLevelItemCount(), 3);

        f.dialogs.saveAnswer = f.path("copy.tvz");
        QVERIFY(w.saveAs());
        QCOMPARE(f.dialogs.titles.back(), std::string("Сохранение запыленности"));
        QCOMPARE(f.dialogs.lastExtension, std::string("tvz"));
        std::vector<DustRecord> back;
        QVERIFY(readDustinessFile(f.path("copy.tvz"), f.prompter, back));
        QCOMPARE(back.size(), records.size());
        QVERIFY(back == records);
    }

    void openingNothingClosesTheWindow() {
        Fixture f;  // no Zap.tvz: the open dialog comes at once
        gui::DLZapil w(f.getter(), gui::runHere, {});
        w.show();
        QVERIFY(!w.start());
        QCOMPARE(f.dialogs.titles.size(), std::size_t(1));
        QVERIFY(!w.isVisible());
    }

    void refreshThroughTheMainWindowsWorker() {
        Fixture f;
        QVERIFY(writeDustinessFile(f.path("Zap.tvz"), levels({2})));
        gui::CMainFrame frame(f.ctx, [](Family family, int role, const AppContext& c) {
            return family == Family::K2 ? std::unique_ptr<DBase>(std::make_unique<DustyK2>(role, c))
                                        : CreateDatabase(family, role, c);
        });
        frame.database()->databaseValid = true;
        frame.runCommand(kCmdDustiness);
        gui::DLZapil* w = frame.services()->dustWindow();
        QVERIFY(w);
        QCOMPARE(w->list()->topLevelItemCount(), 1);
        DustyK2::reads = 0;
        w->refreshFromPanel();
        QCOMPARE(DustyK2::reads, 1);
        QCOMPARE(w->list()->topLevelItemCount(), 3);
        QCOMPARE(frame.statusText().toStdString(), frame.database()->DescribeResult(0));

        // "Создать" replaces the database under the open window: the window
        // works on the new one, which has nothing loaded yet.
        frame.runCommand(kCmdNew);
        QVERIFY(frame.services()->dustWindow() == w);
        w->refreshFromPanel();
        QCOMPARE(DustyK2::reads, 1);
        QVERIFY(f.prompted("Сначала нужно загрузить базу из файла или прибора"));

        // Another family closes it.
        frame.shell().switchFamily(Family::R7);
        QVERIFY(!frame.services()->dustWindow());
    }

    void refreshFromThePanel() {
        Fixture f;
        QVERIFY(writeDustinessFile(f.path("Zap.tvz"), levels({1, 2})));
        int reads = 0;
        std::string status;
        gui::DLZapil w(
            f.getter(),
            [&](const std::function<int(Progress&)>&) {
                ++reads;
                writeDustinessFile(f.path("Zap.tvz"), levels({1, 2, 9}));
                return 0;
            },
            [&](const std::string& s) { status = s; });
        QVERIFY(w.start());
        w.refreshFromPanel();
        QVERIFY(f.prompted("Сначала нужно загрузить базу из файла или прибора"));
        QCOMPARE(reads, 0);
        f.db->databaseValid = true;
        w.refreshFromPanel();
        QCOMPARE(reads, 1);
        QVERIFY(!status.empty());
        QCOMPARE(w.list()->topLevelItemCount(), 3);
    }
};

QTEST_MAIN(TestDustView)
#include "test_dust_view.moc"
