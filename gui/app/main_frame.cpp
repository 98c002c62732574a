#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QDir>
#include <QEventLoop>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMimeData>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRegularExpression>
#include <QScreen>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "app/commands.h"
#include "app/device_runner.h"
#include "app/dialogs.h"
#include "app/qt_text.h"
#include "base/file_io.h"
#include "base/text.h"
#include "editor/c_grid.h"
#include "editor/c_tree.h"
#include "editor/db_diff.h"
#include "editor/diff_marks.h"
#include "editor/editor_views.h"
#include "editor/find_bar.h"
#include "editor/g_edit.h"
#include "link/result_codes.h"
#include "registry/family_registry.h"
#include "resources/tree_icons.h"
#include "service/compare_window.h"
#include "service/console_windows.h"
#include "service/service_windows.h"

namespace tavrin::gui {

namespace {

// A toolbar icon: a scalable image of the resources, sharp at any scale.
QIcon toolIcon(const char* name) {
    return scalableIcon(QStringLiteral(":/icons/toolbar/%1.svg").arg(QLatin1String(name)));
}

struct FilterButton {
    int id;
    const char* group;
    const char* icon;
};
const FilterButton kFilterButtons[] = {
    {kCmdFilterDevices, "устройства", "filter-devices"},
    {kCmdFilterSecurityLoops, "охранные ШС", "filter-security"},
    {kCmdFilterFireLoops, "пожарные ШС", "filter-fire"},
    {kCmdFilterControlLoops, "контрольные ШС", "filter-control"},
    {kCmdFilterOutputLoops, "управляющие ШС", "filter-output"},
    {kCmdFilterKeys, "ключи", "filter-keys"},
};

// The shortcuts a desktop user expects on the commands, from the platform's
// standard key bindings where Qt knows one.
QList<QKeySequence> commandKeys(int command) {
    auto standard = [](QKeySequence::StandardKey key, const char* fallback) {
        QList<QKeySequence> keys = QKeySequence::keyBindings(key);
        if (keys.isEmpty() && fallback) keys.append(QKeySequence(QString::fromLatin1(fallback)));
        return keys;
    };
    switch (command) {
        case kCmdNew:
            return standard(QKeySequence::New, "Ctrl+N");
        case kCmdOpen:
            return standard(QKeySequence::Open, "Ctrl+O");
        case kCmdSave:
            return standard(QKeySequence::Save, "Ctrl+S");
        case kCmdSaveAs:
            return standard(QKeySequence::SaveAs, "Ctrl+Shift+S");
        case kCmdPrint:
            return standard(QKeySequence::Print, "Ctrl+P");
        case kCmdExit: {
            // Alt+F4 closes the window on every desktop; Ctrl+Q is shown too.
            QList<QKeySequence> keys = standard(QKeySequence::Quit, "Ctrl+Q");
            if (!keys.contains(QKeySequence(Qt::ALT | Qt::Key_F4)))
                keys.append(QKeySequence(Qt::ALT | Qt::Key_F4));
            return keys;
        }
        case kCmdAbout:
            return standard(QKeySequence::HelpContents, "F1");
        case kCmdSearchDatabase:
            return standard(QKeySequence::Find, "Ctrl+F");
        case kCmdUndo:
            return standard(QKeySequence::Undo, "Ctrl+Z");
        case kCmdCut:
            return standard(QKeySequence::Cut, "Ctrl+X");
        case kCmdCopy:
            return standard(QKeySequence::Copy, "Ctrl+C");
        case kCmdPaste:
            return standard(QKeySequence::Paste, "Ctrl+V");
        case kCmdDelete:
            return {QKeySequence(Qt::Key_Delete)};
        case kCmdAddElement:
            return {QKeySequence(Qt::Key_Insert)};
        default:
            return {};
    }
}

// The edit keys belong to the focused widget (the tree acts on its items, a
// text editor on its text): on these commands the keys are only shown in the
// menu.
bool keysShownOnly(int command) {
    switch (command) {
        case kCmdUndo:
        case kCmdCut:
        case kCmdCopy:
        case kCmdPaste:
        case kCmdDelete:
        case kCmdAddElement:
            return true;
        default:
            return false;
    }
}

}  // namespace

QString withMnemonic(const QString& text, QSet<QChar>& used) {
    if (text.contains(QRegularExpression(QStringLiteral("&[^&]")))) return text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i).toLower();
        if (!c.isLetterOrNumber() || used.contains(c)) continue;
        // Prefer the start of a word.
        if (i > 0 && text.at(i - 1).isLetterOrNumber()) continue;
        used.insert(c);
        return text.left(i) + QLatin1Char('&') + text.mid(i);
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i).toLower();
        if (!c.isLetterOrNumber() || used.contains(c)) continue;
        used.insert(c);
        return text.left(i) + QLatin1Char('&') + text.mid(i);
    }
    return text;
}

