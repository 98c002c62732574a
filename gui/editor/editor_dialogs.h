// The tree's two small modeless windows: the new-element window
// ("Добавить новый элемент"), which lists what may be added under the
// current item and follows the current item while it is open, and the
// buffer view ("Просмотр буфера"), which lists the items the buffer holds.
#pragma once

#include <QDialog>

class QListWidget;
class QPushButton;

namespace tavrin::gui {

class CTree;

class CDlgNewElement : public QDialog {
    Q_OBJECT
  public:
    CDlgNewElement(CTree& tree, QWidget* parent = nullptr);
    // Lists the additions of the tree's current item.
    void follow();
    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return add_; }

  private:
    void addChosen();
    CTree& tree_;
    QListWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
};

class CDlgBuffer : public QDialog {
    Q_OBJECT
  public:
    CDlgBuffer(CTree& tree, QWidget* parent = nullptr);
    void refresh();
    QListWidget* list() const { return list_; }

  private:
    CTree& tree_;
    QListWidget* list_ = nullptr;
};

}  // namespace tavrin::gui
