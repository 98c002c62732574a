// The event decoding table of the "Талвир К2" journal and active events: for
// each event type 0..15 the (class, text) of every known event code.
#pragma once

#include <string>

namespace tavrin::k2 {

constexpr int kEventTypeCount = 16;

// Event classes: how the viewers group events.
enum EventClass : int {
    kClassNone = 0,
    kClassFire = 1,      // "Пожар", "Внимание"
    kClassSecurity = 2,  // security alarm
    kClassMessage = 3,
    kClassFault = 4,
    kClassService = 5,
};

struct EventInfo {
    bool known = false;
    int eventClass = kClassNone;
    std::string text;  // UTF-8; for an unknown event "Неизвестное событие тип=%d код=%d"
};

// Decodes an event: known when its type is below 16 and its code lies inside
// the type's table.
EventInfo decodeEvent(int type, int code);

// Number of codes the table knows for a type (0 outside 0..15).
int eventCodeCount(int type);

}  // namespace tavrin::k2