namespace {

QString filterTip(const FilterButton& b, bool hidden) {
    return u(hidden ? "Показать " : "Скрыть ") + u(b.group);
}

}  // namespace

CMainFrame::CMainFrame(const AppContext& context, DatabaseFactory factory, QWidget* parent)
    : QMainWindow(parent), ctx_(context), factory_(std::move(factory)) {
    setObjectName("CMainFrame");
    recovery_ = std::make_unique<RecoveryStore>(RecoveryStore::folderFor(ctx_));
    recoveryTimer_ = new QTimer(this);
    recoveryTimer_->setSingleShot(true);
    connect(recoveryTimer_, &QTimer::timeout, this, [this] { keepRecoveryCopies(); });
    shell_ = std::make_unique<Shell>(ctx_, *this, factory_);
    shell_->loadSettings();
    if (!shell_->settings().folder.empty()) {
        QDir::setCurrent(QString::fromStdString(shell_->settings().folder));
    }
    defaultProber_ = std::make_unique<DatabasePortProber>(ctx_, factory_);
    prober_ = defaultProber_.get();

    // Status bar: the message pane, a second pane, and the third pane that
    // the progress bar covers while a device command runs.
    for (auto*& pane : statusPanes_)
        pane = new QLabel(this);
    statusBar()->addWidget(statusPanes_[0], 1);
    statusBar()->addPermanentWidget(statusPanes_[1]);
    auto* third = new QWidget(this);
    auto* thirdLayout = new QHBoxLayout(third);
    thirdLayout->setContentsMargins(0, 0, 0, 0);
    thirdLayout->addWidget(statusPanes_[2]);
    progress_ = new QProgressBar(third);
    progress_->setObjectName("progress");
    progress_->setFixedWidth(260);
    progress_->setTextVisible(true);
    progress_->hide();
    thirdLayout->addWidget(progress_);
    third->setMinimumWidth(200);
    statusBar()->addPermanentWidget(third);
    guiProgress_ = std::make_unique<GuiProgress>(progress_);

    // Splitter: the tree pane (left tree, and the right tree of the
    // two-database mode), the grid and the status view.
    // (Inside the central widget, made first: the trees go before the
    // views that own their document.)
    auto* central = new QWidget(this);
    splitter_ = new QSplitter(Qt::Horizontal, central);
    treePane_ = new QSplitter(Qt::Horizontal, splitter_);
    auto* rightSide = new QSplitter(Qt::Vertical, splitter_);
    // The trees and the grid of the database editor.
    views_ = new EditorViews(
        *ctx_.prompter, treePane_, rightSide, [this](int c) { return action(c); },
        [this](const std::string& t) { setStatusText(t); }, this);
    leftTree_ = views_->tree(0);
    leftTree_->setObjectName("leftTree");
    rightTree_ = views_->tree(1);
    rightTree_->setObjectName("rightTree");
    // The shell's active tree follows the views' (which refuse to change
    // while the grid holds a refused value).
    connect(views_, &EditorViews::activeChanged, this,
            [this](int role) { shell_->setRightActive(role == 1); });
    connect(views_, &EditorViews::stateChanged, this, [this] { updateModifiedMarker(); });
    // "Две базы" marks the items in which the two databases differ.
    auto* marks = new DiffMarks(*views_, this);
    marks->setObjectName("diffMarks");
    connect(views_, &EditorViews::stateChanged, marks, [marks] { marks->schedule(); });
    connect(views_->grid(), &CGrid::edited, marks, [marks] { marks->schedule(true); });
    connect(this, &CMainFrame::databaseShown, marks, [marks] { marks->schedule(true); });
    connect(this, &CMainFrame::twoBasesToggled, marks, &DiffMarks::setEnabled);
    gridTabs_ = views_->grid()->tabs();
    gridTabs_->setObjectName("grid");
    gridEditor_ = views_->grid()->edit();
    statusView_ = new QPlainTextEdit(rightSide);
    statusView_->setObjectName("CStat");
    statusView_->setReadOnly(true);
    statusView_->hide();
    splitter_->setStretchFactor(1, 1);
    // The find bar of "Поиск по БД" sits over the trees and the grid.
    findBar_ = new FindBar(*views_, central);
    auto* centralLayout = new QVBoxLayout(central);
    centralLayout->setContentsMargins(0, 0, 0, 0);
    centralLayout->setSpacing(0);
    centralLayout->addWidget(findBar_);
    centralLayout->addWidget(splitter_, 1);
    setCentralWidget(central);

    // F6 and Ctrl+Tab move between the trees and the grid (with Shift back).
    for (const auto& [key, forward] :
         {std::pair{QKeySequence(Qt::Key_F6), true},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_Tab), true},
          std::pair{QKeySequence(Qt::SHIFT | Qt::Key_F6), false},
          std::pair{QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab), false},
          std::pair{QKeySequence(Qt::CTRL | Qt::Key_Backtab), false}}) {
        auto* shortcut = new QShortcut(key, this);
        connect(shortcut, &QShortcut::activated, this,
                [this, fwd = forward] { views_->focusNextPane(fwd); });
    }

    buildToolBars();
    shell_->start();
    rebuildMenus();
    applyFamilyLook();
    rebuildFilterToolBar();
    databaseChanged(0);
    databaseChanged(1);
    updateCaption(100);
    setAcceptDrops(true);

    const GeneralSettings& s = shell_->settings();
    // The stored placement may come from a larger screen or another scale:
    // it is kept inside the screen's available area.
    const QRect wanted = s.width > 0 && s.height > 0 ? QRect(s.left, s.top, s.width, s.height)
                                                     : QRect(0, 0, 1000, 680);
    QScreen* screen = QGuiApplication::screenAt(wanted.center());
    if (!screen) screen = QGuiApplication::primaryScreen();
    const QRect area = screen ? screen->availableGeometry() : wanted;
    const QRect placed = clampToArea(wanted, area);
    if (s.width > 0 && s.height > 0) {
        setGeometry(placed);
    } else {
        resize(placed.size());
    }
    if (s.splitter > 0) splitter_->setSizes({s.splitter, std::max(100, width() - s.splitter)});

    // The service windows take the window commands of the check, the
    // printout and the viewers.
    services_ = new ServiceWindows(
        this,
        [this] {
            DBase* db = shell_->database();
            return db ? db : database();
        },
        [this](const std::function<int(Progress&)>& op) { return runDeviceOperation(op); },
        [this](const std::string& text) { setStatusText(text); },
        [this] {
            if (DBase* db = shell_->database()) databaseChanged(db->role);
        });
    connect(this, &CMainFrame::windowCommand, services_,
            [this](int command) { services_->command(command); });
    connect(this, &CMainFrame::databaseShown, services_, [this] { services_->databaseShown(); });
    connect(services_, &ServiceWindows::showItem, this, &CMainFrame::showTreeItem);
    connect(services_, &ServiceWindows::showItemPath, this, [this](int role, const ItemPath& path) {
        if (CTree* tree = views_->tree(role); tree && tree->isVisible()) {
            tree->selectPath(path);
            activateWindow();
            tree->setFocus();
        }
    });
}

