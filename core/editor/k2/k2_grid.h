// The "Талвир К2" rows of the parameter grid: the panel (root), loops by
// kind, keys and devices by kind, with their value lists, and the second
// tab (the loops a key applies to, a loop's control loops, a control loop's
// member loops, the loops a device is on). The rows are built and applied
// from the table in families/k2/grid_rows.h.
#pragma once

#include "editor/grid_model.h"

namespace tavrin {

class K2Grid : public FamilyGrid {
  public:
    std::unique_ptr<GridWork> load(const DBase& db, ItemCode code, bool topLevel) override;
    void buildRows(const DBase& db, const GridWork& work, std::vector<GridRow>& rows,
                   CheckList& tab) override;
    void applyRow(GridWork& work, const GridRow& row) override;
    bool applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                    std::string& refusal) override;
    void store(DBase& db, const GridWork& work) override;
    std::size_t textLimit() const override { return 16; }
};

}  // namespace tavrin
