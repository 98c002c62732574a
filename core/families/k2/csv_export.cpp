// CSV export of the devices: one row per device and loop, semicolons between
// cells, Windows-1251 text, CR LF line ends.
#include "base/bit_set.h"
#include "base/file_io.h"
#include "base/text.h"
#include "families/k2/dbk2.h"
#include "families/k2/format.h"
#include "families/k2/value_lists.h"

namespace tavrin {

using namespace k2;

namespace {

// Texts of the trigger-condition and line-control cells of a device row; the
// value lists are those the grid shows for the same fields.
struct DeviceTexts {
    std::string trigger;
    std::string lineControl;
};

DeviceTexts deviceTexts(const DeviceRecord& d, int loop) {
    const int condition = deviceCondition(d);
    const int highBits = d[kDevParam6] >> 6;
    const bool securityLoop = loop >= 0 && loop < 32;
    DeviceTexts t;
    switch (deviceType(d)) {
        case kTypeDip:
            t.trigger = valueTextOr(value_lists::k1007, condition, 0);
            break;
        case kTypeDka:
            t.trigger = valueTextOr(value_lists::k1059, condition, 0);
            break;
        case kTypeMau:
        case kTypeUop:
        case kTypeUopv:
            if (securityLoop)
                t.trigger = valueTextOr(value_lists::k1021, condition, kConditionNotChosen);
            break;
        case kTypeTk3:
            t.lineControl = valueTextOr(value_lists::k1020, highBits, 0);
            break;
        case kTypeKtm:
            if (securityLoop) t.trigger = valueTextOr(value_lists::k1060, highBits, 0xFF);
            t.lineControl = valueTextOr(value_lists::k1020, 1, 0);
            break;
        default:
            break;
    }
    return t;
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
                const DeviceTexts t = deviceTexts(d, m);
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