CMainFrame::~CMainFrame() {
    // A normal end: the user saved or discarded every change.
    recovery_->discardAll();
    shell_->storeFolder(QDir::currentPath().toStdString());
    // The databases go with the shell before the views: let the views
    // forget them, and let no editor left open commit into them.
    views_->grid()->abandonEdit();
    views_->grid()->model().clear();
    views_->document().databases = {};
}

void CMainFrame::showAsStored() {
    if (shell_->settings().maximized == 1) {
        showMaximized();
    } else {
        showNormal();
    }
}

QRect clampToArea(const QRect& wanted, const QRect& area) {
    if (area.isEmpty()) return wanted;
    QRect r = wanted;
    r.setWidth(std::min(std::max(r.width(), 200), area.width()));
    r.setHeight(std::min(std::max(r.height(), 150), area.height()));
    r.moveLeft(std::clamp(r.left(), area.left(), area.right() - r.width() + 1));
    r.moveTop(std::clamp(r.top(), area.top(), area.bottom() - r.height() + 1));
    return r;
}

QString elidePath(const QString& path, int maxChars) {
    if (path.size() <= maxChars || maxChars < 8) return path;
    const int tail = (maxChars - 1) * 2 / 3;
    const int head = maxChars - 1 - tail;
    return path.left(head) + QChar(0x2026) + path.right(tail);
}

