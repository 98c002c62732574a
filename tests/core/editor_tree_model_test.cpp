// The tree model's stable node ids and change notifications, which a Qt item
// model sits on.
#include <gtest/gtest.h>

#include "editor/tree_model.h"

namespace tavrin::test {
namespace {

struct Log : TreeListener {
    std::vector<std::string> events;
    void beginReset() override { events.push_back("reset{"); }
    void endReset() override { events.push_back("}reset"); }
    void beginInsert(NodeId p, int first, int last) override {
        events.push_back("insert " + std::to_string(p) + " " + std::to_string(first) + ".." +
                         std::to_string(last));
    }
    void beginRemove(NodeId p, int first, int last) override {
        events.push_back("remove " + std::to_string(p) + " " + std::to_string(first) + ".." +
                         std::to_string(last));
    }
    void nodeChanged(NodeId id) override { events.push_back("changed " + std::to_string(id)); }
    void beginReorder(NodeId p) override { events.push_back("reorder " + std::to_string(p)); }
};

TEST(TreeModel, NotificationsAndStableIds) {
    TreeModel m;
    Log log;
    m.setListener(&log);
    m.beginRebuild();
    const NodeId root = m.add(kNoNode, 0, "root", -1);
    const NodeId a = m.add(root, 5, "b-item", 1);
    const NodeId b = m.add(root, 3, "a-item", 1);
    m.endRebuild();
    EXPECT_EQ(log.events,
              (std::vector<std::string>{"reset{", "}reset"}));  // one reset for a rebuild
    log.events.clear();
    const NodeId c = m.add(b, 9, "leaf", 2);
    m.setLabel(a, "b-item (1)");
    m.setLabel(a, "b-item (1)");  // unchanged: no notice
    m.sortChildren(root, [](const TreeNode& x, const TreeNode& y) { return x.label < y.label; });
    m.remove(b);
    EXPECT_EQ(log.events,
              (std::vector<std::string>{
                  "insert " + std::to_string(b) + " 0..0", "changed " + std::to_string(a),
                  "reorder " + std::to_string(root), "remove " + std::to_string(root) + " 0..0"}));
    EXPECT_FALSE(m.contains(c));  // removed with its parent
    EXPECT_EQ(m.row(a), 0);
    EXPECT_EQ(m.node(a).code, 5);  // ids survive the reorder and the removal
    const NodeId d = m.add(root, 7, "new", -1);
    EXPECT_GT(d, c);  // never reused
    EXPECT_EQ(m.find(7), d);
    EXPECT_EQ(m.find(9), kNoNode);
}

}  // namespace
}  // namespace tavrin::test
