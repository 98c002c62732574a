// DiffMarks: with "Две базы" on, both trees mark the items in which their
// databases differ — a database's own item that the other lacks or holds
// otherwise — and, more faintly, the groups that hold such items, so a
// difference inside a collapsed branch is seen too. The comparison runs
// once for both trees, a moment after the last change (edits come in
// bursts while typing), and only when a database was changed, replaced or
// shown anew: moving through the tree costs nothing.
#pragma once

#include <QObject>
#include <QTimer>
#include <array>

namespace tavrin {
class DBase;
}

namespace tavrin::gui {

class EditorViews;

class DiffMarks : public QObject {
    Q_OBJECT
  public:
    // The wait after the last change before the trees are compared.
    static constexpr int kDelayMs = 300;

    explicit DiffMarks(EditorViews& views, QObject* parent = nullptr);

    bool enabled() const { return enabled_; }
    // "Две базы" switched: on compares at once, off takes the marks away.
    void setEnabled(bool on);
    // Something may have changed a database: compares after the delay when
    // a database's change counter moved (or `force`).
    void schedule(bool force = false);
    // Compares now (while enabled) and marks both trees.
    void refresh();
    // How many comparisons ran (for the tests of the debounce).
    int runs() const { return runs_; }
    bool pending() const { return timer_.isActive(); }

  private:
    void clear();

    EditorViews& views_;
    QTimer timer_;
    bool enabled_ = false;
    int runs_ = 0;
    // What the last comparison saw: the databases and their change counters.
    std::array<const DBase*, 2> seen_{};
    std::array<int, 2> seenModified_{};
};

}  // namespace tavrin::gui
