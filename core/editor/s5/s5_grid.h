// The "Версан С5" rows of the parameter grid: an object's name, delay and
// day/night times with its record number and link; a device's name, type,
// serial number and object; a key's owner, type, number and rights; the
// number of LCPs on the console and the counts of an LCP.
#pragma once

#include "editor/grid_model.h"

namespace tavrin {

class S5Grid : public FamilyGrid {
  public:
    std::unique_ptr<GridWork> load(const DBase& db, ItemCode code, bool topLevel) override;
    void buildRows(const DBase& db, const GridWork& work, std::vector<GridRow>& rows,
                   CheckList& tab) override;
    void applyRow(GridWork& work, const GridRow& row) override;
    bool applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                    std::string& refusal) override;
    void store(DBase& db, const GridWork& work) override;
    std::size_t textLimit() const override { return 20; }
};

}  // namespace tavrin