void CMainFrame::updateCaption(std::size_t capacity) {
    DBase* db = database();
    if (!db) return;
    // The database's title and file; a path too long for the caption is
    // shortened in the middle, keeping the drive or root and the file name.
    QString caption = q(db->WindowTitle(capacity));
    if (caption.isEmpty()) {
        caption = q(db->title);
        if (!db->filePath.empty()) {
            const int room = std::max(24, static_cast<int>(capacity) - int(caption.size()) - 5);
            caption += u(" - ") + elidePath(q(db->filePath), room);
        }
    }
    setWindowTitle(caption + QStringLiteral("[*]"));
    updateModifiedMarker();
}

void CMainFrame::updateModifiedMarker() {
    bool modified = false;
    for (int role = 0; role < 2; ++role) {
        const DBase* db = shell_->document().database(role);
        if (db && db->modified && (role == 0 || shell_->twoBases())) modified = true;
    }
    setWindowModified(modified);
    keepRecoveryCopies();
}

void CMainFrame::keepRecoveryCopies() {
    if (!recovery_ || !shell_) return;
    if (deviceOperations_ > 0) {
        // The database is the operation's now; look again afterwards.
        if (!recoveryTimer_->isActive()) recoveryTimer_->start(1000);
        return;
    }
    std::int64_t wait = 0;
    const std::int64_t now = RecoveryStore::now();
    for (int role = 0; role < 2; ++role) {
        if (DBase* db = shell_->document().database(role)) {
            const std::int64_t w = recovery_->update(*db, now);
            if (w > 0 && (wait == 0 || w < wait)) wait = w;
        }
    }
    if (wait > 0 && !recoveryTimer_->isActive())
        recoveryTimer_->start(static_cast<int>(wait) * 1000);
}

bool CMainFrame::offerRecovery() {
    return shell_->offerRecovery(*recovery_, RecoveryStore::now(), [this](Family family) {
        switchFamily(family);
        return shell_->family() == family;
    });
}

QAction* CMainFrame::action(int command) const {
    const auto it = actions_.find(command);
    return it == actions_.end() ? nullptr : it->second;
}

QString CMainFrame::statusText() const {
    return statusPanes_[0]->text();
}

QAction* CMainFrame::makeAction(int command, const QString& text) {
    QAction*& a = actions_[command];
    if (!a) {
        a = new QAction(text, this);
        a->setData(command);
        if (const QList<QKeySequence> keys = commandKeys(command); !keys.isEmpty()) {
            a->setShortcuts(keys);
            a->setShortcutContext(keysShownOnly(command) ? Qt::WidgetShortcut : Qt::WindowShortcut);
        }
        addAction(a);
        connect(a, &QAction::triggered, this, [this, command] { runCommand(command); });
    } else {
        a->setText(text);
    }
    return a;
}

// ---- Menus and toolbars -------------------------------------------------------------

