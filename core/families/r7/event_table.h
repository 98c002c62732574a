// The events of the "Ордис Р7" journal: event number → class and text.
// Classes: 1 fire, 2 security alarm, 3 message, 4 fault, 5 service.
#pragma once

#include <string>

namespace tavrin::r7 {

constexpr int kEventCount = 82;  // numbers 0..81

struct EventText {
    int eventClass = 0;
    std::string text;
};

// Numbers 82 and above: class 0, "Неизвестное событие № %d".
EventText decodeEvent(int number);

// The letter of an addressable line: 1 "А", 2 "Б", 3 "В", 4 "Г", else empty.
std::string lineLetter(int line);

}  // namespace tavrin::r7
