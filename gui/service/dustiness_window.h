// DLZapil: the window "Запыленность датчиков". It shows a dustiness file as a
// list, one row per sensor with a three-level icon, filters the rows with the
// three level buttons (the legend below the list names their icons),
// refreshes the values from the panel, opens another
// file, saves the shown values and prints the list. The rows are core's
// dustRows(); this window only draws them.
#pragma once

#include <QIcon>
#include <array>
#include <vector>

#include "files/dust_file.h"
#include "service/dust_list.h"
#include "service/service_types.h"
#include "service/viewer_window.h"

class QAction;
class QLabel;
class QToolBar;
class QToolButton;
class QTreeWidget;
class QWidget;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class DLZapil : public ViewerWindow {
    Q_OBJECT
  public:
    // `database` gives the current database of the family the window was
    // opened for; the window asks it anew for every command, so a database
    // replaced meanwhile ("Создать") is never used after it is gone.
    DLZapil(DatabaseGetter database, DeviceRunner runner, StatusSink status,
            QWidget* parent = nullptr);

    // Loads the family's dustiness file when it exists; otherwise asks for a
    // file at once. False (and the window closes) when nothing was loaded.
    bool start();
    // Reads a dustiness file and shows it; false when it was not read.
    bool loadFile(const std::string& path);

    // The toolbar commands.
    bool openFile();  // false: nothing read, the window closes
    bool saveAs();
    void refreshFromPanel();
    void print();

    const std::vector<DustRecord>& records() const { return records_; }
    const std::string& path() const { return path_; }
    QTreeWidget* list() const { return list_; }
    // 0 normal, 1 over 80 %, 2 over 90 %.
    QAction* filterButton(int cls) const { return filters_[static_cast<std::size_t>(cls)]; }
    QWidget* legend() const { return legend_; }
    DustFilter filter() const;

    static QIcon levelIcon(DustClass cls);

  private:
    void fillList();
    std::string folder() const;

    std::vector<DustRecord> records_;
    std::vector<DustRow> rows_;
    std::string path_;
    std::array<QAction*, 3> filters_{};
    QTreeWidget* list_;
    QWidget* legend_;
};

}  // namespace tavrin::gui