void CMainFrame::rebuildMenus() {
    // clear() only takes the menus out of the bar: the menus of the last
    // build (and their submenus) are deleted, or every family switch, "Две
    // базы" and change of the recent files would keep a set of them. Later,
    // since a command of one of them may be running now.
    for (QMenu* old : menuBar()->findChildren<QMenu*>(QString(), Qt::FindDirectChildrenOnly))
        old->deleteLater();
    menuBar()->clear();
    // Each menu's entries get distinct underlined letters.
    std::vector<QSet<QChar>> used(1);
    for (auto& [id, a] : actions_) {
        if (id >= kCmdRecent1 && id <= kCmdRecent10) a->setVisible(false);
    }
    std::function<void(QMenu*, const std::vector<MenuNode>&)> fill =
        [&](QMenu* menu, const std::vector<MenuNode>& nodes) {
            for (const MenuNode& n : nodes) {
                switch (n.kind) {
                    case MenuNode::Kind::Separator:
                        menu->addSeparator();
                        break;
                    case MenuNode::Kind::Submenu:
                        used.emplace_back();
                        fill(menu->addMenu(withMnemonic(q(n.text), used[used.size() - 2])),
                             n.children);
                        used.pop_back();
                        break;
                    case MenuNode::Kind::RecentFiles:
                        for (const auto& e : shell_->recentFiles().menuEntries()) {
                            // "N.  path": a long path is shortened in the
                            // middle, the whole one is the tooltip.
                            QString text = q(e.text);
                            const qsizetype gap = text.indexOf(QStringLiteral(".  "));
                            const QString path = gap < 0 ? text : text.mid(gap + 3);
                            if (gap >= 0) text = text.left(gap + 3) + elidePath(path, 64);
                            text.replace('&', "&&");
                            text = withMnemonic(text, used.back());
                            QAction* a = makeAction(kCmdRecent1 + e.index, text);
                            a->setToolTip(QDir::toNativeSeparators(path));
                            menu->setToolTipsVisible(true);
                            a->setVisible(true);
                            menu->addAction(a);
                        }
                        break;
                    case MenuNode::Kind::Item: {
                        QAction* a = makeAction(n.id, withMnemonic(q(n.text), used.back()));
                        a->setCheckable(n.checkable);
                        a->setEnabled(n.enabled);
                        menu->addAction(a);
                        break;
                    }
                }
            }
        };
    for (const MenuNode& top : buildMenuBar(shell_->family())) {
        QMenu* menu = menuBar()->addMenu(withMnemonic(q(top.text), used.front()));
        used.emplace_back();
        fill(menu, top.children);
        used.pop_back();
    }
    syncChecks();
}

void CMainFrame::syncChecks() {
    for (int id : {kCmdFamilyR7, kCmdFamilyK2, kCmdFamilyS5}) {
        if (QAction* a = action(id)) {
            a->setCheckable(true);
            a->setChecked(familyOfCommand(id) == shell_->family());
        }
    }
    if (QAction* a = action(kCmdTwoBases)) {
        a->setCheckable(true);
        a->setChecked(shell_->twoBases());
    }
}

void CMainFrame::buildToolBars() {
    mainBar_ = addToolBar(u("Стандартная"));
    mainBar_->setObjectName("mainToolBar");
    struct Button {
        int id;
        const char* text;
        QIcon icon;
    };
    const std::vector<std::vector<Button>> groups = {
        {{kCmdNew, "Создать", toolIcon("new")},
         {kCmdOpen, "Открыть", toolIcon("open")},
         {kCmdSave, "Сохранить", toolIcon("save")}},
        {{kCmdCut, "Вырезать", toolIcon("cut")},
         {kCmdCopy, "Копировать", toolIcon("copy")},
         {kCmdPaste, "Вставить", toolIcon("paste")}},
        {{kCmdReadDatabase, "Прочитать базу", toolIcon("read-database")},
         {kCmdWriteDatabase, "Записать базу", toolIcon("write-database")},
         {kCmdReadJournal, "Прочитать журнал", toolIcon("read-journal")}},
        {{kCmdOpenLast, "Считать последнюю сохраненную базу", toolIcon("open-last")},
         {kCmdFindDevice, "Поиск прибора", toolIcon("find-device")},
         {kCmdTwoBases, "Две базы", toolIcon("two-bases")}},
        {{kCmdAbout, "О программе", toolIcon("about")}},
    };
    for (const auto& group : groups) {
        if (!mainBar_->actions().isEmpty()) mainBar_->addSeparator();
        for (const Button& b : group) {
            QAction* a = makeAction(b.id, u(b.text));
            a->setIcon(b.icon);
            a->setToolTip(u(b.text));
            mainBar_->addAction(a);
        }
    }

    filterBar_ = addToolBar(u("Фильтр дерева"));
    filterBar_->setObjectName("filterToolBar");
    for (const FilterButton& b : kFilterButtons) {
        QAction* a = makeAction(b.id, u(b.group));
        a->setCheckable(true);
        a->setIcon(toolIcon(b.icon));
        filterBar_->addAction(a);
    }
}

void CMainFrame::rebuildFilterToolBar() {
    TreeEditor& tree = views_->activeTree()->editor();
    // The buttons show and hide the first family's groups: a family whose
    // tree has no such groups gets no buttons.
    const bool groups = tree.family() && tree.family()->hasGroupToggles();
    filterBar_->setVisible(groups);
    filterBar_->toggleViewAction()->setVisible(groups);
    for (const FilterButton& b : kFilterButtons) {
        QAction* a = action(b.id);
        const bool hidden = tree.groupHidden(b.id - kCmdFilterDevices);
        a->setChecked(hidden);
        a->setToolTip(filterTip(b, hidden));
    }
}

