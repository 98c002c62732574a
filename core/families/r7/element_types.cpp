#include "families/r7/element_types.h"

#include <cstdio>

namespace tavrin::r7 {

namespace {

// "ВЕРС-ТC" ends in a Latin C; "ВЕРС-KТM" has a Latin K and M around a
// Cyrillic Т, as the panel's own names do.
constexpr DeviceKind kKinds[] = {
    {"ВЕРС-ДИП", {17, 26, 0}, 26, "ВЕРС-ДИП   %d", NewParams::Detector, false, 0},
    {"ВЕРС-ИПР", {24, 37, 0}, 24, "ВЕРС-ИПР   %d", NewParams::Detector, false, 2},
    {"ВЕРС-ИПТ", {25, 32, 0}, 25, "ВЕРС-ИПТ   %d", NewParams::Detector, false, 10},
    {"ВЕРС-ИПГ", {15, 39, 0}, 15, "ВЕРС-ИПГ   %d", NewParams::Detector, false, 4},
    {"ВЕРС-ТК", {33, 42, 0}, 42, "ВЕРС-ТК   %d", NewParams::Output, true, 14},
    {"ВЕРС-ТC", {12, 36, 138}, 12, "ВЕРС-ТC   %d", NewParams::Output, true, 6},
    {"ВЕРС-УОП", {52, 136, 0}, 136, "ВЕРС-УОП  %d", NewParams::OutputRelay, true, 26},
    {"ВЕРС-УОП-В", {34, 137, 0}, 137, "ВЕРС-УОП-В  %d", NewParams::OutputRelay, true, 30},
    {"ВЕРС-КТМ", {44, 84, 0}, 44, "ВЕРС-KТM   %d", NewParams::Output, true, 18},
    {"ВЕРС-У", {48, 0, 0}, 48, "ВЕРС-У  %d", NewParams::OutputRelay, true, 22},
    {"ВЕРС-У4", {53, 0, 0}, 53, "ВЕРС-У4   %d", NewParams::OutputRelay, true, 34},
    {"ВЕРС-БПА", {8, 67, 0}, 8, "ВЕРС-БПА   %d", NewParams::Detector, false, 12},
};

std::string format(const char* fmt, unsigned id) {
    char buf[64];
    std::snprintf(buf, sizeof buf, fmt, id);
    return buf;
}

}  // namespace

std::span<const DeviceKind> deviceKinds() {
    return kKinds;
}

const DeviceKind* deviceKind(std::uint8_t type) {
    if (type == 0) return nullptr;
    for (const auto& k : kKinds) {
        for (std::uint8_t c : k.codes) {
            if (c == type) return &k;
        }
    }
    return nullptr;
}

int objectImage(bool switchedOff, bool fire, bool security, bool control) {
    if (switchedOff) return kImageObjectOff;
    if (fire && security && control) return kImageObjectAll;
    if (fire && security) return kImageObjectFireSecurity;
    if (fire && control) return kImageObjectFireControl;
    if (security && control) return kImageObjectSecurityControl;
    if (fire) return kImageObjectFire;
    if (security) return kImageObjectSecurity;
    if (control) return kImageObjectControl;
    return kImageObjectOff;
}

std::string defaultElementName(std::uint8_t type, unsigned id, bool underObject) {
    switch (type) {
        case kTypePanel:
            return "Ордис Р7";
        case kTypeObject:
            return format("Объект   %d", id);
        case kTypeKey:
            return format(underObject ? "Ключ сотрудника   %d" : "Ключ   %d", id);
        default:
            break;
    }
    const DeviceKind* k = deviceKind(type);
    return k ? format(k->nameFormat, id) : std::string();
}

void applyNewElementParams(ElementRecord& record, std::uint8_t type, bool underObject) {
    auto& b = record.bytes;
    switch (type) {
        case kTypePanel:
            b[kOffAddress] = 1;
            return;
        case kTypeObject:
            b[5] = 4;
            b[6] = 0;
            b[8] = 15;
            return;
        case kTypeKey:
            b[kOffKeyKind] = underObject ? kKeyKindEmployee : kKeyKindGeneral;
            return;
        default:
            break;
    }
    const DeviceKind* k = deviceKind(type);
    if (!k) return;
    b[10] = 0xFF;
    switch (k->params) {
        case NewParams::Detector:
            break;
        case NewParams::Output:
            b[11] = 1;
            b[12] = kModeNotSet;
            break;
        case NewParams::OutputRelay:
            b[11] = 0;
            b[12] = kModeNotSet;
            b[13] = 0;
            break;
    }
}

}  // namespace tavrin::r7
