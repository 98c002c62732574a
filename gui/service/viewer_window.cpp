#include "service/viewer_window.h"

#include <QAction>
#include <QApplication>
#include <QToolBar>

#include "base/file_io.h"
#include "link/dbase.h"
#include "registry/family_registry.h"
#include "service/viewer_dialogs.h"

namespace tavrin::gui {

namespace {

constexpr const char* kLoadFirst = "Сначала нужно загрузить базу из файла или прибора";

}  // namespace

ViewerWindow::ViewerWindow(DatabaseGetter database, DeviceRunner runner, StatusSink status,
                           QWidget* parent)
    : QDialog(parent),
      database_(std::move(database)),
      runner_(std::move(runner)),
      status_(std::move(status)),
      family_(database_()->familyCode) {
    setSizeGripEnabled(true);
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    toolBar_ = new QToolBar(this);
    toolBar_->setObjectName(QStringLiteral("viewerToolBar"));
    toolBar_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
}

std::string ViewerWindow::programFolder() const {
    return pathToUtf8(db().context().programFolder);
}

QAction* ViewerWindow::addCommand(QStyle::StandardPixmap icon, const QString& text,
                                  std::function<void()> slot) {
    QAction* a = toolBar_->addAction(style()->standardIcon(icon), text);
    a->setObjectName(text);
    a->setToolTip(text);
    connect(a, &QAction::triggered, this, [slot = std::move(slot)] { slot(); });
    return a;
}

void ViewerWindow::addFileCommands(std::function<void()> open, std::function<void()> saveAs) {
    addCommand(QStyle::SP_DialogOpenButton, QStringLiteral("Открыть файл"), std::move(open));
    addCommand(QStyle::SP_DialogSaveButton, QStringLiteral("Сохранить как..."), std::move(saveAs));
}

void ViewerWindow::addRefreshCommand(std::function<void()> refresh) {
    addCommand(QStyle::SP_BrowserReload, QStringLiteral("Обновить от прибора"), std::move(refresh));
}

void ViewerWindow::addPrintCommand(std::function<void()> print) {
    addCommand(QStyle::SP_FileDialogDetailedView, QStringLiteral("Печать"), std::move(print));
}

bool ViewerWindow::saveWith(const char* title, const std::vector<FileFilter>& filters,
                            const std::string& extension,
                            const std::function<bool(const std::string&, FileError*)>& write) {
    const auto path = viewerDialogs().saveFile(this, title, filters, extension, programFolder());
    if (!path) return false;
    FileError error;
    if (!write(*path, &error)) {
        db().context().prompter->message(error.message, title, PromptIcon::Error);
        return false;
    }
    return true;
}

int ViewerWindow::readFromPanel(const char* title,
                                const std::function<int(DBase&, Progress&)>& read) {
    Prompter& prompter = *db().context().prompter;
    if (!db().databaseValid) {
        prompter.message(kLoadFirst, title, PromptIcon::Error);
        return -1;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    DBase* target = &db();
    const int code = runner_ ? runner_([target, &read](Progress& p) { return read(*target, p); })
                             : runHere([target, &read](Progress& p) { return read(*target, p); });
    const std::string text = db().DescribeResult(code);
    if (status_) status_(text);
    QApplication::restoreOverrideCursor();
    if (code != 0) prompter.message(text, title, PromptIcon::Error);
    return code;
}

}  // namespace tavrin::gui