void CMainFrame::applyFamilyLook() {
    const Family family = shell_->family();
    const FamilyTraits& traits = familyTraits(family);
    if (QAction* a = action(kCmdTwoBases)) a->setVisible(traits.commands.twoBases);
    views_->setFamily(family);
    statusPanes_[1]->setText(u(traits.name));
}

// ---- Commands -----------------------------------------------------------------------------

void CMainFrame::runCommand(int command) {
    // A new command starts with a clean status line (the last result goes),
    // and the progress bar names the device operation it measures.
    setStatusText(std::string());
    const std::string operation = deviceCommandTitle(command);
    progress_->setFormat(operation.empty() ? QStringLiteral("%p%")
                                           : q(operation) + QStringLiteral(": %p%"));
    if (command >= kCmdFilterDevices && command <= kCmdFilterKeys) {
        QAction* a = action(command);
        const bool hidden = a->isChecked();
        // The rebuild would reload the grid: its pending values go in first.
        if (commitPendingEdits()) {
            views_->setGroupHidden(command, hidden);
            emit treeFilterChanged(command, hidden);
        }
        rebuildFilterToolBar();
        return;
    }
    if (const std::optional<Family> family = familyOfCommand(command)) {
        switchFamily(*family);
        return;
    }
    switch (command) {
        case kCmdUndo:
        case kCmdCut:
        case kCmdCopy:
        case kCmdPaste:
        case kCmdDelete:
        case kCmdAddElement:
        case kCmdShowBuffer:
            views_->runCommand(command);
            emit treeCommand(command);
            // An undo may have shown or hidden a group.
            rebuildFilterToolBar();
            return;
        case kCmdPortSettings:
            portSettings();
            return;
        case kCmdProgramSettings:
            programSettings();
            return;
        case kCmdAbout:
            about();
            return;
        case kCmdFindDevice:
            portSearch();
            return;
        case kCmdCompareWithFile:
            compareWithFile();
            return;
        case kCmdSearchDatabase:
            findBar_->open();
            return;
        default:
            break;
    }
    // The windows of the check, the printout, the search and the viewers
    // read the database: the grid's pending values go in first.
    if (!shell_->execute(command) && commitPendingEdits()) emit windowCommand(command);
    syncChecks();
    updateModifiedMarker();
}

void CMainFrame::switchFamily(Family family) {
    if (shell_->switchFamily(family)) {
        gridTabs_->setCurrentIndex(0);
        applyFamilyLook();
        updateCaption(200);
    }
    rebuildFilterToolBar();
    syncChecks();
}

// ---- ShellHost ------------------------------------------------------------------------------

std::optional<std::string> CMainFrame::chooseOpenFile(const std::string& title,
                                                      const std::vector<FileFilter>& filters) {
    return dialogs_->openFile(this, title, filters);
}

std::optional<std::string> CMainFrame::chooseSaveFile(const std::string& title,
                                                      const std::vector<FileFilter>& filters,
                                                      const std::string& defaultExtension) {
    return dialogs_->saveFile(this, title, filters, defaultExtension);
}

std::optional<std::string> CMainFrame::chooseFolder(const std::string& title) {
    return dialogs_->folder(this, title);
}

Progress& CMainFrame::progress() {
    return *guiProgress_;
}

void CMainFrame::setStatusText(const std::string& text) {
    statusPanes_[0]->setText(q(text));
    statusPanes_[0]->repaint();
}

int CMainFrame::runDeviceOperation(const std::function<int(Progress&)>& operation) {
    ++deviceOperations_;
    const int code = runOnWorker(this, progress_, operation);
    --deviceOperations_;
    if (ctx_.cancelWindow) ctx_.cancelWindow->hide();
    QCoreApplication::processEvents();
    return code;
}

std::optional<ShellHost::ProgramChoice> CMainFrame::chooseProgramTarget(
    const std::vector<ProgramTarget>& targets) {
    return askProgramTarget(this, targets);
}

std::int32_t CMainFrame::currentItem() {
    CTree* tree = views_->activeTree();
    return tree ? tree->editor().currentCode() : 0;
}

void CMainFrame::postStatusText(const std::string& text) {
    QMetaObject::invokeMethod(this, [this, text] { setStatusText(text); });
}

