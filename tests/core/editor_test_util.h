// Helpers of the editor tests: a "Талвир К2" database shown in a tree with
// its grid, and small builders of devices, loops and keys.
#pragma once

#include <string>

#include "base/bit_set.h"
#include "editor/grid_model.h"
#include "editor/tree_editor.h"
#include "k2_test_util.h"
#include "registry/family_registry.h"

namespace tavrin::test {

struct EditorFixture : K2Fixture {
    EditorDocument doc{CreateFamilyTree};
    GridModel grid{prompter};
    TreeEditor tree{doc, 0, prompter};
    std::string status;
    Bytes before;  // the database as saved, taken by a test before an edit

    EditorFixture() {
        doc.databases[0] = &db;
        tree.setGrid(&grid);
        tree.setStatusSink([this](const std::string& s) { status = s; });
        tree.rebuild();
    }

    // A device of a type on a loop (0xFF: none); returns its index.
    int device(int type, int loop = 0xFF) {
        const int i = db.CreateElement(type, -1);
        db.devices[static_cast<std::size_t>(i)][k2::kDevLoop] = static_cast<std::uint8_t>(loop);
        return i;
    }
    int key(bool employee, int group = 0) {
        const int k = db.CreateKey();
        auto& r = db.keys[static_cast<std::size_t>(k)];
        r[k2::kKeyKind] = static_cast<std::uint8_t>((employee ? 0x80 : 0) | group);
        return k;
    }
    // Makes loop `member` a member of control loop `control` (96..127).
    void link(int member, int control) {
        auto& l = db.loops[static_cast<std::size_t>(member)];
        for (int j = 0; j < 4; ++j) {
            if (l[k2::kLoopLink1 + static_cast<std::size_t>(j)] == 0xFF) {
                l[k2::kLoopLink1 + static_cast<std::size_t>(j)] =
                    static_cast<std::uint8_t>(control);
                return;
            }
        }
    }

    // The node of `code` under the node of `parent` (searching the whole tree
    // for the parent); kNoNode when missing.
    NodeId node(ItemCode code, ItemCode parent) const {
        const NodeId p = tree.model().find(parent);
        return p == kNoNode ? kNoNode : tree.model().findUnder(p, code);
    }
    std::string label(ItemCode code) const {
        const NodeId n = tree.model().find(code);
        return n == kNoNode ? std::string() : tree.model().node(n).label;
    }
    // Selects `code` under `parent`.
    bool pick(ItemCode code, ItemCode parent) {
        const NodeId n = node(code, parent);
        return n != kNoNode && tree.select(n);
    }
    // The tree as "[code] label" lines with two blanks per level.
    std::string dump() const {
        std::string out;
        tree.model().visit([&](const TreeNode& n, int depth) {
            out += std::string(static_cast<std::size_t>(2 * depth), ' ') + "[" +
                   std::to_string(n.code) + "] " + n.label + "\n";
        });
        return out;
    }
    // The database as it would be saved.
    Bytes image() { return db.SerializeFile(); }
};

}  // namespace tavrin::test
