// The words of the port keys of the settings file, compared exactly.
#pragma once

#include <string_view>

namespace tavrin {

inline constexpr const char* kParityWords[5] = {"нет", "нечет", "чет", "всегда1", "всегда0"};
inline constexpr const char* kStopBitWords[3] = {"1", "1.5", "2"};
inline constexpr const char* kYes = "да";
inline constexpr const char* kNo = "нет";
inline constexpr const char* kDefaultPortName = "COM3";

// Index of a word in its list, or -1 (an unknown word leaves a field as it was).
int parityIndex(std::string_view word);
int stopBitsIndex(std::string_view word);

}  // namespace tavrin
