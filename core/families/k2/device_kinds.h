// Which device kind goes in which loop group of a "Талвир К2" panel: one
// row per kind (the low nibble of the device record's byte 2). The add menu
// of a loop, dragging a device onto a loop and pasting one from the buffer
// all ask this table.
#pragma once

#include <cstdint>

#include "families/k2/records.h"

namespace tavrin::k2 {

// Loop groups as bits: 1 << group.
inline constexpr std::uint8_t kInSecurity = 1u << kGroupSecurity;
inline constexpr std::uint8_t kInFire = 1u << kGroupFire;
inline constexpr std::uint8_t kInMonitoring = 1u << kGroupMonitoring;
inline constexpr std::uint8_t kInAnyLoop = 0x0F;  // the control loops too

struct DeviceKind {
    // The groups whose loops take a new device of the kind (add menu, drag).
    std::uint8_t groups;
    // The groups a paste from the buffer accepts, and the refusal otherwise
    // (empty: refused without a message).
    std::uint8_t pasteGroups;
    const char* pasteRefusal;
    // Placed on a loop by dragging (a БРП takes its loop in its grid row).
    bool byDrag;
    // At most one on a loop (offered only on a loop without one).
    bool onePerLoop;
};

inline constexpr const char* kOnlyFire = "Можно вставлять только в пожарные ШС.";
inline constexpr const char* kOnlySecurityMonitoring = "Только в охранные и контрольные ШС.";

inline constexpr DeviceKind kDeviceKinds[16] = {
    /* 0 ДИП */ {kInFire, kInFire, kOnlyFire, true, false},
    /* 1 ИПР */ {kInFire, kInFire, kOnlyFire, true, false},
    /* 2 ТК */ {kInFire, kInFire, kOnlyFire, true, false},
    /* 3 ТК-3 */
    {kInSecurity | kInMonitoring, kInSecurity | kInMonitoring, kOnlySecurityMonitoring, true,
     false},
    /* 4 КТМ */
    {kInSecurity | kInMonitoring, kInSecurity | kInMonitoring, kOnlySecurityMonitoring, true,
     false},
    /* 5 ИПГ */
    {kInFire, kInSecurity | kInFire, "Только в охранные и пожарные ШС.", true, false},
    /* 6 ДКА */
    {kInMonitoring, kInMonitoring, "Можно вставлять только в контрольные ШС.", true, false},
    /* 7 БРП */ {kInAnyLoop, kInAnyLoop, "", false, false},
    /* 8 */ {0, 0, "", false, false},
    /* 9 */ {0, 0, "", false, false},
    /* 10 */ {0, 0, "", false, false},
    /* 11 УПТ */ {kInFire, kInFire, kOnlyFire, true, true},
    /* 12 МАУ */ {kInAnyLoop, kInAnyLoop, "", true, false},
    /* 13 УОП */ {kInAnyLoop, kInAnyLoop, "", true, false},
    /* 14 УОПВ */ {kInAnyLoop, kInAnyLoop, "", true, false},
    /* 15 */ {0, 0, "", false, false},
};

inline const DeviceKind& deviceKind(int type) {
    return kDeviceKinds[type & 0x0F];
}
inline bool groupIn(std::uint8_t groups, int loop) {
    return loop >= 0 && loop < kLoopCount && ((groups >> loopGroup(loop)) & 1u) != 0;
}

}  // namespace tavrin::k2
