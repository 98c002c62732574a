#include "editor/diff_marks.h"

#include "editor/c_tree.h"
#include "editor/db_diff.h"
#include "editor/editor_views.h"
#include "registry/family_registry.h"

namespace tavrin::gui {

DiffMarks::DiffMarks(EditorViews& views, QObject* parent) : QObject(parent), views_(views) {
    timer_.setSingleShot(true);
    timer_.setInterval(kDelayMs);
    connect(&timer_, &QTimer::timeout, this, &DiffMarks::refresh);
}

void DiffMarks::setEnabled(bool on) {
    enabled_ = on;
    timer_.stop();
    if (on) {
        refresh();
    } else {
        clear();
    }
}

void DiffMarks::schedule(bool force) {
    if (!enabled_) return;
    const auto& dbs = views_.document().databases;
    bool moved = force;
    for (std::size_t i = 0; i < dbs.size(); ++i)
        moved = moved || dbs[i] != seen_[i] || (dbs[i] && dbs[i]->modified != seenModified_[i]);
    if (moved) timer_.start();
}

void DiffMarks::clear() {
    for (int role = 0; role < 2; ++role)
        if (CTree* t = views_.tree(role)) t->setDifferences({});
    seen_ = {};
}

void DiffMarks::refresh() {
    timer_.stop();
    if (!enabled_) return;
    const auto& dbs = views_.document().databases;
    for (std::size_t i = 0; i < dbs.size(); ++i) {
        seen_[i] = dbs[i];
        seenModified_[i] = dbs[i] ? dbs[i]->modified : 0;
    }
    std::array<std::vector<ItemPath>, 2> marks;
    if (dbs[0] && dbs[1] && dbs[0]->family() == dbs[1]->family()) {
        ++runs_;
        for (const DiffEntry& e : diffDatabases(*dbs[0], *dbs[1], CreateFamilyTree)) {
            if (!e.ours.empty()) marks[0].push_back(e.ours);
            if (!e.theirs.empty()) marks[1].push_back(e.theirs);
        }
    }
    for (int role = 0; role < 2; ++role)
        if (CTree* t = views_.tree(role)) t->setDifferences(marks[static_cast<std::size_t>(role)]);
}

}  // namespace tavrin::gui