void CMainFrame::showTreeItem(std::int32_t item) {
    CTree* tree = views_->activeTree();
    if (!tree) return;
    const QModelIndex index = tree->indexOfCode(item);
    if (!index.isValid()) return;
    tree->setCurrentIndex(index);
    tree->scrollTo(index);
    activateWindow();
    tree->setFocus();
}

void CMainFrame::waitWithCursor(unsigned ms) {
    const int scaled = static_cast<int>(ms * waitFactor_);
    if (scaled <= 0) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    QEventLoop loop;
    QTimer::singleShot(scaled, &loop, &QEventLoop::quit);
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    QApplication::restoreOverrideCursor();
}

void CMainFrame::databaseChanged(int role) {
    views_->showDatabase(role, shell_->document().database(role));
    // The tree knows its family's groups once it shows a database.
    rebuildFilterToolBar();
    updateCaption(200);
    emit databaseShown(role);
}

void CMainFrame::databaseReplaced(int role) {
    views_->replaceDatabase(role, shell_->document().database(role),
                            shell_->document().database(role ^ 1));
    rebuildFilterToolBar();
    updateCaption(200);
    emit databaseShown(role);
}

int CMainFrame::runWriteGate(DBase& database) {
    return services_->writeGate(database);
}

void CMainFrame::menusChanged() {
    rebuildMenus();
}

void CMainFrame::activeTreeChanged(bool right) {
    (right ? rightTree_ : leftTree_)->setFocus();
    rebuildFilterToolBar();
}

void CMainFrame::twoBasesChanged(bool on) {
    views_->setTwoBases(on);
    if (!on) leftTree_->setFocus();
    syncChecks();
    emit twoBasesToggled(on);
}

void CMainFrame::resetTreeState() {
    views_->resetTreeState();
    rebuildFilterToolBar();
}

bool CMainFrame::commitPendingEdits() {
    return views_->commitPendingEdits();
}

void CMainFrame::clearViewsForSwitch() {
    gridTabs_->setCurrentIndex(0);
}

void CMainFrame::hideStatusView() {
    statusView_->hide();
}

void CMainFrame::closeWindow() {
    close();
}

// ---- Events -----------------------------------------------------------------------------------

bool CMainFrame::eventFilter(QObject* watched, QEvent* event) {
    return QMainWindow::eventFilter(watched, event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (!shell_->queryClose()) {
        event->ignore();
        return;
    }
    Shell::Placement p;
    p.maximized = isMaximized();
    const QRect g = geometry();
    p.top = g.top();
    p.left = g.left();
    p.width = g.width();
    p.height = g.height();
    p.splitter = leftTree_->geometry().right();
    shell_->storePlacement(p);
    recovery_->discardAll();
    event->accept();
}

void CMainFrame::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* event) {
    if (openDropped(event->mimeData()->urls())) event->acceptProposedAction();
}

bool CMainFrame::openDropped(const QList<QUrl>& urls) {
    // One document: the first dropped file is opened.
    if (urls.isEmpty() || !urls.first().isLocalFile()) return false;
    if (shell_->promptActive()) {
        shell_->openPath(urls.first().toLocalFile().toStdString());
    }
    return true;
}

// ---- Settings, port, search, about ------------------------------------------------------------

void CMainFrame::showDifferences(const std::vector<DiffEntry>& entries,
                                 const std::string& oursTitle, const std::string& theirsTitle,
                                 TreeSide side, int role) {
    CompareWindow window(
        entries, QString::fromStdString(oursTitle), QString::fromStdString(theirsTitle),
        QApplication::activeModalWidget() ? QApplication::activeModalWidget() : this);
    // The window is modal over the question: a chosen row selects its item
    // in the tree behind it, which keeps the focus where it is.
    if (side != TreeSide::None) {
        connect(&window, &CompareWindow::itemActivated, this,
                [this, side, role](const ItemPath& ours, const ItemPath& theirs) {
                    const bool oursShown = side == TreeSide::Ours;
                    const ItemPath path = CompareWindow::treePath(oursShown ? ours : theirs,
                                                                  oursShown ? theirs : ours);
                    CTree* tree = views_->tree(role);
                    if (!path.empty() && tree && tree->isVisible()) tree->selectPath(path);
                });
    }
    window.exec();
}

