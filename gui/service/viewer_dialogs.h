// The standard dialogs the service windows open: the file dialogs of the
// journal, active-events and dustiness viewers and the print dialog of the
// list and database printing. Behind one interface so that the tests answer
// them without a modal loop; the default shows the Qt dialogs.
#pragma once

#include <QStringList>
#include <optional>
#include <string>
#include <vector>

#include "base/file_filter.h"
#include "report/print_list.h"

class QPrinter;
class QWidget;

namespace tavrin::gui {

class ViewerDialogs {
  public:
    virtual ~ViewerDialogs() = default;
    // The open dialog starting in `folder`; nothing when cancelled.
    virtual std::optional<std::string> openFile(QWidget* parent, const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& folder);
    // The save dialog starting in `folder`; asks before replacing a file.
    virtual std::optional<std::string> saveFile(QWidget* parent, const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& defaultExtension,
                                                const std::string& folder);
    // The print dialog with pages 1..lastPage offered (0: no page choice) and
    // the selection choice when `hasSelection`. Sets up `printer` and, for a
    // list, the pages or selection into `request`; false when cancelled.
    virtual bool choosePrinter(QWidget* parent, QPrinter& printer, int lastPage, bool hasSelection,
                               PrintListRequest& request);
};

// The dialogs in use (the Qt ones unless a test put its own in place).
ViewerDialogs& viewerDialogs();
// Puts `dialogs` in place (nullptr: back to the Qt dialogs). Not owned.
void setViewerDialogs(ViewerDialogs* dialogs);

// "Name (*.a *.b)" entries of a Qt file dialog.
QStringList qtNameFilters(const std::vector<FileFilter>& filters);

}  // namespace tavrin::gui
