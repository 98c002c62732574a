// The file dialogs of the main window behind a small interface, so that the
// tests answer them without a modal loop.
#pragma once

#include <QString>
#include <optional>
#include <string>
#include <vector>

#include "app/shell.h"

class QWidget;

namespace tavrin::gui {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    virtual std::optional<std::string> openFile(QWidget* parent, const std::string& title,
                                                const std::vector<FileFilter>& filters) = 0;
    virtual std::optional<std::string> saveFile(QWidget* parent, const std::string& title,
                                                const std::vector<FileFilter>& filters,
                                                const std::string& defaultExtension) = 0;
    virtual std::optional<std::string> folder(QWidget* parent, const std::string& title) = 0;
};

// QFileDialog, starting in the current directory; the save dialog leaves
// the overwrite question to the caller.
class QtFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> openFile(QWidget* parent, const std::string& title,
                                        const std::vector<FileFilter>& filters) override;
    std::optional<std::string> saveFile(QWidget* parent, const std::string& title,
                                        const std::vector<FileFilter>& filters,
                                        const std::string& defaultExtension) override;
    std::optional<std::string> folder(QWidget* parent, const std::string& title) override;
};

}  // namespace tavrin::gui
