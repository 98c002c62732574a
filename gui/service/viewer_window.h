// ViewerWindow: what the journal, active-events and dustiness windows share —
// the database they were opened for, the labelled toolbar of their commands,
// choosing the file of "Сохранить как..." and saying a failed write, and
// "Обновить от прибора" (a device read with the wait cursor, its result in
// the status bar and, when it failed, in a message).
#pragma once

#include <QDialog>
#include <QStyle>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/file_filter.h"
#include "base/seams.h"
#include "service/service_types.h"

class QAction;
class QToolBar;

namespace tavrin {
class DBase;
struct FileError;
}  // namespace tavrin

namespace tavrin::gui {

class ViewerWindow : public QDialog {
    Q_OBJECT
  public:
    QToolBar* toolBar() const { return toolBar_; }
    // The family the window was opened for.
    int family() const { return family_; }

  protected:
    // `database` gives the current database of the family the window was
    // opened for; the window asks it anew for every command, so a database
    // replaced meanwhile ("Создать") is never used after it is gone.
    ViewerWindow(DatabaseGetter database, DeviceRunner runner, StatusSink status, QWidget* parent);

    DBase& db() const { return *database_(); }
    std::string programFolder() const;

    // A toolbar command: its icon with its text beside it.
    QAction* addCommand(QStyle::StandardPixmap icon, const QString& text,
                        std::function<void()> slot);
    // The toolbar's commands that every viewer has, in the same order.
    void addFileCommands(std::function<void()> open, std::function<void()> saveAs);
    void addRefreshCommand(std::function<void()> refresh);
    void addPrintCommand(std::function<void()> print);

    // "Сохранить как...": asks for the file and writes it with `write`; a
    // failed write is said in a message. True when the file was written.
    bool saveWith(const char* title, const std::vector<FileFilter>& filters,
                  const std::string& extension,
                  const std::function<bool(const std::string&, FileError*)>& write);

    // "Обновить от прибора": runs `read` on the current database. A database
    // not loaded yet is said under `title`, as is a failed read. Returns the
    // read's result code (-1 when nothing was read).
    int readFromPanel(const char* title, const std::function<int(DBase&, Progress&)>& read);

  private:
    DatabaseGetter database_;
    DeviceRunner runner_;
    StatusSink status_;
    int family_;
    QToolBar* toolBar_;
};

}  // namespace tavrin::gui
