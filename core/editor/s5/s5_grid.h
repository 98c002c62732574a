// The "Версан С5" rows of the parameter grid: the console's and an LCP's
// firmware versions; an object's name, main flag, parent, type, delay and
// day/night times with its record number and link; a device's name, type,
// serial number and the rows of its type (automatics, trigger conditions,
// message types and texts, delays, КДУ group, blocking); a key's owner, type,
// full number and rights; an object's check lists "Связанные АУ" and
// "Подчиненные объекты" (both editable) and a key's "Связанные объекты"
// (shown only). Rows that depend on another row ("Применение",
// "Входит в группу КДУ") are derived again when it changes.
#pragma once

#include "editor/grid_model.h"

namespace tavrin {

// Which rows a "Версан С5" device shows, by its type code.
enum class S5DeviceKind { Detector, CallPoint, Upt, Tk3, Ktm, VersU, Uop, Other };
S5DeviceKind s5DeviceKind(std::uint8_t type);
// The short type name of the grid's "Тип устройства" row ("ДИП", "ТК3", ...).
std::string s5DeviceTypeName(std::uint8_t type);

class S5Grid : public FamilyGrid {
  public:
    std::unique_ptr<GridWork> load(const DBase& db, ItemCode code, bool topLevel) override;
    void buildRows(const DBase& db, const GridWork& work, std::vector<GridRow>& rows,
                   CheckList& tab) override;
    void applyRow(GridWork& work, const GridRow& row) override;
    void buildMoreTabs(const DBase& db, const GridWork& work,
                       std::vector<CheckList>& tabs) override;
    bool applyCheck(GridWork& work, const CheckEntry& entry, bool checked,
                    std::string& refusal) override;
    bool applyTabCheck(GridWork& work, int tab, const CheckEntry& entry, bool checked,
                       std::string& refusal) override;
    void store(DBase& db, const GridWork& work) override;
    std::size_t textLimit() const override { return 20; }
};

}  // namespace tavrin
