// CompareWindow: the differences between two databases of one family, one
// row per difference: the item's tree path, the grid row, the value in this
// database and in the other. Items only in one database are one row each,
// "добавлено" (only in the other) or "удалено" (only in this one), coloured
// so they stand out from the changed rows. A line above the table counts the
// differing items; two equal databases show "Нет различий". The list can be
// copied or saved as text, one difference a line. A double click (or Enter)
// on a row asks for its item in the tree.
#pragma once

#include <QDialog>
#include <vector>

#include "editor/db_diff.h"

class QLabel;
class QPushButton;
class QTableWidget;

namespace tavrin::gui {

class CompareWindow : public QDialog {
    Q_OBJECT
  public:
    // `oursTitle` and `theirsTitle` name the two databases (a file, "Прибор");
    // they head the value columns.
    CompareWindow(std::vector<tavrin::DiffEntry> entries, const QString& oursTitle,
                  const QString& theirsTitle, QWidget* parent = nullptr);

    // The texts of the rows' second column for items only in one database.
    static QString addedText();
    static QString removedText();
    // The count line's text for a list of differences.
    static QString countText(const std::vector<tavrin::DiffEntry>& entries);
    // Where a chosen row lands in the tree that shows one of the two
    // databases: the item's path there (`shown`), or for an item only in
    // the other database its nearest parent there. Empty: nowhere.
    static tavrin::ItemPath treePath(const tavrin::ItemPath& shown, const tavrin::ItemPath& other);

    const std::vector<tavrin::DiffEntry>& entries() const { return entries_; }
    // The list as text: a heading with both titles, then one difference a line.
    QString text() const;
    // Writes text() in UTF-8; false (and a message) when the file cannot be written.
    bool saveText(const QString& path);
    // Puts text() on the clipboard.
    void copyText();

    // A line under the count, for what the list does not show (the parts
    // found equal, say); empty hides it.
    void setNote(const QString& text);

    QTableWidget* table() const { return table_; }
    QLabel* countLabel() const { return count_; }
    QLabel* noteLabel() const { return note_; }
    QPushButton* saveButton() const { return save_; }
    QPushButton* copyButton() const { return copy_; }

  signals:
    // A row was chosen: its item in this database and in the other (either
    // may be empty when the item is only in one).
    void itemActivated(const tavrin::ItemPath& ours, const tavrin::ItemPath& theirs);

  private:
    void fill();
    void choose(int row);
    void askSave();

    std::vector<tavrin::DiffEntry> entries_;
    QString oursTitle_;
    QString theirsTitle_;
    QLabel* count_;
    QLabel* note_;
    QTableWidget* table_;
    QPushButton* save_;
    QPushButton* copy_;
};

}  // namespace tavrin::gui
