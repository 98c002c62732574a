// FindBar: "Поиск по БД" (Ctrl+F) over the trees. The text is looked for,
// ignoring case, in the items of the active tree's database — the tree's
// labels and the values of the grid (names, numbers, serial numbers, types,
// key numbers, room names) — as the core search finds them. Typing shows
// the first match; Enter or F3 the next, Shift+Enter or Shift+F3 the
// previous, round from the last to the first; "N из M" counts them. A match
// is selected in the tree, so the grid shows it. Esc closes the bar. In
// "Две базы" the bar searches the tree that is active when it steps.
#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "editor/db_find.h"

class QLabel;
class QLineEdit;
class QToolButton;

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class EditorViews;

class FindBar : public QWidget {
    Q_OBJECT
  public:
    explicit FindBar(EditorViews& views, QWidget* parent = nullptr);

    // Shows the bar with its text selected and the focus in it.
    void open();
    void next();
    void previous();

    QLineEdit* edit() const { return edit_; }
    QLabel* countLabel() const { return count_; }
    // The matches of the last search and the one shown (-1: none).
    int matchCount() const { return static_cast<int>(matches_.size()); }
    int current() const { return cursor_.current(); }
    // The tree label of the match shown, "" when none.
    std::string currentLabel() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Searches again when the text, the active tree or its database changed.
    void search(bool force);
    void step(bool forward);
    void show(int index);
    void updateCount();
    void close();

    EditorViews& views_;
    QLineEdit* edit_;
    QLabel* count_;
    DbItemList list_;
    std::vector<FindMatch> matches_;
    FindCursor cursor_;
    // What the matches were found in.
    QString searched_;
    int role_ = -1;
    const DBase* db_ = nullptr;
    int modified_ = -1;
};

}  // namespace tavrin::gui
