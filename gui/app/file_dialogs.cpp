#include "app/file_dialogs.h"

#include <QDir>
#include <QFileDialog>

namespace tavrin::gui {

namespace {
QStringList nameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const auto& f : filters) {
        QString pattern = QString::fromStdString(f.pattern);
        pattern.replace(';', ' ');
        out << QString::fromStdString(f.name) + " (" + pattern + ")";
    }
    return out;
}

std::optional<std::string> run(QFileDialog& d) {
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first().toStdString();
}
}  // namespace

std::optional<std::string> QtFileDialogs::openFile(QWidget* parent, const std::string& title,
                                                   const std::vector<FileFilter>& filters) {
    QFileDialog d(parent, QString::fromStdString(title), QDir::currentPath());
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters(nameFilters(filters));
    return run(d);
}

std::optional<std::string> QtFileDialogs::saveFile(QWidget* parent, const std::string& title,
                                                   const std::vector<FileFilter>& filters,
                                                   const std::string& defaultExtension) {
    QFileDialog d(parent, QString::fromStdString(title), QDir::currentPath());
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setOption(QFileDialog::DontConfirmOverwrite);
    d.setNameFilters(nameFilters(filters));
    d.setDefaultSuffix(QString::fromStdString(defaultExtension));
    return run(d);
}

std::optional<std::string> QtFileDialogs::folder(QWidget* parent, const std::string& title) {
    QFileDialog d(parent, QString::fromStdString(title), QDir::currentPath());
    d.setFileMode(QFileDialog::Directory);
    d.setOption(QFileDialog::ShowDirsOnly);
    return run(d);
}

}  // namespace tavrin::gui
