// Labels of devices and loops as the tree, the CSV export and the check show
// them.
#include "base/text.h"
#include "families/k2/dbk2.h"
#include "families/k2/format.h"

namespace tavrin {

using namespace k2;

namespace {

constexpr const char* kTypeNames[16] = {
    "Т12-ДИП", "Т12-ИПР", "Т12-ТК", "Т12-ТК-3", "Т12-КТМ", "Т12-ИПГ", "Т12-ДКА",  "Т12-БРП",
    "",        "",        "",       "Т12-УПТ",  "Т12-МАУ", "Т12-УОП", "Т12-УОПВ", "",
};
constexpr std::size_t kDeviceNameWidth = 9;

}  // namespace

std::string DBK2::DeviceTypeName(int type) {
    return type >= 0 && type < 16 ? kTypeNames[type] : "";
}

std::string DBK2::DeviceLabel(int index, int slot) const {
    if (index < 0 || index >= kDeviceCount) return {};
    const DeviceRecord& d = devices[index];
    const int type = deviceType(d);
    std::string label = DeviceTypeName(type);
    if (type == kTypeTk3 && slot >= 0 && slot < 3) label += format("(%c)", "ABC"[slot]);
    for (std::size_t n = utf16Length(label); n < kDeviceNameWidth; ++n)
        label += ' ';
    label += format("%03d", type == kTypeTk3 ? index + 1 : static_cast<int>(d[kDevNumber]));
    return label;
}

std::string DBK2::LoopShortLabel(int loop) const {
    if (loop < 0 || loop >= kLoopCount) return {};
    if (loop < 8) return format("А%d", loop + 1);
    if (loop < 16) return format("Б%d", loop - 7);
    if (loop < 24) return format("В%d", loop - 15);
    if (loop < 32) return format("Г%d", loop - 23);
    if (loop < 64) return format("П%02d", loop - 31);
    if (loop < 96) return format("К%02d", loop - 63);
    switch (loops[loop][kLoopLogic]) {
        case kGroupSecurity:
            return format("оУ%02d", loop - 95);
        case kGroupFire:
            return format("пУ%02d", loop - 95);
        case kGroupMonitoring:
            return format("кУ%02d", loop - 95);
        default:
            return format("У%02d", loop - 95);
    }
}

std::string DBK2::NameText(int index) const {
    if (index < 0 || index >= kNameCount) return {};
    const k2::NameText& n = names[index];
    std::size_t len = n.size();
    while (len > 0 && n[len - 1] == ' ')
        --len;
    return cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(n.data()), len));
}

std::string DBK2::LoopFullLabel(int loop) const {
    if (loop < 0 || loop >= kLoopCount) return {};
    std::string label = LoopShortLabel(loop) + "  " + NameText(loops[loop][kLoopNameIndex]);
    if (const int number = loopNumber(loops[loop]); number != 0) label += format(" %d", number);
    return label;
}

}  // namespace tavrin
