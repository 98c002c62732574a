// printf-style formatting into a std::string, for the family's fixed texts.
#pragma once

#include <cstdio>
#include <string>

namespace tavrin::k2 {

template <typename... A>
std::string format(const char* pattern, A... args) {
    char buffer[256];
    const int n = std::snprintf(buffer, sizeof buffer, pattern, args...);
    if (n < 0) return {};
    return std::string(buffer, static_cast<std::size_t>(n) < sizeof buffer
                                   ? static_cast<std::size_t>(n)
                                   : sizeof buffer - 1);
}

}  // namespace tavrin::k2
