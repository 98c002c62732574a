// The panel families, as stored in the "Прибор" setting and carried by every
// database object. Everything else about a family is in its descriptor
// (link/family_traits.h for the facts, registry/ for the factories).
#pragma once

#include <optional>

namespace tavrin {

enum class Family : int { R7 = 1, K2 = 2, S5 = 3 };

inline constexpr int familyCode(Family family) {
    return static_cast<int>(family);
}

// The family of a stored code (1..3), or none.
inline constexpr std::optional<Family> familyFromCode(int code) {
    if (code < 1 || code > 3) return std::nullopt;
    return static_cast<Family>(code);
}

}  // namespace tavrin
