// gui_screenshots OUT: shows the windows of the configurator and writes PNGs
// of them into the folder OUT (run under Xvfb by scripts/screenshots.sh).
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTabWidget>
#include <QTimer>
#include <QTreeView>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/dialogs.h"
#include "app/main_frame.h"
#include "app/translations.h"
#include "base/bit_set.h"
#include "base/text.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "editor/editor_views.h"
#include "editor/g_combo_box.h"
#include "editor/g_edit.h"
#include "families/k2/dbk2.h"
#include "families/r7/dbr7.h"
#include "families/r7/element_types.h"
#include "families/s5/dbs5.h"
#include "files/dust_file.h"
#include "files/journal_file.h"
#include "journal/active_events_window.h"
#include "journal/journal_window.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"
#include "service/analysis_window.h"
#include "service/dustiness_window.h"
#include "service/service_windows.h"
#include "service/viewer_dialogs.h"

using namespace tavrin;

namespace {

QString outDir;

void settle() {
    for (int i = 0; i < 10; ++i) {
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// Images that could not be written: the driver then fails.
int failures = 0;

void save(QWidget* w, const char* name) {
    settle();
    const QString path = outDir + "/" + name + ".png";
    if (!w->grab().save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++failures;
    }
}

void saveScreen(const char* name) {
    settle();
    const QString path = outDir + "/" + name + ".png";
    if (!QApplication::primaryScreen()->grabWindow(0).save(path)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
        ++failures;
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

// A small "Талвир К2" installation: detectors and a three-loop device on
// fire and security loops, relays, named loops, a control loop with members,
// duty and employee keys.
void fillDatabase(DBK2& db) {
    using namespace k2;
    auto device = [&](int type, int loop) {
        const int d = db.CreateElement(type, -1);
        db.devices[static_cast<std::size_t>(d)][kDevLoop] = static_cast<std::uint8_t>(loop);
        return d;
    };
    for (int i = 0; i < 6; ++i)
        device(kTypeDip, 32 + i / 3);
    device(kTypeIpr, 32);
    device(kTypeIpg, 33);
    device(kTypeUpt, 34);
    const int tk3 = device(kTypeTk3, 0);
    db.devices[static_cast<std::size_t>(tk3)][kDevNumber] = 64;
    device(kTypeKtm, 1);
    device(kTypeDka, 65);
    device(kTypeBrp, 96);
    device(kTypeUop, 97);
    const int blocked = device(kTypeDip, 35);
    setBit(db.blockedDevices, static_cast<std::size_t>(blocked));
    for (int m : {0, 1, 2}) {
        db.loops[static_cast<std::size_t>(m)][kLoopLink1] = 96;
    }
    db.loops[96][kLoopLogic] = 0;
    const char* names[] = {"склад", "офис", "коридор", "архив", "касса", "холл"};
    for (int i = 0; i < 6; ++i) {
        const std::string cp = utf8ToCp1251(names[i]);
        auto& n = db.names[static_cast<std::size_t>(i < 3 ? i : 32 + i - 3)];
        n.fill(' ');
        for (std::size_t c = 0; c < cp.size() && c < n.size(); ++c)
            n[c] = static_cast<std::uint8_t>(cp[c]);
    }
    for (int k = 0; k < 5; ++k) {
        const int key = db.CreateKey();
        db.keys[static_cast<std::size_t>(key)][kKeyKind] =
            static_cast<std::uint8_t>(k < 3 ? 0 : 0x80);
    }
}

// Shows the tree's item (under `parent`; -1: the root) in the grid, as a click does.
void pick(gui::CTree* tree, ItemCode code, ItemCode parent) {
    const QModelIndex i = parent == -1 ? tree->indexOfCode(code) : tree->indexOfCode(code, parent);
    if (!i.isValid()) {
        std::fprintf(stderr, "no item %d under %d\n", code, parent);
        return;
    }
    tree->scrollTo(i);
    tree->editor().select(tree->itemModel()->nodeOf(i));
    tree->syncView();
}

// Opens the editor of a grid row by name.
void editRow(gui::CGrid* grid, const char* name) {
    const int r = grid->model().findRow(name);
    if (r < 0 || !grid->startEdit(r)) std::fprintf(stderr, "no editable row %s\n", name);
}

// "Версан С5": a full database (64 LCPs, every slot used; objects in chains
// of five), its tree and the grid of each item kind.
void s5Shots(gui::CMainFrame& frame) {
    auto* db = dynamic_cast<DBS5*>(frame.database());
    if (!db) return;
    using namespace tavrin::s5;
    static constexpr int kTypes[] = {17, 24, 33, 48, 52, 84};
    for (int l = 1; l <= kMaxLcps; ++l) {
        db->AddLcp();
        for (int j = 0; j < kSlots; ++j) {
            db->CreateElement(kTypes[j % 6], l);
            const int o = db->NewObject(l);
            setNameText(objectName(db->lcp(l)->objects[o]), "Объект " + std::to_string(o + 1));
            if (o % 5) db->lcp(l)->objects[o][obj::kParent] = static_cast<std::uint8_t>(o);
            db->lcp(l)->setDeviceObject(j, o);
            const int k = db->NewLcpKey(l);
            setNameText(keyOwner(db->lcp(l)->keys[k]), "Ключ " + std::to_string(k + 1));
        }
    }
    db->lcp(2)->objects[0][obj::kLinkedLcp] = 1;
    db->lcp(2)->objects[0][obj::kLinkedObject] = 1;
    for (int k = 0; k < 20; ++k) {
        const int key = db->CreateKey();
        setNameText(keyOwner(db->commonKeys[key]), "Ключ " + std::to_string(key + 1));
    }
    db->MarkObjects();
    frame.databaseChanged(0);
    gui::CTree* tree = frame.leftTree();
    tree->setFocus();
    pick(tree, lcpItem(1), -1);
    tree->expand(tree->indexOfCode(lcpItem(1)));
    save(&frame, "s5-tree-full-folder");
    pick(tree, kItemRoot, -1);
    save(&frame, "s5-grid-console");
    pick(tree, lcpItem(1), -1);
    save(&frame, "s5-grid-lcp");
    tree->expand(tree->indexOfCode(objectItem(1, 0)));
    pick(tree, objectItem(1, 0), -1);
    save(&frame, "s5-grid-object");
    pick(tree, objectItem(2, 0), -1);
    save(&frame, "s5-grid-object-linked");
    pick(tree, deviceItem(1, 0), -1);
    save(&frame, "s5-grid-device");
    pick(tree, keyItem(1, 0), -1);
    save(&frame, "s5-grid-key");
    pick(tree, commonKeyItem(0), -1);
    save(&frame, "s5-grid-console-key");
    // The shown database is not to be saved when the family changes next.
    db->modified = 0;
}

void editorShots(gui::CMainFrame& frame) {
    auto* db = dynamic_cast<DBK2*>(frame.database());
    if (!db) return;
    fillDatabase(*db);
    frame.databaseChanged(0);
    gui::CTree* tree = frame.leftTree();
    gui::CGrid* grid = frame.views()->grid();
    tree->setFocus();
    pick(tree, 0, -3);
    tree->expand(tree->indexOfCode(-30));
    tree->expand(tree->indexOfCode(-31));
    save(&frame, "views-tree-device");
    pick(tree, 0x80 + 32, -31);
    save(&frame, "views-grid-loop");
    pick(tree, 9, -3);
    save(&frame, "views-grid-device-tk3");
    pick(tree, 0x100 + 3, -7);
    save(&frame, "views-grid-key");
    grid->tabs()->setCurrentIndex(1);
    save(&frame, "views-grid-key-tab");
    grid->tabs()->setCurrentIndex(0);

    // A cell in each editor kind the family's rows use.
    pick(tree, 0, -1);
    editRow(grid, "Время задержки на Вход-Выход");
    grid->edit()->setText("300");
    save(grid, "views-edit-number");
    grid->commitEdit();
    save(grid, "views-edit-number-clamped");
    pick(tree, 0x80 + 32, -31);
    editRow(grid, "Имя ШС");
    save(grid, "views-edit-name-list");
    grid->commitEdit();
    editRow(grid, "Номер к имени");
    save(grid, "views-edit-number5");
    grid->commitEdit();
    pick(tree, 0, -3);
    editRow(grid, "Условие срабатывания");
    save(grid, "views-edit-list");
    grid->commitEdit();
    pick(tree, 0x100 + 3, -7);
    editRow(grid, "Полный номер ключа");
    save(grid, "views-edit-key-number");
    // A refused value: red on white, and the tree keeps the key.
    grid->edit()->setText("12 34 5G 78 9A BC");
    grid->commitEdit();
    save(&frame, "views-refused-value");
    editRow(grid, "Полный номер ключа");
    grid->edit()->setText("12 34 56 78 9A BC");
    grid->commitEdit();

    // A cut device shown ghosted, and "Две базы".
    pick(tree, 1, 0x80 + 32);
    tree->runCommand(1192);
    save(&frame, "views-cut-ghosted");
    frame.runCommand(kCmdTwoBases);
    save(&frame, "views-two-databases");
    frame.runCommand(kCmdTwoBases);
}

// "Ордис Р7": objects with devices of every kind on the four lines and
// without one, switched off ones, employee and general keys; the tree, the
// grid of each item kind, the "Линии" tab and the time editor.
void r7Shots(gui::CMainFrame& frame) {
    frame.database()->modified = 0;
    frame.runCommand(kCmdFamilyR7);
    auto* db = dynamic_cast<DBR7*>(frame.database());
    if (!db) return;
    using namespace tavrin::r7;
    const char* objects[] = {"Котельная", "Склад", "Офис 1", "Серверная"};
    std::vector<int> made;
    for (int o = 0; o < 4; ++o) {
        const int obj = db->CreateElement(kTypeObject, 0);
        db->table()[static_cast<std::size_t>(obj)].setName(objects[o]);
        made.push_back(obj);
        const auto kinds = deviceKinds();
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            if ((k + static_cast<std::size_t>(o)) % 3 != 0) continue;
            const int d = db->CreateElement(kinds[k].newCode, obj);
            ElementRecord& r = db->table()[static_cast<std::size_t>(d)];
            r.bytes[kOffLine] = static_cast<std::uint8_t>((k + 1) % 5);
            r.bytes[kOffOutputMode] = static_cast<std::uint8_t>(k % 3);
        }
        db->CreateElement(kTypeKey, obj);
    }
    db->table()[static_cast<std::size_t>(made[3])].bytes[kOffSwitch] |= kSwitchedOffBit;
    db->table()[static_cast<std::size_t>(made[0] + 1)].bytes[kOffSwitch] |= kSwitchedOffBit;
    db->CreateElement(kTypeKey, 0);
    db->CreateElement(kTypeKey, 0);
    frame.databaseChanged(0);
    gui::CTree* tree = frame.leftTree();
    gui::CGrid* grid = frame.views()->grid();
    tree->setFocus();
    for (int o : {made[0], made[1]})
        tree->expand(tree->indexOfCode(o));
    tree->expand(tree->indexOfCode(-1));
    pick(tree, 0, -1);
    save(&frame, "r7-tree");
    save(&frame, "r7-grid-panel");
    pick(tree, made[0], 0);
    save(&frame, "r7-grid-object");
    pick(tree, made[0] + 1, made[0]);
    save(&frame, "r7-grid-detector");
    grid->tabs()->setCurrentIndex(1);
    save(&frame, "r7-grid-device-lines");
    grid->tabs()->setCurrentIndex(0);
    for (int i = 1; i < kElementCount; ++i) {
        const ElementRecord& r = db->table()[static_cast<std::size_t>(i)];
        if (!r.isFree() && (r.type() == 48 || r.type() == 136)) {
            pick(tree, i, static_cast<ItemCode>(db->findElementById(r.parent())));
            save(&frame, "r7-grid-relay");
            break;
        }
    }
    pick(tree, made[0] + 5, made[0]);
    pick(tree, -1, 0);
    grid->tabs()->setCurrentIndex(1);
    save(&frame, "r7-grid-line-tab");
    grid->tabs()->setCurrentIndex(0);
    for (int i = 1; i < kElementCount; ++i) {
        const ElementRecord& r = db->table()[static_cast<std::size_t>(i)];
        if (!r.isFree() && r.type() == kTypeKey && r.parent() != 1) {
            pick(tree, i, static_cast<ItemCode>(db->findElementById(r.parent())));
            save(&frame, "r7-grid-key");
            break;
        }
    }
    pick(tree, made[1], 0);
    editRow(grid, "Переход на ночь");
    save(grid, "r7-edit-time");
    grid->commitEdit();
    editRow(grid, "Объект 1 для передачи \"Пожара\"");
    save(grid, "r7-edit-object-list");
    grid->commitEdit();
    // The shown database is not to be saved when the family changes next.
    db->modified = 0;
    frame.runCommand(kCmdFamilyK2);
}

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
    auto factory = [](Family family, int role, const AppContext& c) -> std::unique_ptr<DBase> {
        if (family == Family::K2) return std::make_unique<SlowRead>(role, c);
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
    frame.runCommand(kCmdFamilyS5);
    save(&frame, "main-s5");
    s5Shots(frame);
    frame.runCommand(kCmdFamilyK2);
    editorShots(frame);
    r7Shots(frame);

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

    // ---- Service windows ---------------------------------------------------------
    {
        frame.shell().switchFamily(Family::K2);
        auto& k2 = static_cast<DBK2&>(*frame.database());
        k2.databaseValid = true;
        for (int n = 1; n <= 4; ++n) {
            const int i = k2.CreateElement(0, -1);
            k2.devices[i][4] = static_cast<std::uint8_t>(n == 4 ? 2 : n);    // 4: same address as 2
            k2.devices[i][3] = static_cast<std::uint8_t>(n == 3 ? 200 : 0);  // 3: no loop
        }
        k2.CreateKey();  // a key without a number
        frame.runCommand(kCmdCheck);
        if (auto* w = frame.services()->analysisWindow()) save(w, "analysis");

        const std::string folder = work.toStdString();
        auto record = [](const char* t, const char* e, const char* l, const char* d) {
            return JournalRecord{std::string(t), std::string(e), std::string(l), std::string(d)};
        };
        JournalFile journal;
        journal.kind = kJournalKindK2;
        const char* events[] = {"Пожар",           "Неисправность линии", "Взятие на охрану",
                                "Снятие с охраны", "Сброс пожара",        "Тревога"};
        for (int i = 0; i < 140; ++i) {
            char time[32], loop[16], device[16];
            std::snprintf(time, sizeof time, "%02d/03/24 %02d:%02d:%02d", 1 + i / 24, i % 24,
                          (i * 7) % 60, (i * 13) % 60);
            std::snprintf(loop, sizeof loop, "ШС %d", 1 + i % 5);
            std::snprintf(device, sizeof device, "ДИП %03d", 1 + i % 7);
            journal.records.push_back(record(time, events[i % 6], loop, device));
        }
        writeJournalFile(folder + "/Journal.tvj", journal);
        frame.runCommand(kCmdJournal);
        if (auto* d = frame.services()->journalWindow()) {
            d->resize(860, 560);
            d->groupBy(2);
            d->toggleGroup(0);
            d->view()->setFocus();
            save(d, "journal-grouped");

            // Page 1 of the printed journal, through a PDF file.
            struct PdfDialogs : gui::ViewerDialogs {
                QString pdf;
                bool choosePrinter(QWidget*, QPrinter& printer, int, bool,
                                   PrintListRequest& request) override {
                    printer.setOutputFormat(QPrinter::PdfFormat);
                    printer.setOutputFileName(pdf);
                    request.range = PrintListRequest::Range::All;
                    return true;
                }
            } pdf;
            pdf.pdf = work + "/journal.pdf";
            gui::setViewerDialogs(&pdf);
            d->resetFilters();
            d->print();
            gui::setViewerDialogs(nullptr);
            QProcess::execute(QStringLiteral("pdftoppm"),
                              {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("80"),
                               QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                               QStringLiteral("1"), QStringLiteral("-singlefile"), pdf.pdf,
                               outDir + "/journal-print"});
            d->close();
        }

        JournalFile active;
        active.kind = kJournalKindK2ActiveEvents;
        active.records = {record("1", "Пожар", "ШС 1", "ДИП 001"),
                          record("1", "Внимание", "ШС 1", "ДИП 004"),
                          record("2", "Тревога", "ШС 3", "ИО 012"),
                          record("3", "Взят на охрану", "ШС 2", ""),
                          record("4", "Обрыв линии", "ШС 5", "ДИП 007"),
                          record("4", "Неисправность питания", "", "")};
        writeJournalFile(folder + "/JournalAS.tvj", active);
        frame.runCommand(kCmdActiveEvents);
        if (auto* v = frame.services()->eventsWindow()) save(v, "active-events");

        std::vector<DustRecord> dust;
        const int dustLevels[] = {2, 5, 8, 7, 9, 10, 3, 8, 1, 6};
        for (int i = 0; i < 10; ++i) {
            dust.push_back(DustRecord::make("ДИП " + std::to_string(i + 1),
                                            "Шлейф " + std::to_string(1 + i % 3),
                                            static_cast<std::uint8_t>(dustLevels[i])));
        }
        writeDustinessFile(folder + "/Zap.tvz", dust);
        frame.runCommand(kCmdDustiness);
        if (auto* z = frame.services()->dustWindow()) save(z, "dustiness");
    }

    if (failures > 0) {
        std::fprintf(stderr, "%d screenshots not written\n", failures);
        return 1;
    }
    std::printf("screenshots written to %s\n", qPrintable(outDir));
    std::fflush(stdout);
    return 0;
}
