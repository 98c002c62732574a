#include "families/r7/db_file.h"

#include <algorithm>

#include "base/lp_text.h"
#include "base/text.h"

namespace tavrin::r7 {

namespace {

std::u16string cutVersion(std::u16string text) {
    if (text.size() > kVersionTextUnits) text.resize(kVersionTextUnits);
    return text;
}

}  // namespace

FileDecode decodeFile(ByteSpan data, ElementTable& table) {
    FileDecode out;
    ByteReader in(data);
    if (in.remaining() < 4) return out;
    out.versionRead = true;
    out.version = in.i32();
    if (out.version < 0) return out;

    if (out.version > 1) {
        const std::uint32_t length = in.u32();
        if (length > 2 && length <= kMaxVersionStringBytes) {
            // A longer count is not a string this program wrote: nothing is
            // skipped and the records follow the count.
            Bytes raw(length);
            in.bytes(raw);
            std::u16string text;
            for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
                const char16_t c = static_cast<char16_t>(raw[i] | (raw[i + 1] << 8));
                if (c == 0) break;
                text.push_back(c);
            }
            out.versionText = utf16ToUtf8(cutVersion(std::move(text)));
        }
    }

    const std::size_t size = out.version == 0 ? kStoredRecordSizeV0 : kStoredRecordSize;
    for (int i = 0; i < kFileRecordCount; ++i) {
        const std::size_t have = std::min(size, in.remaining());
        auto& bytes = table[static_cast<std::size_t>(i)].bytes;
        in.bytes(MutableByteSpan(bytes.data(), have));
        bytes[kOffTerminator] = 0;
        if (have < size) {
            out.shortRecord = true;
            break;
        }
        ++out.recordsRead;
    }
    return out;
}

Bytes encodeFile(const ElementTable& table, const std::string& versionText) {
    ByteWriter out;
    out.i32(kFileVersionWritten);
    std::optional<std::u16string> text;
    if (!versionText.empty()) text = cutVersion(utf8ToUtf16(versionText));
    writeLpText(out, text);
    for (int i = 0; i < kFileRecordCount; ++i) {
        out.bytes(ByteSpan(table[static_cast<std::size_t>(i)].bytes.data(), kStoredRecordSize));
    }
    return out.take();
}

}  // namespace tavrin::r7
