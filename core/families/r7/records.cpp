#include "families/r7/records.h"

#include "base/text.h"

namespace tavrin::r7 {

std::string ElementRecord::name() const {
    std::size_t n = 0;
    while (n < kNameLength && bytes[kOffName + n] != 0)
        ++n;
    while (n > 0 && bytes[kOffName + n - 1] == ' ')
        --n;
    return cp1251ToUtf8(std::string_view(reinterpret_cast<const char*>(&bytes[kOffName]), n));
}

void ElementRecord::setName(const std::string& utf8) {
    const std::string raw = utf8ToCp1251(utf8);
    for (int i = 0; i < kNameLength; ++i) {
        bytes[kOffName + i] =
            i < static_cast<int>(raw.size()) ? static_cast<std::uint8_t>(raw[i]) : ' ';
    }
    bytes[kOffTerminator] = 0;
}

void ElementRecord::clear() {
    for (int i = 0; i < kOffParams; ++i)
        bytes[i] = 0;
    for (int i = 0; i < kParamCount; ++i)
        bytes[kOffParams + i] = 0xFF;
    for (int i = 0; i < kNameLength; ++i)
        bytes[kOffName + i] = ' ';
    bytes[kOffTerminator] = 0;
    bytes[kOffTerminator + 1] = 0;
}

}  // namespace tavrin::r7