std::optional<std::filesystem::path> CMainFrame::chooseBackup(
    const std::vector<BackupFile>& backups) {
    const DBase* db = shell_->database();
    BackupListDialog dlg(backups, db ? QString::fromUtf8(db->traits().name) : QString(), this);
    if (dlg.exec() != QDialog::Accepted) return std::nullopt;
    const int row = dlg.chosenRow();
    if (row < 0 || row >= static_cast<int>(backups.size())) return std::nullopt;
    return backups[static_cast<std::size_t>(row)].path;
}

void CMainFrame::programSettings() {
    DBase* main = shell_->document().main();
    GeneralSettings& s = shell_->settings();
    CDlgParam dlg(s, main && main->logEnabled, main && main->simulation, this);
    const FamilyTraits& family = familyTraits(shell_->family());
    dlg.backupBox->setText(dlg.backupBox->text() + " (" + QString::fromUtf8(family.name) + ")");
    dlg.backupBox->setChecked(backupBeforeWrite(family, ctx_.settingsPath));
    if (dlg.exec() != QDialog::Accepted) return;
    if (dlg.backupBox->isChecked() != backupBeforeWrite(family, ctx_.settingsPath))
        setBackupBeforeWrite(family, ctx_.settingsPath, dlg.backupBox->isChecked());
    if (main) {
        main->logEnabled = dlg.logBox->isChecked();
        main->simulation = dlg.simulationBox->isChecked();
    }
    s.askSaveParameters = dlg.askParamsBox->isChecked();
    s.askSaveDatabase = dlg.askDatabaseBox->isChecked();
    s.extendedPortParameters = dlg.extendedComBox->isChecked();
    if (dlg.accessVisited()) {
        changePassword(s, dlg.currentPassword->text().toStdU16String(),
                       dlg.newPassword->text().toStdU16String(),
                       dlg.confirmPassword->text().toStdU16String(), *ctx_.prompter);
    }
    shell_->saveSettings();
}

void CMainFrame::portSettings() {
    DBase* db = shell_->database();
    if (!db) return;
    std::vector<std::string> devices;
#ifndef _WIN32
    if (ctx_.ports) devices = ctx_.ports->candidates();
#endif
    CPageCom dlg(*db, shell_->settings().extendedPortParameters, devices, this);
    connect(&dlg, &CPageCom::searchRequested, this, [this, &dlg, db] {
        portSearch();
        dlg.showPort(db->portName);
    });
    if (dlg.exec() != QDialog::Accepted) return;
    dlg.applyTo(*db);
    db->SavePortSettings();
}

void CMainFrame::compareWithFile() {
    if (!commitPendingEdits()) return;
    DBase* db = shell_->database();
    if (!db) return;
    const std::string title = "Сравнить с файлом";
    const std::optional<std::string> path =
        db->traits().folderDatabase
            ? chooseFolder(title)
            : chooseOpenFile(title, {{db->fileTypeText, db->openFilter}, {"Все файлы", "*.*"}});
    if (!path) return;
    const std::unique_ptr<DBase> other = factory_(db->family(), db->role, ctx_);
    if (!other || !other->LoadFromDisk(*path)) {
        ctx_.prompter->message("Не удалось прочитать базу для сравнения:\n" + *path, title,
                               PromptIcon::Error);
        return;
    }
    bool available = false;
    std::vector<DiffEntry> entries = diffDatabases(*db, *other, CreateFamilyTree, &available);
    if (!available) {
        ctx_.prompter->message(db->DescribeResult(kResultNotImplemented), title, PromptIcon::Error);
        return;
    }
    const auto name = [](const std::string& p) {
        std::filesystem::path f = pathFromUtf8(p);
        if (!f.has_filename()) f = f.parent_path();  // a folder given with its slash
        return QString::fromStdString(pathToUtf8(f.filename()));
    };
    const QString ours = db->filePath.empty() ? QStringLiteral("Текущая база") : name(db->filePath);
    services_->showDifferences(std::move(entries), ours, name(*path), db->role);
}

void CMainFrame::portSearch() {
    DBase* db = shell_->database();
    if (!db) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    searchDevicePort(*prober_, *db, *ctx_.prompter, [this](const std::string& text) {
        setStatusText(text);
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    });
    QApplication::restoreOverrideCursor();
}

void CMainFrame::about() {
    CAboutDlg dlg(this);
    dlg.exec();
}

}  // namespace tavrin::gui
