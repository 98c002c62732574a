// CJournal: the active-events view. It shows an active-events file (or a
// journal file) through core's ActiveEventsModel: the "Тип" column as the
// class icon, the five class buttons, the five value filters with their
// "all" entries and "Фильтр +" / "Фильтр -" modes, "Сброс всех фильтров",
// refreshing from the panel, opening and saving files, printing.
#pragma once

#include <QIcon>
#include <array>
#include <string>

#include "files/journal_file.h"
#include "journal/active_events_model.h"
#include "service/service_types.h"
#include "service/viewer_window.h"

class QComboBox;
class QLabel;
class QPushButton;
class QToolBar;
class QToolButton;
class QTreeWidget;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class CJournal : public ViewerWindow {
    Q_OBJECT
  public:
    // `database` gives the current database of the family the window was
    // opened for; the window asks it anew for every command, so a database
    // replaced meanwhile ("Создать") is never used after it is gone.
    CJournal(DatabaseGetter database, std::string path, DeviceRunner runner, StatusSink status,
             QWidget* parent = nullptr);

    // Reads the file given at construction ("Файл не найден!" when missing).
    bool openStartFile();
    bool loadFile(const std::string& path);

    // Commands.
    bool openFile();
    bool saveAs();
    void refreshFromPanel();
    void print();
    void resetFilters();

    const ActiveEventsModel& model() const { return model_; }
    const std::string& path() const { return path_; }
    QTreeWidget* list() const { return list_; }
    QToolButton* classButton(int cls) const {
        return classButtons_[static_cast<std::size_t>(cls - 1)];
    }
    QComboBox* valueList(EventValueFilter f) const { return combos_[static_cast<std::size_t>(f)]; }
    QPushButton* modeButton(EventValueFilter f) const {
        return modes_[static_cast<std::size_t>(f)];
    }
    // "Записей: N из M": the records the filters let through, of all.
    QString countText() const;

    // The class icons (19×19): 0 for none, 1..5 for the classes.
    static QIcon classIcon(int cls);

  private:
    void refill();
    void syncFilters();

    std::string path_;
    JournalFile file_;
    ActiveEventsModel model_;
    QLabel* count_ = nullptr;
    std::array<QToolButton*, kEventClassButtons> classButtons_{};
    std::array<QComboBox*, kEventValueFilters> combos_{};
    std::array<QPushButton*, kEventValueFilters> modes_{};
    QTreeWidget* list_;
    bool syncing_ = false;
};

}  // namespace tavrin::gui
