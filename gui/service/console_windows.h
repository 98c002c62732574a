// The windows of a console family ("Версан С5"):
//   DLArchive   "Архив": the console's archive files; "Прочитать список"
//               reads the list again, "Открыть" reads the chosen archive and
//               shows it in the journal window.
//   DLProgramTarget  the program's name on the SD card and where it goes
//               ("Обновить ПО прибора с SD карты").
#pragma once

#include <QDialog>
#include <optional>

#include "app/shell.h"
#include "link/console_operations.h"
#include "service/service_types.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTableWidget;

namespace tavrin::gui {

class DLArchive : public QDialog {
    Q_OBJECT
  public:
    DLArchive(DatabaseGetter database, DeviceRunner runner, StatusSink status,
              QWidget* parent = nullptr);
    // Lists the archive names the database holds.
    void refill();
    // Reads the list from the console.
    void readList();
    // Reads the chosen archive; true when its journal file was made.
    bool openChosen();
    QListWidget* list() const { return list_; }
    QPushButton* openButton() const { return open_; }
    int family() const { return family_; }

  signals:
    // A journal file made of an archive, to be shown.
    void journalReady(const std::string& path);

  private:
    ConsoleOperations* console() const;

    DatabaseGetter database_;
    DeviceRunner runner_;
    StatusSink status_;
    int family_ = 0;
    QListWidget* list_;
    QPushButton* open_;
};

class DLProgramTarget : public QDialog {
    Q_OBJECT
  public:
    DLProgramTarget(const std::vector<ProgramTarget>& targets, QWidget* parent = nullptr);
    QLineEdit* nameEdit() const { return name_; }
    QComboBox* targetBox() const { return target_; }
    ShellHost::ProgramChoice choice() const;

  private:
    std::vector<ProgramTarget> targets_;
    QLineEdit* name_;
    QComboBox* target_;
};

// Asks for the program and its target; nothing when cancelled or no name.
std::optional<ShellHost::ProgramChoice> askProgramTarget(QWidget* parent,
                                                         const std::vector<ProgramTarget>& targets);

}  // namespace tavrin::gui
