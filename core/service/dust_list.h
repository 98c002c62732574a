// What the dustiness window shows: the level classes of the sensors, the
// three filter buttons and the rows of the list, as a model the gui renders
// and the cli prints.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "base/file_filter.h"
#include "files/dust_file.h"
#include "link/family_traits.h"
#include "report/report_list.h"

namespace tavrin {

// Level classes, also the icon index: normal below 8, 80 % exactly 8, 90 %
// from 9 up.
enum class DustClass { Normal = 0, Over80 = 1, Over90 = 2 };

DustClass dustClass(std::uint8_t level);
// The legend / filter button text of a class: "Запыленность в норме",
// "Запыленность больше 80%", "Запыленность больше 90%".
const char* dustClassLegend(DustClass c);
// "%3d%%" of level × 10: 8 gives " 80%".
std::string dustPercentText(std::uint8_t level);

// The three filter buttons. None checked shows every record; otherwise a
// record is shown when its class's button is checked.
struct DustFilter {
    bool normal = false;
    bool over80 = false;
    bool over90 = false;

    bool any() const { return normal || over80 || over90; }
    bool shows(std::uint8_t level) const;
};

struct DustRow {
    int number = 0;  // 1-based, in the order shown
    DustClass cls = DustClass::Normal;
    std::string first;       // column 1
    std::string second;      // column 2
    std::string percent;     // column 3
    std::size_t record = 0;  // index into the records
};

std::vector<DustRow> dustRows(const std::vector<DustRecord>& records, const DustFilter& filter);

// The shown rows as a report list for printing, in the family's columns (its
// dustColumns): the icon column stays empty.
ReportList dustReportList(const FamilyTraits& family, const std::vector<DustRow>& rows);

// "Запыленность датчиков", with " (Файл " + path + " )" when a path is given.
std::string dustWindowTitle(const std::string& path);

// The open and save dialogs: titles, and the family's filter followed by
// "Все файлы" / "*.*" (the saved file's extension is the family's dustExtension).
constexpr const char* kDustOpenTitle = "Открытие файла запыленности";
constexpr const char* kDustSaveTitle = "Сохранение запыленности";
std::vector<FileFilter> dustOpenFilters(const FamilyTraits& family);
std::vector<FileFilter> dustSaveFilters(const FamilyTraits& family);

// The heading of the printout.
constexpr const char* kDustPrintTitle = "Запыленность датчиков. Норма до 80%.";

}  // namespace tavrin
