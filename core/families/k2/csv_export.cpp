// CSV export of the devices: one row per device and loop, semicolons between
// cells, Windows-1251 text, CR LF line ends.
#include "base/bit_set.h"
#include "base/file_io.h"
#include "base/text.h"
#include "families/k2/dbk2.h"
#include "families/k2/format.h"
#include "families/k2/grid_rows.h"
#include "families/k2/value_lists.h"

namespace tavrin {

using namespace k2;

namespace {

// The cells of a device row that come from the device's grid rows: the
// field of each cell and the value whose text stands in when no entry of
// the row's list carries the device's value.
struct CsvCells {
    int trigger = 0;  // 0: the cell stays empty
    int triggerFallback = 0;
    bool triggerOnSecurityLoopsOnly = false;
    int lineControl = 0;  // 0: the cell stays empty
    int lineFallback = 0;
    int lineFixedValue = -1;  // >= 0: the text of this value, whatever the device holds
};

CsvCells cellsOf(int type) {
    switch (type) {
        case kTypeDip:
        case kTypeDka:
            return {.trigger = fCondition};
        case kTypeMau:
        case kTypeUop:
        case kTypeUopv:
            return {.trigger = fCondition,
                    .triggerFallback = kConditionNotChosen,
                    .triggerOnSecurityLoopsOnly = true};
        case kTypeTk3:
            return {.lineControl = fFaultHigh};
        case kTypeKtm:
            return {.trigger = fKtmTactic,
                    .triggerFallback = kNone,
                    .triggerOnSecurityLoopsOnly = true,
                    .lineControl = fKtmFault,
                    .lineFixedValue = 1};
        default:
            return {};
    }
}

struct DeviceTexts {
    std::string trigger;
    std::string lineControl;
};

// The text of a device's grid row `field` as the row shows it with the
// device on `loop`.
std::string cellText(const DBK2& db, const DeviceRecord& d, int loop, int field, int fallback,
                     int fixedValue) {
    for (const RowSpec& row : deviceRows(deviceType(d))) {
        if (row.field != field || !slotRowShown(row, loop)) continue;
        int listId = row.listId;
        if (row.list == RowList::RelayByLoop) {
            const int logic = loop >= kFirstControlLoop && loop < kLoopCount
                                  ? db.loops[static_cast<std::size_t>(loop)][kLoopLogic]
                                  : 0;
            listId = relayListId(loop, logic);
        }
        const int value = fixedValue >= 0 ? fixedValue : readValue(row, d.data());
        return std::string(valueTextOr(valueList(listId), value, fallback));
    }
    return {};
}

}  // namespace

bool DBK2::ExportCsv(const std::string& path) {
    const auto written = pathWithExtension(path, "csv");
    if (!written) return false;
    const std::string& target = *written;

    std::string text = "Имя ШС;Устройство;Сер.номер;Срабатывание;Блокировка;Контроль КЗ/обрыв\r\n";
    for (int m = 0; m < kLoopCount; ++m) {
        bool first = true;
        for (int i = 0; i < kDeviceCount; ++i) {
            if (!IsDeviceInUse(i)) continue;
            const DeviceRecord& d = devices[i];
            const bool tk3 = deviceType(d) == kTypeTk3;
            for (int s = 0; s < (tk3 ? 3 : 1); ++s) {
                if (deviceLoopSlot(d, s) != m) continue;
                std::string device = DeviceLabel(i);
                if (tk3) device += format(" - %c", "ABC"[s]);
                const CsvCells cells = cellsOf(deviceType(d));
                DeviceTexts t;
                if (cells.trigger != 0 && (!cells.triggerOnSecurityLoopsOnly || m < 32))
                    t.trigger = cellText(*this, d, m, cells.trigger, cells.triggerFallback, -1);
                if (cells.lineControl != 0)
                    t.lineControl = cellText(*this, d, m, cells.lineControl, cells.lineFallback,
                                             cells.lineFixedValue);
                const char* blocked = testBit(blockedDevices, i) ? "да" : "нет";
                const std::string loopCell = first ? LoopFullLabel(m) : std::string();
                text += loopCell + ";" + device + ";" + format("'%04hX", deviceSerial(d)) + ";" +
                        t.trigger + ";" + blocked + ";" + t.lineControl + "\r\n";
                first = false;
            }
        }
    }
    const std::string bytes = utf8ToCp1251(text);
    FileError error;
    if (!writeFileAtomic(
            pathFromUtf8(target),
            ByteSpan(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()), &error)) {
        ctx_.prompter->message(error.message, "Сохранение базы", PromptIcon::Error);
        return false;
    }
    return true;
}

}  // namespace tavrin
