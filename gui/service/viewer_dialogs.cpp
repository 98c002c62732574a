#include "service/viewer_dialogs.h"

#include <QFileDialog>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringList>

namespace tavrin::gui {

namespace {

ViewerDialogs qtDialogs;
ViewerDialogs* current = nullptr;

std::optional<std::string> run(QFileDialog& d) {
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return std::nullopt;
    return d.selectedFiles().first().toStdString();
}

}  // namespace

QStringList qtNameFilters(const std::vector<FileFilter>& filters) {
    QStringList out;
    for (const auto& f : filters) {
        QString pattern = QString::fromStdString(f.pattern);
        pattern.replace(';', ' ');
        out << QString::fromStdString(f.name) + " (" + pattern + ")";
    }
    return out;
}

std::optional<std::string> ViewerDialogs::openFile(QWidget* parent, const std::string& title,
                                                   const std::vector<FileFilter>& filters,
                                                   const std::string& folder) {
    QFileDialog d(parent, QString::fromStdString(title), QString::fromStdString(folder));
    d.setAcceptMode(QFileDialog::AcceptOpen);
    d.setFileMode(QFileDialog::ExistingFile);
    d.setNameFilters(qtNameFilters(filters));
    return run(d);
}

std::optional<std::string> ViewerDialogs::saveFile(QWidget* parent, const std::string& title,
                                                   const std::vector<FileFilter>& filters,
                                                   const std::string& defaultExtension,
                                                   const std::string& folder) {
    QFileDialog d(parent, QString::fromStdString(title), QString::fromStdString(folder));
    d.setAcceptMode(QFileDialog::AcceptSave);
    d.setNameFilters(qtNameFilters(filters));
    d.setDefaultSuffix(QString::fromStdString(defaultExtension));
    return run(d);
}

bool ViewerDialogs::choosePrinter(QWidget* parent, QPrinter& printer, int lastPage,
                                  bool hasSelection, PrintListRequest& request) {
    QPrintDialog d(&printer, parent);
    QAbstractPrintDialog::PrintDialogOptions options = QAbstractPrintDialog::PrintToFile;
    if (lastPage > 0) {
        options |= QAbstractPrintDialog::PrintPageRange;
        d.setMinMax(1, lastPage);
        d.setFromTo(1, lastPage);
    }
    if (hasSelection) options |= QAbstractPrintDialog::PrintSelection;
    d.setOptions(options);
    if (d.exec() != QDialog::Accepted) return false;
    switch (d.printRange()) {
        case QAbstractPrintDialog::PageRange:
            request.range = PrintListRequest::Range::Pages;
            request.fromPage = d.fromPage();
            request.toPage = d.toPage();
            break;
        case QAbstractPrintDialog::Selection:
            request.range = PrintListRequest::Range::Selection;
            break;
        default:
            request.range = PrintListRequest::Range::All;
            break;
    }
    return true;
}

ViewerDialogs& viewerDialogs() {
    return current ? *current : qtDialogs;
}

void setViewerDialogs(ViewerDialogs* dialogs) {
    current = dialogs;
}

}  // namespace tavrin::gui
