// The "Версан С5" part of the configuration tree: the console with its keys,
// one node per LCP in address order holding its objects (nested through their
// parents), its devices and its keys, and the messages node; the context
// menus and the add and delete commands of the console, an LCP, an object, a
// device and a key.
//
// Item codes: root -100, console keys -101 (key k: -1000-k), messages -99,
// LCP L (1..64) -1-L, object j of LCP L L*1000+j, device j L*1000+255+j,
// key j L*1000+510+j.
//
// This family keeps no undo: its Edit menu says so and a command that
// destroys data asks first.
#pragma once

#include "editor/family_tree.h"

namespace tavrin {

class DBS5;

namespace s5cmd {
inline constexpr int kAddLcp = 1175;
inline constexpr int kDeleteLcp = 1204;
inline constexpr int kDeleteLcpKeys = 1185;
}  // namespace s5cmd

// The labels of the tree's items.
std::string s5ObjectLabel(const DBS5& db, int lcp, int slot);
std::string s5DeviceLabel(const DBS5& db, int lcp, int slot);
std::string s5KeyLabel(const DBS5& db, int lcp, int slot);  // lcp 0: a console key

class S5Tree : public FamilyTree {
  public:
    void build(TreeEditor& tree, ItemCode remembered) override;
    std::vector<MenuItem> contextMenu(TreeEditor& tree, NodeId node) override;
    bool runCommand(TreeEditor& tree, int command) override;
    void copy(TreeEditor& tree, bool cut) override;
    void paste(TreeEditor& tree, NodeId target) override;
    void remove(TreeEditor& tree) override;
    bool undoStep(TreeEditor&, CommandRecord&, const CommandRecord*) override { return false; }
    // Drops follow the paste rules, as a move (keys with Ctrl as a copy):
    // a device stays in its LCP, an object never goes under itself or its
    // own subordinates.
    bool canDrop(TreeEditor& tree, NodeId target, const std::vector<NodeId>& dragged) override;
    std::string dropRefusal(TreeEditor& tree, NodeId target,
                            const std::vector<NodeId>& dragged) override;
    Bytes snapshot(const DBase&) const override { return {}; }
    void restore(DBase&, const Bytes&) const override {}
    SnapshotLayout snapshotLayout() const override { return {}; }
    std::unique_ptr<FamilyGrid> makeGrid() const override;
    ItemCode rootRuleCode(ItemCode code) const override { return code; }
    bool isKeyItem(ItemCode code) const override;

  private:
    void addLcp(TreeEditor& tree);
    void deleteLcp(TreeEditor& tree, int lcp);
    void addObject(TreeEditor& tree);
    void addKey(TreeEditor& tree);
    void addDevice(TreeEditor& tree, int type);
    void deleteSelection(TreeEditor& tree);
};

}  // namespace tavrin
