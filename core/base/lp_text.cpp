#include "base/lp_text.h"

namespace tavrin {

LpText readLpText(ByteReader& in) {
    LpText r;
    const std::uint32_t count = in.u32();
    if (!in.ok()) {
        r.status = LpTextStatus::Truncated;
        return r;
    }
    if (count == 0) return r;
    if (count > kMaxLpTextBytes) {
        r.status = in.skip(count) ? LpTextStatus::TooLong : LpTextStatus::Truncated;
        return r;
    }
    if (count <= 2) {
        r.status = LpTextStatus::Ok;
        r.text = std::u16string();
        return r;
    }
    if (in.remaining() < count) {
        in.skip(count);
        r.status = LpTextStatus::Truncated;
        return r;
    }
    std::u16string s;
    const std::uint32_t chars = (count - 2) / 2;
    s.reserve(chars);
    for (std::uint32_t i = 0; i < chars; ++i)
        s += static_cast<char16_t>(in.u16());
    in.skip(count - 2 * chars);  // the terminator (and an odd byte)
    r.status = LpTextStatus::Ok;
    r.text = std::move(s);
    return r;
}

std::uint32_t lpTextByteCount(const std::optional<std::u16string>& text) {
    if (!text) return 0;
    return static_cast<std::uint32_t>(2 * text->size() + 2);
}

void writeLpText(ByteWriter& out, const std::optional<std::u16string>& text) {
    const std::uint32_t count = lpTextByteCount(text);
    out.u32(count);
    if (count <= 2) return;
    for (char16_t c : *text)
        out.u16(c);
    out.u16(0);
}

}  // namespace tavrin
