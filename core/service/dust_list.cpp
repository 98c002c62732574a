#include "service/dust_list.h"

#include <cstdio>

namespace tavrin {

DustClass dustClass(std::uint8_t level) {
    if (level < 8) return DustClass::Normal;
    if (level == 8) return DustClass::Over80;
    return DustClass::Over90;
}

const char* dustClassLegend(DustClass c) {
    switch (c) {
        case DustClass::Normal:
            return "Запыленность в норме";
        case DustClass::Over80:
            return "Запыленность больше 80%";
        default:
            return "Запыленность больше 90%";
    }
}

std::string dustPercentText(std::uint8_t level) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%3d%%", level * 10);
    return buf;
}

bool DustFilter::shows(std::uint8_t level) const {
    if (!any()) return true;
    switch (dustClass(level)) {
        case DustClass::Normal:
            return normal;
        case DustClass::Over80:
            return over80;
        default:
            return over90;
    }
}

std::vector<DustRow> dustRows(const std::vector<DustRecord>& records, const DustFilter& filter) {
    std::vector<DustRow> rows;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const DustRecord& r = records[i];
        if (!filter.shows(r.level())) continue;
        DustRow row;
        row.number = static_cast<int>(rows.size()) + 1;
        row.cls = dustClass(r.level());
        row.first = r.firstText();
        row.second = r.secondText();
        row.percent = dustPercentText(r.level());
        row.record = i;
        rows.push_back(std::move(row));
    }
    return rows;
}

ReportList dustReportList(const FamilyTraits& family, const std::vector<DustRow>& rows) {
    ReportList list;
    list.columns = family.dustColumns;
    for (const DustRow& r : rows)
        list.addRow({"", r.first, r.second, r.percent});
    return list;
}

std::string dustWindowTitle(const std::string& path) {
    std::string title = "Запыленность датчиков";
    if (!path.empty()) title += " (Файл " + path + ")";
    return title;
}

std::vector<FileFilter> dustOpenFilters(const FamilyTraits& family) {
    return {family.dustOpenFilter, {"Все файлы", "*.*"}};
}

std::vector<FileFilter> dustSaveFilters(const FamilyTraits& family) {
    return {family.dustSaveFilter, {"Все файлы", "*.*"}};
}

}  // namespace tavrin
