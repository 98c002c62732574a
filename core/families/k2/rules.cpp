// The tree's edit rules and item images of the "Талвир К2" family (item
// codes in item_codes.h).
#include "families/k2/dbk2.h"
#include "families/k2/device_kinds.h"
#include "families/k2/item_codes.h"

namespace tavrin {

using namespace k2;
using namespace k2code;

namespace {

RuleAnswer allow(const char* text) {
    return {true, text};
}
RuleAnswer refuse(const char* text) {
    return {false, text};
}

// ---- Images -----------------------------------------------------------------------
// Per device type: the image in a security, fire and monitoring loop, and the
// "off" image (blocked, or on no loop). -1: the code has no device type.
struct DeviceImages {
    int byGroup[3];
    int off;
};
constexpr DeviceImages kDeviceImages[16] = {
    {{1, 1, 1}, 55},     // Т12-ДИП
    {{3, 3, 3}, 57},     // Т12-ИПР
    {{5, 5, 5}, 58},     // Т12-ТК
    {{12, 11, 11}, 60},  // Т12-ТК-3; in the device list 10 when its loops mix groups
    {{18, 16, 17}, 62},  // Т12-КТМ
    {{7, 7, 7}, 59},     // Т12-ИПГ
    {{9, 9, 9}, 61},     // Т12-ДКА
    {{20, 21, 22}, 63},  // Т12-БРП
    {{-1, -1, -1}, -1}, {{-1, -1, -1}, -1}, {{-1, -1, -1}, -1}, {{24, 24, 24}, 64},  // Т12-УПТ
    {{25, 26, 27}, 65},                                                              // Т12-МАУ
    {{28, 29, 30}, 66},                                                              // Т12-УОП
    {{31, 32, 33}, 67},  // Т12-УОПВ
    {{-1, -1, -1}, -1},
};
constexpr int kTk3MixedImage = 10;
constexpr int kBlockedLoopImage = 74;
constexpr int kLoopImages[3] = {41, 40, 42};
constexpr int kControlLoopImages[3] = {82, 81, 83};
constexpr int kControlLoopNoLogicImage = 43;
constexpr int kDutyKeyImage = 75;

}  // namespace

int DBK2::DeviceOfItem(ItemCode item) {
    return k2code::deviceOf(item);
}

// ---- Edit rules -------------------------------------------------------------------------

RuleAnswer DBK2::InsertItem(const EditRuleArgs& a) {
    if (a.item == kDevices || isLoop(a.item) || a.item == kDutyKeys || a.item == kEmployeeKeys)
        return allow("Добавление новых устройств");
    return refuse("Здесь вставка устройств невозможна");
}

RuleAnswer DBK2::DeleteItem(const EditRuleArgs& a) {
    if (DeviceOfItem(a.item) >= 0 || isKey(a.item) || (isPlainLoop(a.item) && isLoop(a.parent)))
        return allow("Удалить");
    return refuse("Эти объекты удалять нельзя");
}

RuleAnswer DBK2::CopyItem(const EditRuleArgs& a) {
    // Listed under a "У" loop, directly or inside one of its member loops.
    const bool nested = isControlLoop(a.parent) || isControlLoop(a.grandparent);
    if (DeviceOfItem(a.item) >= 0) {
        if (nested) return refuse("Копировать устройства из вложенных ШС нельзя!");
        return allow("Создать копию в буфере");
    }
    if (isKey(a.item)) {
        if (nested) return refuse("Копировать ключи из вложенных ШС нельзя!");
        return allow("Создать копию в буфере");
    }
    if (isPlainLoop(a.item)) return allow("Создать копию в буфере");
    return refuse("Эти объекты нельзя копировать и вставлять");
}

RuleAnswer DBK2::CutItem(const EditRuleArgs& a) {
    if (DeviceOfItem(a.item) >= 0) {
        if (a.parent == kDevices)
            return refuse(
                "Вырезать устройства из 'Устройств' нельзя!\nПоскольку они будут удалены совсем из "
                "БД");
        if (isLoop(a.parent)) {
            if (isControlLoop(a.grandparent))
                return refuse("Вырезать устройства из вложенных ШС нельзя!");
            return allow("Переместить в буфер");
        }
        return refuse("Эти объекты нельзя удалить(вырезать) из дерева");
    }
    if (isKey(a.item)) {
        if (isControlLoop(a.parent) || isControlLoop(a.grandparent))
            return refuse("Вырезать ключи из вложенных ШС нельзя!");
        return allow("Переместить в буфер");
    }
    if (isLoop(a.item) && isControlLoop(a.parent)) return allow("Переместить в буфер");
    return refuse("Эти объекты нельзя удалить(вырезать) из дерева");
}

RuleAnswer DBK2::PasteItem(const EditRuleArgs& a) {
    const DBK2* source = a.bufferDatabase ? dynamic_cast<const DBK2*>(a.bufferDatabase) : this;
    constexpr const char* kImpossible = "Здесь вставка невозможна.";
    if (!source) return refuse(kImpossible);
    const ItemCode target = a.item;
    const ItemCode item = a.bufferItem;
    const int device = DeviceOfItem(item);

    if (target == kEmployeeKeys || target == kDutyKeys) {
        if (isKey(item) || a.flag) {
            const bool fits =
                a.flag || (target == kEmployeeKeys ? source->keys[keyOf(item)][kKeyKind] < 128
                                                   : source->keys[keyOf(item)][kKeyKind] >= 128);
            if (fits) return allow("Вставить из буфера");
        }
        return refuse("Можно вставить только ключи.");
    }
    if (target == kDevices) {
        if (device >= 0) return allow("Вставить из буфера");
        return refuse("Сюда вставлять можно только устройства");
    }
    if (!isLoop(target)) return refuse(kImpossible);
    const int loop = loopOf(target);
    const int group = loopGroup(loop);

    if (device >= 0) {
        const DeviceKind& kind = deviceKind(deviceType(source->devices[device]));
        if (!groupIn(kind.pasteGroups, loop)) return refuse(kind.pasteRefusal);
        return allow("Вставить из буфера");
    }
    if (isControlLoop(target) && isPlainLoop(item)) {
        const int member = loopOf(item);
        switch (loops[loop][kLoopLogic]) {
            case kGroupSecurity:
                if (member < 32) break;
                return refuse("Можно вставлять только охранные ШС.");
            case kGroupFire:
                if (member >= 32 && member < 64) break;
                return refuse("Можно вставлять только пожарные ШС.");
            case kGroupMonitoring:
                if (member >= 64) break;
                return refuse("Можно вставлять только контрольные ШС.");
            default:
                break;
        }
        return allow("Вставить из буфера");
    }
    if (isKey(item)) {
        const int keyGroup = keyLoopGroup(source->keys[keyOf(item)]);
        if (group == kGroupSecurity) {
            if (keyGroup == kGroupSecurity) return allow("Вставить из буфера");
            return refuse("Можно вставлять только охранные ключи.");
        }
        if (group == kGroupFire) {
            if (keyGroup == kGroupFire) return allow("Вставить из буфера");
            return refuse("Можно вставлять только пожарные ключи.");
        }
        return refuse("Здесь ключи не используются.");
    }
    return refuse(kImpossible);
}

// ---- Images -------------------------------------------------------------------------------

int DBK2::GetItemImage(ItemCode item) {
    if (item < 0) {
        switch (item) {
            case kPanel:
                return 76;
            case kDevices:
                return 77;
            case kKeys:
                return 75;
            case kLoops:
                return 74;
            case kDutyKeys:
            case kEmployeeKeys:
                return 75;
            case loopGroupCode(kGroupSecurity):
                return 41;
            case loopGroupCode(kGroupFire):
                return 40;
            case loopGroupCode(kGroupMonitoring):
                return 42;
            case loopGroupCode(kGroupControl):
                return 43;
            default:
                return -1;
        }
    }
    if (isLoop(item)) {
        const int loop = loopOf(item);
        if (IsLoopBlocked(loop)) return kBlockedLoopImage;
        if (loop < kFirstControlLoop) return kLoopImages[loopGroup(loop)];
        const int logic = loops[loop][kLoopLogic];
        return logic <= kGroupMonitoring ? kControlLoopImages[logic] : kControlLoopNoLogicImage;
    }
    if (isKey(item)) {
        const KeyRecord& k = keys[keyOf(item)];
        if (!isEmployeeKey(k)) return kDutyKeyImage;
        switch (keyLoopGroup(k)) {
            case 0:
                return 52;
            case 1:
                return 51;
            default:
                return 53;
        }
    }
    const int device = DeviceOfItem(item);
    if (device < 0) return -1;
    const DeviceRecord& d = devices[device];
    const int type = deviceType(d);
    const DeviceImages& images = kDeviceImages[type];
    // The group a loop gives its devices: a "У" loop lends its logic.
    auto groupOfLoop = [this](int loop) {
        if (loop >= kLoopCount) return -1;
        if (loop < kFirstControlLoop) return loopGroup(loop);
        const int logic = loops[loop][kLoopLogic];
        return logic <= kGroupMonitoring ? logic : kGroupSecurity;
    };
    if (IsDeviceBlocked(device)) return images.off;
    if (type == kTypeTk3) {
        if (isSlotEntry(item)) {
            const int group = groupOfLoop(deviceLoopSlot(d, slotOfEntry(item)));
            return group < 0 ? images.off : images.byGroup[group];
        }
        int first = -1;
        bool mixed = false;
        for (int s = 0; s < 3; ++s) {
            const int group = groupOfLoop(deviceLoopSlot(d, s));
            if (group < 0) continue;
            if (first < 0)
                first = group;
            else if (group != first)
                mixed = true;
        }
        if (first < 0) return images.off;
        return mixed ? kTk3MixedImage : images.byGroup[first];
    }
    const int group = groupOfLoop(d[kDevLoop]);
    return group < 0 ? images.off : images.byGroup[group];
}

}  // namespace tavrin
