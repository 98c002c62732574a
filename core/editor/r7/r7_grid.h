// The "Ордис Р7" rows of the parameter grid: the panel, an object, a device
// and a key (the record bytes they edit are listed in r7_fields.h), and the
// second tab "Линии": for a device its line (marking a line puts the device
// on it), for the panel, an object or a line group the devices by line, each
// marked while it is switched on.
//
// Which devices have which rows beyond the common ones:
//   "Запуск автоматики" (list 1038)         ВЕРС-ДИП, ВЕРС-ИПР, ВЕРС-ИПТ, ВЕРС-ИПГ
//   "Тип сработки", "Тип сработки 1"        ВЕРС-У, ВЕРС-У4, ВЕРС-УОП, ВЕРС-УОП-В
//   (list 1030 each) and the relay delay    (the kinds whose new record gets a
//                                           relay delay byte)
#pragma once

#include "editor/grid_model.h"

namespace tavrin {

// Whether a device type has the automatics row, and the relay rows.
bool r7HasAutomatics(std::uint8_t type);
bool r7HasRelay(std::uint8_t type);

class R7Grid : public FamilyGrid {
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
